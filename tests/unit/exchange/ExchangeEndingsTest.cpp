// How an exchange ends when the world around it misbehaves: the port list rebuilt under
// it, a settings store that refuses a write, a reply that never ends or ends split across
// reads, and a window closed while the opener thread is still inside the link's Open.
#include <gtest/gtest.h>

#include <thread>

#include "exchange/Identity.h"
#include "links/LinkTable.h"
#include "support/AdapterWorld.h"
#include "support/ScopedGlobals.h"
#include "support/TempFile.h"

namespace bx {
namespace {

using test::AdapterWorld;
using test::Frame;

const std::string kI = "!dulMAR_SC_I";
const std::string kPortsKey = std::string(kSettingsKey) + "\\Ports";

// The port list is rebuilt while a search waits for its reply (a port plugged in or out):
// the search goes on with the port it opened, names that port in its message and records
// it as the recent port.
TEST(ExchangeEndings, ARebuildDuringASearchKeepsThePortItOpened) {
  struct Case {
    const char* name;
    PortLists during;
    bool answered;
  };
  const PortLists another{{"/dev/ttyUSB9", "/dev/ttyACM0"}, {"New", "USB Serial"}, {"", "/sys/x"}};
  for (const Case& c : {Case{"no port left, answered", {}, true}, Case{"another port first, answered", another, true},
                        Case{"no port left, silent", {}, false}, Case{"another port first, silent", another, false}}) {
    SCOPED_TRACE(c.name);
    AdapterWorld w;
    TfrmMain& f = w.StartWithPort();
    f.btSearch.Click();
    w.ListPorts([&c] { return c.during; });
    w.loop.Advance(500);  // the refresh rebuilds the list during the first attempt
    ASSERT_TRUE(w.Ex().Running());
    EXPECT_EQ(f.cbCOM.Items().size(), c.during.size());
    // The opened port, still offered, stays chosen; gone, the first other one is.
    EXPECT_EQ(f.cbCOM.ItemIndex(), c.during.empty() ? -1 : 1);
    if (c.answered) w.link.Receive(Frame({"SN:12345"}), false);
    ASSERT_TRUE(w.RunExchange());
    if (c.answered) {
      EXPECT_TRUE(w.dialogs.messages.empty());
      EXPECT_EQ(w.registry.ReadString(Hive::CurrentUser, kPortsKey, "Port0"), "/dev/ttyACM0 12345");
      EXPECT_EQ(f.edCOM.Text(), "/dev/ttyACM0 (USB Serial)");
    } else {
      ASSERT_EQ(w.dialogs.messages.size(), 1u);
      EXPECT_EQ(w.dialogs.messages[0].text.substr(0, w.dialogs.messages[0].text.find("\r\n")),
            "Brevantix Adapter is not found on Communication Port /dev/ttyACM0 (USB Serial)");
    }
    EXPECT_EQ(f.btSearch.Enabled(), !c.during.empty());  // nothing is chosen with no port left
  }
}

// A settings write refused while the reply is parsed (the store locked by another process
// past its busy time-out, a full disk) ends the search the ordinary way, and the message
// is shown once.
TEST(ExchangeEndings, AStoreThatRefusesAWriteDuringTheParseEndsTheSearch) {
  for (const Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
    SCOPED_TRACE(HiveName(hive));
    AdapterWorld w;
    TfrmMain& f = w.StartWithPort();
    std::vector<std::string> shown;
    test::ScopedExceptionDisplay display([&shown](const std::string& m) { shown.push_back(m); });
    w.replies[kI] = Frame({"SN:12345", "FW:2.1"});
    w.registry.FailWrites(hive, "Port");
    f.btSearch.Click();
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(shown, std::vector<std::string>{"Failed to set data for 'Port'"});
    w.ExpectIdle();
    // The next search runs as usual once the store takes writes again.
    w.registry.ClearFailures();
    f.btSearch.Click();
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(f.edVersion.Text(), "2.1");
    EXPECT_EQ(shown.size(), 1u);
  }
}

// A frame that opens and never ends is kept up to kMaxReplyBytes; the rest is dropped and
// counted in the log. The attempt then times out as for a silent adapter, and the next one
// starts afresh.
TEST(ExchangeEndings, AReplyThatNeverEndsIsKeptOnlyUpToTheCap) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  int writes = 0;
  w.link.onWrite = [&](const Bytes&) {
    if (++writes == 2) w.link.Receive(Frame({"SN:777"}), false);
  };
  const std::size_t chunk = 64 * 1024, chunks = 40;  // 2.5 MiB
  f.btSearch.Click();
  ASSERT_TRUE(w.loop.AdvanceUntil([&] { return writes == 1; }, 1000, 10));
  const Bytes head = "\r\nSN:";
  w.link.Receive(head, false);
  for (std::size_t i = 0; i < chunks; ++i) {
    w.link.Receive(Bytes(chunk, 'x'), false);
    w.loop.Advance(10);
  }
  EXPECT_EQ(writes, 1);  // every chunk refilled the silence allowance
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(f.edSerial.Text(), "777");
  const std::size_t dropped = head.size() + chunks * chunk - kMaxReplyBytes;
  EXPECT_EQ(w.Ex().DroppedBytes(), dropped);
  EXPECT_EQ(f.memLog.Lines().back(), Format("%zu bytes of the adapter's answer were dropped: an exchange keeps at "
                                            "most %zu bytes.",
                                            dropped, kMaxReplyBytes));
  w.ExpectIdle();
}

// Only the bytes that came since the last look are searched for the frame end, so the end
// split across two reads at any point, and a frame grown over many reads, are found.
TEST(ExchangeEndings, TheFrameEndIsFoundWhereverTheReadsSplitIt) {
  const Bytes frame = Frame({"SN:5", std::string(40, 'y')});
  for (std::size_t split = 1; split < frame.size(); ++split) {
    SCOPED_TRACE(split);
    AdapterWorld w;
    TfrmMain& f = w.StartWithPort();
    int writes = 0;
    w.link.onWrite = [&](const Bytes&) { ++writes; };
    f.btSearch.Click();
    ASSERT_TRUE(w.loop.AdvanceUntil([&] { return writes == 1; }, 1000, 10));
    for (std::size_t at = 0; at < frame.size(); at += split) {
      w.link.Receive(frame.substr(at, split), false);
      w.loop.Advance(10);
    }
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(f.edSerial.Text(), "5");
  }
}

// The opener thread, as the window runs it (ThreadSanitizer runs these tests too).
TEST(ExchangeThreads, ASearchOpensTheLinkOnTheOpenerThread) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  w.Ex().synchronousOpen = false;
  w.replies[kI] = Frame({"SN:4711"});
  f.btSearch.Click();
  // Bounded in count; each pass lets the opener thread run.
  for (int i = 0; i < 1000000 && w.Ex().State() == ExchangeState::Opening; ++i) {
    std::this_thread::yield();
    w.loop.Advance(10);
  }
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f.edSerial.Text(), "4711");
  EXPECT_EQ(w.link.openCalls, 1);
  w.ExpectIdle();
}

// A close right after Search: the opener thread may still be inside the link's Open when
// the link table goes. The close waits for it first.
TEST(ExchangeThreads, ACloseRightAfterSearchWaitsForTheOpenerBeforeTheLinksGo) {
  test::TempFolder folder;
  const std::string port = folder.Path() + "/ttyGone";  // no such device: Open fails
  for (int round = 0; round < 20; ++round) {
    test::FormWorld w;
    AppContext c = w.Context();
    c.startLinks = true;
    c.sysfsRoot = folder.Path() + "/sys";
    c.virtualPorts = {{port, "Test port"}};
    TfrmMain& f = w.Start(std::move(c));
    ASSERT_TRUE(f.Links->WaitScanAll(true));
    f.Modules->ports->preferred = port;
    f.Modules->ports->Refresh(true);
    ASSERT_EQ(f.Modules->ports->SelectedPortName(), port);
    f.btSearch.Click();
    ASSERT_TRUE(f.Modules->exchange->Running());
    EXPECT_TRUE(w.Close());
  }
}

}  // namespace
}  // namespace bx
