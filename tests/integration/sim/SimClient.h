#pragma once
// The program's side of the line for the simulator's transport tests: a port opened the
// way the serial link opens it (raw, exclusive, purged) or a loopback TCP connection, with
// bounded reads (the bounds on the tests' time scale).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

#include "core/Bytes.h"
#include "core/Protocol.h"
#include "support/TimeScale.h"

namespace bx::sim::test {

class Client {
 public:
  ~Client() { Close(); }

  bool OpenPty(const std::string& path, bool exclusive = true) {
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return false;
    termios tio{};
    ::tcgetattr(fd_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd_, TCSANOW, &tio);
    if (exclusive) ::ioctl(fd_, TIOCEXCL);
    ::tcflush(fd_, TCIOFLUSH);
    return true;
  }
  bool ConnectTcp(int port) {
    Close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
    return ::fcntl(fd_, F_SETFL, O_NONBLOCK) == 0;
  }
  // Closes without clearing an exclusive flag, as a program that forgot would.
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buf.clear();
  }
  int fd() const { return fd_; }

  bool Write(const std::string& s) {
    std::size_t off = 0;
    const auto end = std::chrono::steady_clock::now() + bx::test::Scaled(std::chrono::seconds(3));
    while (off < s.size() && std::chrono::steady_clock::now() < end) {
      const ssize_t n = ::send(fd_, s.data() + off, s.size() - off, MSG_NOSIGNAL);
      const ssize_t m = (n < 0 && errno == ENOTSOCK) ? ::write(fd_, s.data() + off, s.size() - off) : n;
      if (m > 0)
        off += std::size_t(m);
      else if (m < 0 && errno != EAGAIN)
        return false;
      else {
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 10);
      }
    }
    return off == s.size();
  }
  bool Command(const std::string& suffix) { return Write(std::string(proto::kCommandPrefix) + suffix); }

  // Reads into `buf` until `done(buf)` or `ms` pass; false on time-out or a dead line
  // (then `dead` is set).
  bool ReadUntil(const std::function<bool(const std::string&)>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(bx::test::ScaledMs(ms));
    while (!done(buf)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{fd_, POLLIN, 0};
      ::poll(&p, 1, int(left.count()));
      if (p.revents & (POLLERR | POLLNVAL)) return dead = true, false;
      char b[65536];
      const ssize_t n = ::read(fd_, b, sizeof b);
      if (n > 0)
        buf.append(b, std::size_t(n));
      else if (n == 0 || (n < 0 && errno != EAGAIN))
        return dead = true, false;
    }
    return true;
  }
  // One reply frame's body, taken off the buffer; empty optional-like false on time-out.
  bool Frame(std::string& body, int ms = 2000) {
    auto whole = [](const std::string& b) {
      const auto o = b.find("\r\n");
      return o != std::string::npos && b.find("\r\n\r\n", o) != std::string::npos;
    };
    if (!ReadUntil(whole, ms)) return false;
    const auto o = buf.find("\r\n");
    const auto e = buf.find("\r\n\r\n", o);
    body = buf.substr(o + 2, e > o ? e - o - 2 : 0);
    buf.erase(0, e + 4);
    return true;
  }

  std::string buf;
  bool dead = false;

 private:
  int fd_ = -1;
};

}  // namespace bx::sim::test
