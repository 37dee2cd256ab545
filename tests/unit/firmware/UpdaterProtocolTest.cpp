// The updater's side of the bootloader protocol, message by message.
#include <gtest/gtest.h>

#include "UpdaterFixture.h"
#include "platform/Services.h"

namespace bx::test {
namespace {

using Lines = std::vector<std::string>;

TEST_F(UpdaterTest, WithWaitNothingIsSentUntilThePrompt) {
  ASSERT_TRUE(Start(Pattern(600), /*waitForPrompt=*/true));
  EXPECT_EQ(Log(), Lines{"Waiting Connection..."});
  Send("-");
  Send(Ack(3));
  loop.Advance(1000);
  EXPECT_TRUE(link.writes.empty());
  EXPECT_EQ(updater.State(), UpdaterState::WaitPrompt);

  Send(">");
  EXPECT_EQ(Log(), (Lines{"Waiting Connection...", "Connecting..."}));
  EXPECT_EQ(link.Written(), "<");
}

TEST_F(UpdaterTest, WithoutWaitTheConnectRequestLeavesAtOnceAndOnlyPlusIsAccepted) {
  ASSERT_TRUE(Start(Pattern(600)));
  EXPECT_EQ(Log(), Lines{"Connecting..."});
  EXPECT_EQ(link.Written(), "<");
  Send(">");
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(status.Text(), "Connecting: Error");
  EXPECT_EQ(Log().back(), "Connecting: Error");
  EXPECT_FALSE(link.IsOpen());
}

TEST_F(UpdaterTest, HeaderAnsweredAtOnceGivesPagesFromByte81) {
  const Bytes file = Pattern(80 + 600);
  ASSERT_TRUE(Start(file));
  Send(kConnectAck);
  ASSERT_EQ(link.writes.size(), 2u);
  EXPECT_EQ(link.writes[1], HeaderFrame(FirmwareImage(file)));

  Send(HeaderReply(256, "12345678", "AB"));
  // 600 bytes make two whole pages; the 88 after them are left out, and the log says so.
  EXPECT_EQ(Log(), (Lines{"Connecting...", "Send Header...", "SN:12345678", "ID:AB",
                          "Warning: the last 88 bytes of the image make no whole page and are not sent",
                          "Wait for page request..."}));
  EXPECT_EQ(updater.PageSize(), 256);
  EXPECT_EQ(updater.PageCount(), 2);
  EXPECT_EQ(progress.Max(), 2);

  Send(Request(1));
  EXPECT_EQ(link.writes.back(), PageFrame(1, file.substr(80 + 256, 256)));
  EXPECT_EQ(link.writes.size(), 3u);  // no extension block went out
}

TEST_F(UpdaterTest, SilentBootloaderGetsTheExtensionBlockAfterFivePollTicks) {
  const Bytes file = Pattern(80 + 184 + 700);
  ASSERT_TRUE(Start(file));
  Send(kConnectAck);  // the header leaves at 0 ms; the poll ticks come at 100, 110, ...
  // The grace only runs down once the header has left.
  link.pendingWrite = 83;
  loop.Advance(500);
  link.pendingWrite = 0;
  loop.Advance(40);
  // Wakes for noise are no poll ticks: they must not shorten the grace.
  for (int i = 0; i < 10; ++i) Send("\r\n");
  EXPECT_EQ(link.writes.size(), 2u);
  EXPECT_EQ(updater.State(), UpdaterState::SendHeader);

  loop.Advance(10);
  ASSERT_EQ(link.writes.size(), 3u);
  EXPECT_EQ(link.writes[2], file.substr(80, 184));
  EXPECT_EQ(Log().back(), "Send Header...");

  Send(HeaderReply(256));
  EXPECT_EQ(updater.PageCount(), 700 / 256);
  Send(Request(0));
  EXPECT_EQ(link.writes.back(), PageFrame(0, file.substr(264, 256)));
}

TEST_F(UpdaterTest, AnythingButPlusAnswersTheHeaderWithAnError) {
  ASSERT_TRUE(Start(Pattern(600)));
  Send(kConnectAck);
  Send(Request(0));
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(Log().back(), "Send Header: Error");
}

TEST_F(UpdaterTest, HeaderRepliesThatCannotBeUploadedAreRefused) {
  ASSERT_TRUE(Start(Pattern(600)));
  Send(kConnectAck);
  Send(HeaderReply(0));
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(link.HasNotify());
  EXPECT_EQ(status.Text(), "Send Header: Error (page size 0)");
  EXPECT_EQ(Log(),
            (Lines{"Connecting...", "Send Header...", "SN:12345678", "ID:AB", "Send Header: Error (page size 0)"}));

  // Page numbers would run into the end marker.
  ASSERT_TRUE(Start(Pattern(80 + 65536)));
  Send(kConnectAck);
  Send(HeaderReply(1));
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(status.Text(), "Send Header: Error (65536 pages, at most 65535)");

  // An image shorter than one page would end "Ok" with nothing written.
  ASSERT_TRUE(Start(Pattern(80 + 100)));
  Send(kConnectAck);
  Send(HeaderReply(256));
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(status.Text(), "Send Header: Error (the image's 100 bytes make no whole page of 256 bytes)");
}

TEST_F(UpdaterTest, EightyByteFileEndsAfterTheHeaderReplyWithoutPages) {
  ASSERT_TRUE(Start(Pattern(80)));
  Send(kConnectAck);
  Send(HeaderReply(0));  // no image: the page size does not matter
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(status.Text(), "System Updating : Ok");
  EXPECT_EQ(Log().back(), "System Updating : Ok");
  EXPECT_EQ(link.writes.size(), 2u);
}

TEST_F(UpdaterTest, ThousandByteImageHasThreePagesAndTheFourthRequestGetsTheEndFrame) {
  const Bytes file = Pattern(80 + 1000);
  ToPageRequests(file, 256);
  EXPECT_EQ(updater.PageCount(), 3);
  Send(Request(5));  // past the image: a bare frame, nothing to write
  EXPECT_EQ(link.writes.back(), Bytes("@\x05\x00", 3));
  link.writes.clear();
  memo.Clear();
  for (uint16_t n = 0; n < 3; ++n) {
    Send(Request(n));
    EXPECT_EQ(link.writes.back(), PageFrame(n, file.substr(80 + n * 256u, 256)));
    Send(Ack(n));
    EXPECT_EQ(progress.Position(), n);
  }
  Send(Request(3));
  EXPECT_EQ(link.writes.back(), EndFrame());
  EXPECT_EQ(Log().back(), "Updating firmware");
  EXPECT_EQ(updater.CurrentPage(), 0xFFFF);
  EXPECT_TRUE(updater.IsRunning());

  Send(Ack(0xFFFF));
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(progress.Position(), 3);
  EXPECT_EQ(status.Text(), "Updating firmware : Ok");
  EXPECT_EQ(Log(), (Lines{"Writing Page #0", "Writing Page #0 : Ok", "Writing Page #1", "Writing Page #1 : Ok",
                          "Writing Page #2", "Writing Page #2 : Ok", "Updating firmware", "Updating firmware : Ok"}));
  // The last 232 bytes never left: three page frames and the end frame.
  EXPECT_EQ(link.Written().size(), 3u * (5 + 256) + 3);
}

TEST_F(UpdaterTest, ThreeNaksAreToleratedAndTheFourthEndsTheUpload) {
  ToPageRequests(Pattern(80 + 256 * 10), 256);
  Send(Request(7));
  Send("--");
  Send(Request(7));  // a request resends the page but does not forgive the NAKs
  EXPECT_EQ(link.writes.size(), 2u);
  Send("-");
  EXPECT_TRUE(updater.IsRunning());
  Send("-");
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(Log(), (Lines{"Writing Page #7", "Writing Page #7 : Retry 1", "Writing Page #7 : Retry 2",
                          "Writing Page #7", "Writing Page #7 : Retry 3", "Writing Page #7 : Error"}));
  EXPECT_EQ(status.Text(), "Writing Page #7 : Error");
}

TEST_F(UpdaterTest, AnAcknowledgementForgivesEarlierNaks) {
  ToPageRequests(Pattern(80 + 256 * 10), 256);
  Send(Request(7));
  Send("---");
  Send(Ack(7));
  Send(Request(8));
  Send("---");
  EXPECT_TRUE(updater.IsRunning());
  EXPECT_EQ(Log().back(), "Writing Page #8 : Retry 3");
}

TEST_F(UpdaterTest, NakAfterTheEndFrameFailsTheUpdate) {
  ToPageRequests(Pattern(80 + 512), 256);
  Send(EveryPage(2));
  Send(Request(2));
  EXPECT_EQ(link.writes.back(), EndFrame());
  Send("-");
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(Log().back(), "Error updating firmware...");
}

TEST_F(UpdaterTest, NoiseIsDroppedAndALongAcknowledgementWaitsUntilWhole) {
  const Bytes file = Pattern(80 + 1024);
  ToPageRequests(file, 256);
  Send("\r\n" + Request(0) + "\r\n>\n");
  EXPECT_EQ(link.writes.back(), PageFrame(0, file.substr(80, 256)));

  // "+" with 200 bytes of data; the page number is its first two.
  const Bytes longAck = "+\xC8" + Bytes("\x00\x00", 2) + Pattern(198);
  Send(longAck.substr(0, 150));
  EXPECT_EQ(Log().back(), "Writing Page #0");
  Send(longAck.substr(150, 51));
  EXPECT_EQ(Log().back(), "Writing Page #0");
  Send(longAck.substr(201) + "\r" + Request(1));
  EXPECT_EQ(Log(), (Lines{"Writing Page #0", "Writing Page #0 : Ok", "Writing Page #1"}));
}

// A bootloader that lies or loops must not get the update reported as done.
TEST_F(UpdaterTest, AcknowledgementsNamingAnythingButWhatWasSentFailTheUpload) {
  struct Case {
    const char* name;
    std::vector<Bytes> script;
    std::string last;
  };
  const std::vector<Case> cases = {
      {"end acknowledged after page 1 of 8",
       {Request(0), Ack(0), Request(1), Ack(1), Ack(0xFFFF)},
       "Writing Page #1 : Error (acknowledgement for page 65535)"},
      {"another page acknowledged", {Request(0), Ack(3)}, "Writing Page #0 : Error (acknowledgement for page 3)"},
      {"the end marker asked for as a page",
       {Request(0xFFFF)},
       "Writing Page #65535 : Error (the end marker asked for as a page)"},
      {"page 0 acknowledged before it was asked for",
       {Ack(0)},
       "Writing Page #0 : Error (acknowledgement for page 0 before any page was asked for)"},
      {"page 0 requested and acknowledged forever",
       {Request(0), Ack(0), Request(0), Ack(0), Request(0), Ack(0), Request(0), Ack(0), Request(0), Ack(0), Request(0)},
       "Writing Page #0 : Error (requested again without progress)"},
      {"page 0 requested forever",
       {Request(0), Request(0), Request(0), Request(0), Request(0)},
       "Writing Page #0 : Error (requested again without progress)"},
      {"finish asked for after page 0",
       {Request(0), Ack(0), Request(8)},
       "Writing Page #8 : Error (the bootloader asked to finish after 1 of 8 pages)"},
      {"finish asked for before any page",
       {Request(8)},
       "Writing Page #8 : Error (the bootloader asked to finish "
       "after 0 of 8 pages)"},
      {"a page acknowledged twice counts once",
       {EveryPage(7), Request(3), Ack(3), Request(8)},
       "Writing Page #8 : Error (the bootloader asked to finish after 7 of 8 pages)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToPageRequests(Pattern(80 + 256 * 8), 256);
    for (const Bytes& m : c.script) Send(m);
    EXPECT_FALSE(updater.IsRunning());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(status.Text(), c.last);
    EXPECT_NE(Log().back(), "Updating firmware : Ok");
    // The end frame would have the bootloader keep the pages it has.
    for (const Bytes& w : link.writes) EXPECT_NE(w, EndFrame());
  }
}

TEST_F(UpdaterTest, CancelStopsAndALaterStartBeginsAgain) {
  ToPageRequests(Pattern(80 + 1024), 256);
  Send(Request(0));
  updater.Cancel();
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(link.HasNotify());
  EXPECT_EQ(status.Text(), "Firmware Update canceled...");
  EXPECT_EQ(Log().back(), "Firmware Update canceled...");
  updater.Cancel();  // not running: nothing
  EXPECT_EQ(Log().size(), 2u);

  link.writes.clear();
  loop.Advance(1000);
  EXPECT_TRUE(link.writes.empty());

  ASSERT_TRUE(StartFile(fileName, /*waitForPrompt=*/true));
  EXPECT_EQ(Log().back(), "Waiting Connection...");
  Send(">");
  EXPECT_EQ(link.Written(), "<");
  EXPECT_EQ(updater.State(), UpdaterState::Connecting);
}

TEST_F(UpdaterTest, ANextUploadDoesNotJudgeANakByTheLastUploadsEndFrame) {
  ToPageRequests(Pattern(80 + 256), 256);
  Send(EveryPage(1));
  Send(Request(1));
  Send(Ack(0xFFFF));
  ASSERT_FALSE(updater.IsRunning());

  ASSERT_TRUE(StartFile(fileName));
  Send(kConnectAck);
  Send(HeaderReply(256));
  Send("-");
  EXPECT_TRUE(updater.IsRunning());
  EXPECT_EQ(Log().back(), "Writing Page #0 : Retry 1");
}

TEST_F(UpdaterTest, FileErrorsAreShownAndNothingStarts) {
  const std::string missing = folder.Path() + "/none.rfw";
  EXPECT_FALSE(StartFile(missing));
  EXPECT_FALSE(Start(Pattern(79)));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].caption, "Open Firware file...");
  EXPECT_EQ(messages[0].text, "File \"" + missing + "\" is not found.");
  EXPECT_EQ(messages[0].flags, mb::Ok | mb::IconError);
  EXPECT_EQ(messages[1].caption, "Open Firware file...");
  EXPECT_EQ(messages[1].text, "Error! Firmware file \"" + fileName + "\" is short.");
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(link.openCalls, 0);
  EXPECT_TRUE(Log().empty());
}

TEST_F(UpdaterTest, ALinkThatWillNotOpenFailsTheStartSilently) {
  link.openResult = false;
  EXPECT_FALSE(Start(Pattern(600)));
  EXPECT_EQ(link.openCalls, 1);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_TRUE(link.writes.empty());

  link.SetOpen(true);  // an open link is used as it is
  EXPECT_TRUE(Start(Pattern(600)));
  EXPECT_EQ(link.openCalls, 1);
}

TEST_F(UpdaterTest, ALinkFoundClosedStopsPollingUntilStop) {
  ToPageRequests(Pattern(80 + 1024), 256);
  link.Drop();
  loop.Advance(100);
  // Polling has stopped: even bytes on a link that is back are not looked at.
  link.SetOpen(true);
  link.Receive(Request(0), /*notify=*/false);
  loop.Advance(1000);
  EXPECT_TRUE(link.writes.empty());
  EXPECT_TRUE(updater.IsRunning());
  updater.Cancel();
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(Log().back(), "Firmware Update canceled...");
}

// A hang-up ends the upload at once with the error line of the step it came in, after
// whatever the bootloader sent before it has been answered.
TEST_F(UpdaterTest, AHangUpEndsTheUploadWithTheLineOfItsStep) {
  const Bytes file = Pattern(80 + 256 * 4);
  struct Case {
    const char* name;
    bool waitForPrompt;
    std::vector<Bytes> before;  // the bootloader's messages before the hang-up
    Bytes last;                 // sent together with the hang-up
    const char* line;           // the line the upload ends with
  };
  const Case cases[] = {
      {"waiting for the prompt", true, {}, {}, "Connecting: Error (the adapter hung up)"},
      {"connecting", false, {}, {}, "Connecting: Error (the adapter hung up)"},
      {"header sent", false, {kConnectAck}, {}, "Send Header: Error (the adapter hung up)"},
      {"page 2 sent",
       false,
       {kConnectAck, HeaderReply(256), Request(0), Ack(0), Request(2)},
       {},
       "Writing Page #2 : Error (the adapter hung up)"},
      {"request with the hang-up",
       false,
       {kConnectAck, HeaderReply(256)},
       Request(1),
       "Writing Page #1 : Error (the adapter hung up)"},
      {"end frame sent",
       false,
       {kConnectAck, HeaderReply(256), EveryPage(4), Request(4)},
       {},
       "Error updating firmware... (the adapter hung up)"},
      {"end frame acknowledged, then the line dropped",
       false,
       {kConnectAck, HeaderReply(256), EveryPage(4), Request(4)},
       Ack(0xFFFF),
       "Updating firmware : Ok"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    memo.Clear();
    ASSERT_TRUE(Start(file, c.waitForPrompt));
    for (const Bytes& m : c.before) Send(m);
    ASSERT_TRUE(updater.IsRunning());
    const std::size_t written = link.writes.size();
    link.HangUp(c.last);
    loop.RunPosted();
    EXPECT_FALSE(updater.IsRunning());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(status.Text(), c.line);
    EXPECT_EQ(Log().back(), c.line);
    // A request that came with the hang-up was still answered.
    EXPECT_EQ(link.writes.size(), written + (c.last.empty() || c.last[0] != '.' ? 0u : 1u));
  }
}

// Without wake-on-data the next poll tick notices it just the same.
TEST_F(UpdaterTest, AHangUpIsNoticedByThePollTimerToo) {
  updater.SetWakeOnData(false);
  ASSERT_TRUE(Start(Pattern(80 + 256 * 4)));
  for (const Bytes& m : {kConnectAck, HeaderReply(256), Request(3)}) {
    link.Receive(m, false);
    loop.Advance(110);
  }
  ASSERT_EQ(Log().back(), "Writing Page #3");
  link.HangUp();
  EXPECT_TRUE(updater.IsRunning());
  loop.Advance(10);
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(Log().back(), "Writing Page #3 : Error (the adapter hung up)");
}

}  // namespace
}  // namespace bx::test
