#pragma once
// Drives the program's event loop from the Win32 message loop. A message-only window of
// the GUI thread receives a posted message whenever the loop asks to be woken (a task
// posted by a worker thread, a timer (re)scheduled), and one window timer waits for the
// loop's next due timer.
//
// Handlers never overlap: while a handler runs, whether a timer's (inside Dispatch) or a
// user action's (a click, a key, closing the window), the nested message loop of a
// message box or file dialog must not start another. Such a dispatch is put off and runs
// as soon as the handler has returned.
#include <atomic>
#include <functional>

#include "ui/EventLoop.h"
#include "view/win32/WinApi.h"

namespace bx::view {

class LoopDriver {
 public:
  // On the GUI thread, which must run a message loop.
  explicit LoopDriver(ui::RealEventLoop& loop);
  ~LoopDriver();
  LoopDriver(const LoopDriver&) = delete;
  LoopDriver& operator=(const LoopDriver&) = delete;

  // Runs a user action on the model (the click handler and whatever it fires).
  void UserAction(const std::function<void()>& action);
  ui::RealEventLoop& Loop() { return loop_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void RequestPump();  // any thread
  void Pump();         // GUI thread
  void Arm(int64_t nextMs);

  ui::RealEventLoop& loop_;
  HWND hwnd_ = nullptr;
  DWORD thread_ = 0;
  std::atomic<bool> queued_{false};
  bool pumping_ = false;
  bool deferred_ = false;
  int userDepth_ = 0;
};

}  // namespace bx::view
