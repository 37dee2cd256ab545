// A program started by "mode run" or the pass-thru page's Config button starts as from a
// shell: no signal ignored or blocked because this program ignores SIGPIPE and blocks its
// termination signals for its own reasons.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/Bytes.h"
#include "platform/posix/PosixShell.h"
#include "support/TempFile.h"
#include "support/TimeScale.h"

namespace bx {
namespace {

// The hexadecimal mask of a "SigIgn:" or "SigBlk:" line of /proc/PID/status.
unsigned long long Mask(const std::string& status, const std::string& field) {
  const std::size_t at = status.find(field + ":\t");
  if (at == std::string::npos) return ~0ull;
  return std::stoull(status.substr(at + field.size() + 2, 16), nullptr, 16);
}

TEST(ChildSignals, AStartedProgramHasDefaultDispositionsAndNoBlockedSignals) {
  test::TempFolder folder;
  const std::string out = folder.Path() + "/status";
  const std::string script = folder.Write(
      "show-signals", "#!/bin/sh\ncat /proc/self/status > " + out + ".part && mv " + out + ".part " + out + "\n");
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);

  // As the CLI and the window run: SIGPIPE ignored, the termination signals blocked.
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  sigset_t block, saved;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigaddset(&block, SIGTERM);
  ::pthread_sigmask(SIG_BLOCK, &block, &saved);
  const bool started = PosixShell().Open(script, folder.Path());
  ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  ::sigaction(SIGPIPE, &old, nullptr);
  ASSERT_TRUE(started);

  // The program runs on its own; its report is waited for, a bounded time.
  std::string status;
  for (int waited = 0; waited < test::ScaledMs(10000) && status.empty(); waited += 20) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::ifstream in(out);
    std::stringstream ss;
    ss << in.rdbuf();
    status = ss.str();
  }
  ASSERT_FALSE(status.empty()) << "the started program did not report";
  EXPECT_EQ(Mask(status, "SigIgn") & (1ull << (SIGPIPE - 1)), 0u) << "SIGPIPE ignored:\n" << status;
  // The C library keeps its own two real-time signals (32 and 33) to itself: the standard
  // ones are what a program sees.
  constexpr unsigned long long kStandardSignals = (1ull << 31) - 1;
  EXPECT_EQ(Mask(status, "SigIgn") & kStandardSignals, 0u) << status;
  EXPECT_EQ(Mask(status, "SigBlk"), 0u) << status;
}

}  // namespace
}  // namespace bx
