// The program's event loop driven from Qt's: timers fire, worker posts arrive, and a
// handler's modal dialog (a nested Qt loop) never lets another handler run inside it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <thread>

#include "ui/Controls.h"
#include "view/qt/LoopDriver.h"
#include "support/TimeScale.h"

namespace bx::test {
namespace {

struct Driven {
  ui::RealEventLoop loop;
  Driven() { ui::EventLoop::SetCurrent(&loop); }
  ~Driven() { ui::EventLoop::SetCurrent(nullptr); }
};

// Runs Qt's loop until pred holds or ms (on the time scale) pass.
bool SpinUntil(const std::function<bool()>& pred, int ms = 3000) {
  ms = ScaledMs(ms);
  QElapsedTimer t;
  t.start();
  while (!pred() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  return pred();
}

void NestedLoop(int ms) {
  QEventLoop nested;
  QTimer::singleShot(ms, &nested, &QEventLoop::quit);
  nested.exec();
}

TEST(GuiLoopDriver, TimersFireAndWorkerPostsArriveOnTheGuiThread) {
  Driven d;
  view::LoopDriver driver(d.loop);
  int ticks = 0;
  ui::TTimer timer("t", 10, true);
  timer.OnTimer = [&] { ++ticks; };
  EXPECT_TRUE(SpinUntil([&] { return ticks >= 3; }));
  timer.SetEnabled(false);

  bool ran = false;
  QThread* where = nullptr;
  std::thread worker([&] { d.loop.Post([&] { ran = true, where = QThread::currentThread(); }); });
  worker.join();
  EXPECT_TRUE(SpinUntil([&] { return ran; }));
  EXPECT_EQ(where, QApplication::instance()->thread());
}

TEST(GuiLoopDriver, NoTimerRunsInsideATimerHandlersModalDialog) {
  Driven d;
  view::LoopDriver driver(d.loop);
  int fast = 0, fastDuringDialog = -1, dialogs = 0;
  ui::TTimer slow("slow", 20, true);
  ui::TTimer quick("quick", 5, true);
  quick.OnTimer = [&] { ++fast; };
  slow.OnTimer = [&] {
    slow.SetEnabled(false);
    ++dialogs;
    const int before = fast;
    NestedLoop(150);
    fastDuringDialog = fast - before;
  };
  EXPECT_TRUE(SpinUntil([&] { return dialogs == 1 && fastDuringDialog >= 0; }));
  EXPECT_EQ(fastDuringDialog, 0);
  const int after = fast;
  EXPECT_TRUE(SpinUntil([&] { return fast > after + 2; }));  // and the loop goes on afterwards
}

TEST(GuiLoopDriver, NoTimerRunsInsideAUserActionsModalDialog) {
  Driven d;
  view::LoopDriver driver(d.loop);
  int fast = 0;
  ui::TTimer quick("quick", 5, true);
  quick.OnTimer = [&] { ++fast; };
  ASSERT_TRUE(SpinUntil([&] { return fast > 0; }));
  int during = -1;
  driver.UserAction([&] {
    const int before = fast;
    NestedLoop(100);
    during = fast - before;
  });
  EXPECT_EQ(during, 0);
  const int after = fast;
  EXPECT_TRUE(SpinUntil([&] { return fast > after + 2; }));
}

}  // namespace
}  // namespace bx::test
