#pragma once
// Shared by the tests of the Windows backends: a registry of its own below
// HKEY_CURRENT_USER for each test, and the peers that scripts/test-windows starts on the
// Linux side of Wine (named by environment variables; a test without its peer is skipped
// with the reason).
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/win32/Win32Registry.h"
#include "support/TimeScale.h"

namespace bx::wintest {

// Wine's ntdll exports its version; Windows' does not.
inline bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

inline constexpr const char* kTestRoot = "Software\\Brevantix Tests";

// Both hives as fresh keys below HKCU\Software\Brevantix Tests, removed with the maker.
struct RootedRegistryMaker {
  static constexpr bool kFoldsEveryLetter = true;
  static std::string RewriteKeepsTimeReason() {
    return UnderWine() ? "Wine's registry leaves a key's last-write time alone when a value is stored unchanged" : "";
  }
  static std::string NoRollbackReason() {
    return "the system's registry keeps the writes of a transaction's body that failed";
  }
  std::string root = Unique();
  std::unique_ptr<Registry> Make() { return std::make_unique<Win32Registry>(root + "\\HKCU", root + "\\HKLM"); }
  ~RootedRegistryMaker() {
    Win32Registry system;
    system.DeleteKey(Hive::CurrentUser, root);
  }
  static std::string Unique() {
    static std::atomic<int> n{0};
    return std::string(kTestRoot) + "\\" + std::to_string(::_getpid()) + "-" + std::to_string(n++);
  }
};

// The value of an environment variable the test script sets; "" when it is unset.
inline std::string Peer(const char* variable) {
  const char* v = std::getenv(variable);
  return v ? std::string(v) : std::string();
}

}  // namespace bx::wintest
