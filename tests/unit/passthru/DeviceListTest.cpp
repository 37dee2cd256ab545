// The device list: the registry's devices and the ~/.passthru manifests, the remembered
// device, the duplicate rule, page entry and the buttons that follow the selection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/PassThruWorld.h"

namespace bx::test {
namespace {

using ::testing::ElementsAre;

struct ListCase {
  const char* name;
  std::vector<std::string> registry;                           // device keys
  std::vector<std::pair<std::string, std::string>> manifests;  // file, text
  std::string remembered;
  std::vector<std::string> listed;
  std::vector<std::string> sources;  // "registry" or the manifest's file name
  int selected;
  std::vector<std::string> skipped;  // manifest files named in the log
};

std::string M(const std::string& name, const std::string& lib = "/usr/lib/x.so") {
  return R"({"NAME": ")" + name + R"(", "FUNCTION_LIB": ")" + lib + R"("})";
}

const ListCase kLists[] = {
    {"ThreeRegisteredTheSecondRemembered",
     {"Alpha", "Bravo", "Charlie"},
     {},
     "Bravo",
     {"Alpha", "Bravo", "Charlie"},
     {"registry", "registry", "registry"},
     1,
     {}},
    {"ManifestsByFileNameAfterTheRegistry",
     {"Zulu"},
     {{"b.json", M("Second")}, {"a.json", M("First")}},
     "First",
     {"Zulu", "First", "Second"},
     {"registry", "a.json", "b.json"},
     1,
     {}},
    {"ANameInBothShowsOnceAsTheRegistryHasIt",
     {"Shared"},
     {{"shared.json", M("shared")}, {"own.json", M("Own")}},
     "",
     {"Shared", "Own"},
     {"registry", "own.json"},
     -1,
     {}},
    {"BadManifestsAreSkippedAndNamed",
     {},
     {{"broken.json", "{\"NAME\": "},
      {"noname.json", R"({"FUNCTION_LIB": "/x.so"})"},
      {"nolib.json", R"({"NAME": "NoLib"})"},
      {"relative.json", M("Rel", "lib/x.so")},
      {"array.json", "[1, 2]"},
      {"good.json", M("Good")},
      {"notes.txt", M("NotAManifest")}},
     "Good",
     {"Good"},
     {"good.json"},
     0,
     {"array.json", "broken.json", "nolib.json", "noname.json", "relative.json"}},
    {"ARememberedDeviceNoLongerListedSelectsNothing", {"Alpha"}, {}, "Gone", {"Alpha"}, {"registry"}, -1, {}},
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class DeviceList : public ::testing::TestWithParam<ListCase> {};

TEST_P(DeviceList, ListsSelectsAndSkips) {
  const ListCase& c = GetParam();
  PassThruWorld w;
  for (const auto& name : c.registry) w.RegisterDevice(name, "/usr/lib/" + name + ".so", "", "Acme");
  for (const auto& [file, text] : c.manifests) w.WriteManifest(file, text);
  if (!c.remembered.empty()) w.registry.WriteString(Hive::CurrentUser, kSettingsKey, "Device", c.remembered);
  w.Open();
  w.P().btJ2534_Refresh.Click();

  EXPECT_EQ(w.P().cbJ2534_Devices.Items(), c.listed);
  EXPECT_EQ(w.P().cbJ2534_Devices.ItemIndex(), c.selected);
  std::vector<std::string> sources;
  for (const PassThruDevice& d : w.Page().Devices())
    sources.push_back(d.source == kRegistrySource ? d.source : std::filesystem::path(d.source).filename().string());
  EXPECT_EQ(sources, c.sources);
  std::vector<std::string> skipped;
  for (const std::string& line : w.Log()) {
    // "<path>: <why>", the path in the platform's spelling ("C:\\...\\x.json" on Windows).
    const std::string head = "Skipped the pass-thru manifest ";
    if (line.rfind(head, 0) != 0) continue;
    const std::filesystem::path file = line.substr(head.size(), line.find(": ", head.size()) - head.size());
    EXPECT_TRUE(std::filesystem::equivalent(file.parent_path(), w.home + "/.passthru")) << line;
    skipped.push_back(file.filename().string());
  }
  EXPECT_EQ(skipped, c.skipped);
  EXPECT_EQ(w.P().btJ2534_Load.Enabled(), c.selected >= 0);
  EXPECT_EQ(w.P().btJ2534_Info.Enabled(), c.selected >= 0);
}

INSTANTIATE_TEST_SUITE_P(PassThru, DeviceList, ::testing::ValuesIn(kLists),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PassThruDeviceList, TheRememberedDeviceFillsTheFieldsAndAChoiceIsStoredAtOnce) {
  PassThruWorld w;
  w.RegisterDevice("Alpha", "/usr/lib/alpha.so", "/usr/bin/alpha-config");
  w.RegisterDevice("Bravo", "/usr/lib/bravo.so");
  w.registry.WriteString(Hive::CurrentUser, kSettingsKey, "Device", "Alpha");
  w.Open();
  w.P().btJ2534_Refresh.Click();
  EXPECT_EQ(w.P().edJ2534_Config.Text(), "/usr/bin/alpha-config");
  EXPECT_EQ(w.P().edJ2534_DLL.Text(), "/usr/lib/alpha.so");
  EXPECT_TRUE(w.P().btJ2534_Config.Enabled());

  ASSERT_TRUE(w.Choose("Bravo"));
  for (Hive h : {Hive::CurrentUser, Hive::LocalMachine})
    EXPECT_EQ(w.registry.ReadString(h, kSettingsKey, "Device"), "Bravo");
  EXPECT_EQ(w.P().edJ2534_Config.Text(), "");
  EXPECT_EQ(w.P().edJ2534_DLL.Text(), "/usr/lib/bravo.so");
  EXPECT_FALSE(w.P().btJ2534_Config.Enabled());  // no configuration program registered
}

TEST(PassThruDeviceList, ReadPassThruValueAnswersFromEitherSource) {
  PassThruWorld w;
  w.RegisterDevice("Reg", "/usr/lib/reg.so", "/usr/bin/reg-config", "Acme", "Reg Device");
  w.WriteManifest("lin.json", R"({"NAME": "Lin", "VENDOR": "Linux Co", "FUNCTION_LIB": "/opt/lin.so",
                                  "CONFIG_APP": "/opt/lin-config", "CAN": true})");
  w.Open();
  PassThruPage& page = w.Page();
  const std::pair<const char*, const char*> reg[] = {{"FunctionLibrary", "/usr/lib/reg.so"},
                                                     {"ConfigApplication", "/usr/bin/reg-config"},
                                                     {"Vendor", "Acme"},
                                                     {"Name", "Reg Device"}};
  for (auto [value, expected] : reg) EXPECT_EQ(page.ReadPassThruValue("Reg", value), expected) << value;
  const std::pair<const char*, const char*> lin[] = {{"FunctionLibrary", "/opt/lin.so"},
                                                     {"ConfigApplication", "/opt/lin-config"},
                                                     {"Vendor", "Linux Co"},
                                                     {"Name", "Lin"}};
  for (auto [value, expected] : lin) EXPECT_EQ(page.ReadPassThruValue("Lin", value), expected) << value;
  EXPECT_EQ(page.ReadPassThruValue("Nobody", "FunctionLibrary"), "");
}

TEST(PassThruDeviceList, ConfigStartsTheProgramInItsOwnFolder) {
  PassThruWorld w;
  w.RegisterDevice("Alpha", "/usr/lib/alpha.so", "/opt/alpha/bin/setup");
  w.Open();
  w.P().btJ2534_Refresh.Click();
  ASSERT_TRUE(w.Choose("Alpha"));
  w.P().btJ2534_Config.Click();
  ASSERT_EQ(w.shell.calls.size(), 1u);
  EXPECT_EQ(w.shell.calls[0].target, "/opt/alpha/bin/setup");
  EXPECT_EQ(w.shell.calls[0].workingDir, "/opt/alpha/bin");
}

TEST(PassThruDeviceList, PageEntryWithADriverOfferedRefreshesAndChecksTheVersion) {
  PassThruWorld w;
  w.RegisterDevice("Alpha", "/usr/lib/alpha.so");
  TfrmMain& f = w.Open("4.4.12");
  f.pbJ2534_Install.SetPosition(40);
  f.pcOptions.UserSelect(3);
  EXPECT_THAT(w.P().cbJ2534_Devices.Items(), ElementsAre("Alpha"));
  EXPECT_EQ(f.pbJ2534_Install.Position(), 0);
  EXPECT_EQ(f.edJ2534_Version_DLL.Text(), "Not installed");
  EXPECT_FALSE(f.lbJ2534_Message.Visible());
}

TEST(PassThruDeviceList, AClickOnTheListRunsThePortListRule) {
  PassThruWorld w;
  w.RegisterDevice("Alpha", "/usr/lib/alpha.so");
  TfrmMain& f = w.Open();
  w.P().btJ2534_Refresh.Click();
  f.cbCOM.SetItemIndex(-1);  // no port chosen: Search has nothing to act on
  f.btSearch.SetEnabled(true);
  w.P().cbJ2534_Devices.UserSelect(0);
  EXPECT_FALSE(f.btSearch.Enabled());
}

TEST(PassThruDeviceList, TheCopyButtonFollowsTheLog) {
  PassThruWorld w;
  w.Open();
  EXPECT_FALSE(w.P().btJ2534_Copy.Enabled());
  w.WriteManifest("bad.json", "not json");
  w.P().btJ2534_Refresh.Click();
  ASSERT_TRUE(w.P().btJ2534_Copy.Enabled());
  w.P().btJ2534_Copy.Click();
  EXPECT_EQ(w.clipboard.Text(), w.P().memJ2534.Text());
}

}  // namespace
}  // namespace bx::test
