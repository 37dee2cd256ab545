#include "platform/TcpListener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/posix/HandleIo.h"

namespace bx {
namespace {

uint16_t BoundPort(int fd) {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
  return addr.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port)
                                    : ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
}

}  // namespace

TcpConnection::~TcpConnection() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool TcpConnection::ReadAvailable(std::string& out, std::size_t max) {
  return posix::ReadAvailable(static_cast<int>(handle_), out, max);
}

bool TcpConnection::WritePending(std::string& pending) {
  return posix::WritePending(static_cast<int>(handle_), pending, true);
}

std::unique_ptr<TcpListener> TcpListener::Listen(const std::string& host, uint16_t port, std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* res = nullptr;
  const std::string service = std::to_string(port);
  if (::getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &res) != 0 || !res) {
    if (error) *error = "cannot resolve " + host;
    return nullptr;
  }
  const int fd = ::socket(res->ai_family, res->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int one = 1;
  if (fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  const bool ok = fd >= 0 && ::bind(fd, res->ai_addr, res->ai_addrlen) == 0 && ::listen(fd, 4) == 0;
  ::freeaddrinfo(res);
  if (!ok) {
    if (error) *error = posix::ErrnoText("listen on " + host + ":" + service);
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<TcpListener>(new TcpListener(fd, BoundPort(fd)));
}

TcpListener::~TcpListener() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::unique_ptr<TcpConnection> TcpListener::Accept() {
  const int c = ::accept4(static_cast<int>(handle_), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (c < 0) return nullptr;
  const int one = 1;
  ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return std::unique_ptr<TcpConnection>(new TcpConnection(c));
}

}  // namespace bx
