#include "view/win32/LoopDriver.h"

#include <algorithm>
#include <stdexcept>

namespace bx::view {

namespace {
constexpr UINT kWake = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;
constexpr char kClass[] = "BrevantixLoopDriver";

void RegisterOnce(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXA wc{};
  if (::GetClassInfoExA(instance, kClass, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.lpszClassName = kClass;
  ::RegisterClassExA(&wc);
}
}  // namespace

LoopDriver::LoopDriver(ui::RealEventLoop& loop) : loop_(loop), thread_(::GetCurrentThreadId()) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  RegisterOnce(instance, Proc);
  hwnd_ = ::CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!hwnd_) throw std::runtime_error("The window of the event loop could not be created");
  ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  loop_.SetWakeHook([this] { RequestPump(); });
  RequestPump();
}

LoopDriver::~LoopDriver() {
  loop_.SetWakeHook({});
  ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK LoopDriver::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<LoopDriver*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self && msg == kWake) {
    self->queued_ = false;
    self->Pump();
    return 0;
  }
  if (self && msg == WM_TIMER && wp == kTimerId) {
    ::KillTimer(hwnd, kTimerId);
    self->Pump();
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wp, lp);
}

void LoopDriver::RequestPump() {
  // A timer rescheduled by Dispatch itself needs no message: Pump arms the window timer
  // from Dispatch's answer when it returns.
  if (::GetCurrentThreadId() == thread_ && pumping_) return;
  if (queued_.exchange(true)) return;
  if (!::PostMessageA(hwnd_, kWake, 0, 0)) queued_ = false;
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
  Arm(next);
}

void LoopDriver::Arm(int64_t next) {
  if (next < 0) {
    ::KillTimer(hwnd_, kTimerId);
  } else if (next == 0) {
    RequestPump();  // due already: a window timer would wait its minimum of 10 ms
  } else {
    ::SetTimer(hwnd_, kTimerId, static_cast<UINT>(std::min<int64_t>(next, 24 * 3600 * 1000)), nullptr);
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
