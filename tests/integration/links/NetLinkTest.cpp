// The network link against loopback listeners.
#include <gtest/gtest.h>

#include "LinkTestHelpers.h"
#include "links/Link_net.h"

namespace bx {
namespace {

using test::Clock;
using test::ElapsedMs;

struct NetLink : ::testing::Test {
  TLink_NET link{nullptr, "SOFTWARE\\dulMAR Company ::.", false};
  void TearDown() override { link.Close(); }
};

TEST_F(NetLink, ConnectsAndCarriesBytesBothWays) {
  test::Listener listener;
  link.SetPortName(listener.PortName());
  ASSERT_TRUE(link.Open());
  int peer = listener.Accept();
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(link.Write(std::string("!dulMAR_SC_I\0x", 14)));
  char buffer[64];
  std::string got;
  test::WaitFor(
      [&] {
        ssize_t n = ::recv(peer, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
        return got.size() >= 14;
      },
      2000);
  EXPECT_EQ(got, std::string("!dulMAR_SC_I\0x", 14));
  ASSERT_EQ(::send(peer, "\r\nSN:1234\r\n\r\n", 13, 0), 13);
  Bytes reply = "\r\n\r\n";
  EXPECT_TRUE(link.ReadUntil(reply, 1000));
  EXPECT_EQ(reply, "\r\nSN:1234\r\n\r\n");
  ::close(peer);
}

TEST_F(NetLink, AHostThatNeverAnswersFailsAfterAboutTwoSeconds) {
  // Backlog 0 holds one finished handshake; once that waits unaccepted, the kernel
  // drops further SYNs, so a connect hangs as with a host that does not answer.
  test::Listener full(0);
  std::vector<int> clients;
  for (int i = 0; i < 4; ++i) {
    int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(full.port());
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(c, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    clients.push_back(c);
    pollfd p{c, POLLOUT, 0};
    if (::poll(&p, 1, 200) == 0) break;  // this one already hangs: the queue is full
  }
  link.SetPortName(full.PortName());
  auto start = Clock::now();
  EXPECT_FALSE(link.Open());
  long ms = ElapsedMs(start);
  EXPECT_GE(ms, 1900);
  EXPECT_LE(ms, 2000 + test::ScaledMs(1000));
  EXPECT_EQ(link.LastOpenError(), OpenError::TimedOut);
  EXPECT_FALSE(link.IsOpen());
  for (int c : clients) ::close(c);
}

TEST_F(NetLink, ARefusedPortFailsAtOnce) {
  link.SetPortName("NET:127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()));
  auto start = Clock::now();
  EXPECT_FALSE(link.Open());
  EXPECT_LT(ElapsedMs(start), test::ScaledMs(500));
  EXPECT_EQ(link.LastOpenError(), OpenError::Refused);
}

TEST_F(NetLink, MalformedNamesFailWithoutTouchingTheNetwork) {
  for (const char* bad : {"NET:", "NET:127.0.0.1", "NET:127.0.0.1:", "NET:127.0.0.1:23a", "NET::23"}) {
    link.SetPortName(bad);
    auto start = Clock::now();
    EXPECT_FALSE(link.Open()) << bad;
    EXPECT_LT(ElapsedMs(start), test::ScaledMs(100)) << bad;
    EXPECT_EQ(link.LastOpenError(), OpenError::BadName) << bad;
  }
}

TEST_F(NetLink, APeerThatClosesLeavesTheLinkQuietAndClosable) {
  test::Listener listener;
  link.SetPortName(listener.PortName());
  ASSERT_TRUE(link.Open());
  int peer = listener.Accept();
  ASSERT_GE(peer, 0);
  ::send(peer, "bye", 3, 0);
  ::close(peer);
  Bytes text = "bye";
  EXPECT_TRUE(link.ReadUntil(text, test::ScaledMs(1000)));
  EXPECT_EQ(text, "bye");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  double cpu = test::CpuMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_LT(test::CpuMs() - cpu, test::Scaled(50.0));
  EXPECT_TRUE(link.Write("after the end"));  // no SIGPIPE, the batch just ends
  EXPECT_TRUE(test::WaitFor([&] { return link.PendingWrite() == 0; }, 1500));
  auto start = Clock::now();
  EXPECT_TRUE(link.Close());
  EXPECT_LT(ElapsedMs(start), test::ScaledMs(200));
}

// A peer that goes away is told apart from a silent one, whether it closes the connection
// or resets it, and what it sent before stays there to be read.
TEST_F(NetLink, APeerThatClosesOrResetsIsSeenToHangUp) {
  for (const bool reset : {false, true}) {
    SCOPED_TRACE(reset ? "reset" : "closed");
    test::Listener listener;
    link.SetPortName(listener.PortName());
    ASSERT_TRUE(link.Open());
    const int peer = listener.Accept();
    ASSERT_GE(peer, 0);
    ASSERT_EQ(::send(peer, "bye", 3, 0), 3);
    ASSERT_TRUE(test::WaitFor([&] { return link.BytesAvailable() == 3; }, 2000));
    EXPECT_FALSE(link.HungUp());
    if (reset) {
      const linger abort{1, 0};  // closing sends a reset instead of the end of the stream
      ASSERT_EQ(::setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort), 0);
    }
    ::close(peer);
    EXPECT_TRUE(test::WaitFor([&] { return link.HungUp(); }, 2000));
    Bytes got;
    link.ReadAvailable(got);
    EXPECT_EQ(got, "bye");
    EXPECT_TRUE(link.Close());
    EXPECT_FALSE(link.HungUp());
  }
}

}  // namespace
}  // namespace bx
