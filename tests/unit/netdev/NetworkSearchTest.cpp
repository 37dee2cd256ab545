// The UDP search in virtual time, on the fake datagram network: what it sends where and
// when, what it reads of the answers, and what the Network page shows meanwhile.
#include <gtest/gtest.h>

#include <algorithm>

#include "netdev/NetworkPage.h"
#include "netdev/NetworkSearch.h"
#include "platform/Socket.h"
#include "platform/fake/FakeDatagramNetwork.h"
#include "support/DatagramContract.h"
#include "support/FormFixture.h"
#include "window/Modules.h"

namespace bx {
namespace {

constexpr uint32_t kBroadcast = 0xFFFFFFFFu;
constexpr uint32_t kGarageIp = 0xC0A80401u;  // 192.168.4.1
const std::string kGarageLine = "Garage unit A0:B1:C2:D3:E4:F5 192.168.4.1 23";

NetInterface Iface(const char* name, uint32_t address, uint32_t mask, bool up = true, bool loopback = false) {
  return {name, address, mask, up, loopback};
}

// The PC of the example: two connected adapters and one without an address.
const std::vector<NetInterface> kTwoAdapters = {Iface("lo", 0x7F000001u, 0xFF000000u, true, true),
                                                Iface("eth0", 0xC0A8010Au, 0xFFFFFF00u),
                                                Iface("wlan0", 0x0A000005u, 0xFF000000u), Iface("eth1", 0, 0)};

struct NetworkSearchTest : ::testing::Test {
  // The network outlives the window (its sockets) and runs on the window's virtual clock.
  FakeDatagramNetwork net{[this] { return w.loop.NowMs(); }};
  test::FormWorld w;
  TfrmMain* f = nullptr;

