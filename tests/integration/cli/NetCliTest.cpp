// brevantix-cli net against a store of its own: each change is saved as the Network page
// saves it, and the enabled devices are offered by the network link as NET: ports.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/Bytes.h"
#include "support/Process.h"

namespace bx {
namespace {

using test::BinaryPath;
using test::RunProgram;

const std::string kCli = BinaryPath("src/cli/brevantix-cli");

struct NetCli : ::testing::Test {
  test::TempHome home;
  // The demo's TCP listener on a port of this test's own in every run: the fixed port it
  // tries first may be held by a demo of a test running beside this one.
  std::vector<std::string> Env() const {
    std::vector<std::string> env = home.Env();
    env.push_back("BX_DEMO_TCP_PORT=" + std::to_string(demoPort));
    return env;
  }
  const int demoPort = test::FreeLoopbackPort();
  test::RunResult Net(std::vector<std::string> args, std::vector<std::string> global = {}) {
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), global.begin(), global.end());
    argv.push_back("net");
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, Env());
  }
  std::string List() { return Net({"list"}).out; }
};

TEST_F(NetCli, AddUpdateDisableEnableAndDeleteAreSavedAndListed) {
  EXPECT_EQ(List(), "");
  auto r = Net({"add", "127.0.0.1", "2323", "Garage", "unit"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Stored\t127.0.0.1\t2323\tGarage unit\t\n");
  ASSERT_EQ(Net({"add", "127.0.0.2", "23"}).exitCode, 0);
  EXPECT_EQ(List(), "Stored\t127.0.0.1\t2323\tGarage unit\t\nStored\t127.0.0.2\t23\t\t\n");

  EXPECT_EQ(Net({"add", "127.0.0.1", "2323", "Garage unit"}).exitCode, 1);  // listed already
  ASSERT_EQ(Net({"update", "127.0.0.2", "--port", "2424", "--name", "Shed"}).exitCode, 0);
  ASSERT_EQ(Net({"disable", "127.0.0.1"}).exitCode, 0);
  EXPECT_EQ(List(), "Disabled\t127.0.0.1\t2323\tGarage unit\t\nStored\t127.0.0.2\t2424\tShed\t\n");

  auto reg = RunProgram({kCli, "registry"}, Env());
  EXPECT_NE(reg.out.find("\"Net0\"=\"~Garage unit  127.0.0.1 2323\""), std::string::npos) << reg.out;

  // Only enabled devices are ports.
  auto ports = RunProgram({kCli, "ports"}, Env());
  EXPECT_NE(ports.out.find("NET:127.0.0.2:2424\tShed\t"), std::string::npos) << ports.out;
  EXPECT_EQ(ports.out.find("NET:127.0.0.1:2323"), std::string::npos) << ports.out;
  ASSERT_EQ(Net({"enable", "127.0.0.1"}).exitCode, 0);
  ports = RunProgram({kCli, "ports"}, Env());
  EXPECT_NE(ports.out.find("NET:127.0.0.1:2323\tGarage unit\t"), std::string::npos) << ports.out;

  EXPECT_EQ(Net({"delete", "127.0.0.2"}).exitCode, 1);  // not confirmed
  ASSERT_EQ(Net({"delete", "127.0.0.2"}, {"--yes"}).exitCode, 0);
  EXPECT_EQ(List(), "Stored\t127.0.0.1\t2323\tGarage unit\t\n");
}

TEST_F(NetCli, BadArgumentsAndUnknownDevicesAreRefused) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
  } cases[] = {{{}, 2},
               {{"bogus"}, 2},
               {{"add", "127.0.0.1"}, 2},
               {{"add", "127.0.0.1 x", "23"}, 2},
               {{"add", "127.0.0.1", ""}, 2},
               {{"add", "127.0.0.1", "23", "~Shed"}, 2},
               {{"add", "300.1.2", "23"}, 2},
               {{"add", "127.0.0.1", "99999"}, 2},
               {{"update", "127.0.0.1", "--port", "0"}, 2},
               {{"update", "127.0.0.9", "--name", "~Shed"}, 2},
               {{"update", "127.0.0.9"}, 2},
               {{"update", "127.0.0.9", "--port", "1"}, 1},
               {{"delete", "127.0.0.9"}, 1},
               {{"disable"}, 2},
               {{"list", "extra"}, 2}};
  for (const Case& c : cases) {
    std::string name;
    for (const auto& a : c.args) name += "[" + a + "]";
    EXPECT_EQ(Net(c.args).exitCode, c.exitCode) << name;
  }
  EXPECT_EQ(List(), "");
}

