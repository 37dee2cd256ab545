#include "view/qt/LoopDriver.h"

#include <QThread>
#include <algorithm>

namespace bx::view {

LoopDriver::LoopDriver(ui::RealEventLoop& loop) : LoopPump(loop) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Pump(); });
  Start();
}

LoopDriver::~LoopDriver() { Stop(); }

bool LoopDriver::OnGuiThread() const { return QThread::currentThread() == timer_.thread(); }

bool LoopDriver::Post() {
  return QMetaObject::invokeMethod(
      &timer_, [this] { Woken(); }, Qt::QueuedConnection);
}

void LoopDriver::Arm(int64_t nextMs) {
  if (nextMs < 0) {
    timer_.stop();
  } else {
    timer_.start(static_cast<int>(std::min(nextMs, ui::kLongestArmMs)));
  }
}

}  // namespace bx::view
