#pragma once
// The far ends the link tests play: a pseudo-terminal whose master side stands in for
// the adapter, a loopback TCP listener, and bounded waits.
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "support/TimeScale.h"

namespace bx::test {

using Clock = std::chrono::steady_clock;

inline long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Polls `done` every millisecond for at most `ms` (on the time scale).
inline bool WaitFor(const std::function<bool()>& done, int ms) {
  ms = ScaledMs(ms);
  auto start = Clock::now();
  while (!done()) {
    if (ElapsedMs(start) > ms) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// CPU time this process has used, user and system, in milliseconds.
inline double CpuMs() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

// A pseudo-terminal. The test keeps a raw, non-exclusive slave descriptor of its own
// so that the pair stays up (and does not echo) before and between the link's opens.
class Pty {
 public:
  Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ::grantpt(master_);
    ::unlockpt(master_);
    char name[128] = {};
    ::ptsname_r(master_, name, sizeof name);
    slave_ = name;
    holder_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    ::tcgetattr(holder_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(holder_, TCSANOW, &t);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~Pty() {
    CloseMaster();
    if (holder_ >= 0) ::close(holder_);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& slave() const { return slave_; }
  int holder() const { return holder_; }
  bool ok() const { return master_ >= 0 && holder_ >= 0; }

  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  void CloseHolder() {
    if (holder_ >= 0) ::close(holder_);
    holder_ = -1;
  }

  // Writes everything within `ms` (on the time scale); false when the link side stopped
  // taking bytes.
  bool Send(const std::string& data, int ms = 3000) {
    ms = ScaledMs(ms);
    std::size_t done = 0;
    auto start = Clock::now();
    while (done < data.size()) {
      ssize_t n = ::write(master_, data.data() + done, data.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (ElapsedMs(start) > ms) return false;
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 10);
    }
    return true;
  }

  // Reads what the link wrote until `count` bytes have come or `ms` (on the time scale)
  // passed.
  std::string Receive(std::size_t count, int ms = 3000) {
    ms = ScaledMs(ms);
    std::string got;
    auto start = Clock::now();
    char buffer[65536];
    while (got.size() < count && ElapsedMs(start) <= ms) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 10) <= 0) continue;
      ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  // Bytes waiting in the slave's input queue, seen through the holder.
  int SlaveQueued() const {
    int n = 0;
    ::ioctl(holder_, FIONREAD, &n);
    return n;
  }

 private:
  int master_ = -1;
  int holder_ = -1;
  std::string slave_;
};

// A TCP listener on 127.0.0.1 at a port of the system's choosing.
class Listener {
 public:
  explicit Listener(int backlog = 8) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(fd_, backlog);
    socklen_t len = sizeof sa;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
  }
  ~Listener() {
    if (fd_ >= 0) ::close(fd_);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  uint16_t port() const { return port_; }
  std::string PortName() const { return "NET:127.0.0.1:" + std::to_string(port_); }

  // The next connection within `ms` (on the time scale), or -1. The caller closes it.
  int Accept(int ms = 2000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, ScaledMs(ms)) != 1) return -1;
    return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
  }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

// A port on 127.0.0.1 where nothing listens: bound for a moment, then let go.
inline uint16_t UnusedLoopbackPort() {
  Listener l;
  return l.port();
}

}  // namespace bx::test
