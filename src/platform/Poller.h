#pragma once
// One wait over several handles (a pseudo-terminal master, a listener, a connection, a
// datagram socket) and a waker, until a deadline with nanosecond resolution. The waker is
// a WaitEvent: any thread may Set it to make the waiting thread look again (to stop, for
// instance); the wait consumes it. Only the thread that owns the handles waits on them.
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/WaitEvent.h"

namespace bx {

struct PollEntry {
  std::intptr_t handle = -1;  // -1: an unused slot, never ready
  bool read = false;          // wait for bytes (or a connection, or a datagram)
  bool write = false;         // wait for room to write
  // What the last wait found.
  bool readable = false;
  bool writable = false;
  bool hungUp = false;  // the peer hung up, or the handle failed
};

// Waits until a handle is ready, the waker was set, or `timeout` passed (nullopt: no
// limit; a negative one does not wait). `woken` tells whether the waker fired. False only
// on a real error; a wait cut short by a signal is a normal return with nothing ready.
bool PollHandles(std::vector<PollEntry>& entries, WaitEvent& waker, std::optional<std::chrono::nanoseconds> timeout,
                 bool& woken);

}  // namespace bx
