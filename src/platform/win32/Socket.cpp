// IPv4 sockets on Windows (Winsock 2.2, started once per process on first use). A TCP
// link's two threads wait on one socket, the receive thread for input and the transmit
// thread for room; Winsock gives a socket one network event, so each wait looks at the
// socket's state with select first and sleeps on the event only when there is nothing,
// and a wait that takes news meant for the other side sets the event again for it.
#include "platform/Socket.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "platform/win32/Win32.h"

namespace bx {

namespace {

bool EnsureWinsock() {
  static win32::WinsockUse use;
  return use.Started();
}

SOCKET S(std::intptr_t h) { return static_cast<SOCKET>(h); }

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(address);
  return sa;
}

// select on one socket for reading or writing; false on time-out or error.
bool Ready(SOCKET s, bool forWrite, int timeoutMs, bool* failed = nullptr) {
  fd_set set, except;
  FD_ZERO(&set);
  FD_ZERO(&except);
  FD_SET(s, &set);
  FD_SET(s, &except);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int n =
      ::select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &except, timeoutMs < 0 ? nullptr : &tv);
  if (failed) *failed = n < 0 || FD_ISSET(s, &except);
  return n > 0 && FD_ISSET(s, &set);
}

ConnectStatus StatusOfConnectError(int err) {
  switch (err) {
    case WSAECONNREFUSED:
      return ConnectStatus::Refused;
    case WSAETIMEDOUT:
      return ConnectStatus::TimedOut;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
      return ConnectStatus::Unreachable;
    default:
      return ConnectStatus::Failed;
  }
}

SocketError SocketErrorOf(int err) {
  SocketError e;
  switch (err) {
    case WSAEADDRINUSE:
      e.kind = SocketError::Kind::AddressInUse;
      break;
    case WSAEADDRNOTAVAIL:
      e.kind = SocketError::Kind::AddressNotAvailable;
      break;
    case WSAEACCES:
      e.kind = SocketError::Kind::AccessDenied;
      break;
    case WSAEMFILE:
    case WSAENOBUFS:
    case WSAEAFNOSUPPORT:
    case WSANOTINITIALISED:
      e.kind = SocketError::Kind::NoSocket;
      break;
    default:
      e.kind = SocketError::Kind::Other;
  }
  e.text = win32::ErrorText(static_cast<DWORD>(err));
  return e;
}

}  // namespace

std::string Ipv4ToText(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 255) + "." +
         std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);
}

// Four decimal octets and nothing else, as inet_pton reads them on POSIX.
std::optional<uint32_t> Ipv4FromText(const std::string& text) {
  uint32_t out = 0;
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != '.') return std::nullopt;
      ++at;
    }
    const std::size_t start = at;
    unsigned value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 3)
      value = value * 10 + unsigned(text[at++] - '0');
    if (at == start || value > 255 || (at - start > 1 && text[start] == '0')) return std::nullopt;
    out = (out << 8) | value;
  }
  if (at != text.size()) return std::nullopt;
  return out;
}

std::optional<uint32_t> ResolveIPv4(const std::string& host) {
  if (host.empty() || host.find('\0') != std::string::npos) return std::nullopt;
  if (auto dotted = Ipv4FromText(host)) return dotted;
  if (!EnsureWinsock()) return std::nullopt;
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

// ---- TCP -----------------------------------------------------------------------------------

struct TcpSocket::Io {
  win32::Handle event{::WSACreateEvent()};
};

TcpSocket::TcpSocket(std::intptr_t handle) : handle_(handle), io_(std::make_unique<Io>()) {}

// The connect runs non-blocking on this thread and is waited on with select: nothing
// else ever touches the socket, so it is closed exactly once, here or by its owner.
ConnectResult TcpSocket::Connect(uint32_t address, uint16_t port, int timeoutMs) {
  ConnectResult result;
  if (!EnsureWinsock()) return result;
  SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) {
    result.systemError = ::WSAGetLastError();
    return result;
  }
  auto fail = [&](int err) {
    result.systemError = err;
    result.status = StatusOfConnectError(err);
    ::closesocket(s);
    return std::move(result);
  };
  u_long nonBlocking = 1;
  if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return fail(::WSAGetLastError());
  sockaddr_in sa = MakeAddress(address, port);
  if (::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    const int err = ::WSAGetLastError();
    if (err != WSAEWOULDBLOCK) return fail(err);
    bool failed = false;
    const bool connected = Ready(s, true, std::max(0, timeoutMs), &failed);
    if (!connected || failed) {
      int soError = 0;
      int len = sizeof soError;
      if (failed && ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) == 0 && soError)
        return fail(soError);
      return fail(failed ? WSAECONNREFUSED : WSAETIMEDOUT);
    }
  }
  result.socket.reset(new TcpSocket(static_cast<std::intptr_t>(s)));
  if (!result.socket->io_->event.Valid() ||
      ::WSAEventSelect(s, result.socket->io_->event.get(), FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    result.systemError = ::WSAGetLastError();
    result.socket.reset();
    return result;
  }
  result.status = ConnectStatus::Ok;
  return result;
}

