// The window's small platform services on Windows: the version information of the
// program's own file, the multimedia timer's resolution, the system folder, the program's
// path. The ".rfw" file type is registered by the window's start-up writes in the
// registry, so there is no desktop integration beside them.
#include "platform/System.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "VersionRecord.h"
#include "platform/win32/Win32.h"

// After windows.h.
#include <shlobj.h>

namespace bx {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// One string of the version information's first translation; nullopt when missing.
std::optional<std::string> VersionString(const std::vector<char>& info, const std::string& name) {
  struct Translation {
    WORD language, codePage;
  };
  Translation* t = nullptr;
  UINT size = 0;
  if (!::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&t), &size) ||
      size < sizeof(Translation))
    return std::nullopt;
  char key[64];
  std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\", t->language, t->codePage);
  char* value = nullptr;
  if (!::VerQueryValueA(info.data(), (key + name).c_str(), reinterpret_cast<void**>(&value), &size) || !value)
    return std::nullopt;
  return std::string(value, size > 0 && value[size - 1] == '\0' ? size - 1 : size);
}

std::optional<VersionRecord> FileVersionRecord(const std::string& file) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<char> info(size);
  if (!::GetFileVersionInfoA(file.c_str(), 0, size, info.data())) return std::nullopt;
  auto product = VersionString(info, "ProductName");
  if (!product) return std::nullopt;
  VersionRecord v;
  v.productName = *product;
  v.internalName = VersionString(info, "InternalName").value_or("");
  v.fileVersion = VersionString(info, "FileVersion").value_or("");
  v.legalCopyright = VersionString(info, "LegalCopyright").value_or("");
  v.companyName = VersionString(info, "CompanyName").value_or("");
  v.comments = VersionString(info, "Comments").value_or("");
  v.support = VersionString(info, "Support").value_or("");
  return v;
}

// timeBeginPeriod and timeEndPeriod of winmm.dll, loaded at run time.
class WinmmTimerResolution : public TimerResolution {
 public:
  ~WinmmTimerResolution() override { Unload(); }
  bool Load() override {
    if (module_) return true;
    module_ = ::LoadLibraryA("winmm.dll");
    if (!module_) return false;
    begin_ = reinterpret_cast<Period>(reinterpret_cast<void*>(::GetProcAddress(module_, "timeBeginPeriod")));
    end_ = reinterpret_cast<Period>(reinterpret_cast<void*>(::GetProcAddress(module_, "timeEndPeriod")));
    if (begin_ && end_) return true;
    Unload();
    return false;
  }
  void BeginPeriod(int ms) override {
    if (begin_) begin_(static_cast<UINT>(ms));
  }
  void EndPeriod(int ms) override {
    if (end_) end_(static_cast<UINT>(ms));
  }
  void Unload() override {
    if (module_) ::FreeLibrary(module_);
    module_ = nullptr;
    begin_ = end_ = nullptr;
  }

 private:
  using Period = UINT(WINAPI*)(UINT);
  HMODULE module_ = nullptr;
  Period begin_ = nullptr;
  Period end_ = nullptr;
};

class NoDesktopIntegration : public DesktopIntegration {
 public:
  bool Install(const std::string&) override { return true; }
};

}  // namespace

// The record of the program's own file; a program built without one (a test) has the
// record it was compiled with.
std::optional<VersionRecord> BuiltInVersionRecord() {
  if (auto fromFile = FileVersionRecord(ProgramPath())) return fromFile;
  VersionRecord v;
  v.productName = BX_PRODUCT_NAME;
  v.internalName = BX_INTERNAL_NAME;
  v.fileVersion = BX_FILE_VERSION;
  v.legalCopyright = BX_COPYRIGHT;
  v.companyName = BX_COMPANY_NAME;
  v.comments = BX_WEB_ADDRESS;
  v.support = BX_SUPPORT_ADDRESS;
  return v;
}

SerialPortListing SystemSerialPortListing() { return SerialPortListing::Registry; }

std::unique_ptr<TimerResolution> MakeTimerResolution() { return std::make_unique<WinmmTimerResolution>(); }

// The driver goes where Windows keeps drivers: the system folder as the shell reports it
// (CSIDL_SYSTEM); the settings live in the registry, so the configuration folder only
// names a place. The ~/.passthru manifests are a Linux convention: no home for them here.
UserFolders DefaultUserFolders() {
  UserFolders f;
  char path[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_SYSTEM, nullptr, SHGFP_TYPE_CURRENT, path))) f.systemDir = path;
  f.dataDir = f.systemDir;
  const std::string appData = Env("APPDATA");
  f.configDir = appData.empty() ? std::string() : appData + "\\brevantix-configurator";
  return f;
}

std::string ProgramPath() {
  std::string path(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 6; ++attempt) {
    const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
  return {};
}

std::unique_ptr<DesktopIntegration> MakeDesktopIntegration(const std::string&) {
  return std::make_unique<NoDesktopIntegration>();
}

}  // namespace bx
