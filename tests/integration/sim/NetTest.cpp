// TCP listener and UDP search responder over loopback, in bounded real time.
#include <gtest/gtest.h>

#include "SimClient.h"
#include "sim/SimTcp.h"
#include "sim/SimUdp.h"
#include "unit/sim/BootClient.h"

namespace bx::sim::test {
namespace {

TEST(TcpTransport, ServesConnectionsOneAfterAnotherAndDropsOnTheDisconnectFault) {
  Scenario s;
  s.disconnectAfterTx = 5000;
  s.pageSize = 32;
  auto adapter = std::make_shared<Adapter>(s);
  TcpAdapter tcp(adapter, "127.0.0.1", 0);
  std::string err;
  ASSERT_TRUE(tcp.Start(&err)) << err;
  ASSERT_GT(tcp.Port(), 0);
  Client c;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(c.ConnectTcp(tcp.Port()));
    std::string body;
    ASSERT_TRUE(c.Command("I") && c.Frame(body)) << i;
    EXPECT_TRUE(StartsWith(body, "SN:"));
    c.Close();
  }
  // A bootloader session over TCP, then the driver overruns the 5000 sent bytes.
  ASSERT_TRUE(c.ConnectTcp(tcp.Port()));
  std::string body;
  ASSERT_TRUE(c.Command("U") && c.Frame(body));
  ASSERT_TRUE(c.Write("<"));
  ASSERT_TRUE(c.ReadUntil([](const std::string& b) { return b.size() >= 2; }, 2000));
  c.buf.clear();
  ASSERT_TRUE(c.Write(HeaderFrame(TestBytes(80, 1))));
  ASSERT_TRUE(c.ReadUntil([](const std::string& b) { return b.size() >= 2 + 22 + 3; }, 2000));
  c.buf.clear();
  ASSERT_TRUE(c.Write(EndFrame()));
  ASSERT_TRUE(c.ReadUntil([](const std::string& b) { return b.size() >= 4; }, 2000));
  EXPECT_EQ(c.buf, Ack(0xFFFF));
  EXPECT_EQ(adapter->Uploads(), 1);
  c.buf.clear();
  ASSERT_TRUE(c.Command("D"));
  EXPECT_FALSE(c.ReadUntil([](const std::string& b) { return Contains(b, "[END]"); }, 2000));
  EXPECT_TRUE(c.dead) << "the connection is closed";
  c.Close();
  ASSERT_TRUE(c.ConnectTcp(tcp.Port()));
  ASSERT_TRUE(c.Command("D"));
  EXPECT_TRUE(c.ReadUntil([](const std::string& b) { return Contains(b, "[END]"); }, 2000)) << "once only";
  EXPECT_EQ(tcp.Connections(), 5);
}

TEST(UdpSearch, AnswersTheSearchRequestWithTheDeviceLineAndNothingElse) {
  auto adapter = std::make_shared<Adapter>();
  UdpResponder udp(adapter, "127.0.0.1", 0, "127.0.0.1", "35000");
  std::string err;
  ASSERT_TRUE(udp.Start(&err)) << err;
  const std::string request = SearchRequest();
  EXPECT_EQ(request.size(), 28u);
  EXPECT_TRUE(StartsWith(request, "I am searching for "));

  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(s, 0);
  timeval tv{0, 300000};
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(uint16_t(udp.Port()));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  auto ask = [&](const std::string& what) {
    ::sendto(s, what.data(), what.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    char buf[2048];
    const ssize_t n = ::recv(s, buf, sizeof buf, 0);
    return n > 0 ? std::string(buf, std::size_t(n)) : std::string();
  };
  EXPECT_EQ(ask(request), "Brevantix Sim 02:42:58:00:00:17 127.0.0.1 35000");
  EXPECT_EQ(ask(request.substr(0, 27)), "");
  EXPECT_EQ(ask(request + "\n"), "");
  EXPECT_EQ(udp.Answers(), 1);
  ::close(s);
}

}  // namespace
}  // namespace bx::sim::test
