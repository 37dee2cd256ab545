#pragma once
// Drives the program's event loop from a toolkit's own: the toolkit part posts a call to
// the GUI thread when the loop asks to be woken (a task posted by a worker thread, a
// timer (re)scheduled) and arms one timer for the loop's next due timer; this part
// decides when Dispatch may run.
//
// Handlers never overlap: while a handler runs, whether a timer's (inside Dispatch) or a
// user action's (a click, a key, closing the window), the nested message loop of a
// modal dialog must not start another. Such a dispatch is put off and runs as soon as
// the handler has returned.
#include <atomic>
#include <cstdint>
#include <functional>

#include "ui/EventLoop.h"

namespace bx::ui {

class LoopPump {
 public:
  explicit LoopPump(RealEventLoop& loop) : loop_(loop) {}
  virtual ~LoopPump() = default;
  LoopPump(const LoopPump&) = delete;
  LoopPump& operator=(const LoopPump&) = delete;

  // Runs a user action on the model (the click handler and whatever it fires).
  void UserAction(const std::function<void()>& action);
  RealEventLoop& Loop() { return loop_; }

 protected:
  // The toolkit part calls Start at the end of its constructor, once it can post, and
  // Stop first in its destructor.
  void Start();
  void Stop();
  // The posted call, on the GUI thread.
  void Woken();
  // The armed timer ran out, on the GUI thread.
  void Pump();
  // Any thread.
  void RequestPump();

  virtual bool OnGuiThread() const = 0;
  // Posts one call of Woken to the GUI thread; false when it could not.
  virtual bool Post() = 0;
  // Arms the one timer to run Pump in `nextMs` (0: due now), or stops it (-1).
  virtual void Arm(int64_t nextMs) = 0;

 private:
  RealEventLoop& loop_;
  std::atomic<bool> queued_{false};
  bool pumping_ = false;  // these three are the GUI thread's
  bool deferred_ = false;
  int userDepth_ = 0;
};

// The longest single wait a toolkit timer is asked for; the loop is asked again then.
inline constexpr int64_t kLongestArmMs = 24 * 3600 * 1000;

}  // namespace bx::ui
