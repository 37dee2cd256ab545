#pragma once
// An event that a thread can set and another can wait on, alone, together with other
// events, or together with a device (the device waits of Stream take one as their stop
// event). Manual-reset events stay set until Reset; auto-reset events are consumed by the
// one wait that sees them.
#include <cstdint>
#include <initializer_list>

namespace bx {

class WaitEvent {
 public:
  enum class Mode { ManualReset, AutoReset };

  explicit WaitEvent(Mode mode);
  ~WaitEvent();
  WaitEvent(const WaitEvent&) = delete;
  WaitEvent& operator=(const WaitEvent&) = delete;

  // False when the system had no handle to give (the event then never fires).
  bool Valid() const { return handle_ >= 0; }
  Mode mode() const { return mode_; }

  void Set();
  void Reset();
  bool IsSet() const;  // never consumes
  // True when the event fired within timeoutMs (-1: no limit).
  bool Wait(int timeoutMs);

  // What the platform's multiplexed wait watches (a file descriptor on POSIX).
  std::intptr_t NativeHandle() const { return handle_; }

 private:
  Mode mode_;
  std::intptr_t handle_ = -1;
};

// Waits for the first of the events to fire; answers its index in the list, or -1 when
// timeoutMs (-1: no limit) passed first. An auto-reset event that is answered is consumed.
int WaitAny(std::initializer_list<WaitEvent*> events, int timeoutMs);

}  // namespace bx