TcpSocket::~TcpSocket() { Close(); }

void TcpSocket::Close() {
  if (handle_ < 0) return;
  ::closesocket(S(handle_));
  handle_ = -1;
}

int TcpSocket::BytesReadable() const {
  u_long n = 0;
  if (handle_ < 0 || ::ioctlsocket(S(handle_), FIONREAD, &n) != 0) return 0;
  return static_cast<int>(n);
}

namespace {

// Waits until the socket is readable (or writable), the stop event is set, or the time
// is up. The network event is shared with the other thread's wait: whatever this wait
// takes off it that concerns the other side is handed on by setting it again. A wait
// never sleeps longer than a short slice before it looks at the socket again, so a
// hand-over that comes too late costs that slice and nothing more.
WaitResult WaitSocket(SOCKET s, HANDLE event, bool forWrite, const WaitEvent& stop, int timeoutMs) {
  constexpr int kSliceMs = 200;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
  const long mine = forWrite ? FD_WRITE : (FD_READ | FD_CLOSE);
  for (;;) {
    bool failed = false;
    if (Ready(s, forWrite, 0, &failed)) return WaitResult::Ready;
    if (failed) return WaitResult::HungUp;
    int slice = kSliceMs;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return WaitResult::TimedOut;
      slice = std::min<int>(slice, static_cast<int>(left.count()));
    }
    HANDLE handles[2] = {reinterpret_cast<HANDLE>(stop.NativeHandle()), event};
    const DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, static_cast<DWORD>(slice));
    if (r == WAIT_OBJECT_0) return WaitResult::Stopped;
    if (r == WAIT_OBJECT_0 + 1) {
      WSANETWORKEVENTS news{};
      if (::WSAEnumNetworkEvents(s, event, &news) != 0) return WaitResult::HungUp;
      if (news.lNetworkEvents & ~mine) ::SetEvent(event);
    } else if (r != WAIT_TIMEOUT) {
      return WaitResult::HungUp;
    }
  }
}

}  // namespace

// Readable with nothing to read is the peer's orderly close.
WaitResult TcpSocket::WaitReadable(const WaitEvent& stop, int timeoutMs) {
  if (handle_ < 0) return WaitResult::HungUp;
  const WaitResult r = WaitSocket(S(handle_), io_->event.get(), false, stop, timeoutMs);
  if (r == WaitResult::Ready && BytesReadable() <= 0) return WaitResult::HungUp;
  return r;
}

WaitResult TcpSocket::WaitWritable(const WaitEvent& stop, int timeoutMs) {
  if (handle_ < 0) return WaitResult::HungUp;
  return WaitSocket(S(handle_), io_->event.get(), true, stop, timeoutMs);
}

