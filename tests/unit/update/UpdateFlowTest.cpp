// Uploads through the whole window: Run, the exchange's entry into the bootloader, the
// updater against a scripted bootloader, Stop, and the exchange's ending.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "UpdateWorld.h"
#include "exchange/PortList.h"
#include "support/ScopedGlobals.h"
#include "window/Modules.h"

namespace bx::test {
namespace {

using Lines = std::vector<std::string>;

constexpr int kPages = 12;
const Bytes kFile = Pattern(80 + 184 + 256 * kPages + 100);

bool InUpload(UpdateWorld& w) { return w.Ex().State() == ExchangeState::UpdateRunning; }

void ExpectEndedWith(UpdateWorld& w, const std::string& line) {
  TfrmMain& f = *w.form;
  EXPECT_FALSE(w.Ex().Running());
  EXPECT_FALSE(w.Updater().IsRunning());
  EXPECT_FALSE(w.link.IsOpen());
  EXPECT_EQ(f.btUpdateRun.Caption(), "Run");
  EXPECT_TRUE(f.pcOptions.Enabled());
  ASSERT_FALSE(w.Log().empty());
  EXPECT_EQ(w.Log().back(), line);
  EXPECT_EQ(f.edUpdateSatus.Text(), line);
}

TEST(UpdateFlow, UpdateEntersTheBootloaderThenUploadsEveryWholePage) {
  struct Case {
    const char* name;
    bool wait;
    bool extension;
  };
  for (const Case c : {Case{"wait for the prompt", true, false}, Case{"connect at once", false, false},
                       Case{"extension block", false, true}}) {
    SCOPED_TRACE(c.name);
    UpdateWorld w;
    TfrmMain& f = w.StartAdapter();
    w.promptAfterMs = c.wait ? 300 : -1;
    w.boot->expectExtension = c.extension;
    ASSERT_TRUE(w.Identify());
    w.ChooseFile(kFile);
    if (!c.wait) {
      f.rbUploadFW.Click();
      f.ckbWait.Click();
    }
    f.memUpdate.AddLine("left from before");
    f.btUpdateRun.Click();
    EXPECT_EQ(f.btUpdateRun.Caption(), "Stop");
    EXPECT_EQ(f.memUpdate.Text(), "");

    // Once the updater runs, Stop can be pressed.
    ASSERT_TRUE(w.loop.AdvanceUntil([&] { return InUpload(w); }, 2000, 10));
    EXPECT_TRUE(f.btUpdateRun.Usable());
    EXPECT_EQ(f.memLog.Text(), "Bootloader");

    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(w.commands, (std::vector<Bytes>{"!dulMAR_SC_I", kEnterBoot}));
    ExpectEndedWith(w, "Updating firmware : Ok");
    EXPECT_TRUE(w.boot->finished);
    EXPECT_EQ(w.boot->badFrames, 0);
    const std::size_t from = c.extension ? 264 : 80;
    const std::size_t pages = (kFile.size() - from) / 256;
    EXPECT_EQ(w.boot->stored, kFile.substr(from, 256 * pages));
    EXPECT_EQ(f.pbUpdateProgress.Max(), static_cast<int>(pages));
    EXPECT_EQ(f.pbUpdateProgress.Position(), static_cast<int>(pages));
    const Lines log = w.Log();
    EXPECT_EQ(log.front(), c.wait ? "Waiting Connection..." : "Connecting...");
    EXPECT_EQ(log[log.size() - 2], "Updating firmware");
    EXPECT_TRUE(f.btUpdateRun.Enabled());  // the adapter is still identified
    EXPECT_TRUE(f.btUpdateRun.Focused());
  }
}

TEST(UpdateFlow, ErrorLeftAfterTheBootloaderEntryReplyEndsTheUpdate) {
  UpdateWorld w;
  TfrmMain& f = w.StartAdapter();
  ASSERT_TRUE(w.Identify());
  w.ChooseFile(kFile);
  w.enterReply = Frame({"U"}) + "ERROR: bootloader locked";
  f.btUpdateRun.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f.memUpdate.Lines(), Lines{"ERROR: bootloader locked"});
  EXPECT_TRUE(w.boot->header.empty());
  EXPECT_EQ(f.btUpdateRun.Caption(), "Run");
  EXPECT_FALSE(w.link.IsOpen());

