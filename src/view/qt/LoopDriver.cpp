#include "view/qt/LoopDriver.h"

#include <QThread>
#include <algorithm>

namespace bx::view {

LoopDriver::LoopDriver(ui::RealEventLoop& loop) : loop_(loop) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Pump(); });
  loop_.SetWakeHook([this] { RequestPump(); });
  RequestPump();
}

LoopDriver::~LoopDriver() { loop_.SetWakeHook({}); }

void LoopDriver::RequestPump() {
  // A timer rescheduled by Dispatch itself needs no extra call: Pump restarts the
  // QTimer from Dispatch's answer when it returns.
  if (QThread::currentThread() == timer_.thread() && pumping_) return;  // pumping_ is the GUI thread's
  if (queued_.exchange(true)) return;
  QMetaObject::invokeMethod(
      &timer_,
      [this] {
        queued_ = false;
        Pump();
      },
      Qt::QueuedConnection);
}

void LoopDriver::Pump() {
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
  if (next < 0) {
    timer_.stop();
  } else {
    timer_.start(static_cast<int>(std::min<int64_t>(next, 24 * 3600 * 1000)));
  }
}

void LoopDriver::UserAction(const std::function<void()>& action) {
  ++userDepth_;
  struct Leave {
    LoopDriver& d;
    ~Leave() {
      if (--d.userDepth_ == 0 && d.deferred_) {
        d.deferred_ = false;
        d.RequestPump();
      }
    }
  } leave{*this};
  action();
}

}  // namespace bx::view
