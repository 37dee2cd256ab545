// Loadable libraries on Windows: LoadLibraryA, GetProcAddress, FreeLibrary. A library
// that is missing, of the wrong machine type or missing a dependency of its own fails
// here with the system's reason. The system's own error box for a missing dependency is
// kept away, so a probe never stops on a dialog.
#include "platform/Library.h"

#include "platform/win32/Win32.h"

namespace bx {
namespace {

class Win32Library : public LoadedLibrary {
 public:
  explicit Win32Library(HMODULE module) : module_(module) {}
  ~Win32Library() override { ::FreeLibrary(module_); }
  Win32Library(const Win32Library&) = delete;
  Win32Library& operator=(const Win32Library&) = delete;

  void* Symbol(const std::string& name) override {
    if (name.empty() || name.find('\0') != std::string::npos) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(module_, name.c_str()));
  }

 private:
  HMODULE module_;
};

class Win32Loader : public LibraryLoader {
 public:
  std::unique_ptr<LoadedLibrary> Load(const std::string& path, std::string& error) override {
    if (path.empty() || path.find('\0') != std::string::npos) {
      error = "no library file is named";
      return nullptr;
    }
    DWORD old = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old);
    HMODULE module = ::LoadLibraryA(path.c_str());
    const DWORD err = ::GetLastError();
    ::SetThreadErrorMode(old, nullptr);
    if (!module) {
      error = "cannot load " + path + ": " + win32::ErrorText(err);
      return nullptr;
    }
    return std::make_unique<Win32Library>(module);
  }
};

}  // namespace

std::unique_ptr<LibraryLoader> MakeLibraryLoader() { return std::make_unique<Win32Loader>(); }

}  // namespace bx
