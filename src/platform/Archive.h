#pragma once
// The archive seam: unpacking a zip archive the adapter handed out into a folder. The
// archive is untrusted input, so an unpacker refuses the whole archive, writing nothing,
// when any entry could land outside the folder or is anything but a plain file or folder,
// when it holds too many entries or too many bytes, and when an entry's data do not match
// its checksum.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bx {

struct ArchiveLimits {
  std::size_t maxEntries = 256;
  uint64_t maxTotalBytes = 64ull * 1024 * 1024;  // uncompressed, all entries together
};

struct UnpackResult {
  bool ok = false;
  std::string error;               // why the archive was refused (empty when ok)
  std::vector<std::string> files;  // the files written, relative to the destination
};

class ArchiveUnpacker {
 public:
  virtual ~ArchiveUnpacker() = default;
  // Unpacks `archivePath` into the existing folder `destination`. On failure nothing the
  // call wrote is left behind; what the folder held before stays as it was.
  virtual UnpackResult Unpack(const std::string& archivePath, const std::string& destination,
                              const ArchiveLimits& limits) = 0;
};

// The platform's unpacker (libzip on Linux).
std::unique_ptr<ArchiveUnpacker> MakeArchiveUnpacker();

// One file of an archive to be written.
struct ArchiveMember {
  std::string name;  // relative, "/"-separated
  std::string data;
};

// The bytes of a zip archive of `members` (deflated), made in memory; the caller puts them
// in place (ReplaceFileContents). False with the reason.
bool ZipArchiveBytes(const std::vector<ArchiveMember>& members, std::string& bytes, std::string& why);

// The name rule every unpacker applies before anything is written: a relative path of
// "/"-separated components, none of them "..", with no drive letter, no backslash and no
// NUL. False with the reason in `why`.
bool SafeEntryName(const std::string& name, std::string& why);

}  // namespace bx
