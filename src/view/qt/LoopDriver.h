#pragma once
// Drives the program's event loop from Qt's: a queued call on the GUI thread runs
// Dispatch whenever the loop asks to be woken, and one precise single-shot QTimer waits
// for the next due timer. When Dispatch may run is ui::LoopPump's to say.
#include <QTimer>

#include "ui/LoopPump.h"

namespace bx::view {

class LoopDriver : public ui::LoopPump {
 public:
  explicit LoopDriver(ui::RealEventLoop& loop);
  ~LoopDriver() override;

 protected:
  bool OnGuiThread() const override;
  bool Post() override;
  void Arm(int64_t nextMs) override;

 private:
  QTimer timer_;
};

}  // namespace bx::view
