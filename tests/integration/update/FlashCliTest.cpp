// brevantix-cli flash and reset as a script runs them: exit code 0 only after an upload
// the bootloader confirmed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "platform/PtyMaster.h"

#include "sim/SimPty.h"
#include "support/Process.h"
#include "support/TempFile.h"

namespace bx::test {
namespace {

const std::string kCli = BinaryPath("src/cli/brevantix-cli");
const std::string kDemo = std::string(BX_SOURCE_DIR) + "/resources/demo/demo.rfw";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

extern "C" char** environ;

// Runs the CLI with its standard output and error on a pseudo-terminal, as a person does;
// what the terminal received (raw: no line end rewritten), bounded in time.
RunResult RunOnTerminal(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  RunResult r;
  auto pty = PtyMaster::Open();
  if (!pty) return r;
  std::vector<std::string> envText;
  for (char** e = environ; *e; ++e) envText.emplace_back(*e);
  envText.insert(envText.end(), env.begin(), env.end());
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  for (const auto& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
  args.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, pty->SlavePath().c_str(), O_RDWR | O_NOCTTY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return r;
  const int fd = static_cast<int>(pty->Handle());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int status = 0;
  bool ended = false;
  for (int idle = 0; idle < 3 && std::chrono::steady_clock::now() < deadline;) {
    pollfd p{fd, POLLIN, 0};
    char buf[4096];
    if (::poll(&p, 1, 100) > 0 && (p.revents & POLLIN)) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) r.out.append(buf, static_cast<std::size_t>(n));
      continue;
    }
    if (!ended) ended = ::waitpid(pid, &status, WNOHANG) == pid;
    if (ended) ++idle;  // what it wrote last has been read
  }
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return r;
  }
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(FlashCli, DemoAdapterIsFlashedWithTheDemoImageWithAndWithoutWait) {
  TempHome home;
  for (const bool wait : {true, false}) {
    std::vector<std::string> argv = {kCli, "--demo", "flash", kDemo};
    if (!wait) argv.push_back("--no-wait");
    const RunResult r = RunProgram(argv, home.Env());
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, wait ? "Waiting Connection...\nConnecting...\n" : "Wait for page request...\n"));
    EXPECT_TRUE(Has(r.out, "Writing Page #192 : Ok\nUpdating firmware\nUpdating firmware : Ok\n")) << r.out;
    EXPECT_FALSE(Has(r.out, "\r"));  // no progress bar into a pipe
  }
}

// On a terminal a single upload is one progress line, redrawn in place, and its result;
// --verbose prints every page line as into a pipe.
TEST(FlashCli, OnATerminalOneProgressLineAndTheResultAndEveryLineWithVerbose) {
  TempHome home;
  TempFolder folder;
  const std::string image = folder.Write("t.rfw", Pattern(80 + 256 * 16));
  sim::Scenario slow;
  slow.promptDelayMs = 100;
  slow.byteRate = 8000;  // half a second a page: the line is drawn more than once
  for (const bool verbose : {false, true}) {
    sim::PtyAdapter pty(slow);
    ASSERT_TRUE(pty.Start());
    std::vector<std::string> argv = {kCli, "--port", pty.SlavePath(), "flash", image};
    if (verbose) argv.push_back("--verbose");
    const RunResult r = RunOnTerminal(argv, home.Env());
    pty.Stop();
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "\r[")) << r.out;  // the progress bar
    EXPECT_EQ(Has(r.out, "Writing Page #5 : Ok\n"), verbose) << r.out;
    EXPECT_TRUE(Has(r.out, "Updating firmware : Ok\n")) << r.out;
    if (!verbose) {
      EXPECT_LT(std::count(r.out.begin(), r.out.end(), '\n'), 5) << r.out;
    }
  }
}

TEST(FlashCli, EveryOtherEndingGivesOneAndUsageErrorsTwo) {
  TempHome home;
  TempFolder folder;
  // An image of the header alone: the bootloader's reply ends it without pages.
  const RunResult header = RunProgram({kCli, "--demo", "flash", folder.Write("h.rfw", Pattern(80))}, home.Env());
  EXPECT_EQ(header.exitCode, 0) << header.out << header.err;
  EXPECT_TRUE(Has(header.out, "System Updating : Ok\n"));

  const RunResult missing = RunProgram({kCli, "--demo", "flash", folder.Path() + "/none.rfw"}, home.Env());
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(Has(missing.err, "Firware file \"" + folder.Path() + "/none.rfw\" is not found.")) << missing.err;

  const RunResult shortFile = RunProgram({kCli, "--demo", "flash", folder.Write("s.rfw", Pattern(79))}, home.Env());
  EXPECT_EQ(shortFile.exitCode, 1);
  EXPECT_TRUE(Has(shortFile.err, "is short.")) << shortFile.err;

  // Not in its bootloader, no prompt: nothing moves, and the timeout presses Stop.
  const RunResult silent =
      RunProgram({kCli, "--demo", "flash", kDemo, "--no-search", "--timeout", "1"}, home.Env(), 15000);
  EXPECT_EQ(silent.exitCode, 1);
  EXPECT_TRUE(Has(silent.err, "no progress for 1 s")) << silent.err;
  EXPECT_TRUE(Has(silent.out, "Waiting Connection...\nFirmware Update canceled...\n")) << silent.out;

  EXPECT_EQ(RunProgram({kCli, "--demo", "flash"}, home.Env()).exitCode, 2);
  EXPECT_EQ(RunProgram({kCli, "--demo", "flash", kDemo, "--timeout", "soon"}, home.Env()).exitCode, 2);
  EXPECT_EQ(RunProgram({kCli, "--demo", "flash", kDemo, "--bogus"}, home.Env()).exitCode, 2);
}

