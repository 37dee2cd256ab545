// flash to several adapters at once, the timeout's idea of progress, and the wind-down
// on SIGINT and SIGTERM, against simulated adapters on pseudo-terminals.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "core/Sha256.h"
#include "platform/PtyMaster.h"
#include "sim/SimPty.h"
#include "support/Process.h"
#include "support/TempFile.h"
#include "support/TimeScale.h"

namespace bx::test {
namespace {

const std::string kCli = BinaryPath("src/cli/brevantix-cli");

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

sim::Scenario Adapter(const std::string& serial, int promptDelayMs) {
  sim::Scenario s;
  s.serial = serial;
  s.promptDelayMs = promptDelayMs;
  return s;
}

// Four adapters: two that take the image, one whose bootloader never prompts, one that
// hangs up in the middle of the upload. The two fail alone; the others finish.
TEST(FlashBatchCli, TwoAdaptersSucceedWhileTwoFailAlone) {
  TempHome home;
  TempFolder folder;
  const Bytes file = Pattern(80 + 256 * 16, 7);
  const std::string path = folder.Write("batch.rfw", file);
  sim::Scenario hangsUp = Adapter("BXHANGUP", 100);
  hangsUp.disconnectAfterRx = 900;
  sim::PtyAdapter a(Adapter("BXGOOD01", 100)), b(Adapter("BXGOOD02", 100)), silent(Adapter("BXSILENT", -1)),
      gone(hangsUp);
  for (sim::PtyAdapter* p : {&a, &b, &silent, &gone}) ASSERT_TRUE(p->Start());
  const std::string gonePath = gone.SlavePath();  // a hang-up gives the adapter a new one
  const auto start = std::chrono::steady_clock::now();
  const RunResult r = RunProgram({kCli, "--port", a.SlavePath(), "--port", b.SlavePath(), "--port", silent.SlavePath(),
                                  "--port", gonePath, "flash", path, "--timeout", "2"},
                                 home.Env());
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  EXPECT_LT(seconds, Scaled(12.0));
  for (auto [p, serial] : {std::pair{&a, "BXGOOD01"}, std::pair{&b, "BXGOOD02"}}) {
    const auto stored = p->adapter().Stored();
    ASSERT_TRUE(stored.has_value()) << p->SlavePath();
    EXPECT_TRUE(stored->image == file.substr(80)) << p->SlavePath() << ": the stored image differs";
    EXPECT_TRUE(Has(r.out, p->SlavePath() + "\t" + serial + "\tOk\n")) << r.out;
  }
  EXPECT_TRUE(Has(r.out, silent.SlavePath() + "\tBXSILENT\tFailed: no progress for 2 s\n")) << r.out;
  EXPECT_TRUE(Has(r.out, gonePath + "\tBXHANGUP\tFailed: ")) << r.out;
  // Off a terminal every log line carries its port.
  EXPECT_TRUE(Has(r.out, a.SlavePath() + ": Updating firmware : Ok\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "\r"));
  for (sim::PtyAdapter* p : {&a, &b, &silent, &gone}) p->Stop();
}

// A bootloader that asks for page 0 again and again, never taking it: the upload ends
// with an error and the CLI with 1 within its timeout, instead of taking each request
// for progress.
TEST(FlashBatchCli, BootloaderRequestingPageZeroForeverEndsWithinTheTimeout) {
  TempHome home;
  TempFolder folder;
  const std::string path = folder.Write("f.rfw", Pattern(80 + 256 * 4));
  auto master = PtyMaster::Open();
  ASSERT_TRUE(master);
  std::atomic<bool> stop{false};
  std::thread peer([&] {
    std::string in, out;
    bool connected = false, header = false;
    auto next = std::chrono::steady_clock::now();
    while (!stop) {
      pollfd p{static_cast<int>(master->Handle()), POLLIN, 0};
      poll(&p, 1, 20);
      master->ReadAvailable(in);
      if (!connected && in.find('<') != std::string::npos) {
        out += std::string("+\0", 2);
        connected = true;
        in.clear();
      } else if (connected && !header && in.size() >= 83) {
        out += std::string("+\x0C\x00\x01", 4) + "12345678AB";
        header = true;
      }
      if (header && std::chrono::steady_clock::now() >= next) {
        out += std::string(".\0\0", 3);
        next += std::chrono::milliseconds(300);
      }
      if (!out.empty()) master->WritePending(out);
    }
  });
  const auto start = std::chrono::steady_clock::now();
  const RunResult r = RunProgram(
      {kCli, "--port", master->SlavePath(), "flash", path, "--no-search", "--no-wait", "--timeout", "4"}, home.Env());
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  stop = true;
  peer.join();
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  EXPECT_LT(seconds, 4.0 + Scaled(3.0)) << r.out;
  EXPECT_TRUE(Has(r.out, "Writing Page #0 : Error")) << r.out;
}

// One port named twice, or one device under two names, would carry two uploads at once:
// a usage error before anything is sent.
TEST(FlashBatchCli, TheSamePortTwiceIsAUsageError) {
  TempHome home;
  TempFolder folder;
  const std::string path = folder.Write("f.rfw", Pattern(80 + 256 * 4));
  sim::PtyAdapter pty(Adapter("BX240017", 100));
  ASSERT_TRUE(pty.Start());
  const std::string port = pty.SlavePath(), link = folder.Path() + "/by-id";
  std::filesystem::create_symlink(port, link);
  struct Case {
    const char* name;
    std::string first, second, error;
  };
  const Case cases[] = {
      {"one name twice", port, port, "brevantix-cli: the port " + port + " is given twice\n"},
      {"a link and its device", port, link,
       "brevantix-cli: the ports " + port + " and " + link + " are the same device\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult r = RunProgram({kCli, "--port", c.first, "--port", c.second, "flash", path}, home.Env());
    EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
    EXPECT_TRUE(Has(r.err, c.error)) << r.err;
    EXPECT_TRUE(pty.adapter().Events().empty());
  }
  pty.Stop();
}

// A stop longer than the time-out (SIGSTOP, then SIGCONT) is no lost progress: the
// bootloader waited all along. The simulator is stopped across it too, so that no
// acknowledgement can be waiting when the CLI resumes: only the time the CLI ran counts.
TEST(FlashBatchCli, AStopLongerThanTheTimeoutIsNoLostProgress) {
  TempHome home;
  TempFolder folder;
  const Bytes file = Pattern(80 + 256 * 4, 5);
  Background sim({BinaryPath("src/sim/program/brevantix-sim"), "--pty", "--set", "flash_delay_ms=300"});
  const std::string port = sim.ReadLine(5000);
  ASSERT_TRUE(Has(port, "/dev/")) << port;
  Background cli({kCli, "--port", port, "flash", folder.Write("f.rfw", file), "--no-wait", "--timeout", "2"},
                 home.Env());
  std::string seen;
  for (int i = 0; i < 100 && !Has(seen, "Writing Page #1 : Ok\n"); ++i) seen += cli.ReadLine(5000) + "\n";
  ASSERT_TRUE(Has(seen, "Writing Page #1 : Ok\n")) << seen;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // page 2 is being written
  sim.Signal(SIGSTOP);
  cli.Signal(SIGSTOP);
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  cli.Signal(SIGCONT);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  sim.Signal(SIGCONT);
  std::string rest;
  EXPECT_EQ(cli.Wait(15000, rest), 0) << seen << rest;
  EXPECT_TRUE(Has(rest, "Writing Page #3 : Ok\nUpdating firmware\nUpdating firmware : Ok\n")) << rest;
  EXPECT_FALSE(Has(rest, "Firmware Update canceled...")) << rest;
  EXPECT_TRUE(Has(sim.Stop(), "image: 1024 bytes sha256 " + Sha256Hex(file.substr(80))));
}

struct SignalCase {
  int signal;
  int exitCode;
};

class FlashSignal : public ::testing::TestWithParam<SignalCase> {};

// The first signal presses Stop: the canceled line and the signal's exit code, with the
// upload left unfinished.
TEST_P(FlashSignal, FirstSignalPressesStopAndExitsWithTheSignalsCode) {
  TempHome home;
  TempFolder folder;
  sim::Scenario s = Adapter("BX240017", 100);
  s.byteRate = 4000;  // some seconds for the upload: the signal lands in the middle
  sim::PtyAdapter pty(s);
  ASSERT_TRUE(pty.Start());
  const std::string path = folder.Write("f.rfw", Pattern(80 + 256 * 64));
  std::vector<std::string> env = home.Env();
  Background cli({kCli, "--port", pty.SlavePath(), "flash", path}, env);
  std::string seen;
  for (int i = 0; i < 200 && !Has(seen, "Writing Page #2 : Ok"); ++i) seen += cli.ReadLine(5000) + "\n";
  ASSERT_TRUE(Has(seen, "Writing Page #2 : Ok")) << seen;
  cli.Signal(GetParam().signal);
  std::string rest;
  EXPECT_EQ(cli.Wait(10000, rest), GetParam().exitCode) << seen << rest;
  EXPECT_TRUE(Has(rest, "Firmware Update canceled...\n")) << rest;
  EXPECT_FALSE(pty.adapter().Stored().has_value());
  pty.Stop();
}

INSTANTIATE_TEST_SUITE_P(Cli, FlashSignal, ::testing::Values(SignalCase{SIGINT, 130}, SignalCase{SIGTERM, 143}),
                         [](const auto& info) { return info.param.signal == SIGINT ? "SIGINT" : "SIGTERM"; });

}  // namespace
}  // namespace bx::test
