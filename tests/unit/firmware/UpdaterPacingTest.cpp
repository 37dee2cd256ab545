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

TEST_F(UpdaterTest, ARequestInPiecesIsAnsweredOnceAndNothingAfterTheUploadEnds) {
  const Bytes file = Pattern(80 + 1024);
  ToPageRequests(file, 256);
  // A request in three chunks before the main thread gets round to it: one page frame.
  link.Receive(".");
  link.Receive(Bytes("\x01", 1));
  link.Receive(Bytes("\x00", 1));
  loop.RunPosted();
  ASSERT_EQ(link.writes.size(), 1u);
  EXPECT_EQ(link.writes[0], PageFrame(1, file.substr(80 + 256, 256)));

  // A wake still posted when the user stops finds nothing to do, and bytes that come
  // later wake nothing.
  link.Receive(Request(2));
  updater.Cancel();
  link.SetOpen(true);
  link.Receive(Request(2));
  loop.RunPosted();
  loop.Advance(1000);
  EXPECT_EQ(link.writes.size(), 1u);
  EXPECT_EQ(Log().back(), "Firmware Update canceled...");
}

TEST_F(UpdaterTest, WithoutWakeTheUpdaterAnswersOnlyOnItsPollTicks) {
  updater.SetWakeOnData(false);
  // Someone else's notify on the link: the updater leaves it alone.
  int othersWoken = 0;
  link.SetDataNotify([&othersWoken] { ++othersWoken; });
  ASSERT_TRUE(Start(Pattern(600)));
  link.Receive(kConnectAck);
  loop.RunPosted();
  EXPECT_EQ(link.writes.size(), 1u);  // a wake does not answer; only the poll does
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
  link.SetOpen(true);
  link.Receive(Request(1));
  EXPECT_EQ(othersWoken, 3);  // the connect ack, the header reply, and after the stop
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
