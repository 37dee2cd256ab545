#pragma once
// Helpers of the settings store tests: a temporary folder that removes itself, a child
// process that reports through a pipe, and a direct look into a store file.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace bxtest {

class TempFolder {
 public:
  TempFolder();  // a new folder under the system's temporary folder
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A forked child running `body`, whose return value is its exit code (an escaping
// exception exits with 99). The child writes to the pipe handed to it; the parent reads
// the other end. Killed and reaped on destruction if still running.
class Child {
 public:
  explicit Child(const std::function<int(int reportFd)>& body);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  int ReportFd() const { return readFd_; }
  // Reads exactly `n` bytes within `limit`; false on end of file or time out.
  bool Read(void* buf, std::size_t n, std::chrono::milliseconds limit);
  void Kill();
  // The exit code, 128 + signal when killed, -1 when it did not end within `limit`.
  int Wait(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
  int readFd_ = -1;
};

// PRAGMA integrity_check of the file, read with a separate connection: "ok" when sound.
std::string IntegrityCheck(const std::string& file);
std::string ReadFileBytes(const std::string& file);
void WriteFileBytes(const std::string& file, const std::string& bytes);

}  // namespace bxtest