  // The reply frame itself is not examined: the upload goes ahead.
  w.NewBootloader();
  w.promptAfterMs = 200;
  w.enterReply = Frame({"ERROR ignored here"});
  f.btUpdateRun.Click();
  ASSERT_TRUE(w.RunExchange());
  ExpectEndedWith(w, "Updating firmware : Ok");
}

TEST(UpdateFlow, AdapterThatDoesNotAnswerTheEntryCommandIsNotFound) {
  UpdateWorld w;
  TfrmMain& f = w.StartAdapter();
  ASSERT_TRUE(w.Identify());
  w.ChooseFile(kFile);
  w.replies.clear();
  w.link.onWrite = [&](const Bytes& b) { w.commands.push_back(b); };
  f.btUpdateRun.Click();
  ASSERT_TRUE(w.RunExchange());
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text.substr(0, w.dialogs.messages[0].text.find("\r\n")),
            "Brevantix Adapter is not found on Communication Port /dev/ttyACM0 (USB Serial)");
  EXPECT_FALSE(w.Updater().IsRunning());
  EXPECT_EQ(f.btUpdateRun.Caption(), "Run");
  EXPECT_EQ(f.memUpdate.Text(), "");
}

// An error inside an updater step (here a report control whose handler fails, by the poll
// timer or by a wake) ends the upload the ordinary way: the link closed, the window given
// back, the message shown once.
TEST(UpdateFlow, AnUpdaterStepThatFailsEndsTheUploadAndGivesTheWindowBack) {
  for (const bool wake : {true, false}) {
    SCOPED_TRACE(wake ? "woken by the data" : "on the poll timer");
    UpdateWorld w;
    TfrmMain& f = w.StartAdapter();
    std::vector<std::string> shown;
    ScopedExceptionDisplay display([&shown](const std::string& m) { shown.push_back(m); });
    w.Updater().SetWakeOnData(wake);
    ASSERT_TRUE(w.Identify());
    w.ChooseFile(kFile);
    f.memUpdate.OnChange = [&f] {
      if (EndsWith(f.memUpdate.Text(), "Writing Page #2\r\n")) throw std::runtime_error("Failed to set data for 'Log'");
    };
    f.btUpdateRun.Click();
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(shown, std::vector<std::string>{"Failed to set data for 'Log'"});
    EXPECT_FALSE(w.Updater().IsRunning());
    EXPECT_FALSE(w.link.IsOpen());
    EXPECT_FALSE(w.boot->finished);
    EXPECT_EQ(f.btUpdateRun.Caption(), "Run");
    EXPECT_TRUE(f.pcOptions.Enabled());
    EXPECT_TRUE(f.btSearch.Enabled());
  }
}

TEST(UpdateFlow, DoNotSearchStartsTheUpdaterAsSoonAsThePortIsOpen) {
  UpdateWorld w;
  TfrmMain& f = w.StartAdapter();
  w.inBoot = true;  // already in its bootloader, nothing identified
  w.ChooseFile(kFile);
  f.rbUploadFW.Click();
  f.ckbNotSearch.Click();
  f.ckbWait.Click();
  ASSERT_TRUE(f.btUpdateRun.Enabled());
  f.btUpdateRun.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_TRUE(w.commands.empty());  // no adapter command at all
  ExpectEndedWith(w, "Updating firmware : Ok");
  EXPECT_EQ(w.boot->stored, kFile.substr(80, 256 * ((kFile.size() - 80) / 256)));
  EXPECT_EQ(f.edCOM.Text(), "");  // still nothing identified
  EXPECT_TRUE(f.btUpdateRun.Enabled());
}

