// The small system services on Windows: the loader with the in-tree pass-thru DLL, the
// system folder, the program's own path and the timer resolution.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "Win32Fixtures.h"
#include "platform/Library.h"
#include "platform/System.h"

namespace bx::wintest {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

TEST(Win32Library, LoadsTheDllAndFindsItsExports) {
  auto loader = MakeLibraryLoader();
  std::string error;
  auto lib = loader->Load(BX_PASSTHRU_DEMO_LIBRARY, error);
  ASSERT_TRUE(lib) << error;
  for (const char* name : {"PassThruOpen", "PassThruClose", "PassThruReadVersion"})
    EXPECT_NE(lib->Symbol(name), nullptr) << name;
  EXPECT_EQ(lib->Symbol("NoSuchExport"), nullptr);
  // A second load is a handle of its own: dropping it leaves the first usable.
  auto again = loader->Load(BX_PASSTHRU_DEMO_LIBRARY, error);
  ASSERT_TRUE(again) << error;
  again.reset();
  EXPECT_NE(lib->Symbol("PassThruOpen"), nullptr);
}

TEST(Win32Library, AFileThatIsNoLibraryIsRefusedWithASentence) {
  auto loader = MakeLibraryLoader();
  for (const std::string& path :
       {std::string(BX_SOURCE_DIR) + "/resources/demo/demo.rfw", std::string(BX_BINARY_DIR) + "/no-such-library.dll"}) {
    std::string error;
    EXPECT_FALSE(loader->Load(path, error)) << path;
    EXPECT_FALSE(error.empty()) << path;
  }
}

TEST(Win32System, FoldersAndProgramPathAreTheSystems) {
  char system[MAX_PATH] = {};
  ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 0u);
  const UserFolders folders = DefaultUserFolders();
  EXPECT_EQ(Lower(folders.systemDir), Lower(system));
  EXPECT_TRUE(std::filesystem::is_directory(folders.systemDir)) << folders.systemDir;
  EXPECT_EQ(Lower(std::filesystem::path(ProgramPath()).filename().string()), "windows_win32.exe");
  EXPECT_EQ(SystemSerialPortListing(), SerialPortListing::Registry);
}

TEST(Win32System, TimerResolutionLoadsAndPairsItsCalls) {
  auto timer = MakeTimerResolution();
  ASSERT_TRUE(timer->Load());
  timer->BeginPeriod(1);
  timer->EndPeriod(1);
  timer->Unload();
}

}  // namespace
}  // namespace bx::wintest
