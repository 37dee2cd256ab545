#include <gtest/gtest.h>

#include "exchange/Identity.h"
#include "support/AdapterWorld.h"

namespace bx {
namespace {

using test::AdapterWorld;
using test::Frame;

const std::string kI = "!dulMAR_SC_I";

TEST(ReplyFrame, NoiseEmptyFramesAndBytesAfterTheFrame) {
  Bytes buf = "garbage\x01\r\nSN:1\r\nFW:2\r\n\r\nnext";
  bool open = false;
  Bytes body;
  ASSERT_TRUE(TakeReplyFrame(buf, open, body));
  EXPECT_EQ(body, "SN:1\r\nFW:2");
  EXPECT_EQ(buf, "next");
  buf = "\r\n\r\n";
  ASSERT_TRUE(TakeReplyFrame(buf, open, body));
  EXPECT_EQ(body, "");
  buf = "\r\nSN:1\r\n";
  EXPECT_FALSE(TakeReplyFrame(buf, open, body));
  EXPECT_TRUE(open);
  buf += "\r\n";
  ASSERT_TRUE(TakeReplyFrame(buf, open, body));
  EXPECT_EQ(body, "SN:1");
}

TEST(Exchange, SilentAdapterGetsExactlyFourSearchesThenTheNotFoundMessage) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  for (int round = 1; round <= 2; ++round) {
    f.btSearch.Click();
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(w.Count(kI), 4 * round);
    ASSERT_EQ(w.dialogs.messages.size(), static_cast<std::size_t>(round));
    EXPECT_EQ(w.dialogs.messages.back().text.substr(0, w.dialogs.messages.back().text.find("\r\n")),
            "Brevantix Adapter is not found on Communication Port /dev/ttyACM0 (USB Serial)");
    EXPECT_EQ(w.dialogs.messages.back().caption, f.Caption() + " - Error...");
    w.ExpectIdle();
    EXPECT_EQ(f.edCOM.Text(), "");  // nothing identified
  }
}

TEST(Exchange, EachSilentAttemptWaitsAboutOneSecond) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  f.btSearch.Click();
  const int64_t t0 = w.loop.NowMs();
  ASSERT_TRUE(w.RunExchange());
  const int64_t spent = w.loop.NowMs() - t0;
  EXPECT_GE(spent, 4 * 1000);
  EXPECT_LE(spent, 4 * 1000 + 200);
}

TEST(Exchange, LinkThatDoesNotOpenGivesTheOpenMessage) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  w.link.openResult = false;
  f.btSearch.Click();
  ASSERT_TRUE(w.RunExchange());
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text, "Can't open Communication Port /dev/ttyACM0 (USB Serial)");
  EXPECT_TRUE(w.commands.empty());
  w.ExpectIdle();
}

// The reason the link knows is added to the message, which keeps its text.
TEST(Exchange, TheOpenMessageCarriesTheLinksReason) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  w.link.openResult = false;
  w.link.openFailure = "permission denied: add your user to the dialout group and log in again";
  f.btSearch.Click();
  ASSERT_TRUE(w.RunExchange());
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text,
            "Can't open Communication Port /dev/ttyACM0 (USB Serial) (permission denied: add your user to the "
            "dialout group and log in again)");
}

TEST(Exchange, PortWithoutALinkEndsSilently) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort("COM3");
  f.btSearch.Click();
  EXPECT_FALSE(w.Ex().Running());
  EXPECT_TRUE(w.dialogs.messages.empty());
  w.ExpectIdle();
}

TEST(Exchange, AnsweredSearchFillsTheLogAndClosesTheLink) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  w.replies[kI] = "noise" + Frame({"SN:12345", "FW:2.1", "junk line", "01 - OBD"}) + "after";
  f.btSearch.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.Count(kI), 1);
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(f.memLog.Lines(), (std::vector<std::string>{"SN:12345", "FW:2.1", "01 - OBD"}));
  EXPECT_EQ(f.edSerial.Text(), "12345");
  EXPECT_EQ(f.edCOM.Text(), "/dev/ttyACM0 (USB Serial)");
  EXPECT_EQ(f.lvModes.Count(), 1);
  EXPECT_TRUE(f.btCopy.Enabled());
  EXPECT_EQ(w.link.closeCalls, 1);
  w.ExpectIdle();
  EXPECT_EQ(f.lvModes.Focused(), true);
}

TEST(Exchange, ReplyThatKeepsTricklingNeverTimesOut) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  f.btSearch.Click();
  w.loop.Advance(50);
  const Bytes reply = Frame({"SN:1", std::string(300, 'x')});
  // One byte every 150 ms: far slower than the 100-step write wait, but each chunk
  // refills the silence allowance to 200 steps.
  for (std::size_t i = 0; i < reply.size() && w.Ex().Running(); ++i) {
    w.link.Receive(reply.substr(i, 1), false);
    w.loop.Advance(150);
  }
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.Count(kI), 1);
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(f.edSerial.Text(), "1");
}

