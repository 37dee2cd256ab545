#include "platform/Files.h"

#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "core/Bytes.h"

namespace bx {

namespace fs = std::filesystem;

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // close() reports a write the file system could not complete (NFS, a full quota).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string SystemText(int err) { return std::strerror(err); }

FileRead Refused(FileReadStatus status, std::string why) { return FileRead{status, std::move(why)}; }

FileRead OpenFailure(int err) {
  if (err == ENOENT || err == ENOTDIR) return Refused(FileReadStatus::Missing, "no such file");
  return Refused(FileReadStatus::Failed, SystemText(err));
}

FileRead Judge(const struct stat& st, std::size_t limit) {
  if (!S_ISREG(st.st_mode)) return Refused(FileReadStatus::NotRegular, "not a regular file");
  if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > limit)
    return Refused(FileReadStatus::TooLarge, "larger than " + std::to_string(limit) + " bytes");
  return FileRead{FileReadStatus::Ok, {}};
}

std::string RandomWord() {
  std::random_device rd;
  const unsigned long long n = (static_cast<unsigned long long>(rd()) << 32) ^ rd();
  return Format("%016llx", n);
}

bool WriteAll(int fd, std::string_view data, std::string& why) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = SystemText(n < 0 ? errno : EIO);
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A rename is durable once the folder holding it is synced.
void SyncFolder(const std::string& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

std::string ModeText(mode_t mode) { return Format("%04o", static_cast<unsigned>(mode & 07777)); }

// The reason a folder on the way may not be trusted; `own`: the folder itself, which
// must be the user's (those above it may also be the system's).
std::string Distrust(const std::string& path, const struct stat& st, bool own) {
  const uid_t me = ::geteuid();
  if (st.st_uid != me && (own || st.st_uid != 0))
    return "the folder " + path + " is owned by another user (uid " + std::to_string(st.st_uid) + "), not by you";
  // A sticky folder of the system's (/tmp) lets nobody move or replace what another user
  // made in it: it may stand above the user's folder, never be it (others could still
  // plant names in it).
  const bool systemSticky = !own && st.st_uid == 0 && (st.st_mode & S_ISVTX);
  if ((st.st_mode & S_IWOTH) && !systemSticky)
    return "the folder " + path + " is writable by other users (mode " + ModeText(st.st_mode) + ")";
  // A group of the user's own (the usual private group) may write; any other group
  // holds other users.
  if ((st.st_mode & S_IWGRP) && !systemSticky && st.st_gid != ::getegid())
    return "the folder " + path + " is writable by the members of its group (mode " + ModeText(st.st_mode) + ")";
  return {};
}

}  // namespace

FileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& data) {
  if (path.empty() || path.find('\0') != std::string::npos) return Refused(FileReadStatus::Missing, "no such file");
  // A look first, so that a device is not even opened; the open file is what counts.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return OpenFailure(errno);
  if (FileRead r = Judge(st, limit); !r.Ok()) return r;
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return OpenFailure(errno);
  if (::fstat(fd.get(), &st) != 0) return Refused(FileReadStatus::Failed, SystemText(errno));
  if (FileRead r = Judge(st, limit); !r.Ok()) return r;
  std::string out;
  out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Refused(FileReadStatus::Failed, SystemText(errno));
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
    if (out.size() > limit) return Refused(FileReadStatus::TooLarge, "larger than " + std::to_string(limit) + " bytes");
  }
  data = std::move(out);
  return FileRead{FileReadStatus::Ok, {}};
}

bool ReplaceFileContents(const std::string& path, std::string_view data, std::string& why) {
  const fs::path target(path);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
  const std::string name = target.filename().string();
  if (name.empty() || name == "." || name == "..") {
    why = "no file name";
    return false;
  }
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string temp = folder + "/." + name + "." + RandomWord() + ".tmp";
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666));
    if (fd.get() < 0) {
      if (errno == EEXIST) continue;  // someone's file, or a planted link: another name
      why = "cannot create a file in " + folder + ": " + SystemText(errno);
      return false;
    }
    bool ok = WriteAll(fd.get(), data, why);
    if (ok && ::fsync(fd.get()) != 0) ok = (why = SystemText(errno)).empty();
    if (!fd.Close() && ok) ok = (why = SystemText(errno)).empty();
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = (why = SystemText(errno)).empty();
    if (!ok) {
      ::unlink(temp.c_str());
      return false;
    }
    SyncFolder(folder);
    return true;
  }
  why = "cannot find a free temporary name in " + folder;
  return false;
}

bool AppendToFile(const std::string& path, std::string_view data, std::string& why) {
  // Non-blocking only for the open: a FIFO planted at the path is refused, not waited on.
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0644));
  if (fd.get() < 0) {
    why = errno == ELOOP ? std::string("a link, not a file") : SystemText(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    why = "not a regular file";
    return false;
  }
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  bool ok = WriteAll(fd.get(), data, why);
  if (ok && ::fdatasync(fd.get()) != 0) ok = (why = SystemText(errno)).empty();
  if (!fd.Close() && ok) ok = (why = SystemText(errno)).empty();
  return ok;
}

