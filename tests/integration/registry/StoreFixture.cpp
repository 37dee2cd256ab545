#include "StoreFixture.h"
#include "support/TimeScale.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace bxtest {

TempFolder::TempFolder() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto p = std::filesystem::temp_directory_path() /
             ("bx-registry-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
    if (std::filesystem::create_directory(p)) {
      path_ = p;
      return;
    }
  }
  throw std::runtime_error("no temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

Child::Child(const std::function<int(int)>& body) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    close(fds[0]);
    int code = 99;
    try {
      code = body(fds[1]);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child %d: %s\n", static_cast<int>(getpid()), e.what());
    } catch (...) {
    }
    _exit(code);
  }
  close(fds[1]);
  readFd_ = fds[0];
}

Child::~Child() {
  if (pid_ > 0) {
    Kill();
    Wait(std::chrono::seconds(5));
  }
  if (readFd_ >= 0) close(readFd_);
}

bool Child::Read(void* buf, std::size_t n, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + bx::test::Scaled(limit);
  auto* p = static_cast<char*>(buf);
  while (n > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd pfd{readFd_, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t got = read(readFd_, p, n);
    if (got <= 0) return false;
    p += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

void Child::Kill() {
  if (pid_ > 0) kill(pid_, SIGKILL);
}

int Child::Wait(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return -1;
  const auto end = std::chrono::steady_clock::now() + bx::test::Scaled(limit);
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (r < 0 || std::chrono::steady_clock::now() > end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::string IntegrityCheck(const std::string& file) {
  sqlite3* db = nullptr;
  std::string result;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
      while (sqlite3_step(st) == SQLITE_ROW) result += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    } else {
      result = sqlite3_errmsg(db);
    }
    sqlite3_finalize(st);
  } else {
    result = "cannot open";
  }
  sqlite3_close_v2(db);
  return result;
}

std::string ReadFileBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileBytes(const std::string& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace bxtest
