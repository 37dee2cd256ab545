// The network search on a real network: brevantix-cli in one network namespace of the
// test's own, brevantix-sim (UDP responder and TCP listener) in another, joined by a veth
// pair. Nothing is sent anywhere else; the broadcasts stay inside the pair.
#include <gtest/gtest.h>

#include "core/Bytes.h"
#include "support/NetNamespaces.h"
#include "support/Process.h"

namespace bx {
namespace {

using test::NetNamespaces;

const std::string kCli = test::BinaryPath("src/cli/brevantix-cli");
const std::string kSim = test::BinaryPath("src/sim/program/brevantix-sim");
const std::string kFarTcp = std::string(NetNamespaces::kFarIp) + ":2323";
const std::string kFarLine = std::string("Brevantix Sim 02:42:58:00:00:17 ") + NetNamespaces::kFarIp + " 2323";

struct NetnsSearch : ::testing::Test {
  NetNamespaces ns;
  test::TempHome home;

  void SetUp() override {
    if (!ns.Made()) GTEST_SKIP() << "no network namespaces: " << ns.Why();
  }
  // The simulator in the far namespace; waits until it serves.
  std::unique_ptr<test::Background> Far(std::vector<std::string> extra = {}) {
    std::vector<std::string> argv{kSim, "--tcp", kFarTcp, "--udp", "45678"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    auto sim = std::make_unique<test::Background>(ns.In(ns.Far(), argv));
    EXPECT_EQ(sim->ReadLine(), "tcp " + kFarTcp);
    EXPECT_EQ(sim->ReadLine(), "udp 45678");
    return sim;
  }
  // What the far simulator says about the requests it saw, once stopped.
  static std::string Requests(test::Background& sim) {
    const std::string rest = sim.Stop();
    const std::size_t at = rest.find("udp: ");
    return at == std::string::npos ? rest : rest.substr(at, rest.find('\n', at) - at);
  }
  test::RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    return test::RunProgram(ns.In(ns.Near(), argv), home.Env(), 30000);
  }
};

// Two destinations a pass (the limited broadcast and the veth's directed broadcast), the
// own broadcast back on the search's socket neither logged nor listed.
TEST_F(NetnsSearch, SearchFindsTheFarAdapterByBroadcast) {
  auto sim = Far();
  const test::RunResult r = Cli({"discover"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::string pass = "255.255.255.255:45678\n10.77.0.255:45678\n";
  EXPECT_TRUE(StartsWith(r.out, pass + kFarLine + "\n")) << r.out;
  EXPECT_TRUE(EndsWith(r.out, "\n" + kFarLine + "\tNew\n")) << r.out;
  EXPECT_EQ(r.out.find("I am searching for"), std::string::npos) << r.out;
  EXPECT_EQ(Requests(*sim), "udp: 8 requests (8 broadcast), 8 answers");
  EXPECT_EQ(Cli({"net", "list"}).out, "") << "not saved without --save";
}

TEST_F(NetnsSearch, FindSendsFourAndTheSavedDeviceIsAPortThatAnswersOverTcp) {
  auto sim = Far();
  const test::RunResult r = Cli({"discover", NetNamespaces::kFarIp, "--save"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  std::string expected;
  for (int pass = 0; pass < 4; ++pass) expected += std::string(NetNamespaces::kFarIp) + ":45678\n" + kFarLine + "\n";
  EXPECT_EQ(r.out, expected + kFarLine + "\tNew\n");
  EXPECT_EQ(Requests(*sim), "udp: 4 requests (0 broadcast), 4 answers");

  EXPECT_EQ(Cli({"net", "list"}).out, "Stored\t10.77.0.2\t2323\tBrevantix Sim\t02:42:58:00:00:17\n");
  const test::RunResult ports = Cli({"ports"});
  EXPECT_NE(ports.out.find("NET:" + kFarTcp + "\tBrevantix Sim\t02:42:58:00:00:17\n"), std::string::npos) << ports.out;
  sim = Far();
  const test::RunResult search = Cli({"--port", "NET:" + kFarTcp, "search"});
  EXPECT_EQ(search.exitCode, 0) << search.out << search.err;
  EXPECT_NE(search.out.find("Serial Number: BX240017"), std::string::npos) << search.out;
}

// Several adapters behind one responder: late, repeated, broadcast-only and direct-only
// answers, a text that is no device line and one too long to read.
TEST_F(NetnsSearch, ScriptedAnswersAreReadAsTheyCome) {
  auto sim = Far({"--set", "udp_answer=@device", "--set", "udp_answer=to=broadcast delay=300 Shed 11:22 10.77.0.9 23",
                  "--set", "udp_answer=to=direct Direct 00:01 10.77.0.11 23", "--set", "udp_answer=hello", "--set",
                  "udp_answer=size=1500 Big 00:00 10.77.0.10 23"});
  const test::RunResult all = Cli({"discover"});
  EXPECT_EQ(all.exitCode, 0) << all.err;
  EXPECT_NE(all.out.find("\nhello\n"), std::string::npos) << all.out;
  EXPECT_EQ(all.out.find("Big"), std::string::npos) << all.out;
  EXPECT_TRUE(EndsWith(all.out, kFarLine + "\tNew\nShed 11:22 10.77.0.9 23\tNew\n")) << all.out;
  const test::RunResult one = Cli({"discover", NetNamespaces::kFarIp});
  EXPECT_TRUE(EndsWith(one.out, kFarLine + "\tNew\nDirect 00:01 10.77.0.11 23\tNew\n")) << one.out;
}

// Another program on the search port: the search says so, starts nothing, sends nothing.
TEST_F(NetnsSearch, APortInUseIsNamedAndNothingIsSent) {
  auto sim = Far();
  test::Background holder(ns.In(ns.Near(), {kSim, "--udp", "45678"}));
  ASSERT_EQ(holder.ReadLine(), "udp 45678");
  const test::RunResult r = Cli({"discover"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "Cannot use UDP port 45678: Address already in use\n");
  EXPECT_EQ(Requests(*sim), "udp: 0 requests (0 broadcast), 0 answers");
}

}  // namespace
}  // namespace bx
