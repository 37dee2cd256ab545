#include "sim/SimPoll.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace bx::sim {

void Fd::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

Waker::Waker() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

void Waker::Wake() {
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(fd_.get(), &one, sizeof one);
}

void Waker::Drain() {
  uint64_t v = 0;
  [[maybe_unused]] ssize_t n = ::read(fd_.get(), &v, sizeof v);
}

bool SetNonBlocking(int fd) {
  const int fl = ::fcntl(fd, F_GETFL);
  return fl >= 0 && ::fcntl(fd, F_SETFL, fl | O_NONBLOCK) == 0;
}

std::string ErrnoText(const char* what) { return std::string(what) + ": " + ::strerror(errno); }

bool PollUntil(std::vector<pollfd>& fds, std::optional<SimTime> wake, const Clock& clock) {
  timespec ts{};
  timespec* tsp = nullptr;
  if (wake) {
    const int64_t ns = std::max<int64_t>(0, (*wake - clock.Now()).count());
    ts.tv_sec = time_t(ns / 1000000000);
    ts.tv_nsec = long(ns % 1000000000);
    tsp = &ts;
  }
  for (auto& p : fds) p.revents = 0;
  const int r = ::ppoll(fds.data(), nfds_t(fds.size()), tsp, nullptr);
  return r >= 0 || errno == EINTR;
}

bool WritePending(int fd, std::string& pending, bool socket) {
  while (!pending.empty()) {
    const ssize_t n =
        socket ? ::send(fd, pending.data(), pending.size(), MSG_NOSIGNAL) : ::write(fd, pending.data(), pending.size());
    if (n > 0) {
      pending.erase(0, std::size_t(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return false;
  }
  return true;
}

bool ReadAvailable(int fd, std::string& out, std::size_t max) {
  char buf[16384];
  while (out.size() < max) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, std::size_t(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return false;
  }
  return true;
}

}  // namespace bx::sim
