#pragma once
// The rules every DatagramNetwork keeps, as a typed test suite: the system's network
// (over loopback only) and the in-process one behind the fake both run it, so the fake
// the search's unit tests use cannot drift from the system.
//
// Use: a maker type with `std::unique_ptr<bx::DatagramNetwork> Make()` (one for a system
// that binds a datagram socket to any address, as Wine does, says why in
// `static std::string BindsAnyAddressReason()`, "" where it does not), then
//   INSTANTIATE_TYPED_TEST_SUITE_P(Fake, DatagramContract, ::testing::Types<FakeMaker>);
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/DatagramNetwork.h"

template <class Maker>
class DatagramContract : public ::testing::Test {
 protected:
  static constexpr uint32_t kLoopback = 0x7F000001u;
  Maker maker;
  std::unique_ptr<bx::DatagramNetwork> net = maker.Make();

  std::unique_ptr<bx::DatagramSocket> Bound(uint32_t address = kLoopback, uint16_t port = 0) {
    auto s = net->OpenUdp();
    EXPECT_TRUE(s && s->Bind(address, port));
    return s;
  }
  // Posts and waits (briefly, on the system's network) until it is there.
  static bool Arrives(bx::DatagramSocket& s) { return s.PollReadable(1000); }
};

TYPED_TEST_SUITE_P(DatagramContract);

TYPED_TEST_P(DatagramContract, APortInUseIsRefusedWithItsReason) {
  auto a = this->Bound();
  ASSERT_NE(a->LocalPort(), 0);
  auto b = this->net->OpenUdp();
  ASSERT_TRUE(b);
  bx::SocketError error;
  EXPECT_FALSE(b->Bind(0, a->LocalPort(), &error));
  EXPECT_EQ(error.kind, bx::SocketError::Kind::AddressInUse);
  EXPECT_FALSE(error.text.empty());
  a.reset();
  EXPECT_TRUE(b->Bind(0, 0));  // a failed bind leaves the socket usable
}

template <class Maker>
std::string BindsAnyAddressReason() {
  if constexpr (requires { Maker::BindsAnyAddressReason(); })
    return Maker::BindsAnyAddressReason();
  else
    return "";
}

TYPED_TEST_P(DatagramContract, AnAddressOfNoInterfaceIsRefusedWithItsReason) {
  if (const std::string why = BindsAnyAddressReason<TypeParam>(); !why.empty()) GTEST_SKIP() << why;
  // An address that is none of this host's (TEST-NET-1: nothing is sent to it).
  auto c = this->net->OpenUdp();
  ASSERT_TRUE(c);
  bx::SocketError error;
  EXPECT_FALSE(c->Bind(0xC0000201u, 0, &error));
  EXPECT_EQ(error.kind, bx::SocketError::Kind::AddressNotAvailable);
  EXPECT_TRUE(c->Bind(this->kLoopback, 0));
}

TYPED_TEST_P(DatagramContract, DatagramsArriveWholeInOrderWithSenderAndDestination) {
  auto a = this->Bound();
  auto b = this->Bound();
  EXPECT_FALSE(b->PollReadable(0));
  EXPECT_FALSE(b->ReceiveFrom(1023));
  for (const char* text : {"one", "two", "three"}) ASSERT_TRUE(a->SendTo(this->kLoopback, b->LocalPort(), text));
  for (const char* text : {"one", "two", "three"}) {
    ASSERT_TRUE(this->Arrives(*b)) << text;
    auto d = b->ReceiveFrom(1023);
    ASSERT_TRUE(d) << text;
    EXPECT_EQ(d->data, text);
    EXPECT_EQ(d->length, d->data.size());
    EXPECT_EQ(d->fromAddress, this->kLoopback);
    EXPECT_EQ(d->fromPort, a->LocalPort());
    EXPECT_EQ(d->toAddress, this->kLoopback);
  }
  EXPECT_FALSE(b->ReceiveFrom(1023));
}

TYPED_TEST_P(DatagramContract, ACutDatagramTellsItsRealLength) {
  auto a = this->Bound();
  auto b = this->Bound();
  ASSERT_TRUE(a->SendTo(this->kLoopback, b->LocalPort(), std::string(1500, 'x')));
  ASSERT_TRUE(this->Arrives(*b));
  auto d = b->ReceiveFrom(1023);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->data, std::string(1023, 'x'));
  EXPECT_EQ(d->length, 1500u);
}

// A broadcast without broadcast permission (loopback's directed one: it goes nowhere
// else) is refused with its reason, and the socket sends on.
TYPED_TEST_P(DatagramContract, ASendThatFailsSaysWhyAndTheSocketSendsOn) {
  auto a = this->Bound();
  auto b = this->Bound();
  bx::SocketError error;
  EXPECT_FALSE(a->SendTo(0x7FFFFFFFu, b->LocalPort(), "refused", &error));
  EXPECT_EQ(error.kind, bx::SocketError::Kind::AccessDenied);
  EXPECT_FALSE(error.text.empty());
  ASSERT_TRUE(a->SendTo(this->kLoopback, b->LocalPort(), "after"));
  ASSERT_TRUE(this->Arrives(*b));
  auto d = b->ReceiveFrom(1023);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->data, "after");
}

TYPED_TEST_P(DatagramContract, ResolvesDottedTextAndLocalhostAndListsLoopbackOnce) {
  EXPECT_EQ(this->net->Resolve("192.168.4.1"), 0xC0A80401u);
  EXPECT_EQ(this->net->Resolve("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(this->net->Resolve("localhost"), this->kLoopback);
  EXPECT_EQ(this->net->Resolve(""), std::nullopt);
  int loopbacks = 0;
  for (const bx::NetInterface& i : this->net->Interfaces()) {
    if (!i.loopback) continue;
    ++loopbacks;
    EXPECT_EQ(i.address, this->kLoopback);
    EXPECT_EQ(i.mask, 0xFF000000u);
    EXPECT_TRUE(i.up);
  }
  EXPECT_EQ(loopbacks, 1);
}

REGISTER_TYPED_TEST_SUITE_P(DatagramContract, APortInUseIsRefusedWithItsReason,
                            AnAddressOfNoInterfaceIsRefusedWithItsReason,
                            DatagramsArriveWholeInOrderWithSenderAndDestination, ACutDatagramTellsItsRealLength,
                            ASendThatFailsSaysWhyAndTheSocketSendsOn,
                            ResolvesDottedTextAndLocalhostAndListsLoopbackOnce);
