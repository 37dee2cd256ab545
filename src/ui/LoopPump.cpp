#include "ui/LoopPump.h"

namespace bx::ui {

void LoopPump::Start() {
  loop_.SetWakeHook([this] { RequestPump(); });
  RequestPump();
}

void LoopPump::Stop() { loop_.SetWakeHook({}); }

void LoopPump::Woken() {
  queued_ = false;
  Pump();
}

void LoopPump::RequestPump() {
  // A timer rescheduled by Dispatch itself needs no post: Pump arms the timer from
  // Dispatch's answer when it returns.
  if (OnGuiThread() && pumping_) return;
  if (queued_.exchange(true)) return;
  if (!Post()) queued_ = false;
}

void LoopPump::Pump() {
  if (pumping_ || userDepth_ > 0 || loop_.Dispatching()) {
    deferred_ = true;  // inside a handler's modal dialog: wait until the handler returns
    return;
  }
  pumping_ = true;
  const int64_t next = loop_.Dispatch();
  pumping_ = false;
  if (deferred_) {
    deferred_ = false;
    RequestPump();
  }
  Arm(next);
}

void LoopPump::UserAction(const std::function<void()>& action) {
  ++userDepth_;
  struct Leave {
    LoopPump& p;
    ~Leave() {
      if (--p.userDepth_ == 0 && p.deferred_) {
        p.deferred_ = false;
        p.RequestPump();
      }
    }
  } leave{*this};
  action();
}

}  // namespace bx::ui
