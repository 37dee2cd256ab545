#include "view/win32/LoopDriver.h"

#include <algorithm>
#include <stdexcept>

namespace bx::view {

namespace {
constexpr UINT kWake = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;
constexpr char kClass[] = "BrevantixLoopDriver";
}  // namespace

LoopDriver::LoopDriver(ui::RealEventLoop& loop) : LoopPump(loop), thread_(::GetCurrentThreadId()) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  RegisterWindowClass(instance, kClass, Proc);
  hwnd_ = ::CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!hwnd_) throw std::runtime_error("The window of the event loop could not be created");
  ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Start();
}

LoopDriver::~LoopDriver() {
  Stop();
  ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK LoopDriver::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<LoopDriver*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self && msg == kWake) {
    self->Woken();
    return 0;
  }
  if (self && msg == WM_TIMER && wp == kTimerId) {
    ::KillTimer(hwnd, kTimerId);
    self->Pump();
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wp, lp);
}

bool LoopDriver::OnGuiThread() const { return ::GetCurrentThreadId() == thread_; }

bool LoopDriver::Post() { return ::PostMessageA(hwnd_, kWake, 0, 0) != 0; }

void LoopDriver::Arm(int64_t nextMs) {
  if (nextMs < 0) {
    ::KillTimer(hwnd_, kTimerId);
  } else if (nextMs == 0) {
    RequestPump();  // due already: a window timer would wait its minimum of 10 ms
  } else {
    ::SetTimer(hwnd_, kTimerId, static_cast<UINT>(std::min(nextMs, ui::kLongestArmMs)), nullptr);
  }
}

}  // namespace bx::view
