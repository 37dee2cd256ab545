#pragma once
// POSIX pieces shared by the simulator's transports: an owned descriptor, an eventfd to
// wake a poll from another thread, and a poll that sleeps until data or the engine's next
// deadline with nanosecond resolution. Included by the transport sources only.
#include <poll.h>

#include <optional>
#include <string>
#include <vector>

#include "sim/SimTime.h"

namespace bx::sim {

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& o) noexcept : fd_(o.release()) {}
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    const int f = fd_;
    fd_ = -1;
    return f;
  }
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

class Waker {
 public:
  Waker();
  bool valid() const { return fd_.valid(); }
  int fd() const { return fd_.get(); }
  void Wake();
  void Drain();

 private:
  Fd fd_;
};

bool SetNonBlocking(int fd);
std::string ErrnoText(const char* what);

// Waits for the descriptors or until `wake` (clock time of `clock`); false on a real error.
bool PollUntil(std::vector<pollfd>& fds, std::optional<SimTime> wake, const Clock& clock);

// Writes as much of `pending` as the descriptor takes now; false when the peer is gone.
// Sockets are written without SIGPIPE.
bool WritePending(int fd, std::string& pending, bool socket = false);
// Reads what is there now, up to `max`; false on end of file or a hard error.
bool ReadAvailable(int fd, std::string& out, std::size_t max = 1 << 20);

}  // namespace bx::sim
