#pragma once
// Drives the program's event loop from Qt's: whenever the loop asks to be woken (a task
// posted by a worker thread, a timer (re)scheduled) a queued call on the GUI thread runs
// Dispatch, and one precise single-shot QTimer waits for the next due timer.
//
// Handlers never overlap: while a handler runs, whether a timer's (inside Dispatch) or a
// user action's (a click, a key, closing the window), a modal dialog's nested Qt loop
// must not start another. Such a dispatch is put off and runs as soon as the handler
// has returned.
#include <QTimer>
#include <atomic>
#include <functional>

#include "ui/EventLoop.h"

namespace bx::view {

class LoopDriver {
 public:
  explicit LoopDriver(ui::RealEventLoop& loop);
  ~LoopDriver();
  LoopDriver(const LoopDriver&) = delete;
  LoopDriver& operator=(const LoopDriver&) = delete;

  // Runs a user action on the model (the click handler and whatever it fires).
  void UserAction(const std::function<void()>& action);
  ui::RealEventLoop& Loop() { return loop_; }

 private:
  void RequestPump();  // any thread
  void Pump();         // GUI thread

  ui::RealEventLoop& loop_;
  QTimer timer_;
  std::atomic<bool> queued_{false};
  bool pumping_ = false;
  bool deferred_ = false;
  int userDepth_ = 0;
};

}  // namespace bx::view