std::vector<std::string> MatchingPaths(const std::string& pattern) {
  std::vector<std::string> paths;
  if (pattern.empty() || pattern.find('\0') != std::string::npos) return paths;
  glob_t g{};
  if (::glob(pattern.c_str(), GLOB_ERR | GLOB_NOESCAPE, nullptr, &g) == 0) {
    for (std::size_t i = 0; i < g.gl_pathc && paths.size() < kMaxMatchingPaths; ++i) paths.emplace_back(g.gl_pathv[i]);
  }
  ::globfree(&g);
  return paths;
}

namespace {

class PosixGrowingFile : public GrowingFile {
 public:
  explicit PosixGrowingFile(int fd) : fd_(fd) {}
  bool Append(std::string_view data, std::string& why) override { return WriteAll(fd_.get(), data, why); }

 private:
  Fd fd_;
};

}  // namespace

std::unique_ptr<GrowingFile> CreateGrowingFile(const std::string& path, std::string& why) {
  const fs::path target(path);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
  const std::string name = target.filename().string();
  if (name.empty() || name == "." || name == "..") {
    why = "no file name";
    return nullptr;
  }
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string temp = folder + "/." + name + "." + RandomWord() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      why = "cannot create a file in " + folder + ": " + SystemText(errno);
      return nullptr;
    }
    auto file = std::make_unique<PosixGrowingFile>(fd);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
      why = SystemText(errno);
      ::unlink(temp.c_str());
      return nullptr;
    }
    return file;
  }
  why = "cannot find a free temporary name in " + folder;
  return nullptr;
}

std::string FolderTrustProblem(const std::string& folder) {
  std::error_code ec;
  fs::path p = fs::absolute(folder, ec).lexically_normal();
  if (ec || p.empty()) return "the folder " + folder + " cannot be found";
  if (!p.has_filename() && p != p.root_path()) p = p.parent_path();  // a trailing slash
  bool own = true;
  struct stat st {};
  // The nearest folder that exists stands for those still to be made.
  while (::stat(p.c_str(), &st) != 0) {
    if (errno != ENOENT || p == p.root_path())
      return "the folder " + p.string() + " cannot be examined: " + SystemText(errno);
    p = p.parent_path();
    own = false;
  }
  // A link on the way that another user owns can be turned elsewhere at any time.
  fs::path walked;
  for (const fs::path& part : p) {
    walked /= part;
    struct stat link {};
    if (::lstat(walked.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && link.st_uid != ::geteuid() && link.st_uid != 0)
      return "the link " + walked.string() + " is owned by another user (uid " + std::to_string(link.st_uid) +
             "), not by you";
  }
  char resolved[PATH_MAX];
  if (!::realpath(p.c_str(), resolved)) return "the folder " + p.string() + " cannot be examined: " + SystemText(errno);
  // The folders themselves, not the links that lead to them.
  for (fs::path at(resolved);; at = at.parent_path()) {
    if (::stat(at.c_str(), &st) != 0) return "the folder " + at.string() + " cannot be examined: " + SystemText(errno);
    if (!S_ISDIR(st.st_mode)) return at.string() + " is not a folder";
    if (std::string why = Distrust(at.string(), st, own); !why.empty()) return why;
    if (st.st_uid == 0 || at == at.root_path()) break;
    own = false;
  }
  return {};
}

std::string FolderWriteProblem(const std::string& folder) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string probe = folder + "/.write-check-" + RandomWord();
    Fd fd(::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600));
    if (fd.get() < 0 && errno == EEXIST) continue;
    if (fd.get() < 0) return SystemText(errno);
    // A page or two, as a store's write would need: a full disk shows here, not at the open.
    const std::string page(8192, '\0');
    std::string why;
    if (WriteAll(fd.get(), page, why) && !fd.Close()) why = SystemText(errno);
    ::unlink(probe.c_str());
    return why;
  }
  return "cannot find a free file name";
}

bool MakePrivateFolder(const std::string& folder, std::string& why) {
  std::error_code ec;
  const fs::path p = fs::absolute(folder, ec).lexically_normal();
  if (ec) {
    why = "cannot make the folder " + folder + ": " + ec.message();
    return false;
  }
  fs::path at;
  for (const fs::path& part : p) {
    at /= part;
    if (at == at.root_path() || part.empty()) continue;
    if (::mkdir(at.c_str(), 0700) != 0 && errno != EEXIST) {
      why = "cannot make the folder " + at.string() + ": " + SystemText(errno);
      return false;
    }
  }
  why = FolderTrustProblem(p.string());
  return why.empty();
}

}  // namespace bx
