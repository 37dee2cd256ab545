// "Open with the shell" on Windows: ShellExecuteA with the default verb, no parameters,
// the given working folder, shown normally. It starts a program file as well as it opens
// an address, a mail link or a document with the program registered for it.
#include "platform/SystemServices.h"
#include "platform/win32/Win32.h"

// After windows.h.
#include <shellapi.h>

namespace bx {

namespace {
class Win32Shell : public Shell {
 public:
  bool Open(const std::string& target, const std::string& workingDir) override {
    if (target.empty() || target.find('\0') != std::string::npos) return false;
    const HINSTANCE r = ::ShellExecuteA(nullptr, nullptr, target.c_str(), nullptr,
                                        workingDir.empty() ? nullptr : workingDir.c_str(), SW_SHOWNORMAL);
    // The result is a number above 32 on success, for compatibility with 16-bit Windows.
    return reinterpret_cast<INT_PTR>(r) > 32;
  }
};
}  // namespace

std::unique_ptr<Shell> MakeSystemShell() { return std::make_unique<Win32Shell>(); }

}  // namespace bx
