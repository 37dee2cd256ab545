// Zip archives on POSIX: the libzip unpacker writing through descriptors. Files are
// created with O_EXCL and O_NOFOLLOW and folders only where none was, so nothing already
// in the destination is followed or overwritten; each file is synced before it counts.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/zip/ZipUnpacker.h"

namespace bx {
namespace {

class PosixFile : public OutputFile {
 public:
  PosixFile(int fd, std::string rel) : fd_(fd), rel_(std::move(rel)) {}
  ~PosixFile() override {
    if (fd_ >= 0) close(fd_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  bool Write(const char* data, std::size_t size, std::string& error) override {
    for (std::size_t off = 0; off < size;) {
      const ssize_t w = write(fd_, data + off, size - off);
      if (w <= 0) return Failed(error);
      off += static_cast<std::size_t>(w);
    }
    return true;
  }
  bool Finish(std::string& error) override {
    const int fd = fd_;
    fd_ = -1;
    if (fsync(fd) != 0) {
      close(fd);
      return Failed(error);
    }
    return close(fd) == 0 || Failed(error);
  }

 private:
  bool Failed(std::string& error) const {
    error = "cannot write " + rel_ + ": " + std::strerror(errno);
    return false;
  }
  int fd_;
  std::string rel_;
};

class PosixFolder : public OutputFolder {
 public:
  explicit PosixFolder(std::string root) : root_(std::move(root)) {}

  bool MakeFolder(const std::string& rel, bool& created, std::string& error) override {
    const std::string path = root_ + "/" + rel;
    created = mkdir(path.c_str(), 0755) == 0;
    if (created) return true;
    struct stat st {};
    if (errno == EEXIST && lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    error = "cannot make the folder " + rel + ": " + std::strerror(errno);
    return false;
  }
  std::unique_ptr<OutputFile> NewFile(const std::string& rel, std::string& error) override {
    const int fd = open((root_ + "/" + rel).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      error = "cannot write " + rel + ": " + std::strerror(errno);
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd, rel);
  }
  void RemoveFile(const std::string& rel) override { unlink((root_ + "/" + rel).c_str()); }
  void RemoveFolder(const std::string& rel) override { rmdir((root_ + "/" + rel).c_str()); }

 private:
  std::string root_;
};

std::unique_ptr<OutputFolder> FolderAt(const std::string& destination) {
  return std::make_unique<PosixFolder>(destination);
}

}  // namespace

std::unique_ptr<ArchiveUnpacker> MakeArchiveUnpacker() { return std::make_unique<ZipUnpacker>(FolderAt); }

}  // namespace bx
