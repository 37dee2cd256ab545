// The driver installation against a scripted adapter: what is placed and registered for
// each form of driver, the progress figures, the answers that bring no whole file, the
// archives that are refused, and Check Version.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "support/ArchiveBuilder.h"
#include "support/PassThruWorld.h"
#include "support/ScopedGlobals.h"

namespace bx::test {
namespace {

const std::string kKey = "SOFTWARE\\PassThruSupport.04.04\\dulMAR Company ::. - Brevantix";
const Bytes kNew = MarkedLibrary("4.4.12");
const Bytes kOld = MarkedLibrary("4.3.0", 1024);

struct InstallWorld : PassThruWorld {
  std::vector<int> progress;  // every position the bar passed through

  TfrmMain& OpenWithAnswer(const Bytes& answer) {
    TfrmMain& f = Open();
    replies[driverCommand] = answer;
    f.pbJ2534_Install.Changed.Connect([this] {
      const int p = P().pbJ2534_Install.Position();
      if (progress.empty() || progress.back() != p) progress.push_back(p);
    });
    return f;
  }
  void PutOldDriver() {
    std::filesystem::create_directories(data);
    std::ofstream(DriverPath(), std::ios::binary) << kOld;
  }
  InstallResult Install() {
    P().btJ2534_Install.Click();
    return Page().Installer().LastResult();
  }
};

// The ELF header of this test program: a library with it is one of this machine's.
Bytes OwnElfHeader() {
  Bytes header(64, '\0');
  std::ifstream("/proc/self/exe", std::ios::binary).read(header.data(), 64);
  return header;
}

// The same header for another machine (ARM64, or x86-64 where this one is ARM64).
Bytes ForeignElfHeader() {
  Bytes h = OwnElfHeader();
  const bool x86 = h[18] == 62 && h[19] == 0;
  h[18] = static_cast<char>(x86 ? 183 : 62);
  h[19] = 0;
  return h;
}

const std::string kWindowsRemark = "a Windows library";

struct PlacedCase {
  const char* name;
  Bytes answer;
  std::map<std::string, Bytes> placed;  // the data folder afterwards
  std::string foreign;                  // what the remark calls the library ("": none, a manifest)
};

std::vector<PlacedCase> PlacedCases() {
  const Bytes elf = MarkedLibrary("4.4.12", 2048, OwnElfHeader());
  const Bytes arm = MarkedLibrary("4.4.12", 2048, ForeignElfHeader());
  const std::string other = ForeignElfHeader()[18] == char(183) ? "ARM64 (64-bit)" : "x86-64 (64-bit)";
  const std::string own = other == "ARM64 (64-bit)" ? "x86-64 (64-bit)" : "ARM64 (64-bit)";
  return {
      {"WindowsLibrary", DriverAnswer(kNew), {{"tvexrd32.dll", kNew}}, kWindowsRemark},
      {"ElfLibraryOfThisMachine", DriverAnswer(elf), {{"tvexrd32.dll", elf}}, ""},
      {"ElfLibraryOfAnotherMachine",
       DriverAnswer(arm),
       {{"tvexrd32.dll", arm}},
       "an ELF library for " + other + ", not for this " + own + " machine"},
      {"NoiseBeforeTheBegin", "\r\nOK\r\n" + DriverAnswer(kNew), {{"tvexrd32.dll", kNew}}, kWindowsRemark},
      {"ZipArchive", DriverAnswer(BuildArchive({{"tvexrd32.dll", kNew}})), {{"tvexrd32.dll", kNew}}, kWindowsRemark},
      {"ZipArchiveOfAnElfLibrary", DriverAnswer(BuildArchive({{"tvexrd32.dll", elf}})), {{"tvexrd32.dll", elf}}, ""},
      {"CompressedArchiveWithCompanions",
       DriverAnswer(BuildArchive({{"docs/", ""},
                                  {"docs/readme.txt", "read me", kRegularFile, true},
                                  {"TVEXRD32.DLL", kNew, kRegularFile, true}})),
       {{"docs", "<folder>"}, {"docs/readme.txt", "read me"}, {"tvexrd32.dll", kNew}},
       kWindowsRemark},
  };
}

void PrintTo(const PlacedCase& c, std::ostream* os) { *os << c.name; }

class DriverPlaced : public ::testing::TestWithParam<PlacedCase> {};

TEST_P(DriverPlaced, IsWrittenRegisteredAndCheckedGreen) {
  const PlacedCase& c = GetParam();
  InstallWorld w;
  w.PutOldDriver();
  w.WriteManifest("brevantix.json", w.Manifest("dulMAR Company ::. - Brevantix", w.DriverPath()));
  TfrmMain& f = w.OpenWithAnswer(c.answer);
  EXPECT_EQ(w.Install(), InstallResult::Installed) << w.Page().Installer().LastError();
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(w.DataFolder(), c.placed);  // no archive or temporary file is left behind
  EXPECT_EQ(w.commands, std::vector<Bytes>{w.driverCommand});
  EXPECT_FALSE(w.link.IsOpen());

  for (Hive h : {Hive::CurrentUser, Hive::LocalMachine}) {
    EXPECT_EQ(w.registry.ReadString(h, kKey, "Vendor"), "dulMAR Company ::.");
    EXPECT_EQ(w.registry.ReadString(h, kKey, "Name"), "Brevantix");
    EXPECT_EQ(w.registry.ReadString(h, kKey, "ConfigApplication"), "/opt/brevantix/brevantix-configurator");
    EXPECT_EQ(w.registry.ReadString(h, kKey, "FunctionLibrary"), w.DriverPath());
    EXPECT_EQ(w.registry.ValueNames(h, kKey).size(), 4u + 23u);
    EXPECT_EQ(w.registry.ReadInteger(h, kKey, "CAN"), 1);
    EXPECT_EQ(w.registry.ReadInteger(h, kKey, "SCI_B_TRANS"), 0);
    EXPECT_EQ(w.registry.ReadInteger(h, kKey, "UART_ECHO_BYTE_PS"), 1);
  }
  EXPECT_EQ(f.settings.SettingsKey, kSettingsKey);

  // The manifest Linux J2534 programs read, and only it, in the manifest folder; none for
  // a library they cannot load (and the one an earlier installation left is gone).
  // Only a Linux installation judges whether pass-thru programs can load the library (they
  // read the manifest); on Windows the driver is registered as it is, with no remark.
#ifdef _WIN32
  const std::string foreign;
#else
  const std::string foreign = c.foreign;
#endif
  const std::string remark = "The adapter's driver is " + foreign +
                             "; Linux pass-thru programs cannot load it. Kept at " + w.DriverPath() + ".";
  if (foreign.empty()) {
    std::string why;
    const auto manifest = ParseManifest(ReadFile(w.home + "/.passthru/brevantix.json"), why);
    ASSERT_TRUE(manifest) << why;
    EXPECT_EQ(manifest->name, "dulMAR Company ::. - Brevantix");
    EXPECT_EQ(manifest->vendor, "dulMAR Company ::.");
    EXPECT_EQ(manifest->functionLibrary, w.DriverPath());
    EXPECT_EQ(manifest->configApplication, "/opt/brevantix/brevantix-configurator");
    EXPECT_EQ(manifest->protocols.size(), 23u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(w.home + "/.passthru"), {}), 1);
    EXPECT_TRUE(w.Log().empty());
  } else {
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(w.home + "/.passthru"), {}), 0);
    EXPECT_EQ(w.Log(), std::vector<std::string>{remark});
    EXPECT_EQ(w.Page().Installer().ForeignRemark(), remark);
  }

  // Marquee back to 0, 30, 10 for each of the four texts, 23 steps of 1, then the maximum.
  std::vector<int> expected = {0, 30, 40, 50, 60, 70};
  for (int p = 71; p <= 93; ++p) expected.push_back(p);
  expected.push_back(100);
  EXPECT_EQ(w.progress, expected);

  EXPECT_EQ(f.edJ2534_Version_DLL.Text(), "4.4.12");
  EXPECT_TRUE(f.shJ2534_Version_DLL.Visible());
  EXPECT_EQ(f.shJ2534_Version_DLL.BrushColor(), ui::clr::Lime);
  EXPECT_EQ(f.shJ2534_Install.BrushColor(), ui::clr::Lime);
  // The device list was refreshed: the new registration is listed.
  EXPECT_THAT(f.cbJ2534_Devices.Items(), ::testing::Contains("dulMAR Company ::. - Brevantix"));

  // Check Version says it again.
  f.memJ2534.Clear();
  f.btJ2534_Version_Check.Click();
  EXPECT_EQ(w.Log(), foreign.empty() ? std::vector<std::string>{} : std::vector<std::string>{remark});
}

