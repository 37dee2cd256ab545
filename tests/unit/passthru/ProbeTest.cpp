// The library probe against the in-tree pass-thru library: the Read Info log line by line,
// and each way a probe can fail.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "passthru/PassThruLibrary.h"
#include "platform/fake/FakeLibraries.h"
#include "support/PassThruWorld.h"

namespace bx::test {
namespace {

using Lines = std::vector<std::string>;

const Lines kVersionLines = {"Read Version", "Firmware:\tBrevantix simulated adapter", "DLL:\t4.4.12", "API:\t04.04",
                             ""};

Lines Join(std::initializer_list<Lines> parts) {
  Lines out;
  for (const Lines& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Lines Loaded(const std::string& device, const std::string& library, const std::string& vendor,
             const std::string& name) {
  return {"Device:\t" + device, "DLL:\t" + library, "Vendor:\t" + vendor, "Name:\t" + name, ""};
}

const Lines kClosedAndUnloaded = {"Close Device - OK", "", "Unload DLL", ""};

TEST(PassThruProbe, ReadInfoOnTheInTreeLibraryLogsTheWholeProbe) {
  PassThruWorld w;
  w.RegisterDevice("Demo", kDemoLibrary, "", "dulMAR Company ::.", "Brevantix");
  w.Open();
  w.P().btJ2534_Refresh.Click();
  ASSERT_TRUE(w.Choose("Demo"));
  w.P().btJ2534_Info.Click();
  EXPECT_EQ(w.Log(), Join({Loaded("Demo", kDemoLibrary, "dulMAR Company ::.", "Brevantix"),
                           {"Open Device - OK", ""},
                           kVersionLines,
                           kClosedAndUnloaded}));
  EXPECT_TRUE(w.Page().Probe().InfoComplete());
  EXPECT_FALSE(w.Page().Probe().Loaded());
  EXPECT_EQ(w.P().btJ2534_Load.Caption(), "Load");
  EXPECT_TRUE(w.P().cbJ2534_Devices.Enabled());
}

TEST(PassThruProbe, ALibraryRegisteredByAManifestIsProbedAsWell) {
  PassThruWorld w;
  // The in-tree library under another name, as a Linux J2534 program would find it.
  const std::string copy = w.temp.Path() + "/libother-j2534.so";
  std::filesystem::copy_file(kDemoLibrary, copy);
  w.WriteManifest("other.json", w.Manifest("Other Device", copy, "Other Vendor"));
  w.Open();
  w.P().btJ2534_Refresh.Click();
  ASSERT_TRUE(w.Choose("Other Device"));
  EXPECT_EQ(w.P().edJ2534_DLL.Text(), copy);
  w.P().edJ2534_Name.SetText("bench");
  w.P().btJ2534_Info.Click();
  EXPECT_EQ(w.Log(), Join({Loaded("Other Device", copy, "Other Vendor", "Other Device"),
                           {"Open Device \"bench\" - OK", ""},
                           kVersionLines,
                           kClosedAndUnloaded}));
}

// A library with only some of its entry points: the in-tree library's own, handed out by
// the fake loader.
struct PartialLibrary {
  std::unique_ptr<LibraryLoader> real = MakeLibraryLoader();
  std::unique_ptr<LoadedLibrary> lib;
  FakeLibraryLoader fake;
  PartialLibrary(const std::string& path, const std::vector<const char*>& exports) {
    std::string error;
    lib = real->Load(kDemoLibrary, error);
    std::map<std::string, void*> symbols;
    for (const char* name : exports) symbols[name] = lib->Symbol(name);
    fake.Add(path, symbols);
  }
};

struct FailCase {
  const char* name;
  std::string library;                   // registered FunctionLibrary
  std::string deviceName;                // edJ2534_Name
  std::vector<const char*> onlyExports;  // empty: the real library
  Lines log;                             // after "Device:\t..." and "DLL:\t..."
  bool complete;
};

const FailCase kFailures[] = {
    {"LibraryMissing", "/nonexistent/libnothing.so", "", {}, {"DLL:\t/nonexistent/libnothing.so - ERROR", ""}, false},
    {"NoLibraryRegistered", "", "", {}, {"DLL:\t - ERROR", ""}, false},
    {"OpenFails",
     kDemoLibrary,
     "fail",
     {},
     Join({{"DLL:\t" + kDemoLibrary, "Vendor:\tAcme", "Name:\tDev", ""},
           {"Open Device \"fail\" - ERROR", "PassThruOpen: ERR_DEVICE_NOT_CONNECTED - device not connected", ""},
           {"Unload DLL", ""}}),
     false},
    {"VersionFailsWithTheStatusAndTheLibrarysText",
     kDemoLibrary,
     "noversion",
     {},
     Join({{"DLL:\t" + kDemoLibrary, "Vendor:\tAcme", "Name:\tDev", ""},
           {"Open Device \"noversion\" - OK", ""},
           {"Read Version - ERROR", "PassThruReadVersion: ERR_FAILED - the device did not tell its version", ""},
           kClosedAndUnloaded}),
     false},
    {"OpenEntryPointMissing",
     "/fake/partial.so",
     "",
     {"PassThruClose", "PassThruReadVersion"},
     Join({{"DLL:\t/fake/partial.so", "Vendor:\tAcme", "Name:\tDev", ""},
           {"Open Device - ERROR", "PassThruOpen: the library has no PassThruOpen", ""},
           {"Unload DLL", ""}}),
     false},
    {"VersionEntryPointMissing",
     "/fake/partial.so",
     "",
     {"PassThruOpen", "PassThruClose"},
     Join({{"DLL:\t/fake/partial.so", "Vendor:\tAcme", "Name:\tDev", ""},
           {"Open Device - OK", ""},
           {"Read Version - ERROR", "PassThruReadVersion: the library has no PassThruReadVersion", ""},
           kClosedAndUnloaded}),
     false},
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class ProbeFailure : public ::testing::TestWithParam<FailCase> {};

TEST_P(ProbeFailure, LogsAndEndsUnloaded) {
  const FailCase& c = GetParam();
  PassThruWorld w;
  std::unique_ptr<PartialLibrary> partial;
  if (!c.onlyExports.empty()) partial = std::make_unique<PartialLibrary>(c.library, c.onlyExports);
  w.RegisterDevice("Dev", c.library);
  w.Open(kDemoLibraryVersion, partial ? &partial->fake : nullptr);
  w.P().btJ2534_Refresh.Click();
  ASSERT_TRUE(w.Choose("Dev"));
  w.P().edJ2534_Name.SetText(c.deviceName);
  w.P().btJ2534_Info.Click();
  EXPECT_EQ(w.Log(), Join({{"Device:\tDev"}, c.log}));
  EXPECT_EQ(w.Page().Probe().InfoComplete(), c.complete);
  EXPECT_FALSE(w.Page().Probe().Loaded());
  EXPECT_FALSE(w.Page().Probe().LastError().empty());
  if (partial) {
    EXPECT_EQ(partial->fake.Loaded(), 0);
    // Every entry point is looked up at load, in the published order.
    EXPECT_EQ(partial->fake.lookups, std::vector<std::string>(j2534::kEntryPoints.begin(), j2534::kEntryPoints.end()));
  }
}

INSTANTIATE_TEST_SUITE_P(PassThru, ProbeFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PassThruProbe, TheButtonsFollowTheLibraryAndTheDevice) {
  PassThruWorld w;
  w.RegisterDevice("Demo", kDemoLibrary);
  w.Open();
  auto& p = w.P();
  p.btJ2534_Refresh.Click();
  ASSERT_TRUE(w.Choose("Demo"));
  EXPECT_FALSE(p.btJ2534_Open.Enabled());
  p.btJ2534_Load.Click();
  EXPECT_EQ(p.btJ2534_Load.Caption(), "Unload");
  EXPECT_FALSE(p.cbJ2534_Devices.Enabled());
  EXPECT_FALSE(p.btJ2534_Refresh.Enabled());
  EXPECT_TRUE(p.btJ2534_Open.Enabled());
  EXPECT_FALSE(p.btJ2534_Version.Enabled());
  p.btJ2534_Open.Click();
  EXPECT_EQ(p.btJ2534_Open.Caption(), "Close");
  ASSERT_TRUE(p.btJ2534_Version.Enabled());
  p.btJ2534_Version.Click();
  // Unload with the device open closes it first.
  p.btJ2534_Load.Click();
  EXPECT_EQ(
      w.Log(),
      Join(
          {Loaded("Demo", kDemoLibrary, "Acme", "Demo"), {"Open Device - OK", ""}, kVersionLines, kClosedAndUnloaded}));
  EXPECT_EQ(p.btJ2534_Open.Caption(), "Open");
  EXPECT_FALSE(p.btJ2534_Open.Enabled());
  EXPECT_FALSE(p.btJ2534_Version.Enabled());
  EXPECT_TRUE(p.cbJ2534_Devices.Enabled());
  EXPECT_TRUE(p.btJ2534_Refresh.Enabled());
}

TEST(PassThruProbe, ClosingTheWindowUnloadsTheLibrary) {
  PassThruWorld w;
  PartialLibrary partial("/fake/all.so", {j2534::kEntryPoints.begin(), j2534::kEntryPoints.end()});
  w.RegisterDevice("Dev", "/fake/all.so");
  w.Open(kDemoLibraryVersion, &partial.fake);
  w.P().btJ2534_Refresh.Click();
  ASSERT_TRUE(w.Choose("Dev"));
  w.P().btJ2534_Load.Click();
  w.P().btJ2534_Open.Click();
  ASSERT_EQ(partial.fake.Loaded(), 1);
  ASSERT_TRUE(w.Close());
  EXPECT_EQ(partial.fake.Loaded(), 0);
}

}  // namespace
}  // namespace bx::test
