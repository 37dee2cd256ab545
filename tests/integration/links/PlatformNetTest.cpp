// The UDP socket, resolution and interface list that the network search builds on, and
// the wait events, on loopback.
#include <gtest/gtest.h>

#include "LinkTestHelpers.h"
#include "platform/Socket.h"
#include "platform/WaitEvent.h"
#include "support/DatagramContract.h"

namespace bx {
namespace {

TEST(Ipv4, TextAndBack) {
  EXPECT_EQ(Ipv4ToText(0xC0A80401u), "192.168.4.1");
  EXPECT_EQ(Ipv4FromText("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(ResolveIPv4("127.0.0.1"), 0x7F000001u);
  for (const char* bad : {"", "1.2.3", "1.2.3.256", "a.b.c.d", "1.2.3.4 "}) EXPECT_FALSE(Ipv4FromText(bad)) << bad;
  EXPECT_FALSE(ResolveIPv4(""));
}

TEST(Udp, SendsAndReceivesOnLoopbackAndTellsACutDatagram) {
  auto a = UdpSocket::Open();
  auto b = UdpSocket::Open();
  ASSERT_TRUE(a && b);
  ASSERT_TRUE(a->Bind(0x7F000001u, 0));
  ASSERT_TRUE(b->Bind(0x7F000001u, 0));
  EXPECT_TRUE(a->SetBroadcast(true));
  EXPECT_TRUE(a->SetDontRoute(true));
  EXPECT_FALSE(b->PollReadable(0));
  EXPECT_FALSE(b->ReceiveFrom(1023));
  ASSERT_TRUE(a->SendTo(0x7F000001u, b->LocalPort(), "I am searching for BRVNTXNET"));
  ASSERT_TRUE(b->PollReadable(1000));
  auto d = b->ReceiveFrom(1023);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->data, "I am searching for BRVNTXNET");
  EXPECT_EQ(d->length, 28u);
  EXPECT_EQ(d->fromAddress, 0x7F000001u);
  EXPECT_EQ(d->fromPort, a->LocalPort());
  ASSERT_TRUE(a->SendTo(0x7F000001u, b->LocalPort(), std::string(1500, 'x')));
  ASSERT_TRUE(b->PollReadable(1000));
  d = b->ReceiveFrom(1023);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->data.size(), 1023u);
  EXPECT_EQ(d->length, 1500u);
}

TEST(Interfaces, ListLoopbackOnceWithItsAddressAndMask) {
  auto list = LocalInterfaces();
  int loopbacks = 0;
  for (const auto& i : list) {
    if (i.name != "lo") continue;
    ++loopbacks;
    EXPECT_EQ(i.address, 0x7F000001u);
    EXPECT_EQ(i.mask, 0xFF000000u);
    EXPECT_TRUE(i.loopback);
  }
  EXPECT_EQ(loopbacks, 1);
}

// The system's network keeps the rules the search's fake keeps (over loopback only).
struct SystemMaker {
  std::unique_ptr<DatagramNetwork> Make() { return MakeSystemDatagramNetwork(); }
};
INSTANTIATE_TYPED_TEST_SUITE_P(System, DatagramContract, ::testing::Types<SystemMaker>);

TEST(WaitEvents, AutoResetIsConsumedManualResetStays) {
  WaitEvent a(WaitEvent::Mode::AutoReset), m(WaitEvent::Mode::ManualReset);
  ASSERT_TRUE(a.Valid() && m.Valid());
  EXPECT_FALSE(a.Wait(0));
  a.Set();
  a.Set();
  EXPECT_TRUE(a.IsSet());
  EXPECT_TRUE(a.Wait(0));
  EXPECT_FALSE(a.Wait(0));  // two Sets, one firing
  m.Set();
  EXPECT_TRUE(m.Wait(0));
  EXPECT_TRUE(m.Wait(0));
  EXPECT_EQ(WaitAny({&a, &m}, 0), 1);
  m.Reset();
  EXPECT_EQ(WaitAny({&a, &m}, 20), -1);
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    a.Set();
  });
  auto start = test::Clock::now();
  EXPECT_EQ(WaitAny({&m, &a}, test::ScaledMs(2000)), 1);
  EXPECT_LT(test::ElapsedMs(start), test::ScaledMs(1000));
  setter.join();
}

}  // namespace
}  // namespace bx
