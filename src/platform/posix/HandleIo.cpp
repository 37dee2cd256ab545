#include "platform/posix/HandleIo.h"

#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace bx::posix {

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

std::string ErrnoText(const std::string& what) { return what + ": " + ::strerror(errno); }

}  // namespace bx::posix
