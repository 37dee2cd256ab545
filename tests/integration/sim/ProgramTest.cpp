// brevantix-sim as a program: the tester's script in C++. It starts the simulator on a
// pseudo-terminal, reads the slave path from its first line, asks for the identity, runs a
// whole bootloader session with its own client, stops it with SIGTERM and checks the
// image size and SHA-256 it reports.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "SimClient.h"
#include "core/Sha256.h"
#include "unit/sim/BootClient.h"

extern char** environ;

namespace bx::sim::test {
namespace {

const std::string kProgram = std::string(BX_BINARY_DIR) + "/src/sim/program/brevantix-sim";

class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    args.insert(args.begin(), kProgram);
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, kProgram.c_str(), &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    out_ = out[0];
  }
  ~Program() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  // The next line of standard output, waiting at most `ms`.
  bool Line(std::string& line, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(bx::test::ScaledMs(ms));
    while (buf_.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{out_, POLLIN, 0};
      ::poll(&p, 1, int(left.count()));
      char b[4096];
      const ssize_t n = ::read(out_, b, sizeof b);
      if (n <= 0) return false;
      buf_.append(b, std::size_t(n));
    }
    line = buf_.substr(0, buf_.find('\n'));
    buf_.erase(0, line.size() + 1);
    return true;
  }
  int Stop(int sig) {
    ::kill(pid_, sig);
    return Wait();
  }
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buf_;
};

class SimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kProgram)) GTEST_SKIP() << "build the brevantix-sim target first: " << kProgram;
  }
};

TEST_F(SimProgram, PtyIdentityAndAWholeBootloaderSessionReportTheImageSha256) {
  Program sim({"--pty", "--set", "page_size=128", "--set", "serial=SIMTEST1"});
  ASSERT_TRUE(sim.started());
  std::string path;
  ASSERT_TRUE(sim.Line(path));
  ASSERT_TRUE(StartsWith(path, "/dev/")) << path;
  Client c;
  ASSERT_TRUE(c.OpenPty(path));
  std::string body;
  ASSERT_TRUE(c.Command("I") && c.Frame(body));
  EXPECT_TRUE(StartsWith(body, "SN:SIMTEST1\r\nFW:"));
  ASSERT_TRUE(c.Command("U") && c.Frame(body));

  const std::string header = TestBytes(80, 3), image = TestBytes(128 * 9 + 50, 4);
  std::string msgs;
  auto next = [&](std::string& m) {
    for (;;) {
      auto got = CutMessages(msgs);
      if (!got.empty()) {
        m = got.front();
        for (std::size_t i = got.size(); i-- > 1;) msgs.insert(0, got[i]);
        return true;
      }
      if (!c.ReadUntil([](const std::string& b) { return !b.empty(); }, 2000)) return false;
      msgs += c.buf;
      c.buf.clear();
    }
  };
  std::string m;
  ASSERT_TRUE(c.Write("<") && next(m));
  ASSERT_EQ(m[0], '+');
  ASSERT_TRUE(c.Write(HeaderFrame(header)) && next(m));
  ASSERT_EQ(LE16(m, 2), 128);
  EXPECT_EQ(m.substr(4, 8), "SIMTEST1");
  int pagesSent = 0;
  for (int guard = 0; guard < 100 && next(m); ++guard) {
    if (m[0] == '.') {
      const uint16_t n = LE16(m, 1);
      if (n >= 9) {
        c.Write(EndFrame());
      } else {
        c.Write(PageFrame(n, image.substr(n * 128, 128)));
        ++pagesSent;
      }
    } else if (m == Ack(0xFFFF)) {
      break;
    }
  }
  EXPECT_EQ(pagesSent, 9);
  c.Close();
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  std::string report;
  ASSERT_TRUE(sim.Line(report));
  EXPECT_EQ(report, "image: 1152 bytes sha256 " + Sha256Hex(image.substr(0, 1152)));
}

TEST_F(SimProgram, SelfCheckPrintsOk) {
  Program sim({"--self-check"});
  std::string line, last;
  while (sim.Line(line, 10000)) last = line;
  EXPECT_EQ(last, "OK");
  EXPECT_EQ(sim.Wait(), 0);
}

TEST_F(SimProgram, TcpAndUdpLinesAndUsageErrors) {
  Program sim({"--tcp", "127.0.0.1:0", "--udp", "127.0.0.1:0"});
  std::string tcp, udp;
  ASSERT_TRUE(sim.Line(tcp));
  ASSERT_TRUE(sim.Line(udp));
  EXPECT_TRUE(StartsWith(tcp, "tcp 127.0.0.1:")) << tcp;
  EXPECT_TRUE(StartsWith(udp, "udp ")) << udp;
  Client c;
  ASSERT_TRUE(c.ConnectTcp(StrToIntDef(tcp.substr(tcp.rfind(':') + 1), 0)));
  std::string body;
  EXPECT_TRUE(c.Command("WS") && c.Frame(body));
  EXPECT_TRUE(StartsWith(body, "APs:3\r\n"));
  EXPECT_EQ(sim.Stop(SIGINT), 0);
  std::string report;
  ASSERT_TRUE(sim.Line(report));
  EXPECT_EQ(report, "udp: 0 requests (0 broadcast), 0 answers");
  ASSERT_TRUE(sim.Line(report));
  EXPECT_EQ(report, "image: none");

  Program bad({"--set", "colour=red"});
  EXPECT_EQ(bad.Wait(), 2);
  Program nothing({});
  EXPECT_EQ(nothing.Wait(), 2);
}

}  // namespace
}  // namespace bx::sim::test