INSTANTIATE_TEST_SUITE_P(PassThru, DriverPlaced, ::testing::ValuesIn(PlacedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct IncompleteCase {
  const char* name;
  Bytes answer;  // empty: silence
  std::string line;
};

std::vector<IncompleteCase> IncompleteCases() {
  Bytes big = MarkedLibrary("4.4.12", 70000);
  return {
      {"Silence", "", "Driver transfer incomplete: no answer from the adapter; nothing was changed"},
      {"NoBegin", kNew + "[END]",
       "Driver transfer incomplete: no [BEGIN] in the " + std::to_string(kNew.size() + 5) +
           " bytes received; nothing was changed"},
      {"NoEnd", "[BEGIN]" + kNew,
       "Driver transfer incomplete: no [END] after " + std::to_string(kNew.size() + 7) + " bytes; nothing was changed"},
      {"CutAtTheReadLimit", DriverAnswer(big),
       "Driver transfer incomplete: the answer was cut at the limit of 65536 bytes; nothing was changed"},
  };
}

void PrintTo(const IncompleteCase& c, std::ostream* os) { *os << c.name; }

class TransferIncomplete : public ::testing::TestWithParam<IncompleteCase> {};

TEST_P(TransferIncomplete, SaysSoAndChangesNothing) {
  const IncompleteCase& c = GetParam();
  InstallWorld w;
  w.PutOldDriver();
  w.OpenWithAnswer(c.answer);
  if (c.answer.empty()) w.replies.clear();
  const int writes = w.registry.WriteCount();
  EXPECT_EQ(w.Install(), InstallResult::Incomplete);
  EXPECT_EQ(w.Log(), std::vector<std::string>{c.line});
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(w.DataFolder(), (std::map<std::string, Bytes>{{"tvexrd32.dll", kOld}}));
  EXPECT_EQ(w.registry.WriteCount(), writes);
  EXPECT_FALSE(std::filesystem::exists(w.home + "/.passthru/brevantix.json"));
  EXPECT_EQ(w.P().pbJ2534_Install.Position(), 0);
  EXPECT_EQ(w.P().pbJ2534_Install.BarStyle(), ui::TProgressBar::Style::Normal);
}

INSTANTIATE_TEST_SUITE_P(PassThru, TransferIncomplete, ::testing::ValuesIn(IncompleteCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
  const char* name;
  Bytes file;          // between [BEGIN] and [END]
  const char* reason;  // a piece of the message
};

std::vector<RefusedCase> RefusedCases() {
  std::vector<ArchiveEntry> many;
  for (int i = 0; i < 65; ++i) many.push_back({"f" + std::to_string(i) + ".txt", "x"});
  many.push_back({"tvexrd32.dll", kNew});
  return {
      {"AbsoluteName", BuildArchive({{"tvexrd32.dll", kNew}, {"/tmp/bx-evil.dll", "x"}}), "absolute path"},
      {"DriveLetter", BuildArchive({{"C:/evil.dll", "x"}, {"tvexrd32.dll", kNew}}), "names a drive"},
      {"Backslash", BuildArchive({{"tvexrd32.dll", kNew}, {"sub\\evil.dll", "x"}}), "backslash"},
      {"ParentFolder", BuildArchive({{"tvexrd32.dll", kNew}, {"../evil.dll", "x"}}), "climbs out"},
      {"ParentFolderInside", BuildArchive({{"a/../../evil.dll", "x"}, {"tvexrd32.dll", kNew}}), "climbs out"},
      {"SymbolicLink", BuildArchive({{"tvexrd32.dll", "/etc/passwd", kSymlink}}), "symbolic link"},
      {"Device", BuildArchive({{"tvexrd32.dll", kNew}, {"null", "", kCharDevice}}), "device"},
      {"TooManyEntries", BuildArchive(many), "entries, more than 64"},
      {"TooLarge", BuildArchive({{"tvexrd32.dll", Bytes(17u << 20, '\0'), kRegularFile, true}}), "more than"},
      {"DamagedData", WithDamagedData(BuildArchive({{"tvexrd32.dll", kNew}})), "damaged"},
      {"NoLibraryInside", BuildArchive({{"readme.txt", "no driver here"}}), "holds no tvexrd32.dll"},
      {"LibraryOnlyInAFolder", BuildArchive({{"bin/tvexrd32.dll", kNew}}), "holds no tvexrd32.dll"},
      {"NotAnArchive", "PK\x03\x04 but nothing after", "not a readable zip archive"},
      {"NeitherLibraryNorArchive", "#!/bin/sh\necho hello\n", "neither a library nor an archive"},
  };
}

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class DriverRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(DriverRefused, LeavesTheOldDriverAndItsRegistration) {
  const RefusedCase& c = GetParam();
  ASSERT_GT(c.file.size(), 4u) << "libzip did not make the archive";
  ASSERT_LT(c.file.size(), 65000u);
  InstallWorld w;
  w.PutOldDriver();
  w.OpenWithAnswer(DriverAnswer(c.file));
  w.registry.WriteString(Hive::LocalMachine, kKey, "FunctionLibrary", w.DriverPath());
  const int writes = w.registry.WriteCount();
  EXPECT_EQ(w.Install(), InstallResult::Failed);
  EXPECT_EQ(w.DataFolder(), (std::map<std::string, Bytes>{{"tvexrd32.dll", kOld}}));
  EXPECT_FALSE(std::filesystem::exists(w.temp.Path() + "/data/bx-evil.dll"));
  EXPECT_EQ(w.registry.WriteCount(), writes);
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  const std::string& text = w.dialogs.messages[0].text;
  EXPECT_EQ(text.rfind("Installing of Passthru driver Error", 0), 0u) << text;
  EXPECT_NE(text.find(c.reason), std::string::npos) << text;
  EXPECT_NE(text.find("The old driver was kept."), std::string::npos) << text;
  EXPECT_EQ(w.dialogs.messages[0].flags, mb::IconError);
  EXPECT_EQ(w.P().edJ2534_Version_DLL.Text(), "4.3.0");  // checked again: the old one
}

INSTANTIATE_TEST_SUITE_P(PassThru, DriverRefused, ::testing::ValuesIn(RefusedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PassThruInstall, AWriteThatFailsKeepsTheOldDriver) {
  for (const Bytes& file : {kNew, BuildArchive({{"tvexrd32.dll", kNew}})}) {
    InstallWorld w;
    w.PutOldDriver();
    w.OpenWithAnswer(DriverAnswer(file));
    std::vector<std::string> tried;
    w.Page().SetFileWriter([&tried](const std::string& path, const std::string&) {
      tried.push_back(path);
      return false;
    });
    EXPECT_EQ(w.Install(), InstallResult::Failed);
    ASSERT_EQ(tried.size(), 1u);
    EXPECT_NE(tried[0], w.DriverPath());  // never the library itself
    EXPECT_EQ(w.DataFolder(), (std::map<std::string, Bytes>{{"tvexrd32.dll", kOld}}));
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_NE(w.dialogs.messages[0].text.find("The old driver was kept."), std::string::npos);
  }
}

TEST(PassThruInstall, WithoutAFreePortTheAdapterIsNotFound) {
  InstallWorld w;
  w.OpenWithAnswer(DriverAnswer(kNew));
  w.link.openResult = false;
  EXPECT_EQ(w.Install(), InstallResult::PortNotOpened);
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].caption, "Brevantix Configurator Version 3.0.3.2 - Error...");
  EXPECT_EQ(w.dialogs.messages[0].text.substr(0, w.dialogs.messages[0].text.find("\r\n")),
            "Brevantix Adapter is not found on Communication Port /dev/ttyACM0 (USB Serial)");
  EXPECT_FALSE(std::filesystem::exists(w.DriverPath()));
}

TEST(PassThruInstall, WithoutADriverOfferedTheClickDoesNothing) {
  InstallWorld w;
  w.OpenWithAnswer(DriverAnswer(kNew));
  w.OfferDriver("");
  w.Page().Installer().Install();
  EXPECT_EQ(w.Page().Installer().LastResult(), InstallResult::None);
  EXPECT_TRUE(w.commands.empty());
}

TEST(PassThruInstall, ARegistryWriteThatFailsPutsTheSettingsKeyBack) {
  InstallWorld w;
  std::string shown;
  ScopedExceptionDisplay display([&shown](const std::string& m) { shown = m; });
  TfrmMain& f = w.OpenWithAnswer(DriverAnswer(kNew));
  w.registry.FailWrites(Hive::LocalMachine, "ISO9141");
  w.Install();
  EXPECT_EQ(shown, "Failed to set data for 'ISO9141'");
  EXPECT_EQ(f.settings.SettingsKey, kSettingsKey);
  // Settings written afterwards land in the program's own key.
  f.Close();
  EXPECT_TRUE(w.registry.ReadInteger(Hive::LocalMachine, kSettingsKey, "SortCol"));
  EXPECT_FALSE(w.registry.ReadInteger(Hive::LocalMachine, kKey, "SortCol"));
}

// The registration as both hives hold it: value name -> text or number.
std::map<std::string, std::string> Registration(MemoryRegistry& r) {
  std::map<std::string, std::string> out;
  for (Hive h : {Hive::CurrentUser, Hive::LocalMachine})
    for (const std::string& name : r.ValueNames(h, kKey)) {
      const auto v = r.ReadValue(h, kKey, name);
      out[std::string(HiveName(h)) + "\\" + name] =
          v->type == RegValue::Type::String ? v->text : std::to_string(v->number);
    }
  return out;
}

void RegisterOldDriver(InstallWorld& w) {
  for (Hive h : {Hive::CurrentUser, Hive::LocalMachine}) {
    w.registry.WriteString(h, kKey, "Vendor", "Old Vendor");
    w.registry.WriteString(h, kKey, "FunctionLibrary", "/old/place/tvexrd32.dll");
    w.registry.WriteInteger(h, kKey, "CAN", 0);
  }
}

// A store that refuses a write half-way through the registration (locked by another
// program, or read-only): nothing is moved, and the old library, the files beside it and
// the old registration stay as they were, for a library and for an archive.
TEST(PassThruInstall, AStoreThatFailsDuringTheRegistrationLeavesTheOldDriverAndRegistration) {
  for (const Bytes& file : {kNew, BuildArchive({{"readme.txt", "new"}, {"tvexrd32.dll", kNew}})}) {
    InstallWorld w;
    std::string shown;
    ScopedExceptionDisplay display([&shown](const std::string& m) { shown = m; });
    w.PutOldDriver();
    std::ofstream(w.data + "/readme.txt") << "old";
    w.OpenWithAnswer(DriverAnswer(file));
    RegisterOldDriver(w);
    const auto registration = Registration(w.registry);
    w.registry.FailWrites(Hive::LocalMachine, "ISO9141");
    EXPECT_EQ(w.Install(), InstallResult::Failed);
    EXPECT_EQ(shown, "Failed to set data for 'ISO9141'");
    EXPECT_EQ(w.DataFolder(), (std::map<std::string, Bytes>{{"readme.txt", "old"}, {"tvexrd32.dll", kOld}}));
    EXPECT_EQ(Registration(w.registry), registration);
  }
}

// The second file of an archive cannot be placed (a folder stands where it goes): the
// first, already placed, goes back to the old one, the library is not replaced, and the
// registration is rolled back. A file another run left under the archive's name is not
// touched: every run unpacks in a folder of its own.
TEST(PassThruInstall, AnArchiveWhoseSecondFileCannotBePlacedLeavesEverythingAsItWas) {
  InstallWorld w;
  w.PutOldDriver();
  std::ofstream(w.data + "/a.txt") << "old a";
  std::filesystem::create_directories(w.data + "/b.txt");
  std::ofstream(w.data + "/b.txt/inside") << "kept";
  std::ofstream(w.data + "/tvexrd32.zip") << "another run's";
  const auto before = w.DataFolder();
  w.OpenWithAnswer(DriverAnswer(BuildArchive({{"a.txt", "new a"}, {"b.txt", "new b"}, {"tvexrd32.dll", kNew}})));
  RegisterOldDriver(w);
  const auto registration = Registration(w.registry);
  EXPECT_EQ(w.Install(), InstallResult::Failed);
  EXPECT_EQ(w.DataFolder(), before);
  EXPECT_EQ(Registration(w.registry), registration);
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_NE(w.dialogs.messages[0].text.find("b.txt: it is not a plain file"), std::string::npos)
      << w.dialogs.messages[0].text;
  EXPECT_NE(w.dialogs.messages[0].text.find("The old driver was kept."), std::string::npos);
}

struct CheckCase {
  const char* name;
  std::optional<Bytes> installed;  // nullopt: no file
  std::string offered;             // the adapter's driver version, "" none
  std::string shown;               // edJ2534_Version_DLL
  bool shapes;
  uint32_t versionColour;
  bool hint;
};

const CheckCase kChecks[] = {
    {"SameVersion", MarkedLibrary("4.4.12"), "4.4.12", "4.4.12", true, ui::clr::Lime, false},
    {"OtherVersion", MarkedLibrary("4.3.0"), "4.4.12", "4.3.0", true, ui::clr::Red, true},
    {"NoMarker", Bytes("MZ") + Bytes(500, 'x'), "4.4.12", "", true, ui::clr::Red, true},
    {"NotInstalled", std::nullopt, "4.4.12", "Not installed", false, 0, false},
    {"NoAdapter", MarkedLibrary("4.3.0"), "", "4.3.0", false, 0, false},
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class CheckVersion : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckVersion, ShowsTheInstalledVersionAndComparesIt) {
  const CheckCase& c = GetParam();
  InstallWorld w;
  if (c.installed) {
    std::filesystem::create_directories(w.data);
    std::ofstream(w.DriverPath(), std::ios::binary) << *c.installed;
  }
  w.Open(c.offered);
  w.P().btJ2534_Version_Check.Click();
  EXPECT_EQ(w.P().edJ2534_Version_DLL.Text(), c.shown);
  EXPECT_EQ(w.P().shJ2534_Install.Visible(), c.shapes);
  EXPECT_EQ(w.P().shJ2534_Version_DLL.Visible(), c.shapes);
  if (c.shapes) {
    EXPECT_EQ(w.P().shJ2534_Install.BrushColor(), ui::clr::Lime);
    EXPECT_EQ(w.P().shJ2534_Version_DLL.BrushColor(), c.versionColour);
  }
  EXPECT_EQ(w.P().lbJ2534_Message.Visible(), c.hint);
  if (c.hint) {
    EXPECT_EQ(w.P().lbJ2534_Message.Caption(), "- Update is required ->");
  }
}

INSTANTIATE_TEST_SUITE_P(PassThru, CheckVersion, ::testing::ValuesIn(kChecks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PassThruCheckVersion, WithoutADataFolderItIsAnAccessError) {
  InstallWorld w;
  w.data.clear();
  w.Open();
  w.P().btJ2534_Version_Check.Click();
  EXPECT_EQ(w.P().edJ2534_Version_DLL.Text(), "Access Error");
  EXPECT_FALSE(w.P().shJ2534_Install.Visible());
}

}  // namespace
}  // namespace bx::test
