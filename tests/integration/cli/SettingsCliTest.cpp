// A CLI run leaves behind nothing that changes the window: the stored window position as
// it found it, and no file type pointing at a program that cannot open a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/RegistryExport.h"
#include "platform/posix/SqliteRegistry.h"
#include "settings/Settings.h"
#include "support/FormFixture.h"
#include "support/Process.h"
#include "window/Unitmain.h"

namespace bx {
namespace {

using test::BinaryPath;
using test::RunProgram;

const std::string kCli = BinaryPath("src/cli/brevantix-cli");

std::string StorePath(const test::TempHome& home) {
  return home.Path() + "/config/brevantix-configurator/registry.sqlite3";
}

std::optional<int32_t> Stored(const test::TempHome& home, Hive hive, const char* name) {
  SqliteRegistry r(StorePath(home));
  return r.ReadInteger(hive, kSettingsKey, name);
}

TEST(SettingsCli, ARunLeavesTheStoredWindowPositionAsItFoundIt) {
  struct Case {
    const char* name;
    std::optional<int32_t> top, left;  // stored before the run
  };
  for (const Case& c : {Case{"first run: none", std::nullopt, std::nullopt}, Case{"a stored position", 40, 60}}) {
    SCOPED_TRACE(c.name);
    test::TempHome home;
    ASSERT_EQ(RunProgram({kCli, "registry"}, home.Env()).exitCode, 0);  // makes the store
    if (c.top) {
      SqliteRegistry r(StorePath(home));
      for (const Hive h : {Hive::CurrentUser, Hive::LocalMachine}) {
        r.WriteInteger(h, kSettingsKey, "WinTop", *c.top);
        r.WriteInteger(h, kSettingsKey, "WinLeft", *c.left);
      }
    }
    ASSERT_EQ(RunProgram({kCli, "ports"}, home.Env()).exitCode, 0);
    for (const Hive h : {Hive::CurrentUser, Hive::LocalMachine}) {
      EXPECT_EQ(Stored(home, h, "WinTop"), c.top) << HiveName(h);
      EXPECT_EQ(Stored(home, h, "WinLeft"), c.left) << HiveName(h);
    }
    // The rest of the close sequence still runs.
    EXPECT_EQ(Stored(home, Hive::LocalMachine, "SortCol"), 0);
  }
}

// The command line starts and closes as the window does: a run leaves the store that the
// window model's creation and close leave (the window program registered alike). The CLI
// runs from a folder of its own with a window program beside it, so that the case holds
// in trees built without the window too.
TEST(SettingsCli, ARunLeavesTheStoreTheWindowLeaves) {
  namespace fs = std::filesystem;
  test::TempHome home;
  const fs::path bin = fs::path(home.Path()) / "bin";
  fs::create_directories(bin);
  fs::copy_file(kCli, bin / "brevantix-cli");
  const fs::path window = bin / "brevantix-configurator";
  { std::ofstream(window) << "#!/bin/sh\n"; }
  fs::permissions(window, fs::perms::owner_all);
  ASSERT_EQ(RunProgram({(bin / "brevantix-cli").string(), "ports"}, home.Env()).exitCode, 0);
  SqliteRegistry cli(StorePath(home));
  const std::string left = ExportRegedit4(cli);
  EXPECT_NE(left.find("\"SortCol\""), std::string::npos) << left;
  EXPECT_NE(left.find(fs::weakly_canonical(window).string()), std::string::npos) << left;

  test::FormWorld w;
  AppContext c = w.Context();
  c.programPath = fs::weakly_canonical(window).string();
  c.hasView = false;
  w.form = std::make_unique<TfrmMain>(std::move(c));
  w.form->FormShow();
  ASSERT_TRUE(w.form->Close());
  EXPECT_EQ(ExportRegedit4(w.registry), left);
}

// Copied where no window program stands beside it, the CLI does not make itself the
// program that opens ".rfw" files (it would answer "unknown command").
TEST(SettingsCli, WithoutAWindowProgramBesideItNoFileTypeIsRegistered) {
  test::TempHome home;
  namespace fs = std::filesystem;
  const fs::path lone = fs::path(home.Path()) / "bin" / "brevantix-cli";
  fs::create_directories(lone.parent_path());
  fs::copy_file(kCli, lone);
  ASSERT_EQ(RunProgram({lone.string(), "ports"}, home.Env()).exitCode, 0);
  SqliteRegistry r(StorePath(home));
  for (const Hive h : {Hive::CurrentUser, Hive::LocalMachine}) {
    EXPECT_FALSE(r.ReadValue(h, "SOFTWARE\\Classes\\.rfw", "")) << HiveName(h);
    EXPECT_FALSE(r.ReadValue(h, "SOFTWARE\\Classes\\Brevantix_Firmware\\shell\\open\\command", ""));
  }
  EXPECT_FALSE(fs::exists(home.Path() + "/data/applications"));
}

}  // namespace
}  // namespace bx
