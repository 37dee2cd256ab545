// Winsock behind the socket seam, on loopback: the connection a NET: link rides, the
// bound on its connect, and the datagrams and interface list of the network search.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <vector>

#include "Win32Fixtures.h"
#include "platform/Socket.h"
#include "platform/WaitEvent.h"
#include "support/DatagramContract.h"

namespace bx::wintest {
namespace {

struct SystemNetworkMaker {
  std::unique_ptr<DatagramNetwork> Make() { return MakeSystemDatagramNetwork(); }
  // Wine binds a datagram socket given an interface's address to every address (so that
  // it hears broadcasts) and so takes any address at all.
  static std::string BindsAnyAddressReason() {
    return UnderWine() ? "Wine binds datagram sockets to every address, so no address is refused" : "";
  }
};

}  // namespace
}  // namespace bx::wintest

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, DatagramContract, ::testing::Types<bx::wintest::SystemNetworkMaker>);

namespace bx::wintest {
namespace {

constexpr uint32_t kLoopback = 0x7F000001u;

long ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}

// A loopback listener played with Winsock itself, so the socket under test has a peer
// that shares none of its code.
class Listener {
 public:
  explicit Listener(int backlog) {
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    s_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(kLoopback);
    int len = sizeof sa;
    if (::bind(s_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 && ::listen(s_, backlog) == 0 &&
        ::getsockname(s_, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
      port_ = ntohs(sa.sin_port);
  }
  ~Listener() {
    for (SOCKET c : others_) ::closesocket(c);
    if (s_ != INVALID_SOCKET) ::closesocket(s_);
    if (started_) ::WSACleanup();
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  uint16_t port() const { return port_; }
  void Close() {
    ::closesocket(s_);
    s_ = INVALID_SOCKET;
  }
  // The next connection, waited for at most 2 s; INVALID_SOCKET when none came.
  SOCKET Accept() {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s_, &set);
    timeval tv{2, 0};
    if (::select(0, &set, nullptr, nullptr, &tv) != 1) return INVALID_SOCKET;
    const SOCKET c = ::accept(s_, nullptr, nullptr);
    DWORD timeout = 2000;
    ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    others_.push_back(c);
    return c;
  }
  // Fills the queue of a listener with backlog 0: the finished handshake that waits
  // unaccepted is held, and the system drops the next connection requests, as a host
  // that does not answer would.
  void Fill() {
    for (int i = 0; i < 4; ++i) {
      SOCKET c = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      u_long on = 1;
      ::ioctlsocket(c, FIONBIO, &on);
      sockaddr_in sa{};
      sa.sin_family = AF_INET;
      sa.sin_port = htons(port_);
      sa.sin_addr.s_addr = htonl(kLoopback);
      ::connect(c, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
      others_.push_back(c);
      fd_set set;
      FD_ZERO(&set);
      FD_SET(c, &set);
      timeval tv{0, 200000};
      if (::select(0, nullptr, &set, nullptr, &tv) == 0) return;  // this one hangs: the queue is full
    }
  }

 private:
  bool started_ = false;
  SOCKET s_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::vector<SOCKET> others_;
};

TEST(Win32Tcp, CarriesBytesBothWaysAndSeesThePeerHangUp) {
  Listener listener(4);
  ASSERT_NE(listener.port(), 0);
  ConnectResult r = TcpSocket::Connect(kLoopback, listener.port(), bx::test::ScaledMs(2000));
  ASSERT_EQ(r.status, ConnectStatus::Ok) << "system error " << r.systemError;
  const SOCKET peer = listener.Accept();
  ASSERT_NE(peer, INVALID_SOCKET);
  WaitEvent stop(WaitEvent::Mode::ManualReset);

  ASSERT_EQ(r.socket->Write("ATI\r", 4), 4);
  char buf[64] = {};
  EXPECT_EQ(::recv(peer, buf, sizeof buf, 0), 4);
  EXPECT_EQ(std::string(buf, 4), "ATI\r");

  ::send(peer, "BRVNTX\r\n", 8, 0);
  ASSERT_EQ(r.socket->WaitReadable(stop, bx::test::ScaledMs(2000)), WaitResult::Ready);
  EXPECT_EQ(r.socket->Read(buf, sizeof buf), 8);
  EXPECT_EQ(r.socket->WaitReadable(stop, 20), WaitResult::TimedOut);
  stop.Set();
  EXPECT_EQ(r.socket->WaitReadable(stop, bx::test::ScaledMs(2000)), WaitResult::Stopped);
  stop.Reset();

  ::shutdown(peer, SD_BOTH);
  ASSERT_EQ(r.socket->WaitReadable(stop, bx::test::ScaledMs(2000)), WaitResult::HungUp);
}

struct ConnectCase {
  const char* name;
  ConnectStatus status;
  long minMs, maxMs;
};

class Win32Connect : public ::testing::TestWithParam<ConnectCase> {};

// A closed port answers at once; a host that never answers is given up after the link's
// 2,000 ms.
TEST_P(Win32Connect, EndsWithTheCauseWithinItsBound) {
  const ConnectCase& c = GetParam();
  Listener listener(0);
  ASSERT_NE(listener.port(), 0);
  if (c.status == ConnectStatus::Refused)
    listener.Close();
  else
    listener.Fill();
  const auto start = std::chrono::steady_clock::now();
  ConnectResult r = TcpSocket::Connect(kLoopback, listener.port(), 2000);
  const long ms = ElapsedMs(start);
  EXPECT_EQ(r.status, c.status);
  EXPECT_FALSE(r.socket);
  EXPECT_GE(ms, c.minMs);
  EXPECT_LE(ms, c.minMs + bx::test::ScaledMs(c.maxMs - c.minMs));
}

INSTANTIATE_TEST_SUITE_P(Loopback, Win32Connect,
                         ::testing::Values(ConnectCase{"Refused", ConnectStatus::Refused, 0, 1500},
                                           ConnectCase{"NeverAnswers", ConnectStatus::TimedOut, 1900, 3500}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Win32Interfaces, LoopbackIsListedOnceAndLast) {
  const std::vector<NetInterface> list = LocalInterfaces();
  ASSERT_FALSE(list.empty());
  int loopbacks = 0;
  for (const NetInterface& i : list) loopbacks += i.loopback;
  EXPECT_EQ(loopbacks, 1);
  EXPECT_TRUE(list.back().loopback);
  EXPECT_EQ(list.back().address, kLoopback);
  EXPECT_EQ(list.back().mask, 0xFF000000u);
}

}  // namespace
}  // namespace bx::wintest
