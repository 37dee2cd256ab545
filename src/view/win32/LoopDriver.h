#pragma once
// Drives the program's event loop from the Win32 message loop: a message-only window of
// the GUI thread receives a posted message whenever the loop asks to be woken, and one
// window timer waits for the loop's next due timer. When Dispatch may run is
// ui::LoopPump's to say.
#include "ui/LoopPump.h"
#include "view/win32/WinApi.h"

namespace bx::view {

class LoopDriver : public ui::LoopPump {
 public:
  // On the GUI thread, which must run a message loop.
  explicit LoopDriver(ui::RealEventLoop& loop);
  ~LoopDriver() override;

 protected:
  bool OnGuiThread() const override;
  bool Post() override;
  void Arm(int64_t nextMs) override;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
  DWORD thread_ = 0;
};

}  // namespace bx::view