// The first part of a reply may come in the very tick that sees the command leave: it
// refills the silence allowance to 200 steps like every later part.
TEST(Exchange, AReplyThatPausesAfterItsFirstLineIsAskedForOnce) {
  struct Case {
    const char* name;
    int64_t restAfterMs;  // -1: the rest never comes
    int commandsAt1990;   // searches sent 1990 ms after the first line
    int commandsAt2020;
  };
  for (const Case c : {Case{"the rest 1.7 s later", 1700, 1, 1}, Case{"no rest", -1, 1, 2}}) {
    SCOPED_TRACE(c.name);
    AdapterWorld w;
    TfrmMain& f = w.StartWithPort();
    const Bytes reply = Frame({"SN:1", "FW:2.1"});
    const Bytes first = reply.substr(0, reply.find("FW:"));
    w.replies[kI] = first;  // with the command, at once
    f.btSearch.Click();
    ASSERT_TRUE(w.loop.AdvanceUntil([&] { return w.Count(kI) == 1; }, 1000));
    if (c.restAfterMs >= 0) {
      w.loop.Advance(c.restAfterMs);
      w.link.Receive(reply.substr(first.size()), false);
    }
    w.loop.Advance(1990 - std::max<int64_t>(c.restAfterMs, 0));
    EXPECT_EQ(w.Count(kI), c.commandsAt1990);
    w.loop.Advance(30);
    EXPECT_EQ(w.Count(kI), c.commandsAt2020);
    ASSERT_TRUE(w.RunExchange());
    if (c.restAfterMs >= 0) {
      EXPECT_EQ(f.edSerial.Text(), "1");
    }
  }
}

TEST(Exchange, AwaitedCommandsTimeOutAfterASingleWait) {
  for (const auto op : {Operation::SelectMode, Operation::SelfTest, Operation::DeviceCommand}) {
    AdapterWorld w;
    w.StartWithPort();
    w.Ex().Start(test::Request(op, "S", true));
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(w.commands.size(), 1u);
    EXPECT_EQ(w.dialogs.messages.size(), 1u);
    w.ExpectIdle();
  }
}

// The half second a reset is given before its port closes is a step of the exchange: the
// loop never sleeps, and the window's other timers go on meanwhile.
TEST(Exchange, DeviceCommandWithoutWaitHoldsThePortHalfASecondWithoutBlocking) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  int refreshesDuring = 0;
  w.ListPorts([&] {
    refreshesDuring += w.Ex().Running();
    return PortLists{{"/dev/ttyACM0"}, {"USB Serial"}, {"/sys/x"}};
  });
  const int64_t t0 = w.loop.NowMs();
  w.Ex().Start(test::Request(Operation::DeviceCommand, "R", false));
  w.loop.Advance(480);
  EXPECT_TRUE(w.Ex().Running());
  EXPECT_TRUE(w.link.IsOpen());
  ASSERT_TRUE(w.RunExchange());
  EXPECT_GE(refreshesDuring, 1);
  EXPECT_LE(w.loop.NowMs() - t0, 530);
  EXPECT_EQ(w.loop.Slept(), 0);
  EXPECT_EQ(w.commands, std::vector<Bytes>{"!dulMAR_SC_R"});
  EXPECT_EQ(f.edCOMM_Command.Text(), "!dulMAR_SC_R");
  EXPECT_TRUE(w.dialogs.messages.empty());
  w.ExpectIdle();
}

TEST(Exchange, SelectModeSendsTheIdAndParsesTheNewIdentity) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  w.replies[kI] = Frame({"SN:7", "01 - OBD", "02 - CAN", "Selected Mode: 01 - OBD"});
  w.replies["!dulMAR_SC_M02"] = Frame({"SN:7", "01 - OBD", "02 - CAN", "Selected Mode: 02 - CAN"});
  f.btSearch.Click();
  ASSERT_TRUE(w.RunExchange());
  ASSERT_EQ(f.lvModes.Count(), 2);
  EXPECT_EQ(f.lvModes.Item(0).StateIndex(), 0);
  f.lvModes.UserSelect(1);
  EXPECT_TRUE(f.btModeSelect.Enabled());
  f.btModeSelect.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.Count("!dulMAR_SC_M02"), 1);
  ASSERT_EQ(f.lvModes.Count(), 2);
  EXPECT_EQ(f.lvModes.Item(1).StateIndex(), 0);
  EXPECT_EQ(f.lvModes.Item(0).StateIndex(), -1);
  EXPECT_EQ(w.registry.ReadString(Hive::LocalMachine, kSettingsKey, "Mode"), "02 - CAN");
  w.ExpectIdle();
}

}  // namespace
}  // namespace bx