TEST(FlashCli, RefusedPageEndsWithOneAndTheSimulatorStoresNothing) {
  TempHome home;
  TempFolder folder;
  sim::Scenario s;
  s.nakPages = {{1, 4}};
  sim::PtyAdapter pty(s);
  ASSERT_TRUE(pty.Start());
  const RunResult r =
      RunProgram({kCli, "--port", pty.SlavePath(), "flash", folder.Write("f.rfw", Pattern(80 + 256 * 4)), "--no-wait"},
                 home.Env());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.out, "Writing Page #1 : Retry 3\nWriting Page #1\nWriting Page #1 : Error\n")) << r.out;
  EXPECT_FALSE(pty.adapter().Stored().has_value());
  pty.Stop();
}

// Commands the simulated adapter received.
int CommandsReceived(sim::PtyAdapter& pty) {
  const auto events = pty.adapter().Events();
  return static_cast<int>(
      std::count_if(events.begin(), events.end(), [](const std::string& e) { return e.rfind("command: ", 0) == 0; }));
}

// A file no bootloader could take is refused before any adapter is asked anything, so
// none is left in its bootloader: one adapter or a batch.
TEST(FlashCli, AFileThatCannotBeUploadedReachesNoAdapter) {
  TempHome home;
  TempFolder folder;
  const std::string path = folder.Write("ten.rfw", Pattern(10));
  for (const int adapters : {1, 2}) {
    SCOPED_TRACE(adapters);
    sim::PtyAdapter a, b;
    ASSERT_TRUE(a.Start() && b.Start());
    std::vector<std::string> argv = {kCli, "--port", a.SlavePath()};
    if (adapters == 2) argv.insert(argv.end(), {"--port", b.SlavePath()});
    argv.insert(argv.end(), {"flash", path});
    const RunResult r = RunProgram(argv, home.Env());
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_TRUE(Has(r.err, "Error! Firmware file \"" + path + "\" is short.")) << r.err;
    EXPECT_EQ(CommandsReceived(a), 0);
    EXPECT_EQ(CommandsReceived(b), 0);
    a.Stop();
    b.Stop();
  }
}

// A bootloader that takes page 0 and then asks to finish: no end frame, so it keeps
// nothing, and the upload fails with the cause instead of "Ok".
TEST(FlashCli, ABootloaderThatSkipsPagesFailsWithItsCause) {
  TempHome home;
  TempFolder folder;
  sim::Scenario s;
  s.jumpAfterPage = 0;
  s.jumpToPage = 385;
  sim::PtyAdapter pty(s);
  ASSERT_TRUE(pty.Start());
  const RunResult r = RunProgram(
      {kCli, "--port", pty.SlavePath(), "flash", folder.Write("f.rfw", Pattern(80 + 256 * 385)), "--no-wait"},
      home.Env());
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  const std::string cause = "Writing Page #385 : Error (the bootloader asked to finish after 1 of 385 pages)";
  EXPECT_TRUE(Has(r.out, "Writing Page #0 : Ok\n" + cause + "\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "Updating firmware")) << r.out;
  EXPECT_FALSE(pty.adapter().Stored().has_value());
  pty.Stop();
}

// The line hung up in the middle of page 2: said as such at once, not after the
// no-progress time-out.
TEST(FlashCli, HangUpMidUploadEndsWithOneAndSaysSo) {
  TempHome home;
  TempFolder folder;
  sim::Scenario s;
  s.disconnectAfterRx = 2 * 12 + 1 + 83 + 2 * (5 + 256) + 50;  // search and bootloader commands first
  sim::PtyAdapter pty(s);
  ASSERT_TRUE(pty.Start());
  const RunResult r = RunProgram({kCli, "--port", pty.SlavePath(), "flash",
                                  folder.Write("f.rfw", Pattern(80 + 256 * 8)), "--no-wait", "--timeout", "30"},
                                 home.Env(), 15000);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.out, "Writing Page #2\nWriting Page #2 : Error (the adapter hung up)\n")) << r.out;
  EXPECT_FALSE(Has(r.err, "no progress")) << r.err;
  pty.Stop();
}

TEST(FlashCli, ResetSendsTheResetCommand) {
  TempHome home;
  sim::PtyAdapter pty;
  ASSERT_TRUE(pty.Start());
  const RunResult r = RunProgram({kCli, "--port", pty.SlavePath(), "reset"}, home.Env());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Sent !dulMAR_SC_R"));
  const auto events = pty.adapter().Events();
  EXPECT_NE(std::find(events.begin(), events.end(), "command: R"), events.end());
  EXPECT_EQ(RunProgram({kCli, "--port", "/dev/no-such-port", "reset"}, home.Env()).exitCode, 1);
  pty.Stop();
}

}  // namespace
}  // namespace bx::test
