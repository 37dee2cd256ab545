// Zip archives on Windows: the libzip unpacker writing through CreateFileA. A file is
// created with CREATE_NEW, which fails on anything of that name (a link included), and a
// folder only where none was; an existing folder must not be a reparse point (a link or
// a junction), so nothing in the destination is followed or overwritten. Each file is
// flushed to the disk before it counts.
#include <algorithm>

#include "platform/win32/Win32.h"
#include "platform/zip/ZipUnpacker.h"

namespace bx {
namespace {

std::string Native(std::string rel) {
  for (char& c : rel)
    if (c == '/') c = '\\';
  return rel;
}

class Win32File : public OutputFile {
 public:
  Win32File(HANDLE h, std::string rel) : h_(h), rel_(std::move(rel)) {}

  bool Write(const char* data, std::size_t size, std::string& error) override {
    for (std::size_t off = 0; off < size;) {
      DWORD w = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - off, 1 << 20));
      if (!::WriteFile(h_.get(), data + off, chunk, &w, nullptr) || w == 0) return Failed(error);
      off += w;
    }
    return true;
  }
  bool Finish(std::string& error) override {
    const bool flushed = ::FlushFileBuffers(h_.get()) != 0;
    const DWORD err = ::GetLastError();
    h_.Reset();
    if (flushed) return true;
    ::SetLastError(err);
    return Failed(error);
  }

 private:
  bool Failed(std::string& error) const {
    error = "cannot write " + rel_ + ": " + win32::ErrorText(::GetLastError());
    return false;
  }
  win32::Handle h_;
  std::string rel_;
};

class Win32Folder : public OutputFolder {
 public:
  explicit Win32Folder(std::string root) : root_(std::move(root)) {}

  bool MakeFolder(const std::string& rel, bool& created, std::string& error) override {
    const std::string path = Path(rel);
    created = ::CreateDirectoryA(path.c_str(), nullptr) != 0;
    if (created) return true;
    const DWORD err = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (err == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return true;
    error = "cannot make the folder " + rel + ": " + win32::ErrorText(err);
    return false;
  }
  std::unique_ptr<OutputFile> NewFile(const std::string& rel, std::string& error) override {
    HANDLE h = ::CreateFileA(Path(rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      error = "cannot write " + rel + ": " + win32::ErrorText(::GetLastError());
      return nullptr;
    }
    return std::make_unique<Win32File>(h, rel);
  }
  void RemoveFile(const std::string& rel) override { ::DeleteFileA(Path(rel).c_str()); }
  void RemoveFolder(const std::string& rel) override { ::RemoveDirectoryA(Path(rel).c_str()); }

 private:
  std::string Path(const std::string& rel) const { return root_ + "\\" + Native(rel); }
  std::string root_;
};

std::unique_ptr<OutputFolder> FolderAt(const std::string& destination) {
  return std::make_unique<Win32Folder>(destination);
}

}  // namespace

std::unique_ptr<ArchiveUnpacker> MakeArchiveUnpacker() { return std::make_unique<ZipUnpacker>(FolderAt); }

}  // namespace bx
