// The user's files on Windows: a handle of the file itself for bounded reads, a new file
// created exclusively and moved over the old one for replacements. The per-user folders
// (the profile, APPDATA) are private to their user by their ACLs, so folders are trusted.
#include "platform/Files.h"

#include <algorithm>
#include <filesystem>
#include <random>

#include "core/Bytes.h"
#include "platform/win32/Win32.h"

namespace bx {

namespace {

FileRead Refused(FileReadStatus status, std::string why) { return FileRead{status, std::move(why)}; }

FileRead OpenFailure(DWORD err) {
  if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND)
    return Refused(FileReadStatus::Missing, "no such file");
  return Refused(FileReadStatus::Failed, win32::ErrorText(err));
}

// Writes all of `data` (in pieces WriteFile takes); false with the system's reason.
bool WriteWhole(HANDLE h, std::string_view data, std::string& why) {
  while (!data.empty()) {
    DWORD n = 0;
    const DWORD chunk = data.size() > 1u << 20 ? 1u << 20 : static_cast<DWORD>(data.size());
    if (!::WriteFile(h, data.data(), chunk, &n, nullptr) || n == 0) {
      why = win32::ErrorText(::GetLastError());
      return false;
    }
    data.remove_prefix(n);
  }
  return true;
}

bool Flush(HANDLE h, std::string& why) {
  if (::FlushFileBuffers(h)) return true;
  why = win32::ErrorText(::GetLastError());
  return false;
}

std::string RandomWord() {
  std::random_device rd;
  const unsigned long long n = (static_cast<unsigned long long>(rd()) << 32) ^ rd();
  return Format("%016llx", n);
}

}  // namespace

FileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& data) {
  if (path.empty() || path.find('\0') != std::string::npos) return Refused(FileReadStatus::Missing, "no such file");
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return OpenFailure(::GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Refused(FileReadStatus::NotRegular, "not a regular file");
  win32::Handle h(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) return OpenFailure(::GetLastError());
  // A device or a pipe opened by name is no file on a disk.
  if (::GetFileType(h.get()) != FILE_TYPE_DISK) return Refused(FileReadStatus::NotRegular, "not a regular file");
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(h.get(), &size)) return Refused(FileReadStatus::Failed, win32::ErrorText(::GetLastError()));
  const std::string tooLarge = "larger than " + std::to_string(limit) + " bytes";
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit)
    return Refused(FileReadStatus::TooLarge, tooLarge);
  std::string out;
  char buf[65536];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(h.get(), buf, sizeof buf, &n, nullptr))
      return Refused(FileReadStatus::Failed, win32::ErrorText(::GetLastError()));
    if (n == 0) break;
    out.append(buf, n);
    if (out.size() > limit) return Refused(FileReadStatus::TooLarge, tooLarge);
  }
  data = std::move(out);
  return FileRead{FileReadStatus::Ok, {}};
}

bool ReplaceFileContents(const std::string& path, std::string_view data, std::string& why) {
  const std::filesystem::path target(path);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
  const std::string name = target.filename().string();
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string temp = folder + "\\." + name + "." + RandomWord() + ".tmp";
    win32::Handle h(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) {
      const DWORD err = ::GetLastError();
      if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) continue;
      why = "cannot create a file in " + folder + ": " + win32::ErrorText(err);
      return false;
    }
    bool ok = WriteWhole(h.get(), data, why) && Flush(h.get(), why);
    h.Reset();
    if (ok && !::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      why = win32::ErrorText(::GetLastError());
      ok = false;
    }
    if (!ok) ::DeleteFileA(temp.c_str());
    return ok;
  }
  why = "cannot find a free temporary name in " + folder;
  return false;
}

bool AppendToFile(const std::string& path, std::string_view data, std::string& why) {
  win32::Handle h(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) {
    why = win32::ErrorText(::GetLastError());
    return false;
  }
  if (::GetFileType(h.get()) != FILE_TYPE_DISK) {
    why = "not a regular file";
    return false;
  }
  return WriteWhole(h.get(), data, why) && Flush(h.get(), why);
}

// Windows matches patterns in the last component only (FindFirstFile); the folders
// before it are taken as they are.
std::vector<std::string> MatchingPaths(const std::string& pattern) {
  std::vector<std::string> paths;
  if (pattern.empty() || pattern.find('\0') != std::string::npos) return paths;
  const std::size_t slash = pattern.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
  WIN32_FIND_DATAA found{};
  HANDLE h = ::FindFirstFileA(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return paths;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") paths.push_back(folder + name);
  } while (paths.size() < kMaxMatchingPaths && ::FindNextFileA(h, &found));
  ::FindClose(h);
  std::sort(paths.begin(), paths.end());
  return paths;
}

namespace {

class Win32GrowingFile : public GrowingFile {
 public:
  explicit Win32GrowingFile(HANDLE h) : h_(h) {}
  bool Append(std::string_view data, std::string& why) override {
    return WriteWhole(h_.get(), data, why);
  }

 private:
  win32::Handle h_;
};

}  // namespace

std::unique_ptr<GrowingFile> CreateGrowingFile(const std::string& path, std::string& why) {
  const std::filesystem::path target(path);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
  const std::string name = target.filename().string();
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string temp = folder + "\\." + name + "." + RandomWord() + ".tmp";
    // Shared for deletion, so that the open file can be moved to its name.
    win32::Handle h(::CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) {
      const DWORD err = ::GetLastError();
      if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) continue;
      why = "cannot create a file in " + folder + ": " + win32::ErrorText(err);
      return nullptr;
    }
    if (!::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      why = win32::ErrorText(::GetLastError());
      h.Reset();
      ::DeleteFileA(temp.c_str());
      return nullptr;
    }
    return std::make_unique<Win32GrowingFile>(h.Release());
  }
  why = "cannot find a free temporary name in " + folder;
  return nullptr;
}

std::string FolderTrustProblem(const std::string&) { return {}; }

// The settings live in the registry on Windows; the folders are written when used.
std::string FolderWriteProblem(const std::string&) { return {}; }

bool MakePrivateFolder(const std::string& folder, std::string& why) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    why = "cannot make the folder " + folder + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace bx