long TcpSocket::Read(char* buffer, std::size_t size) {
  if (handle_ < 0) return -1;
  const int n = ::recv(S(handle_), buffer, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0);
  if (n > 0) return n;
  if (n == 0) return -1;
  return ::WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

long TcpSocket::Write(const char* data, std::size_t size) {
  if (handle_ < 0) return -1;
  const int n = ::send(S(handle_), data, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0);
  if (n >= 0) return n;
  return ::WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

// ---- UDP -----------------------------------------------------------------------------------

std::unique_ptr<UdpSocket> UdpSocket::Open(SocketError* error) {
  if (!EnsureWinsock()) {
    if (error) *error = SocketErrorOf(WSANOTINITIALISED);
    return nullptr;
  }
  SOCKET s = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) {
    if (error) *error = SocketErrorOf(::WSAGetLastError());
    return nullptr;
  }
  // Windows reports an earlier datagram's "port unreachable" as a failure of the next
  // receive; a search that sent to a quiet address must still read its answers.
  BOOL report = FALSE;
  DWORD bytes = 0;
  ::WSAIoctl(s, _WSAIOW(IOC_VENDOR, 12), &report, sizeof report, nullptr, 0, &bytes, nullptr, nullptr);
  return std::unique_ptr<UdpSocket>(new UdpSocket(static_cast<std::intptr_t>(s)));
}

UdpSocket::~UdpSocket() {
  if (handle_ >= 0) ::closesocket(S(handle_));
}

bool UdpSocket::Bind(uint32_t address, uint16_t port, SocketError* error) {
  sockaddr_in sa = MakeAddress(address, port);
  if (::bind(S(handle_), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return true;
  if (error) *error = SocketErrorOf(::WSAGetLastError());
  return false;
}

namespace {
bool SetFlag(std::intptr_t s, int option, bool on) {
  BOOL v = on ? TRUE : FALSE;
  return ::setsockopt(S(s), SOL_SOCKET, option, reinterpret_cast<const char*>(&v), sizeof v) == 0;
}

bool LocalAddress(std::intptr_t s, sockaddr_in& sa) {
  int len = sizeof sa;
  return ::getsockname(S(s), reinterpret_cast<sockaddr*>(&sa), &len) == 0;
}
}  // namespace

bool UdpSocket::SetBroadcast(bool on) { return SetFlag(handle_, SO_BROADCAST, on); }
bool UdpSocket::SetDontRoute(bool on) { return SetFlag(handle_, SO_DONTROUTE, on); }
bool UdpSocket::SetReuseAddress(bool on) { return SetFlag(handle_, SO_REUSEADDR, on); }

uint16_t UdpSocket::LocalPort() const {
  sockaddr_in sa{};
  return LocalAddress(handle_, sa) ? ntohs(sa.sin_port) : 0;
}

// The limited broadcast is left to the system here, as every other destination is.
bool UdpSocket::SendTo(uint32_t address, uint16_t port, const Bytes& data, SocketError* error) {
  sockaddr_in sa = MakeAddress(address, port);
  const int n =
      ::sendto(S(handle_), data.data(), static_cast<int>(data.size()), 0, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  if (n == static_cast<int>(data.size())) return true;
  if (error) *error = SocketErrorOf(n == SOCKET_ERROR ? ::WSAGetLastError() : WSAEMSGSIZE);
  return false;
}

bool UdpSocket::PollReadable(int timeoutMs) { return Ready(S(handle_), false, std::max(0, timeoutMs)); }

// A datagram is read whole into a buffer of the largest size IPv4 carries, so its real
// length is known before it is cut. The destination is the socket's own address when it
// is bound to one; a socket bound to every address cannot tell it (0).
std::optional<Datagram> UdpSocket::ReceiveFrom(std::size_t maxBytes) {
  if (!PollReadable(0)) return std::nullopt;
  std::string buffer(65536, '\0');
  sockaddr_in from{};
  int fromLen = sizeof from;
  const int n = ::recvfrom(S(handle_), buffer.data(), static_cast<int>(buffer.size()), 0,
                           reinterpret_cast<sockaddr*>(&from), &fromLen);
  if (n < 0) return std::nullopt;
  Datagram d;
  d.length = static_cast<std::size_t>(n);
  d.data = buffer.substr(0, std::min(d.length, maxBytes));
  d.fromAddress = ntohl(from.sin_addr.s_addr);
  d.fromPort = ntohs(from.sin_port);
  sockaddr_in local{};
  if (LocalAddress(handle_, local)) d.toAddress = ntohl(local.sin_addr.s_addr);
  return d;
}

}  // namespace bx
