// The network search on a LAN laid out as homes and workshops have it: the PC's default
// route goes through a router, one adapter sits on the PC's subnet, one behind the
// router, one on a second port of the PC. brevantix-cli runs on the PC (or the router),
// brevantix-sim on the adapters; each simulator tells where the requests it got were
// addressed. Nothing leaves the test's own namespaces.
#include <gtest/gtest.h>

#include <memory>

#include "core/Bytes.h"
#include "support/NetNamespaces.h"
#include "support/Process.h"

namespace bx {
namespace {

using test::LanNamespaces;
using Host = LanNamespaces::Host;

const std::string kCli = test::BinaryPath("src/cli/brevantix-cli");
const std::string kSim = test::BinaryPath("src/sim/program/brevantix-sim");

std::string DeviceLine(const std::string& ip) { return "Brevantix Sim 02:42:58:00:00:17 " + ip + " 2323"; }

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

struct LanSearch : ::testing::Test {
  LanNamespaces lan;
  test::TempHome home;

  void SetUp() override {
    if (!lan.Made()) GTEST_SKIP() << "no network namespaces: " << lan.Why();
  }
  // An adapter's simulator, serving at `ip`; waits until it serves.
  std::unique_ptr<test::Background> Adapter(Host h, const std::string& ip) {
    auto sim = std::make_unique<test::Background>(lan.In(h, {kSim, "--tcp", ip + ":2323", "--udp", "45678"}));
    EXPECT_EQ(sim->ReadLine(), "tcp " + ip + ":2323");
    EXPECT_EQ(sim->ReadLine(), "udp 45678");
    return sim;
  }
  // What a simulator says about the requests it got, once stopped: the count line, then
  // one line per destination address.
  static std::string Requests(test::Background& sim) {
    const std::string rest = sim.Stop();
    const std::size_t from = rest.find("udp: "), to = rest.find("image: ");
    return from == std::string::npos ? rest : rest.substr(from, to == std::string::npos ? to : to - from);
  }
  test::RunResult Cli(Host h, const std::vector<std::string>& args) {
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    return test::RunProgram(lan.In(h, argv), home.Env(), 30000);
  }
};

// The limited broadcast leaves on both of the PC's ports although the routing table
// would pick the router's; the router passes on no broadcast. Each adapter answers
// every request and is listed once.
TEST_F(LanSearch, SearchReachesEveryPortOfThePcWithBothBroadcastsAndStopsAtTheRouter) {
  auto near = Adapter(Host::Near, LanNamespaces::kNearIp);
  auto far = Adapter(Host::Far, LanNamespaces::kFarIp);
  auto bench = Adapter(Host::Bench, LanNamespaces::kBenchIp);
  const test::RunResult r = Cli(Host::Pc, {"discover"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  for (const char* destination : {"255.255.255.255:45678\n", "10.79.0.255:45678\n", "10.79.2.255:45678\n"})
    EXPECT_EQ(Count(r.out, destination), 4) << destination << "\n" << r.out;
  EXPECT_EQ(Count(r.out, "Cannot send"), 0) << r.out;
  for (const char* ip : {LanNamespaces::kNearIp, LanNamespaces::kBenchIp}) {
    EXPECT_EQ(Count(r.out, DeviceLine(ip) + "\n"), 8) << ip << ": every answer logged\n" << r.out;
    EXPECT_EQ(Count(r.out, DeviceLine(ip) + "\tNew\n"), 1) << ip << ": listed once\n" << r.out;
  }
  EXPECT_EQ(Count(r.out, "\tNew\n"), 2) << r.out;
  EXPECT_EQ(Requests(*near),
            "udp: 8 requests (8 broadcast), 8 answers\n"
            "udp to 255.255.255.255: 4 requests\n"
            "udp to 10.79.0.255: 4 requests\n");
  EXPECT_EQ(Requests(*bench),
            "udp: 8 requests (8 broadcast), 8 answers\n"
            "udp to 255.255.255.255: 4 requests\n"
            "udp to 10.79.2.255: 4 requests\n");
  EXPECT_EQ(Requests(*far), "udp: 0 requests (0 broadcast), 0 answers\n");
}

// Find goes through the gateway like any datagram the routing table can send.
TEST_F(LanSearch, FindOfTheAdapterBehindTheRouterSendsFourAndIsAnswered) {
  auto far = Adapter(Host::Far, LanNamespaces::kFarIp);
  const test::RunResult r = Cli(Host::Pc, {"discover", LanNamespaces::kFarIp});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::string line = DeviceLine(LanNamespaces::kFarIp);
  std::string expected;
  for (int pass = 0; pass < 4; ++pass) expected += std::string(LanNamespaces::kFarIp) + ":45678\n" + line + "\n";
  EXPECT_EQ(r.out, expected + line + "\tNew\n");
  EXPECT_EQ(Requests(*far),
            "udp: 4 requests (0 broadcast), 4 answers\n"
            "udp to 10.79.1.2: 4 requests\n");
}

// The router has no route to the bench behind the PC: every send fails, each with its
// cause, and the search runs its passes to the end.
TEST_F(LanSearch, AFindWithNoRouteLogsTheCauseOfEverySend) {
  const test::RunResult r = Cli(Host::Router, {"discover", LanNamespaces::kBenchIp});
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  std::string expected;
  for (int pass = 0; pass < 4; ++pass) expected += "Cannot send to 10.79.2.2:45678: Network is unreachable\n";
  EXPECT_EQ(r.out, expected);
}

}  // namespace
}  // namespace bx
