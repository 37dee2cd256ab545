// Wait events on Windows: kernel events, waited on with WaitForMultipleObjects, which
// consumes an auto-reset event for the one wait it answers, as the seam asks.
#include "platform/WaitEvent.h"

#include <vector>

#include "platform/win32/Win32.h"

namespace bx {

namespace {
HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
DWORD Millis(int timeoutMs) { return timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs); }
}  // namespace

WaitEvent::WaitEvent(Mode mode) : mode_(mode) {
  HANDLE h = ::CreateEventA(nullptr, mode == Mode::ManualReset, FALSE, nullptr);
  handle_ = h ? reinterpret_cast<std::intptr_t>(h) : -1;
}

WaitEvent::~WaitEvent() {
  if (handle_ >= 0) ::CloseHandle(H(handle_));
}

void WaitEvent::Set() {
  if (handle_ >= 0) ::SetEvent(H(handle_));
}

void WaitEvent::Reset() {
  if (handle_ >= 0) ::ResetEvent(H(handle_));
}

// A zero wait would consume an auto-reset event; the state is read by setting it again
// at once, which only another waiter in that instant could notice as an early wake.
bool WaitEvent::IsSet() const {
  if (handle_ < 0) return false;
  if (::WaitForSingleObject(H(handle_), 0) != WAIT_OBJECT_0) return false;
  if (mode_ == Mode::AutoReset) ::SetEvent(H(handle_));
  return true;
}

bool WaitEvent::Wait(int timeoutMs) { return WaitAny({this}, timeoutMs) == 0; }

int WaitAny(std::initializer_list<WaitEvent*> events, int timeoutMs) {
  std::vector<HANDLE> handles;
  handles.reserve(events.size());
  for (WaitEvent* e : events) {
    if (!e->Valid()) return -1;
    handles.push_back(H(e->NativeHandle()));
  }
  if (handles.empty() || handles.size() > MAXIMUM_WAIT_OBJECTS) return -1;
  const DWORD r =
      ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, Millis(timeoutMs));
  if (r >= WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + handles.size()) return static_cast<int>(r - WAIT_OBJECT_0);
  return -1;
}

}  // namespace bx
