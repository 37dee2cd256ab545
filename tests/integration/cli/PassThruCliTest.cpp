// brevantix-cli passthru as a user runs it: the demo adapter's driver installed, checked,
// listed and probed, and a library registered through a ~/.passthru manifest.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/Process.h"

namespace bx {
namespace {

using test::BinaryPath;
using test::RunProgram;

const std::string kCli = BinaryPath("src/cli/brevantix-cli");

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

TEST(PassThruCli, TheDemoDriverIsInstalledCheckedListedAndProbed) {
  test::TempHome home;
  const std::string driver = home.Path() + "/data/brevantix-configurator/tvexrd32.dll";
  auto before = RunProgram({kCli, "passthru", "check"}, home.Env());
  EXPECT_EQ(before.exitCode, 1);
  EXPECT_EQ(before.out, "Installed:\tNot installed\n");
  auto due = RunProgram({kCli, "--demo", "passthru", "check"}, home.Env());
  EXPECT_EQ(due.exitCode, 3) << due.err;
  EXPECT_TRUE(Has(due.out, "update required")) << due.out;

  auto install = RunProgram({kCli, "--demo", "passthru", "install"}, home.Env());
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
  EXPECT_TRUE(Has(install.out, "Installed: 4.4.12\t" + driver)) << install.out;
  EXPECT_TRUE(std::filesystem::exists(home.Path() + "/.passthru/brevantix.json"));

  auto check = RunProgram({kCli, "--demo", "passthru", "check"}, home.Env());
  EXPECT_EQ(check.exitCode, 0) << check.err;
  EXPECT_EQ(check.out, "Installed:\t4.4.12\nAdapter driver:\t4.4.12\nup to date\n");

  auto list = RunProgram({kCli, "passthru", "list"}, home.Env());
  ASSERT_EQ(list.exitCode, 0) << list.err;
  // Registered twice (registry and manifest), listed once, as the registry has it.
  EXPECT_EQ(list.out, "dulMAR Company ::. - Brevantix\tdulMAR Company ::.\t" + driver + "\tregistry\n");

  auto probe = RunProgram({kCli, "passthru", "probe", "dulMAR Company ::. - Brevantix"}, home.Env());
  EXPECT_EQ(probe.exitCode, 0) << probe.err;
  EXPECT_TRUE(
      Has(probe.out, "Open Device - OK\n\nRead Version\nFirmware:\tBrevantix simulated adapter\nDLL:\t4.4.12\n"))
      << probe.out;
  // The device probed is remembered; --name reaches PassThruOpen.
  auto refused = RunProgram({kCli, "passthru", "probe", "--name", "fail"}, home.Env());
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_TRUE(Has(refused.out, "Open Device \"fail\" - ERROR")) << refused.out;
  EXPECT_TRUE(Has(refused.err, "PassThruOpen answered")) << refused.err;
}

TEST(PassThruCli, ALibraryRegisteredByAManifestIsListedAndProbed) {
  test::TempHome home;
  const std::string library = home.Path() + "/lib/libacme-j2534.so";
  std::filesystem::create_directories(home.Path() + "/lib");
  std::filesystem::create_directories(home.Path() + "/.passthru");
  std::filesystem::copy_file(BX_PASSTHRU_DEMO_LIBRARY, library);
  std::ofstream(home.Path() + "/.passthru/acme.json")
      << R"({"NAME": "Acme Link", "VENDOR": "Acme", "FUNCTION_LIB": ")" << library << R"(", "CAN": true})";
  std::ofstream(home.Path() + "/.passthru/broken.json") << "{";
  auto list = RunProgram({kCli, "passthru", "list"}, home.Env());
  ASSERT_EQ(list.exitCode, 0);
  EXPECT_EQ(list.out, "Acme Link\tAcme\t" + library + "\t" + home.Path() + "/.passthru/acme.json\n");
  EXPECT_TRUE(Has(list.err, "broken.json: not JSON")) << list.err;
  auto probe = RunProgram({kCli, "passthru", "probe", "Acme Link", "--name", "bench"}, home.Env());
  EXPECT_EQ(probe.exitCode, 0) << probe.err;
  EXPECT_TRUE(Has(probe.out, "Device:\tAcme Link\nDLL:\t" + library + "\nVendor:\tAcme\nName:\tAcme Link\n"))
      << probe.out;
  EXPECT_TRUE(Has(probe.out, "Open Device \"bench\" - OK")) << probe.out;
  EXPECT_EQ(RunProgram({kCli, "passthru", "probe", "Nobody"}, home.Env()).exitCode, 1);
  EXPECT_EQ(RunProgram({kCli, "passthru", "bogus"}, home.Env()).exitCode, 2);
}

}  // namespace
}  // namespace bx
