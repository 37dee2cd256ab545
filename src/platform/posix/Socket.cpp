#include "platform/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/posix/PollWait.h"

namespace bx {

std::string Ipv4ToText(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 255) + "." +
         std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);
}

std::optional<uint32_t> Ipv4FromText(const std::string& text) {
  in_addr a{};
  if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return std::nullopt;
  return ntohl(a.s_addr);
}

std::optional<uint32_t> ResolveIPv4(const std::string& host) {
  if (host.empty() || host.find('\0') != std::string::npos) return std::nullopt;
  if (auto dotted = Ipv4FromText(host)) return dotted;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list) return std::nullopt;
  std::optional<uint32_t> found;
  for (addrinfo* a = list; a; a = a->ai_next) {
    if (a->ai_family == AF_INET) {
      found = ntohl(reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
      break;
    }
  }
  ::freeaddrinfo(list);
  return found;
}

static sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(address);
  return sa;
}

static ConnectStatus StatusOfConnectError(int err) {
  switch (err) {
    case ECONNREFUSED:
      return ConnectStatus::Refused;
    case ETIMEDOUT:
      return ConnectStatus::TimedOut;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
      return ConnectStatus::Unreachable;
    default:
      return ConnectStatus::Failed;
  }
}

// The connect runs non-blocking on this thread and is waited on with poll: nothing
// else ever touches the socket, so it is closed exactly once, here or by its owner.
ConnectResult TcpSocket::Connect(uint32_t address, uint16_t port, int timeoutMs) {
  ConnectResult result;
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    result.systemError = errno;
    return result;
  }
  auto fail = [&](int err) {
    result.systemError = err;
    result.status = StatusOfConnectError(err);
    ::close(fd);
    return std::move(result);
  };
  sockaddr_in sa = MakeAddress(address, port);
  int r;
  do r = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  while (r < 0 && errno == EINTR);
  if (r < 0 && errno != EINPROGRESS) return fail(errno);
  if (r < 0) {
    pollfd p{fd, POLLOUT, 0};
    posix::PollClock clock(timeoutMs);
    int n;
    do n = ::poll(&p, 1, clock.Left());
    while (n < 0 && errno == EINTR);
    if (n <= 0) return fail(n == 0 ? ETIMEDOUT : errno);
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return fail(errno);
    if (err != 0) return fail(err);
  }
  result.socket.reset(new TcpSocket(fd));
  result.status = ConnectStatus::Ok;
  return result;
}

struct TcpSocket::Io {};  // POSIX needs nothing beside the descriptor

TcpSocket::TcpSocket(std::intptr_t handle) : handle_(handle) {}

TcpSocket::~TcpSocket() { Close(); }

void TcpSocket::Close() {
  if (handle_ < 0) return;
  ::close(static_cast<int>(handle_));
  handle_ = -1;
}

int TcpSocket::BytesReadable() const {
  int n = 0;
  if (handle_ < 0 || ::ioctl(static_cast<int>(handle_), FIONREAD, &n) != 0) return 0;
  return n;
}

// Readable with nothing to read is the peer's orderly close.
WaitResult TcpSocket::WaitReadable(const WaitEvent& stop, int timeoutMs) {
  if (handle_ < 0) return WaitResult::HungUp;
  WaitResult r = posix::PollWithStop(static_cast<int>(handle_), POLLIN, stop, timeoutMs);
  if (r == WaitResult::Ready && BytesReadable() <= 0) return WaitResult::HungUp;
  return r;
}

WaitResult TcpSocket::WaitWritable(const WaitEvent& stop, int timeoutMs) {
  if (handle_ < 0) return WaitResult::HungUp;
  return posix::PollWithStop(static_cast<int>(handle_), POLLOUT, stop, timeoutMs);
}

long TcpSocket::Read(char* buffer, std::size_t size) {
  if (handle_ < 0) return -1;
  for (;;) {
    ssize_t n = ::recv(static_cast<int>(handle_), buffer, size, MSG_DONTWAIT);
    if (n > 0) return static_cast<long>(n);
    if (n == 0) return -1;
    if (errno == EINTR) continue;
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
  }
}

