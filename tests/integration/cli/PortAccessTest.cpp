// A serial port the CLI cannot open says why, as a user on a stock Debian meets it: a
// port another program holds, and a device node the user may not open (not yet in the
// "dialout" group). Both against a real pseudo-terminal served by the simulator.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/SerialDevice.h"
#include "support/Process.h"

namespace bx {
namespace {

using test::BinaryPath;
using test::RunProgram;

const std::string kCli = BinaryPath("src/cli/brevantix-cli");
const std::string kSetpriv = "/usr/bin/setpriv";

struct PortAccess : ::testing::Test {
  test::TempHome home;
  std::unique_ptr<test::Background> sim;
  std::string port;

  void SetUp() override {
    sim = std::make_unique<test::Background>(
        std::vector<std::string>{BinaryPath("src/sim/program/brevantix-sim"), "--pty"}, home.Env());
    port = sim->ReadLine();
    ASSERT_EQ(port.rfind("/dev/", 0), 0u) << "the simulator gave no pseudo-terminal: " << port;
  }
};

TEST_F(PortAccess, APortHeldByAnotherProgramIsNamedAsInUse) {
  SerialOpenResult held = SerialDevice::Open(port);
  ASSERT_TRUE(held.device) << "the test could not open " << port << " itself";
  auto r = RunProgram({kCli, "--port", port, "search"}, home.Env());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Can't open Communication Port " + port), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("in use by another program)"), std::string::npos) << r.err;
}

// The user the CLI runs as may not open the node: the message adds the dialout remedy.
// It takes root to hand the program to another user; elsewhere the case is skipped.
TEST_F(PortAccess, ADeviceTheUserMayNotOpenNamesTheDialoutRemedy) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the CLI as another user (nobody)";
  if (!std::filesystem::exists(kSetpriv)) GTEST_SKIP() << kSetpriv << " (util-linux) is missing";
  ASSERT_EQ(::chmod(port.c_str(), 0600), 0);
  ASSERT_EQ(::chown(port.c_str(), 0, 0), 0);
  // The settings store of that user lives in the test's folder, given to it: a folder
  // others may write to would be refused as a settings folder.
  ASSERT_EQ(::chown(home.Path().c_str(), 65534, 65534), 0);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home.Path()))
    ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0);
  auto r = RunProgram(
      {kSetpriv, "--reuid=65534", "--regid=65534", "--clear-groups", "--", kCli, "--port", port, "search"}, home.Env());
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  EXPECT_NE(r.err.find("Can't open Communication Port " + port), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("(permission denied: add your user to the dialout group and log in again)"), std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace bx
