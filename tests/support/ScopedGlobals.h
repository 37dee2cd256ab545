#pragma once
// Process-wide handlers a test sets for its own scope: put back when the scope ends,
// also when an assertion ends the test early, so no later test meets a handler that
// points into a finished test's locals.
#include <functional>
#include <string>

#include "ui/Controls.h"
#include "ui/EventLoop.h"

namespace bx::test {

class ScopedEventLoop {
 public:
  explicit ScopedEventLoop(ui::EventLoop& loop) : previous_(ui::EventLoop::Current()) {
    ui::EventLoop::SetCurrent(&loop);
  }
  ~ScopedEventLoop() { ui::EventLoop::SetCurrent(previous_); }
  ScopedEventLoop(const ScopedEventLoop&) = delete;
  ScopedEventLoop& operator=(const ScopedEventLoop&) = delete;

 private:
  ui::EventLoop* previous_;
};

// The display of exceptions that escape the outermost handler; the default (none) again
// at the end.
class ScopedExceptionDisplay {
 public:
  explicit ScopedExceptionDisplay(std::function<void(const std::string&)> display) {
    ui::SetExceptionDisplay(std::move(display));
  }
  ~ScopedExceptionDisplay() { ui::SetExceptionDisplay({}); }
  ScopedExceptionDisplay(const ScopedExceptionDisplay&) = delete;
  ScopedExceptionDisplay& operator=(const ScopedExceptionDisplay&) = delete;
};

}  // namespace bx::test
