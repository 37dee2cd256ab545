#pragma once
// The user's files as the program reads and replaces them, and the folders it trusts to
// hold them. A file named by the user or found in a folder is outside input: it may be a
// FIFO, a device, a link to either, or far larger than its use, and another local user
// may try to plant links where the program writes.
//
// Any thread; every call stands alone.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace bx {

enum class FileReadStatus {
  Ok,
  Missing,     // no such file
  NotRegular,  // a folder, a FIFO, a device, a socket
  TooLarge,    // larger than the limit
  Failed,      // could not be opened or read (permissions, an I/O error)
};

struct FileRead {
  FileReadStatus status = FileReadStatus::Failed;
  std::string why;  // for messages: "not a regular file", "larger than 65536 bytes", the system's text
  bool Ok() const { return status == FileReadStatus::Ok; }
};

// Reads the whole regular file at `path`, at most `limit` bytes. The file is opened
// without blocking (a FIFO there never hangs the caller) and the opened file is checked,
// not the path, so a file swapped for a FIFO or a device between a look and the open
// cannot slip through. Anything but a regular file, and a file larger than `limit` (also
// one that grows past it while it is read), is refused; `data` is left as it was then.
FileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& data);

// Writes `data` as the file `path`, whole or not at all: into a temporary file of a new
// name in the same folder, created exclusively and never through a link, synced, then
// renamed over `path`. Something planted at `path` or at any temporary name is replaced
// or avoided, never written through. False with the reason in `why`.
bool ReplaceFileContents(const std::string& path, std::string_view data, std::string& why);

// Appends `data` to the regular file `path` (created, readable by all, when missing) and
// syncs it, so what was appended survives a crash or a power cut. Never through a link,
// and never into a FIFO or a device. False with the reason in `why`.
bool AppendToFile(const std::string& path, std::string_view data, std::string& why);

// The paths that match the shell pattern `pattern` now ("*", "?" and "[...]" in any of
// its components), sorted; none when nothing matches or the pattern is not one. At most
// kMaxMatchingPaths of them.
inline constexpr std::size_t kMaxMatchingPaths = 4096;
std::vector<std::string> MatchingPaths(const std::string& pattern);

// A file written as it goes (a trace): whatever was appended before a crash stays in it.
class GrowingFile {
 public:
  virtual ~GrowingFile() = default;
  // Appends all of `data`; false with the system's reason.
  virtual bool Append(std::string_view data, std::string& why) = 0;
};

// A new, empty file in place of `path`: created exclusively under a temporary name of its
// own in the same folder (never through a link), then renamed over `path` at once, so
// that something planted there is replaced, never written through. Null with the reason.
std::unique_ptr<GrowingFile> CreateGrowingFile(const std::string& path, std::string& why);

// "" when `folder` may hold this user's own settings and data, else the reason, naming the
// folder it is about ("the folder /tmp/x is owned by another user (uid 1001)"). The folder
// must be the user's and writable by nobody else; each folder above it must belong to the
// user or to the system and be writable by nobody else, up to the first folder the system
// owns (the check stops there: /home, or a sticky /tmp). A folder that does not exist yet is
// judged by the nearest one above it that does. Always "" where the platform keeps
// per-user folders private by itself (Windows).
std::string FolderTrustProblem(const std::string& folder);

// Makes `folder` and any missing folder above it (only the user may enter the new ones),
// then checks it as FolderTrustProblem does. False with the reason.
bool MakePrivateFolder(const std::string& folder, std::string& why);

// "" when a file can be written into `folder` now, else what stops it in the system's
// words ("Read-only file system", "No space left on device"). A few kilobytes are
// written to find a full disk, and removed again.
std::string FolderWriteProblem(const std::string& folder);

// The message that refuses a folder: "The settings folder F is not used: WHY. ..."; `what`
// is "settings" or "data".
std::string UntrustedFolderMessage(const std::string& what, const std::string& folder, const std::string& why);

}  // namespace bx