TEST(UpdateFlow, StopDuringAnUploadCancelsItAndAnotherRunStartsAfresh) {
  UpdateWorld w;
  TfrmMain& f = w.StartAdapter();
  w.inBoot = true;
  w.ChooseFile(kFile);
  f.rbUploadFW.Click();
  f.ckbNotSearch.Click();
  w.boot->quietAfterPage = 3;
  w.boot->PromptAfter(300);
  f.btUpdateRun.Click();
  ASSERT_TRUE(w.loop.AdvanceUntil([&] { return w.boot->stored.size() == 4 * 256; }, 5000, 10));
  w.loop.Advance(1000);  // the bootloader has gone quiet: the upload waits as long as it takes
  ASSERT_TRUE(InUpload(w));
  EXPECT_EQ(f.btUpdateRun.Caption(), "Stop");
  EXPECT_EQ(f.pbUpdateProgress.Position(), 3);
  // Without an identified adapter the rule alone would disable Run here; Stop must stay.
  f.ckbNotSearch.Click();
  EXPECT_TRUE(f.btUpdateRun.Usable());

  f.btUpdateRun.Click();
  EXPECT_EQ(f.btUpdateRun.Caption(), "Run");
  EXPECT_EQ(w.Log().back(), "Firmware Update canceled...");
  EXPECT_EQ(f.edUpdateSatus.Text(), "Firmware Update canceled...");
  EXPECT_FALSE(w.link.IsOpen());
  w.loop.Advance(20);
  EXPECT_EQ(w.Log().back(), kBootloaderHint);
  EXPECT_FALSE(w.Ex().Running());
  EXPECT_TRUE(f.pcOptions.Enabled());

  EXPECT_FALSE(f.btUpdateRun.Enabled());  // the rule again, now that nothing runs

  w.NewBootloader();
  w.inBoot = true;
  w.boot->PromptAfter(300);
  f.ckbNotSearch.Click();
  f.btUpdateRun.Click();
  EXPECT_EQ(f.edUpdateSatus.Text(), "") << "the last run's ending is no status of this one";
  ASSERT_TRUE(w.RunExchange());
  ExpectEndedWith(w, "Updating firmware : Ok");
  EXPECT_EQ(w.Log().front(), "Waiting Connection...");
}

TEST(UpdateFlow, ClosingTheWindowDuringAnUploadStopsItAndClosesTheLink) {
  UpdateWorld w;
  TfrmMain& f = w.StartAdapter();
  ASSERT_TRUE(w.Identify());
  w.ChooseFile(kFile);
  w.boot->quietAfterPage = 1;
  f.btUpdateRun.Click();
  ASSERT_TRUE(w.loop.AdvanceUntil([&] { return w.boot->stored.size() == 2 * 256; }, 5000, 10));
  ASSERT_TRUE(w.link.IsOpen());
  ASSERT_TRUE(w.Close());
  EXPECT_FALSE(w.link.IsOpen());
  EXPECT_FALSE(w.link.HasNotify());
}

TEST(UpdateFlow, FileGoneBeforeRunIsReportedByTheUpdaterAndTheExchangeEnds) {
  UpdateWorld w;
  TfrmMain& f = w.StartAdapter();
  ASSERT_TRUE(w.Identify());
  const std::string path = w.ChooseFile(kFile);
  std::filesystem::remove(path);
  f.btUpdateRun.Click();
  ASSERT_TRUE(w.RunExchange());
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].caption, f.Caption() + " - Open Firware file...");
  EXPECT_EQ(w.dialogs.messages[0].text, "File \"" + path + "\" is not found.");
  EXPECT_EQ(f.btUpdateRun.Caption(), "Run");
  EXPECT_FALSE(w.link.IsOpen());
  EXPECT_TRUE(w.boot->header.empty());
}

