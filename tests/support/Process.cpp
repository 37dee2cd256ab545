#include "support/Process.h"
#include "support/TimeScale.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>

extern char** environ;

namespace bx::test {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> Environment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    bool overridden = false;
    for (const auto& x : extra)
      if (entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0) overridden = true;
    if (!overridden) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& v) {
  std::vector<char*> p;
  for (auto& s : v) p.push_back(s.data());
  p.push_back(nullptr);
  return p;
}

int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int outFd, int errFd) {
  std::vector<std::string> a = argv, e = Environment(env);
  auto ap = Pointers(a), ep = Pointers(e);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  if (outFd >= 0) posix_spawn_file_actions_adddup2(&fa, outFd, 1);
  if (errFd >= 0)
    posix_spawn_file_actions_adddup2(&fa, errFd, 2);
  else
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, a[0].c_str(), &fa, nullptr, ap.data(), ep.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

bool Drain(int fd, std::string& into) {
  char buf[4096];
  const ssize_t n = read(fd, buf, sizeof buf);
  if (n > 0) into.append(buf, static_cast<std::size_t>(n));
  return n > 0;
}

}  // namespace

RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutMs) {
  RunResult r;
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return r;
  const int pid = Spawn(argv, env, out[1], err[1]);
  close(out[1]);
  close(err[1]);
  const auto deadline = Clock::now() + std::chrono::milliseconds(ScaledMs(timeoutMs));
  bool outOpen = true, errOpen = true, killed = false;
  while ((outOpen || errOpen) && pid > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    pollfd p[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    if (poll(p, 2, static_cast<int>(left)) <= 0) continue;
    if (outOpen && (p[0].revents & (POLLIN | POLLHUP))) outOpen = Drain(out[0], r.out);
    if (errOpen && (p[1].revents & (POLLIN | POLLHUP))) errOpen = Drain(err[0], r.err);
  }
  close(out[0]);
  close(err[0]);
  if (pid > 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (!killed && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  }
  return r;
}

Background::Background(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return;
  pid_ = Spawn(argv, env, out[1], -1);
  close(out[1]);
  out_ = out[0];
}

Background::~Background() { Stop(1000); }

std::string Background::ReadLine(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ScaledMs(timeoutMs));
  for (;;) {
    const auto nl = pending_.find('\n');
    if (nl != std::string::npos) {
      std::string line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || out_ < 0) return {};
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    if (!Drain(out_, pending_)) return {};
  }
}

std::string Background::Stop(int timeoutMs) {
  std::string rest = pending_;
  pending_.clear();
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::milliseconds(ScaledMs(timeoutMs));
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 20) > 0) Drain(out_, rest);
    }
    pid_ = -1;
  }
  if (out_ >= 0) {
    while (Drain(out_, rest)) {
    }
    close(out_);
    out_ = -1;
  }
  return rest;
}

void Background::Signal(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

int Background::Wait(int timeoutMs, std::string& rest) {
  rest += pending_;
  pending_.clear();
  if (pid_ <= 0) return -1;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ScaledMs(timeoutMs));
  int status = 0, code = -1;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, 20) > 0) Drain(out_, rest);
  }
  if (WIFEXITED(status)) code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) code = 128 + WTERMSIG(status);
  pid_ = -1;
  while (out_ >= 0 && Drain(out_, rest)) {
  }
  return code;
}

TempHome::TempHome() {
  std::random_device rd;
  path_ =
      (std::filesystem::temp_directory_path() / ("bx-home-" + std::to_string(getpid()) + "-" + std::to_string(rd())))
          .string();
  std::filesystem::create_directories(path_);
}

TempHome::~TempHome() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempHome::Env() const {
  return {"XDG_CONFIG_HOME=" + path_ + "/config", "XDG_DATA_HOME=" + path_ + "/data", "HOME=" + path_};
}

std::string BinaryPath(const std::string& relative) { return std::string(BX_BINARY_DIR) + "/" + relative; }

int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0)
    port = ntohs(a.sin_port);
  ::close(fd);
  return port;
}

}  // namespace bx::test
