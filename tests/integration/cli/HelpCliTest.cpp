// The command line as people mistype it, a search that finds nothing, and the window
// program's --help and --version, which answer without opening a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "sim/SimPty.h"
#include "support/Process.h"
#include "support/TempFile.h"

namespace bx::test {
namespace {

const std::string kCli = BinaryPath("src/cli/brevantix-cli");
const std::string kWindow = BinaryPath("src/view/qt/brevantix-configurator");

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(HelpCli, AMistypedCommandLineGetsItsErrorAndWhereTheHelpIs) {
  TempHome home;
  struct Case {
    std::vector<std::string> args;
    const char* said;
  };
  const Case cases[] = {
      {{"serach"}, "unknown command serach"},
      {{"--bogus", "search"}, "unknown option --bogus"},
      {{}, "no command given"},
      {{"--demo"}, "no command given"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {kCli};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const RunResult r = RunProgram(argv, home.Env());
    EXPECT_EQ(r.exitCode, 2) << c.said;
    EXPECT_EQ(r.out, "") << c.said;
    EXPECT_EQ(r.err, std::string("brevantix-cli: ") + c.said + " (see brevantix-cli --help)\n");
    EXPECT_EQ(Lines(r.err), 1) << r.err;
  }
  // Asked for, the help is all there, on standard output.
  const RunResult help = RunProgram({kCli, "--help"}, home.Env());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_GT(Lines(help.out), 10);
}

// A search no adapter answers prints no identity fields: empty ones would read as an
// adapter without a serial number.
TEST(HelpCli, AFailedSearchPrintsNoEmptyIdentity) {
  TempHome home;
  sim::Scenario s;
  s.silent = {{"*", -1}};
  sim::PtyAdapter pty(s);
  ASSERT_TRUE(pty.Start());
  const RunResult r = RunProgram({kCli, "--port", pty.SlavePath(), "search"}, home.Env());
  pty.Stop();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out.find("Serial Number:"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Firmware:"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("is not found"), std::string::npos) << r.err;
}

TEST(HelpCli, TheWindowProgramAnswersHelpAndVersionWithoutAWindow) {
  if (!std::filesystem::exists(kWindow)) GTEST_SKIP() << "this tree is built without the window (no Qt)";
  TempHome home;
  // No display at all: a window that opened would fail or hang, not print.
  std::vector<std::string> env = home.Env();
  env.push_back("QT_QPA_PLATFORM=no-such-platform");
  const RunResult help = RunProgram({kWindow, "--help"}, env, 10000);
  EXPECT_EQ(help.exitCode, 0) << help.err;
  EXPECT_EQ(help.out.rfind("Usage: brevantix-configurator", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("--demo"), std::string::npos);
  const RunResult version = RunProgram({kWindow, "--version"}, env, 10000);
  EXPECT_EQ(version.exitCode, 0) << version.err;
  EXPECT_EQ(version.out.rfind("brevantix-configurator ", 0), 0u) << version.out;
  EXPECT_EQ(Lines(version.out), 1);
}

}  // namespace
}  // namespace bx::test
