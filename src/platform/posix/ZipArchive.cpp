// Zip archives on POSIX through libzip. Every entry is checked before the first byte is
// written (name, type, count, declared sizes); then each entry is read to its end, which
// is where libzip compares the data with the entry's CRC, while the real sizes are
// counted against the same limits, since a declared size may lie. Files are created with
// O_EXCL and O_NOFOLLOW and folders only where none was, so nothing already in the
// destination is followed or overwritten; on any failure what was written is removed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/Archive.h"

namespace bx {
namespace {

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileCloser>;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

struct Entry {
  zip_uint64_t index = 0;
  std::string name;
  bool folder = false;
  zip_uint64_t size = 0;
};

// What a unix mode in the external attributes says: 0 a file or folder, else the reason.
const char* RefusedType(zip_uint8_t opsys, zip_uint32_t attributes) {
  if (opsys != ZIP_OPSYS_UNIX) return nullptr;
  const auto type = (attributes >> 16) & S_IFMT;
  if (type == 0 || type == S_IFREG || type == S_IFDIR) return nullptr;
  if (type == S_IFLNK) return "is a symbolic link";
  if (type == S_IFCHR || type == S_IFBLK) return "is a device";
  return "is not a plain file";
}

// Undoes what one unpack wrote, newest first.
class Written {
 public:
  explicit Written(std::string root) : root_(std::move(root)) {}
  ~Written() {
    if (kept_) return;
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) unlink((root_ + "/" + *it).c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) rmdir((root_ + "/" + *it).c_str());
  }
  void File(const std::string& rel) { files_.push_back(rel); }
  void Folder(const std::string& rel) { folders_.push_back(rel); }
  std::vector<std::string> Keep() {
    kept_ = true;
    return files_;
  }

 private:
  std::string root_;
  std::vector<std::string> files_, folders_;
  bool kept_ = false;
};

class ZipUnpacker : public ArchiveUnpacker {
 public:
  UnpackResult Unpack(const std::string& archivePath, const std::string& destination,
                      const ArchiveLimits& limits) override;

 private:
  bool Check(zip_t* z, const ArchiveLimits& limits, std::vector<Entry>& entries, std::string& error);
  bool MakeFolders(const std::string& root, const std::string& rel, Written& written, std::string& error);
  bool Extract(zip_t* z, const Entry& e, const std::string& root, uint64_t& total, const ArchiveLimits& limits,
               Written& written, std::string& error);
};

bool ZipUnpacker::Check(zip_t* z, const ArchiveLimits& limits, std::vector<Entry>& entries, std::string& error) {
  const zip_int64_t count = zip_get_num_entries(z, 0);
  if (count <= 0) {
    error = "the archive holds no entries";
    return false;
  }
  if (static_cast<uint64_t>(count) > limits.maxEntries) {
    error = "the archive holds " + std::to_string(count) + " entries, more than " + std::to_string(limits.maxEntries);
    return false;
  }
  uint64_t declared = 0;
  for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
    const char* raw = zip_get_name(z, i, ZIP_FL_ENC_RAW);
    zip_stat_t st;
    zip_stat_init(&st);
    if (!raw || zip_stat_index(z, i, 0, &st) != 0) {
      error = "entry " + std::to_string(i) + " cannot be read";
      return false;
    }
    Entry e{i, raw, false, st.size};
    if (!SafeEntryName(e.name, error)) return false;
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(z, i, 0, &opsys, &attributes) != 0) {
      error = "the entry " + e.name + " cannot be read";
      return false;
    }
    if (const char* why = RefusedType(opsys, attributes)) {
      error = "the entry " + e.name + " " + why;
      return false;
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
      error = "the entry " + e.name + " is encrypted";
      return false;
    }
    e.folder = e.name.back() == '/';
    if (e.folder && e.size != 0) {
      error = "the folder entry " + e.name + " holds data";
      return false;
    }
    declared += e.size;
    if (declared > limits.maxTotalBytes) {
      error = "the archive unpacks to more than " + std::to_string(limits.maxTotalBytes) + " bytes";
      return false;
    }
    entries.push_back(std::move(e));
  }
  return true;
}

// Creates the folders of `rel` below root; an existing component must be a real folder.
bool ZipUnpacker::MakeFolders(const std::string& root, const std::string& rel, Written& written, std::string& error) {
  std::size_t at = 0;
  while ((at = rel.find('/', at)) != std::string::npos) {
    const std::string part = rel.substr(0, at++);
    if (part.empty() || part.back() == '/') continue;
    const std::string path = root + "/" + part;
    if (mkdir(path.c_str(), 0755) == 0) {
      written.Folder(part);
      continue;
    }
    struct stat st {};
    if (errno == EEXIST && lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    error = "cannot make the folder " + part + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool ZipUnpacker::Extract(zip_t* z, const Entry& e, const std::string& root, uint64_t& total,
                          const ArchiveLimits& limits, Written& written, std::string& error) {
  if (!MakeFolders(root, e.name, written, error)) return false;
  if (e.folder) return true;
  ZipFilePtr in(zip_fopen_index(z, e.index, 0));
  if (!in) {
    error = "the entry " + e.name + " cannot be read: " + zip_strerror(z);
    return false;
  }
  const std::string path = root + "/" + e.name;
  Fd out(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (out.get() < 0) {
    error = "cannot write " + e.name + ": " + std::strerror(errno);
    return false;
  }
  written.File(e.name);
  char buf[65536];
  uint64_t got = 0;
  for (;;) {
    const zip_int64_t n = zip_fread(in.get(), buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      error = "the entry " + e.name + " is damaged: " + zip_file_strerror(in.get());
      return false;
    }
    got += static_cast<uint64_t>(n);
    total += static_cast<uint64_t>(n);
    if (got > e.size || total > limits.maxTotalBytes) {
      error = "the entry " + e.name + " holds more than it declares";
      return false;
    }
    for (zip_int64_t off = 0; off < n;) {
      const ssize_t w = write(out.get(), buf + off, static_cast<std::size_t>(n - off));
      if (w <= 0) {
        error = "cannot write " + e.name + ": " + std::strerror(errno);
        return false;
      }
      off += w;
    }
  }
  if (got != e.size) {
    error = "the entry " + e.name + " is shorter than it declares";
    return false;
  }
  if (fsync(out.get()) != 0 || !out.Close()) {
    error = "cannot write " + e.name + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

UnpackResult ZipUnpacker::Unpack(const std::string& archivePath, const std::string& destination,
                                 const ArchiveLimits& limits) {
  UnpackResult r;
  int code = 0;
  ZipPtr z(zip_open(archivePath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
  if (!z) {
    zip_error_t err;
    zip_error_init_with_code(&err, code);
    r.error = std::string("not a readable zip archive: ") + zip_error_strerror(&err);
    zip_error_fini(&err);
    return r;
  }
  std::vector<Entry> entries;
  if (!Check(z.get(), limits, entries, r.error)) return r;
  Written written(destination);
  uint64_t total = 0;
  for (const Entry& e : entries)
    if (!Extract(z.get(), e, destination, total, limits, written, r.error)) return r;
  r.files = written.Keep();
  r.ok = true;
  return r;
}

}  // namespace

std::unique_ptr<ArchiveUnpacker> MakeArchiveUnpacker() { return std::make_unique<ZipUnpacker>(); }

}  // namespace bx
