#pragma once
// Shared by the POSIX devices: poll one descriptor together with a stop event.
#include <poll.h>

#include <chrono>

#include "platform/Stream.h"

namespace bx::posix {

// Milliseconds left until `deadline`, for a poll that was interrupted; -1 stays -1.
class PollClock {
 public:
  explicit PollClock(int timeoutMs)
      : unlimited_(timeoutMs < 0), deadline_(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)) {}
  int Left() const {
    if (unlimited_) return -1;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
  }

 private:
  bool unlimited_;
  std::chrono::steady_clock::time_point deadline_;
};

// Polls `fd` for `events` (POLLIN or POLLOUT) and the stop event. The stop event wins
// over readiness, so a thread told to stop leaves even when data keeps coming. Answers
// the device's revents in `revents` when Ready or HungUp.
WaitResult PollWithStop(int fd, short events, const WaitEvent& stop, int timeoutMs, short* revents = nullptr);

}  // namespace bx::posix
