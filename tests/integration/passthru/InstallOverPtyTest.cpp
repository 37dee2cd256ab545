// The driver installation in real time: the whole window with its real link table, the
// simulated adapter on a pseudo-terminal handing out its driver, the real unpacker.
#include <gtest/gtest.h>

#include <algorithm>

#include "integration/update/SimWindow.h"
#include "passthru/PassThruPage.h"
#include "platform/Archive.h"
#include "platform/Library.h"
#include "support/ArchiveBuilder.h"
#include "support/PassThruWorld.h"

namespace bx::test {
namespace {

struct PtyCase {
  const char* name;
  std::vector<std::string> scenario;  // "key=value" settings of the simulator
  InstallResult result;
  std::string installed;  // edJ2534_Version_DLL afterwards ("": not checked, the transfer changed nothing)
  bool manifest = false;  // a library of this machine: the ~/.passthru manifest is written
};

void PrintTo(const PtyCase& c, std::ostream* os) { *os << c.name; }

class InstallOverPty : public ::testing::TestWithParam<PtyCase> {};

TEST_P(InstallOverPty, EndsAsTheAnswerAllows) {
  const PtyCase& c = GetParam();
  sim::Scenario s = SimWindow::DefaultScenario();
  sim::ScenarioLoader load(s);
  TempFolder files;
  for (std::string setting : c.scenario) {
    // "driver_file=@name" stands for a crafted archive written here.
    if (setting == "driver_file=@traversal")
      setting = "driver_file=" + files.Write("evil.zip", BuildArchive({{"../../evil.dll", "x"}}));
    if (setting == "driver_file=@library")
      setting = "driver_file=" +
                files.Write("lib.zip", BuildArchive({{"tvexrd32.dll", ReadFile(kDemoLibrary), kRegularFile, true}}));
    std::string error;
    ASSERT_TRUE(load.SetAssignment(setting, error)) << setting << ": " << error;
  }
  SimWindow w(s);
  TempFolder home;
  const std::string data = home.Path() + "/data";
  auto loader = MakeLibraryLoader();
  auto unpacker = MakeArchiveUnpacker();
  w.prepare = [&](AppContext& ctx) {
    ctx.folders.home = home.Path();
    ctx.folders.dataDir = data;
    ctx.libraries = loader.get();
    ctx.archives = unpacker.get();
  };
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(w.Search());
  PassThruControls& p = *w.form;
  ASSERT_TRUE(p.btJ2534_Install.Usable());
  p.btJ2534_Install.Click();
  const DriverInstaller& installer = w.form->Modules->passThru->Installer();
  EXPECT_EQ(installer.LastResult(), c.result) << installer.LastError();
  EXPECT_EQ(p.edJ2534_Version_DLL.Text(), c.installed);
  if (c.result == InstallResult::Installed) {
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(
        w.registry.ReadString(Hive::LocalMachine, std::string(kPassThruDevicesKey) + "\\dulMAR Company ::. - Brevantix",
                              "FunctionLibrary"),
        data + "/tvexrd32.dll");
    const bool manifest = std::filesystem::exists(home.Path() + "/.passthru/brevantix.json");
    EXPECT_EQ(manifest, c.manifest);
    const std::string remark =
        "The adapter's driver is a Windows library; Linux pass-thru programs cannot load it. "
        "Kept at " +
        data + "/tvexrd32.dll.";
    const auto& log = p.memJ2534.Lines();
    EXPECT_EQ(std::count(log.begin(), log.end(), remark), c.manifest ? 0 : 1) << p.memJ2534.Text();
  } else {
    EXPECT_FALSE(std::filesystem::exists(data + "/tvexrd32.dll"));
    EXPECT_FALSE(std::filesystem::exists(home.Path() + "/evil.dll"));
  }
  // The port was closed again: a search after the installation finds the adapter.
  EXPECT_TRUE(w.Search());
}

const PtyCase kPtyCases[] = {
    {"WindowsLibrary", {}, InstallResult::Installed, "4.4.12"},
    {"ZipArchive", {"driver_form=PK", "driver_version=4.4.13"}, InstallResult::Installed, "4.4.13"},
    {"TheInTreeLibraryCompressed", {"driver_file=@library"}, InstallResult::Installed, "4.4.12", true},
    {"ChunkedWithNoiseFirst",
     {"driver_prefix=\\r\\nBUSY\\r\\n", "chunk_size=700", "chunk_delay_ms=20"},
     InstallResult::Installed,
     "4.4.12"},
    {"ArchiveClimbingOut", {"driver_file=@traversal"}, InstallResult::Failed, "Not installed"},
    {"NoEnd", {"driver_end=0"}, InstallResult::Incomplete, ""},
    {"CutShort", {"driver_cut=2000"}, InstallResult::Incomplete, ""},
    {"LargerThanTheReadLimit", {"driver_size=70000"}, InstallResult::Incomplete, ""},
    {"Silent", {"silent=D"}, InstallResult::Incomplete, ""},
};

INSTANTIATE_TEST_SUITE_P(PassThru, InstallOverPty, ::testing::ValuesIn(kPtyCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace bx::test
