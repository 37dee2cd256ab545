#include "platform/zip/ZipUnpacker.h"

#include <zip.h>

#include <vector>

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

struct Entry {
  zip_uint64_t index = 0;
  std::string name;
  bool folder = false;
  zip_uint64_t size = 0;
};

// The file types of a unix mode as the zip format stores it, whatever the host.
constexpr zip_uint32_t kTypeMask = 0170000, kRegular = 0100000, kFolder = 0040000, kLink = 0120000,
                       kCharDevice = 0020000, kBlockDevice = 0060000;

// What a unix mode in the external attributes says: 0 a file or folder, else the reason.
const char* RefusedType(zip_uint8_t opsys, zip_uint32_t attributes) {
  if (opsys != ZIP_OPSYS_UNIX) return nullptr;
  const auto type = (attributes >> 16) & kTypeMask;
  if (type == 0 || type == kRegular || type == kFolder) return nullptr;
  if (type == kLink) return "is a symbolic link";
  if (type == kCharDevice || type == kBlockDevice) return "is a device";
  return "is not a plain file";
}

// Undoes what one unpack wrote, newest first.
class Written {
 public:
  explicit Written(OutputFolder& folder) : folder_(folder) {}
  ~Written() {
    if (kept_) return;
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) folder_.RemoveFile(*it);
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) folder_.RemoveFolder(*it);
  }
  Written(const Written&) = delete;
  Written& operator=(const Written&) = delete;
  void File(const std::string& rel) { files_.push_back(rel); }
  void Folder(const std::string& rel) { folders_.push_back(rel); }
  std::vector<std::string> Keep() {
    kept_ = true;
    return files_;
  }

 private:
  OutputFolder& folder_;
  std::vector<std::string> files_, folders_;
  bool kept_ = false;
};

bool CheckEntry(zip_t* z, zip_uint64_t i, Entry& e, std::string& error) {
  const char* raw = zip_get_name(z, i, ZIP_FL_ENC_RAW);
  zip_stat_t st;
  zip_stat_init(&st);
  if (!raw || zip_stat_index(z, i, 0, &st) != 0) {
    error = "entry " + std::to_string(i) + " cannot be read";
    return false;
  }
  e = Entry{i, raw, false, st.size};
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
  return true;
}

bool Check(zip_t* z, const ArchiveLimits& limits, std::vector<Entry>& entries, std::string& error) {
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
    Entry e;
    if (!CheckEntry(z, i, e, error)) return false;
    declared += e.size;
    if (declared > limits.maxTotalBytes) {
      error = "the archive unpacks to more than " + std::to_string(limits.maxTotalBytes) + " bytes";
      return false;
    }
    entries.push_back(std::move(e));
  }
  return true;
}

// Creates the folders of `rel` below the destination; an existing component must be a
// real folder.
bool MakeFolders(OutputFolder& out, const std::string& rel, Written& written, std::string& error) {
  std::size_t at = 0;
  while ((at = rel.find('/', at)) != std::string::npos) {
    const std::string part = rel.substr(0, at++);
    if (part.empty() || part.back() == '/') continue;
    bool created = false;
    if (!out.MakeFolder(part, created, error)) return false;
    if (created) written.Folder(part);
  }
  return true;
}

bool Extract(zip_t* z, const Entry& e, OutputFolder& out, uint64_t& total, const ArchiveLimits& limits,
             Written& written, std::string& error) {
  if (!MakeFolders(out, e.name, written, error)) return false;
  if (e.folder) return true;
  ZipFilePtr in(zip_fopen_index(z, e.index, 0));
  if (!in) {
    error = "the entry " + e.name + " cannot be read: " + zip_strerror(z);
    return false;
  }
  std::unique_ptr<OutputFile> file = out.NewFile(e.name, error);
  if (!file) return false;
  written.File(e.name);
  std::vector<char> buf(65536);
  uint64_t got = 0;
  for (;;) {
    const zip_int64_t n = zip_fread(in.get(), buf.data(), buf.size());
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
    if (!file->Write(buf.data(), static_cast<std::size_t>(n), error)) return false;
  }
  if (got != e.size) {
    error = "the entry " + e.name + " is shorter than it declares";
    return false;
  }
  return file->Finish(error);
}

}  // namespace

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
  std::unique_ptr<OutputFolder> out = folderAt_(destination);
  Written written(*out);
  uint64_t total = 0;
  for (const Entry& e : entries)
    if (!Extract(z.get(), e, *out, total, limits, written, r.error)) return r;
  r.files = written.Keep();
  r.ok = true;
  return r;
}

}  // namespace bx
