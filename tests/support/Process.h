#pragma once
// Runs the project's programs from integration tests: a command with extra environment,
// its output and exit code, bounded in time; or a program in the background whose first
// lines the test reads. Every time-out is on the tests' time scale (support/TimeScale.h).
#include <string>
#include <vector>

namespace bx::test {

struct RunResult {
  int exitCode = -1;  // -1: killed on time-out or could not start
  std::string out, err;
};

// Runs argv[0] (a path) with the current environment plus `env` ("NAME=value").
RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                     int timeoutMs = 30000);

class Background {
 public:
  Background(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
  ~Background();  // SIGTERM, then SIGKILL after a second
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  bool Running() const { return pid_ > 0; }
  // The next line of standard output ("" on time-out or end).
  std::string ReadLine(int timeoutMs = 5000);
  // Stops it (SIGTERM) and returns the rest of its standard output.
  std::string Stop(int timeoutMs = 5000);
  // Sends it `signal` (SIGINT, SIGTERM...) and lets it run on.
  void Signal(int signal);
  // Waits for it to end by itself (SIGKILL after timeoutMs); appends the rest of its
  // standard output to `rest`. Answers its exit code, 128 + the signal that ended it,
  // or -1 when it had to be killed.
  int Wait(int timeoutMs, std::string& rest);

 private:
  int pid_ = -1;
  int out_ = -1;
  std::string pending_;
};

// A fresh folder for a program's XDG_CONFIG_HOME / XDG_DATA_HOME; removed with the object.
class TempHome {
 public:
  TempHome();
  ~TempHome();
  std::vector<std::string> Env() const;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::string BinaryPath(const std::string& relative);  // under the build tree
// A TCP port on 127.0.0.1 that was free a moment ago (for a demo's listener that the
// test's runs share).
int FreeLoopbackPort();

}  // namespace bx::test
