// The per-user desktop entry and MIME package: written for a program run from a build
// tree, left out for one installed with its own entries under PREFIX/share.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "platform/System.h"
#include "support/TempFile.h"

namespace bx {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* name;
  const char* programPath;  // relative to the temporary folder
  const char* systemEntry;  // a desktop entry made there first, or nullptr
  bool userEntriesWritten;
};

class DesktopIntegrationTest : public ::testing::TestWithParam<Case> {};

TEST_P(DesktopIntegrationTest, UserEntriesOnlyWithoutTheSystemOnes) {
  const Case& c = GetParam();
  test::TempFolder tmp;
  const fs::path root(tmp.Path());
  if (c.systemEntry) {
    fs::create_directories((root / c.systemEntry).parent_path());
    tmp.Write(c.systemEntry, "[Desktop Entry]\n");
  }
  const fs::path home = root / "home";
  auto desktop = MakeDesktopIntegration(home.string());
  EXPECT_TRUE(desktop->Install((root / c.programPath).string())) << c.name;
  EXPECT_EQ(fs::exists(home / "applications" / "brevantix-configurator.desktop"), c.userEntriesWritten) << c.name;
  EXPECT_EQ(fs::exists(home / "mime" / "packages" / "brevantix-firmware.xml"), c.userEntriesWritten) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DesktopIntegrationTest,
    ::testing::Values(Case{"build tree", "build/src/view/qt/brevantix-configurator", nullptr, true},
                      Case{"installed", "usr/bin/brevantix-configurator",
                           "usr/share/applications/brevantix-configurator.desktop", false},
                      Case{"bin without the system entry", "opt/x/bin/brevantix-configurator", nullptr, true},
                      Case{"entry of another prefix", "usr/local/bin/brevantix-configurator",
                           "usr/share/applications/brevantix-configurator.desktop", true}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

}  // namespace
}  // namespace bx