// A file that no page size could make uploadable is refused before the adapter is sent
// to its bootloader, with and without "Do not Search": nothing reaches the adapter.
TEST(UpdateFlow, AFileThatCannotBeUploadedIsRefusedBeforeTheBootloaderIsEntered) {
  struct Case {
    const char* name;
    std::function<void(const std::string& path)> spoil;
    const char* message;  // with the path between the quotes
  };
  const Case cases[] = {
      {"ten bytes", [](const std::string& p) { std::filesystem::resize_file(p, 10); },
       "Error! Firmware file \"%s\" is short."},
      {"gone", [](const std::string& p) { std::filesystem::remove(p); }, "File \"%s\" is not found."},
      {"a folder in its place",
       [](const std::string& p) {
         std::filesystem::remove(p);
         std::filesystem::create_directory(p);
       },
       "File \"%s\" is not found."},
      {"beyond the size bound", [](const std::string& p) { std::filesystem::resize_file(p, kMaxFirmwareFileSize + 1); },
       "Error! Firmware file \"%s\" is too large."},
  };
  for (const Case& c : cases) {
    for (const bool noSearch : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (noSearch ? ", do not search" : ""));
      UpdateWorld w;
      TfrmMain& f = w.StartAdapter();
      ASSERT_TRUE(w.Identify());
      const std::string path = w.ChooseFile(kFile);
      c.spoil(path);
      f.rbUploadFW.Click();
      if (noSearch) f.ckbNotSearch.Click();
      const int opened = w.link.openCalls;
      f.btUpdateRun.Click();
      ASSERT_TRUE(w.RunExchange());
      ASSERT_EQ(w.dialogs.messages.size(), 1u);
      EXPECT_EQ(w.dialogs.messages[0].caption, f.Caption() + " - Open Firware file...");
      EXPECT_EQ(w.dialogs.messages[0].text, Format(c.message, path.c_str()));
      EXPECT_EQ(w.commands, std::vector<Bytes>{"!dulMAR_SC_I"});
      EXPECT_EQ(w.link.openCalls, opened);
      EXPECT_EQ(f.btUpdateRun.Caption(), "Run");
      EXPECT_TRUE(f.btUpdateRun.Enabled());
      EXPECT_NE(w.Log().empty() ? "" : w.Log().back(), kBootloaderHint);
    }
  }
}

// An upload that did not end well may leave the adapter in its bootloader, which answers
// no adapter command: the log says that Reset is the cure, and so does "not found" until
// a search finds the adapter or a reset has been sent.
TEST(UpdateFlow, AnUploadThatDidNotEndWellPointsToReset) {
  enum class Ending { Completed, Stopped, PageRefused, FileGone };
  struct Case {
    const char* name;
    Ending ending;
    bool hint;
    bool clearedByReset;  // else by a search the adapter answers (it was power-cycled)
  };
  for (const Case c :
       {Case{"completed", Ending::Completed, false, false}, Case{"stopped", Ending::Stopped, true, true},
        Case{"page refused", Ending::PageRefused, true, false}, Case{"file gone", Ending::FileGone, true, true}}) {
    SCOPED_TRACE(c.name);
    UpdateWorld w;
    TfrmMain& f = w.StartAdapter();
    ASSERT_TRUE(w.Identify());
    const std::string path = w.ChooseFile(kFile);
    if (c.ending == Ending::Stopped) w.boot->quietAfterPage = 1;
    if (c.ending == Ending::PageRefused) w.boot->nakPages[2] = 4;
    f.btUpdateRun.Click();
    if (c.ending == Ending::FileGone) {
      // Gone once the adapter has been sent to its bootloader: only the updater sees it.
      ASSERT_TRUE(w.loop.AdvanceUntil([&] { return w.Count(kEnterBoot) == 1; }, 2000, 1));
      std::filesystem::remove(path);
    }
    if (c.ending == Ending::Stopped) {
      ASSERT_TRUE(w.loop.AdvanceUntil([&] { return w.boot->stored.size() == 2 * 256; }, 5000, 10));
      f.btUpdateRun.Click();
    }
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(w.Log().back() == kBootloaderHint, c.hint) << w.Log().back();

    // In its bootloader the adapter does not answer the search.
    w.dialogs.messages.clear();
    f.btSearch.Click();
    ASSERT_TRUE(w.RunExchange());
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    const std::string notFound = "Brevantix Adapter is not found on Communication Port /dev/ttyACM0 (USB Serial)";
    EXPECT_EQ(w.dialogs.messages[0].text, notFound + "\r\n\r\n" + NotFoundChecks("/dev/ttyACM0", f.Modules->ports->serialPrefix, c.hint));
    if (!c.hint) continue;

    if (c.clearedByReset) {
      f.btReset.Click();
      ASSERT_TRUE(w.RunExchange());
      EXPECT_EQ(w.Log().back(), "Reset sent: the adapter restarts.");
    } else {
      w.NewBootloader();
      ASSERT_TRUE(w.Identify());
    }
    w.replies.clear();  // silent now, and not for its bootloader's sake
    w.dialogs.messages.clear();
    f.btSearch.Click();
    ASSERT_TRUE(w.RunExchange());
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text,
              notFound + "\r\n\r\n" + NotFoundChecks("/dev/ttyACM0", f.Modules->ports->serialPrefix, false));
  }
}

}  // namespace
}  // namespace bx::test
