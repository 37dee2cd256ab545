// How the updater is paced: by the bootloader's bytes (wake-on-data) or by its poll timer.
#include <gtest/gtest.h>

#include "UpdaterFixture.h"
#include "support/ScriptedBootloader.h"

namespace bx::test {
namespace {

TEST_F(UpdaterTest, WakeAnswersAPageRequestInTheSameDispatchWithoutTimePassing) {
  const Bytes file = Pattern(80 + 1024);
  ToPageRequests(file, 256);
  const int64_t now = loop.NowMs();
  link.Receive(Request(2));
  loop.RunPosted();
  EXPECT_EQ(loop.NowMs(), now);
  ASSERT_EQ(link.writes.size(), 1u);
  EXPECT_EQ(link.writes[0], PageFrame(2, file.substr(80 + 512, 256)));
}

TEST_F(UpdaterTest, WakesCoalesceAndEndWithTheUpload) {
  ToPageRequests(Pattern(80 + 1024), 256);
  EXPECT_TRUE(link.HasNotify());
  const int before = link.availableQueries;
  // Three chunks before the main thread gets round to it: one wake takes them all.
  link.Receive(".");
  link.Receive(Bytes("\x01", 1));
  link.Receive(Bytes("\x00", 1));
  loop.RunPosted();
  EXPECT_EQ(link.availableQueries - before, 1);
  EXPECT_EQ(link.writes.size(), 1u);

  // A wake still posted when the user stops finds nothing to do.
  link.Receive(Request(1));
  updater.Cancel();
  EXPECT_FALSE(link.HasNotify());
  EXPECT_EQ(link.notifyClears, 1);
  link.SetOpen(true);
  link.Receive(Request(1), /*notify=*/false);
  loop.RunPosted();
  EXPECT_EQ(link.writes.size(), 1u);
}

TEST_F(UpdaterTest, WithoutWakeTheUpdaterAnswersOnlyOnItsPollTicks) {
  updater.SetWakeOnData(false);
  ASSERT_TRUE(Start(Pattern(600)));
  EXPECT_FALSE(link.HasNotify());
  EXPECT_EQ(link.notifySets, 0);
  link.Receive(kConnectAck);
  loop.Advance(99);
  EXPECT_EQ(link.writes.size(), 1u);
  loop.Advance(1);  // the first poll comes after 100 ms
  EXPECT_EQ(link.writes.size(), 2u);
  link.Receive(HeaderReply(256) + Request(0));
  loop.Advance(9);
  EXPECT_EQ(link.writes.size(), 2u);
  loop.Advance(1);  // then every 10 ms, every whole message in one tick
  EXPECT_EQ(link.writes.size(), 3u);
  updater.Cancel();
  EXPECT_EQ(link.notifyClears, 0);  // a notify it never set is left alone
}

TEST_F(UpdaterTest, WholeUploadIsTheSameWithWakeAndWithPolling) {
  const uint16_t pages = 20;
  const Bytes file = Pattern(80 + 256 * pages + 100);
  const Bytes wholePages = file.substr(80, 256 * pages);

  ScriptedBootloader fast(link);
  fast.Attach();
  ASSERT_TRUE(Start(file));
  loop.RunPosted();  // one dispatch: every answer wakes the next step
  EXPECT_FALSE(updater.IsRunning());
  EXPECT_EQ(loop.NowMs(), 0);
  EXPECT_EQ(fast.stored, wholePages);
  EXPECT_EQ(fast.badFrames, 0);
  EXPECT_EQ(status.Text(), "Updating firmware : Ok");
  EXPECT_EQ(progress.Position(), pages);
  const auto wakeLog = Log();

  memo.Clear();
  updater.SetWakeOnData(false);
  ScriptedBootloader slow(link);
  slow.Attach();
  ASSERT_TRUE(StartFile(fileName));
  EXPECT_TRUE(loop.AdvanceUntil([&] { return !updater.IsRunning(); }, 10000, 10));
  EXPECT_EQ(slow.stored, wholePages);
  EXPECT_EQ(Log(), wakeLog);
  // One poll per exchange of messages: 100 ms, then 10 ms a tick.
  EXPECT_GE(loop.NowMs(), 100 + 10 * (pages + 1));
}

}  // namespace
}  // namespace bx::test