long TcpSocket::Write(const char* data, std::size_t size) {
  if (handle_ < 0) return -1;
  for (;;) {
    ssize_t n = ::send(static_cast<int>(handle_), data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
  }
}

static SocketError SocketErrorOf(int err) {
  SocketError e;
  switch (err) {
    case EADDRINUSE:
      e.kind = SocketError::Kind::AddressInUse;
      break;
    case EADDRNOTAVAIL:
      e.kind = SocketError::Kind::AddressNotAvailable;
      break;
    case EACCES:
    case EPERM:
      e.kind = SocketError::Kind::AccessDenied;
      break;
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
    case EAFNOSUPPORT:
      e.kind = SocketError::Kind::NoSocket;
      break;
    default:
      e.kind = SocketError::Kind::Other;
  }
  e.text = ::strerror(err);
  return e;
}

// IP_PKTINFO makes every received datagram tell the address it was sent to, so that a
// responder can tell a broadcast request from one sent to it alone.
std::unique_ptr<UdpSocket> UdpSocket::Open(SocketError* error) {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    if (error) *error = SocketErrorOf(errno);
    return nullptr;
  }
  int on = 1;
  ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  return std::unique_ptr<UdpSocket>(new UdpSocket(fd));
}

UdpSocket::~UdpSocket() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool UdpSocket::Bind(uint32_t address, uint16_t port, SocketError* error) {
  sockaddr_in sa = MakeAddress(address, port);
  if (::bind(static_cast<int>(handle_), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return true;
  if (error) *error = SocketErrorOf(errno);
  return false;
}

namespace {
bool SetFlag(std::intptr_t fd, int option, bool on) {
  int v = on ? 1 : 0;
  return ::setsockopt(static_cast<int>(fd), SOL_SOCKET, option, &v, sizeof v) == 0;
}

}  // namespace

bool UdpSocket::SetBroadcast(bool on) { return SetFlag(handle_, SO_BROADCAST, on); }
bool UdpSocket::SetDontRoute(bool on) { return SetFlag(handle_, SO_DONTROUTE, on); }
bool UdpSocket::SetReuseAddress(bool on) { return SetFlag(handle_, SO_REUSEADDR, on); }

uint16_t UdpSocket::LocalPort() const {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (::getsockname(static_cast<int>(handle_), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
  return ntohs(sa.sin_port);
}

namespace {

constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;

// The interfaces a limited broadcast leaves on: up, able to broadcast (which leaves out
// loopback and point-to-point links) and holding an IPv4 address, each once by index
// (an address label such as "eth0:1" names its interface's index).
std::vector<unsigned> BroadcastInterfaces() {
  std::vector<unsigned> out;
  ifaddrs* all = nullptr;
  if (::getifaddrs(&all) != 0) return out;
  for (ifaddrs* a = all; a; a = a->ifa_next) {
    if (!a->ifa_name || !a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
    if (!(a->ifa_flags & IFF_UP) || !(a->ifa_flags & IFF_BROADCAST) || (a->ifa_flags & IFF_LOOPBACK)) continue;
    const unsigned index = ::if_nametoindex(a->ifa_name);
    if (index != 0 && std::find(out.begin(), out.end(), index) == out.end()) out.push_back(index);
  }
  ::freeifaddrs(all);
  return out;
}

// One sendmsg; `ifindex` other than 0 names the interface the datagram leaves on
// (IP_PKTINFO), whatever the routing table would pick. The errno of a failure is kept.
bool SendOn(int fd, const sockaddr_in& to, const Bytes& data, unsigned ifindex, int& failure) {
  iovec io{const_cast<char*>(data.data()), data.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  msghdr m{};
  m.msg_name = const_cast<sockaddr_in*>(&to);
  m.msg_namelen = sizeof to;
  m.msg_iov = &io;
  m.msg_iovlen = 1;
  if (ifindex != 0) {
    m.msg_control = control;
    m.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&m);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = static_cast<int>(ifindex);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
  }
  ssize_t n;
  do n = ::sendmsg(fd, &m, MSG_DONTWAIT | MSG_NOSIGNAL);
  while (n < 0 && errno == EINTR);
  if (n == static_cast<ssize_t>(data.size())) return true;
  failure = n < 0 ? errno : EMSGSIZE;
  return false;
}

}  // namespace

// Left to the routing table, a limited broadcast goes out of the one interface that
// holds the default route, and nowhere without one; an adapter on another interface's
// network would never hear it. So it is sent once on each broadcast interface, and
// counts as sent when it left on one. A socket bound to one address keeps to the
// routing table: the other interfaces are not its to send from.
bool UdpSocket::SendTo(uint32_t address, uint16_t port, const Bytes& data, SocketError* error) {
  const sockaddr_in to = MakeAddress(address, port);
  std::vector<unsigned> via;
  sockaddr_in local{};
  socklen_t len = sizeof local;
  const bool anyAddress = ::getsockname(static_cast<int>(handle_), reinterpret_cast<sockaddr*>(&local), &len) == 0 &&
                          local.sin_addr.s_addr == htonl(INADDR_ANY);
  if (address == kLimitedBroadcast && anyAddress) via = BroadcastInterfaces();
  if (via.empty()) via.push_back(0);
  bool sent = false;
  int firstFailure = 0;
  for (unsigned ifindex : via) {
    int failure = 0;
    if (SendOn(static_cast<int>(handle_), to, data, ifindex, failure))
      sent = true;
    else if (firstFailure == 0)
      firstFailure = failure;
  }
  if (!sent && error) *error = SocketErrorOf(firstFailure);
  return sent;
}

bool UdpSocket::PollReadable(int timeoutMs) {
  pollfd p{static_cast<int>(handle_), POLLIN, 0};
  int n;
  do n = ::poll(&p, 1, timeoutMs);
  while (n < 0 && errno == EINTR);
  return n == 1 && (p.revents & POLLIN);
}

std::optional<Datagram> UdpSocket::ReceiveFrom(std::size_t maxBytes) {
  Datagram d;
  d.data.resize(maxBytes);
  sockaddr_in sa{};
  iovec io{d.data.data(), d.data.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
  msghdr m{};
  m.msg_name = &sa;
  m.msg_namelen = sizeof sa;
  m.msg_iov = &io;
  m.msg_iovlen = 1;
  m.msg_control = control;
  m.msg_controllen = sizeof control;
  // MSG_TRUNC makes the answer the datagram's real length, so a caller can tell a cut one.
  ssize_t n;
  do n = ::recvmsg(static_cast<int>(handle_), &m, MSG_DONTWAIT | MSG_TRUNC);
  while (n < 0 && errno == EINTR);
  if (n < 0) return std::nullopt;
  d.length = static_cast<std::size_t>(n);
  d.data.resize(std::min(d.length, maxBytes));
  d.fromAddress = ntohl(sa.sin_addr.s_addr);
  d.fromPort = ntohs(sa.sin_port);
  for (cmsghdr* c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c)) {
    if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
    in_pktinfo info;
    std::memcpy(&info, CMSG_DATA(c), sizeof info);
    d.toAddress = ntohl(info.ipi_addr.s_addr);
  }
  return d;
}

std::vector<NetInterface> LocalInterfaces() {
  std::vector<NetInterface> list;
  ifaddrs* all = nullptr;
  if (::getifaddrs(&all) != 0) return list;
  for (ifaddrs* a = all; a; a = a->ifa_next) {
    if (!a->ifa_name) continue;
    NetInterface* known = nullptr;
    for (auto& i : list) {
      if (i.name == a->ifa_name) known = &i;
    }
    if (!known) {
      list.push_back({a->ifa_name, 0, 0, (a->ifa_flags & IFF_UP) != 0, (a->ifa_flags & IFF_LOOPBACK) != 0});
      known = &list.back();
    }
    bool ipv4 = a->ifa_addr && a->ifa_addr->sa_family == AF_INET;
    if (ipv4 && known->address == 0) {
      known->address = ntohl(reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
      if (a->ifa_netmask) known->mask = ntohl(reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr);
    }
  }
  ::freeifaddrs(all);
  return list;
}

}  // namespace bx
