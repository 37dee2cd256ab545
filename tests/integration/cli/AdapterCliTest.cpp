// The CLI as a user runs it: against the in-process demo adapter, and over the network
// link against the simulator program on a loopback TCP port.
#include <gtest/gtest.h>

#include "support/Process.h"

namespace bx {
namespace {

using test::BinaryPath;
using test::RunProgram;

const std::string kCli = BinaryPath("src/cli/brevantix-cli");

TEST(AdapterCli, DemoSearchPrintsTheIdentityAndTheStatusStrip) {
  test::TempHome home;
  auto r = RunProgram({kCli, "--demo", "search"}, home.Env());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("SN:BX240017"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Serial Number: BX240017"), std::string::npos);
  EXPECT_NE(r.out.find("Port: /dev/pts/"), std::string::npos);
  EXPECT_NE(r.out.find("(Simulated Brevantix Adapter)"), std::string::npos);
  // The search remembered the port: the registry shows it in both hives.
  auto reg = RunProgram({kCli, "registry"}, home.Env());
  ASSERT_EQ(reg.exitCode, 0);
  EXPECT_NE(reg.out.find("\"Port\"=\"/dev/pts/"), std::string::npos);
  EXPECT_NE(reg.out.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\dulMAR Company ::.\\Ports]"), std::string::npos);
}

TEST(AdapterCli, SelectModeSwitchesTheRunningMode) {
  test::TempHome home;
  auto r = RunProgram({kCli, "--demo", "select-mode", "02"}, home.Env());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("02\t02\tOBD Command Emulation\tSelected"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("01\t01\tJ2534 Pass-Thru\tNormal"), std::string::npos) << r.out;
  auto bad = RunProgram({kCli, "--demo", "select-mode", "7Z"}, home.Env());
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("no mode 7Z"), std::string::npos);
  EXPECT_EQ(RunProgram({kCli, "--demo", "select-mode"}, home.Env()).exitCode, 2);
}

TEST(AdapterCli, SilentPortGivesExitCodeOneAndTheMessage) {
  test::TempHome home;
  auto r = RunProgram({kCli, "--port", "/dev/null-no-such-port", "search"}, home.Env());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Can't open Communication Port /dev/null-no-such-port"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("(no such port)"), std::string::npos) << r.err;  // the link's reason
  // No port chosen, whichever ports the machine lists: never the first one by chance.
  for (int i = 0; i < 3; ++i) {
    const test::RunResult unchosen = RunProgram({kCli, "search"}, home.Env());
    EXPECT_EQ(unchosen.exitCode, 2) << unchosen.err;
    EXPECT_NE(unchosen.err.find("no port chosen"), std::string::npos) << unchosen.err;
  }
  EXPECT_EQ(RunProgram({kCli, "--bogus"}, home.Env()).exitCode, 2);
}

TEST(AdapterCli, SearchOverTheNetworkLinkAgainstTheSimulatorProgram) {
  test::TempHome home;
  test::Background sim({BinaryPath("src/sim/program/brevantix-sim"), "--tcp", "127.0.0.1:0"}, home.Env());
  ASSERT_TRUE(sim.Running());
  std::string line, tcp;
  for (int i = 0; i < 4 && tcp.empty(); ++i) {
    line = sim.ReadLine();
    if (line.rfind("tcp ", 0) == 0) tcp = line.substr(4);
  }
  ASSERT_FALSE(tcp.empty()) << "the simulator did not report its TCP port";
  auto r = RunProgram({kCli, "--port", "NET:" + tcp, "search"}, home.Env());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("SN:BX240017"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Port: NET:" + tcp), std::string::npos) << r.out;
}

}  // namespace
}  // namespace bx