  void Start(const std::vector<std::string>& stored = {}) {
    DeviceStore(w.registry, kSettingsKey).WriteLines(stored);
    AppContext c = w.Context();
    c.network = &net;
    f = &w.Start(std::move(c));
  }
  NetworkControls& N() { return *f; }
  NetworkSearch& Search() { return *f->Modules->search; }
  NetworkPage& Page() { return *f->Modules->network; }
  std::vector<std::string> Log() { return N().memLog_Network.Lines(); }
  std::vector<std::string> SentTo() {
    std::vector<std::string> to;
    for (const auto& s : net.SentLog()) to.push_back(Ipv4ToText(s.toAddress) + ":" + std::to_string(s.toPort));
    return to;
  }
  // A far host that answers every datagram that reaches it with `answers`.
  void Answering(uint32_t address, std::vector<InProcessNetwork::Reply> answers) {
    net.AddHost(address, [answers](const InProcessNetwork::Sent&) { return answers; });
  }
  bool RunToEnd() {
    return w.loop.AdvanceUntil([this] { return !Search().Running(); }, 10000, 100);
  }
};

// The example PC (two adapters, one without an address) is the next test's.
TEST(NetworkSearchDestinations, AtMostEightAndNoneForAnAdapterThatIsDown) {
  std::vector<NetInterface> nine;
  for (uint32_t i = 1; i <= 9; ++i) nine.push_back(Iface("eth", 0x0A000000u | i << 16 | 1, 0xFFFF0000u));
  struct Case {
    const char* name;
    uint32_t target;
    std::vector<NetInterface> interfaces;
    std::vector<uint32_t> expected;
  } cases[] = {
      {"more than seven adapters",
       kBroadcast,
       nine,
       {kBroadcast, 0x0A01FFFFu, 0x0A02FFFFu, 0x0A03FFFFu, 0x0A04FFFFu, 0x0A05FFFFu, 0x0A06FFFFu, 0x0A07FFFFu}},
      {"an adapter that is down", kBroadcast, {Iface("eth0", 0xC0A8010Au, 0xFFFFFF00u, false)}, {kBroadcast}},
      {"no adapters", kBroadcast, {}, {kBroadcast}},
  };
  for (const Case& c : cases) EXPECT_EQ(NetworkSearch::Destinations(c.target, c.interfaces), c.expected) << c.name;
}

// The example PC: one datagram per tick on the first ticks of every pass, each logged;
// the own broadcast comes back and is neither logged nor listed.
TEST_F(NetworkSearchTest, APassSendsToEachDestinationOnItsOwnTickAndIgnoresItsOwnBroadcast) {
  net.SetInterfaces(kTwoAdapters);
  Start();
  N().btUDP_Search.Click();
  ASSERT_TRUE(Search().Running());
  const std::vector<std::string> pass = {"255.255.255.255:45678", "192.168.1.255:45678", "10.255.255.255:45678"};
  for (std::size_t tick = 1; tick <= 3; ++tick) {
    EXPECT_EQ(net.SentLog().size(), tick - 1) << "tick " << tick;
    w.loop.Advance(100);
    EXPECT_EQ(SentTo(), std::vector<std::string>(pass.begin(), pass.begin() + long(tick))) << "tick " << tick;
  }
  w.loop.Advance(700);
  EXPECT_EQ(net.SentLog().size(), 3u);
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(net.SentLog().size(), 12u);
  for (const auto& s : net.SentLog()) EXPECT_EQ(s.data, "I am searching for BRVNTXNET");
  std::vector<std::string> log;
  for (int p = 0; p < 4; ++p) log.insert(log.end(), pass.begin(), pass.end());
  EXPECT_EQ(Log(), log);
  EXPECT_EQ(Page().RowCount(), 0);
}

// A destination that cannot be sent to is logged with the cause in place of its line;
// the pass goes on with the others, and so does the next pass.
TEST_F(NetworkSearchTest, ASendThatFailsIsLoggedWithItsCauseAndThePassGoesOn) {
  net.SetInterfaces(kTwoAdapters);
  net.sendFailures[0xC0A801FFu] = {SocketError::Kind::Other, "Network is unreachable"};
  Start();
  N().btUDP_Search.Click();
  w.loop.Advance(1100);
  const std::vector<std::string> pass = {"255.255.255.255:45678",
                                         "Cannot send to 192.168.1.255:45678: Network is unreachable",
                                         "10.255.255.255:45678", "255.255.255.255:45678"};
  EXPECT_EQ(Log(), pass);
  EXPECT_EQ(SentTo(),
            (std::vector<std::string>{"255.255.255.255:45678", "10.255.255.255:45678", "255.255.255.255:45678"}));
}

TEST_F(NetworkSearchTest, FourPassesOfTenTicksDriveTheBarAndThePagesStayDisabledUntilTheEnd) {
  Start();
  std::vector<int> positions;
  N().pbUDP.Changed.Connect([&] { positions.push_back(N().pbUDP.Position()); });
  N().btUDP_Search.Click();
  EXPECT_EQ(N().btUDP_Search.Caption(), "Stop");
  EXPECT_FALSE(f->pcOptions.Enabled());
  N().btUDP_Search.Click();  // disabled with every page: nothing happens
  w.loop.Advance(3999);
  EXPECT_TRUE(Search().Running());
  EXPECT_EQ(net.OpenSockets(), 1);
  w.loop.Advance(1);
  EXPECT_FALSE(Search().Running());
  EXPECT_EQ(net.OpenSockets(), 0);
  EXPECT_EQ(N().btUDP_Search.Caption(), "Search");
  EXPECT_TRUE(f->pcOptions.Enabled());
  EXPECT_EQ(net.opened, 1);
  std::vector<int> expected;
  for (int pass = 0; pass < 4; ++pass) {
    if (pass > 0) expected.push_back(0);
    for (int tick = 1; tick <= 10; ++tick) expected.push_back(tick * 10);
  }
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  if (!positions.empty() && positions.front() == 0) positions.erase(positions.begin());
  EXPECT_EQ(positions, expected);
}

TEST_F(NetworkSearchTest, FindSendsOneDatagramAPassToTheDeviceAndMarksItFound) {
  Answering(kGarageIp, {{kGarageLine, 0}});
  net.SetInterfaces(kTwoAdapters);
  Start({kGarageLine});
  N().lvNetDevices.UserSelect(0);
  N().btNetwork_Find.Click();
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(SentTo(), std::vector<std::string>(4, "192.168.4.1:45678"));
  EXPECT_EQ(Page().RowMark(0), kMarkFound);
  EXPECT_FALSE(N().btNetwork_Save.Enabled());
  // A second search that the device does not answer takes the mark back.
  net.sendsFail = true;
  N().btUDP_Search.Click();
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Page().RowMark(0), kMarkNone);
}

// One answer is read per tick; the rest wait in the socket for the next ticks.
TEST_F(NetworkSearchTest, AnswersAreLoggedAndDeviceLinesListedOnePerTick) {
  const std::string overlong = kGarageLine + std::string(1024 - kGarageLine.size(), 'x');
  const std::string tail = " 11:22:33:44:55:66 10.0.0.9 2323";
  const std::string longest = "Bench" + std::string(1023 - 5 - tail.size(), 'n') + tail;
  ASSERT_EQ(longest.size(), 1023u);
  Answering(0xC0A80409u, {{"Shed 11:22 192.168.4.9 23", 0},
                          {"not a device", 0},
                          {overlong, 0},
                          {longest, 0},
                          {"Shed 11:22 192.168.4.9 23", 0},
                          {" A0:B1:C2:D3:E4:F6 192.168.4.10 23", 250}});
  Start();
  N().btUDP_Search.Click();
  w.loop.Advance(200);  // tick 1 sends, tick 2 reads the broadcast come back
  EXPECT_EQ(Log(), std::vector<std::string>{"255.255.255.255:45678"});
  w.loop.Advance(100);  // tick 3 reads the first answer
  EXPECT_EQ(Log().back(), "Shed 11:22 192.168.4.9 23");
  w.loop.Advance(400);
  EXPECT_EQ(Log().size(), 5u);  // ticks 4 to 7 read four, of which the overlong one went unlogged
  w.loop.Advance(100);
  const std::vector<std::string> expected = {
      "255.255.255.255:45678",     "Shed 11:22 192.168.4.9 23",         "not a device", longest,
      "Shed 11:22 192.168.4.9 23", " A0:B1:C2:D3:E4:F6 192.168.4.10 23"};
  EXPECT_EQ(Log(), expected);
  ASSERT_EQ(Page().RowCount(), 3);
  EXPECT_EQ(Page().Row(0), (NetDevice{"Shed", "11:22", "192.168.4.9", "23"}));
  EXPECT_EQ(Page().Row(1).IP, "10.0.0.9");
  EXPECT_EQ(Page().Row(2), (NetDevice{"", "A0:B1:C2:D3:E4:F6", "192.168.4.10", "23"}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Page().RowMark(i), kMarkNew) << i;
  EXPECT_TRUE(N().btNetwork_Save.Enabled());
}

// The port in use by another program: the search says so instead of silently not starting.
TEST_F(NetworkSearchTest, ASocketThatCannotBeHadOrBoundStartsNothingAndSaysWhy) {
  struct Case {
    const char* name;
    bool open;
    SocketError error;
    std::string line;
  } cases[] = {
      {"port in use",
       true,
       {SocketError::Kind::AddressInUse, "Address already in use"},
       "Cannot use UDP port 45678: Address already in use"},
      {"no socket",
       false,
       {SocketError::Kind::NoSocket, "Too many open files"},
       "Cannot use UDP port 45678: Too many open files"},
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    net.bindFailure.reset();
    net.openFailure.reset();
    (c.open ? net.bindFailure : net.openFailure) = c.error;
    N().btUDP_Search.Click();
    EXPECT_FALSE(Search().Running());
    EXPECT_EQ(Log(), std::vector<std::string>{c.line});
    EXPECT_TRUE(f->pcOptions.Enabled());
    EXPECT_EQ(N().btUDP_Search.Caption(), "Search");
    EXPECT_EQ(net.OpenSockets(), 0);
    w.loop.Advance(1000);
    EXPECT_TRUE(net.SentLog().empty());
  }
}

// A target that does not resolve sends nothing; each pass then lasts one tick.
TEST_F(NetworkSearchTest, ATargetThatDoesNotResolveSendsNothingAndTheSearchEnds) {
  Start({"Shed 11:22 no-such-host 23"});
  N().lvNetDevices.UserSelect(0);
  N().btNetwork_Find.Click();
  ASSERT_TRUE(Search().Running());
  w.loop.Advance(400);
  EXPECT_FALSE(Search().Running());
  EXPECT_TRUE(net.SentLog().empty());
  EXPECT_TRUE(Log().empty());
}

// A name that resolves only later, an interface that comes up in the middle: each pass
// sees them as they are when it begins.
TEST_F(NetworkSearchTest, TheTargetAndTheInterfacesAreReadAgainEveryPass) {
  Start({"Garage unit A0:B1:C2:D3:E4:F5 garage.lan 23"});
  N().lvNetDevices.UserSelect(0);
  N().btNetwork_Find.Click();  // the first pass: the name does not resolve yet
  net.AddName("garage.lan", kGarageIp);
  w.loop.Advance(100);
  EXPECT_TRUE(net.SentLog().empty());
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(SentTo(), std::vector<std::string>(3, "192.168.4.1:45678"));

  Start();
  N().btUDP_Search.Click();
  w.loop.Advance(1000);  // the second pass has begun
  net.SetInterfaces(kTwoAdapters);
  w.loop.Advance(2000);
  const std::vector<std::string> sent = SentTo();
  EXPECT_EQ(std::vector<std::string>(sent.begin() + 3, sent.end()),
            (std::vector<std::string>{"255.255.255.255:45678", "255.255.255.255:45678", "255.255.255.255:45678",
                                      "192.168.1.255:45678", "10.255.255.255:45678"}));
}

// Closing the window in the middle of a search closes its socket; nothing is read after.
TEST_F(NetworkSearchTest, ClosingTheWindowEndsARunningSearch) {
  Answering(kGarageIp, {{kGarageLine, 500}});
  Start();
  N().btUDP_Search.Click();
  w.loop.Advance(300);
  ASSERT_TRUE(Search().Running());
  EXPECT_TRUE(w.Close());
  EXPECT_EQ(net.OpenSockets(), 0);
  w.loop.Advance(2000);
}

// The fake the tests above run on keeps the rules of the system's network.
struct FakeMaker {
  std::unique_ptr<DatagramNetwork> Make() { return std::make_unique<FakeDatagramNetwork>(); }
};
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, DatagramContract, ::testing::Types<FakeMaker>);

}  // namespace
}  // namespace bx
