// The ui event loop driven by the Win32 message loop: a task posted from another thread
// wakes it, the loop's timers fire through the window timer, and nothing runs inside a
// user action (a handler's message box pumps messages) until the action has returned.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ViewWorld.h"
#include "view/win32/LoopDriver.h"

namespace bx::test {
namespace {

struct DriverWorld {
  ui::RealEventLoop loop;
  DriverWorld() { ui::EventLoop::SetCurrent(&loop); }
  ~DriverWorld() { ui::EventLoop::SetCurrent(nullptr); }
};

TEST(Win32LoopDriver, APostFromAnotherThreadRunsOnTheGuiThread) {
  DriverWorld w;
  view::LoopDriver driver(w.loop);
  const DWORD gui = ::GetCurrentThreadId();
  std::atomic<DWORD> ranOn{0};
  std::thread worker([&] { w.loop.Post([&] { ranOn = ::GetCurrentThreadId(); }); });
  worker.join();
  EXPECT_TRUE(PumpUntil([&] { return ranOn != 0; }, 5000));
  EXPECT_EQ(ranOn, gui);
}

TEST(Win32LoopDriver, TimersFireInOrderThroughTheMessageLoop) {
  DriverWorld w;
  view::LoopDriver driver(w.loop);
  std::vector<std::string> fired;
  ui::TTimer slow("slow", 60, false), fast("fast", 20, false);
  slow.OnTimer = [&] {
    fired.push_back("slow");
    slow.SetEnabled(false);
  };
  fast.OnTimer = [&] {
    fired.push_back("fast");
    fast.SetEnabled(false);
  };
  slow.SetEnabled(true);
  fast.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return fired.size() == 2; }, 5000));
  EXPECT_EQ(fired, (std::vector<std::string>{"fast", "slow"}));
}

TEST(Win32LoopDriver, NothingRunsInsideAUserActionUntilItReturns) {
  DriverWorld w;
  view::LoopDriver driver(w.loop);
  PumpPending();
  bool ran = false, ranInside = false;
  driver.UserAction([&] {
    w.loop.Post([&] { ran = true; });
    // A message box's nested loop pumps the thread's messages.
    PumpUntil([] { return false; }, 100);
    ranInside = ran;
  });
  EXPECT_FALSE(ranInside);
  EXPECT_TRUE(PumpUntil([&] { return ran; }, 5000)) << "the put-off dispatch runs once the action has returned";
}

}  // namespace
}  // namespace bx::test