TEST_F(NetCli, DevicesSharingAnIpAreNamedWithTheirPort) {
  ASSERT_EQ(Net({"add", "127.0.0.1", "23", "A"}).exitCode, 0);
  ASSERT_EQ(Net({"add", "127.0.0.1", "24", "B"}).exitCode, 0);
  auto r = Net({"disable", "127.0.0.1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("give IP:PORT"), std::string::npos) << r.err;
  ASSERT_EQ(Net({"disable", "127.0.0.1:24"}).exitCode, 0);
  EXPECT_EQ(List(), "Stored\t127.0.0.1\t23\tA\t\nDisabled\t127.0.0.1\t24\tB\t\n");
}

// The demo's search runs on an in-process network: nothing leaves the process. (A
// discover without --demo would broadcast on the machine's network: the namespace tests
// do that one.)
TEST_F(NetCli, DiscoverFindsTheDemoAdapterAndSavesItWhenAsked) {
  auto r = RunProgram({kCli, "--demo", "discover"}, Env());
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::string head = "Brevantix Sim 02:42:58:00:00:17 127.0.0.1 ";
  const std::size_t at = r.out.rfind(head);
  ASSERT_NE(at, std::string::npos) << r.out;
  const std::string port = r.out.substr(at + head.size(), r.out.find('\t', at) - at - head.size());
  const std::string line = head + port;
  // Four passes, each sending once; the answers come in real time, so a loaded machine may
  // read one of them a pass later or not before the search ends, but never another line.
  std::vector<std::string> lines;
  for (std::size_t p = 0, e; (e = r.out.find('\n', p)) != std::string::npos; p = e + 1)
    lines.push_back(r.out.substr(p, e - p));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), line + "\tNew");
  lines.pop_back();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "255.255.255.255:45678"), 4) << r.out;
  EXPECT_GE(std::count(lines.begin(), lines.end(), line), 1) << r.out;
  EXPECT_EQ(
      std::count(lines.begin(), lines.end(), "255.255.255.255:45678") + std::count(lines.begin(), lines.end(), line),
      static_cast<std::ptrdiff_t>(lines.size()))
      << r.out;
  EXPECT_EQ(List(), "") << "not saved without --save";

  r = RunProgram({kCli, "--demo", "discover", "--save"}, Env());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(List(), "Stored\t127.0.0.1\t" + port + "\tBrevantix Sim\t02:42:58:00:00:17\n");
  auto ports = RunProgram({kCli, "ports"}, Env());
  EXPECT_NE(ports.out.find("NET:127.0.0.1:" + port + "\tBrevantix Sim\t"), std::string::npos) << ports.out;

  // Find for the saved device: its address alone, and the listed device is marked found.
  // As above, an answer read a pass late is no fault: the log holds the four sends to the
  // address and the answers, nothing else.
  r = RunProgram({kCli, "--demo", "discover", "127.0.0.1"}, Env());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(StartsWith(r.out, "127.0.0.1:45678\n")) << r.out;
  EXPECT_TRUE(EndsWith(r.out, "\n" + line + "\tFound\n")) << r.out;
  lines.clear();
  for (std::size_t p = 0, e; (e = r.out.find('\n', p)) != std::string::npos; p = e + 1)
    lines.push_back(r.out.substr(p, e - p));
  ASSERT_FALSE(lines.empty());
  lines.pop_back();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "127.0.0.1:45678"), 4) << r.out;
  EXPECT_GE(std::count(lines.begin(), lines.end(), line), 1) << r.out;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "127.0.0.1:45678") + std::count(lines.begin(), lines.end(), line),
            static_cast<std::ptrdiff_t>(lines.size()))
      << r.out;
}

// Two loops of `net add` at once, each run a whole program that loads the list, adds one
// device and saves: every save merges with what the other loop stored since its load.
TEST_F(NetCli, TwoProcessesAddingAtOnceKeepEveryDevice) {
  constexpr int kEach = 20;
  const std::string script =
      "adds() { i=1; while [ $i -le " + std::to_string(kEach) +
      " ]; do \"$0\" net add 10.$1.0.$i 23 \"Loop $1\" >/dev/null || return 1; i=$((i+1)); done; }\n"
      "adds 1 & first=$!\nadds 2; second=$?\nwait $first; exit $(( $? + second ))\n";
  const auto r = RunProgram({"/bin/sh", "-c", script, kCli}, Env(), 120000);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string list = List();
  for (int loop = 1; loop <= 2; ++loop)
    for (int i = 1; i <= kEach; ++i)
      EXPECT_NE(list.find(Format("Stored\t10.%d.0.%d\t23\tLoop %d\t\n", loop, i, loop)), std::string::npos)
          << "10." << loop << ".0." << i << " is missing:\n"
          << list;
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2 * kEach) << list;
}

TEST_F(NetCli, DiscoverWithNoAnswerOrBadArgumentsFails) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;
  } cases[] = {{{"--demo", "discover", "no-such-host.invalid"}, 1, ""},
               {{"--demo", "discover", "a", "b"}, 2, ""},
               {{"--demo", "discover", "--bogus"}, 2, ""}};
  for (const Case& c : cases) {
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    auto r = RunProgram(argv, Env());
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.back();
  }
}

}  // namespace
}  // namespace bx
