// The Windows registry behind the Registry seam: the contract every store keeps, a write
// the system refuses, and the serial drivers' device lists as the links' live source.
#include <windows.h>

#include "Win32Fixtures.h"
#include "links/LinkTable.h"
#include "support/RegistryContract.h"

INSTANTIATE_TYPED_TEST_SUITE_P(Win32Registry, RegistryContract, ::testing::Types<bx::wintest::RootedRegistryMaker>);

namespace bx::wintest {
namespace {

constexpr Hive LM = Hive::LocalMachine;

// The machine hive as a user without administrator rights meets it: the settings key is
// there, readable by everyone and writable by no one.
bool LockForWriting(const std::string& key) {
  HKEY k = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, &k) != ERROR_SUCCESS) return false;
  SECURITY_DESCRIPTOR sd;
  // One entry that lets everyone read: a list without it would not even let the test read back.
  alignas(ACL) char buffer[256];
  auto* list = reinterpret_cast<ACL*>(buffer);
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  bool ok = ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
            ::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone) &&
            ::InitializeAcl(list, sizeof buffer, ACL_REVISION) &&
            ::AddAccessAllowedAce(list, ACL_REVISION, KEY_READ, everyone) &&
            ::SetSecurityDescriptorDacl(&sd, TRUE, list, FALSE) &&
            ::RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
  if (everyone) ::FreeSid(everyone);
  ::RegCloseKey(k);
  HKEY probe = nullptr;
  const bool refused = ::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &probe) != ERROR_SUCCESS;
  if (probe) ::RegCloseKey(probe);
  return ok && refused;
}

TEST(Win32Registry, AWriteTheSystemRefusesRaisesTheMessageWithTheKeyAndTheReason) {
  RootedRegistryMaker maker;
  auto reg = maker.Make();
  reg->CreateKey(LM, "SOFTWARE\\dulMAR Company ::.");
  if (!LockForWriting(maker.root + "\\HKLM\\SOFTWARE\\dulMAR Company ::."))
    GTEST_SKIP() << "this system grants every registry write (Wine as an administrator): no refusal to see";
  try {
    reg->WriteString(LM, "SOFTWARE\\dulMAR Company ::.", "Path", "C:\\x.exe");
    FAIL() << "the write went through";
  } catch (const RegistryError& e) {
    EXPECT_THAT(e.what(), ::testing::StartsWith("Failed to set data for 'Path' in HKEY_CURRENT_USER\\" + maker.root +
                                                "\\HKLM\\SOFTWARE\\dulMAR Company ::. ("));
  }
  EXPECT_EQ(reg->ReadString(LM, "SOFTWARE\\dulMAR Company ::.", "Path"), std::nullopt);
}

// The layout Windows keeps for a USB serial driver, here below the test's own machine hive.
void AddDevice(Registry& r, int index, const std::string& instance, const std::string& port) {
  const std::string services = "SYSTEM\\CurrentControlSet\\Services\\usbser\\Enum";
  const std::string device = "SYSTEM\\CurrentControlSet\\Enum\\" + instance;
  r.WriteString(LM, device, "FriendlyName", "USB Serial Device (" + port + ")");
  r.WriteString(LM, device + "\\Device Parameters", "PortName", port);
  r.WriteString(LM, services, std::to_string(index), instance);
  r.WriteInteger(LM, services, "Count", index + 1);
}

TEST(Win32Registry, TheDriversDeviceListsAreTheSerialLinksLiveSource) {
  RootedRegistryMaker maker;
  auto reg = maker.Make();
  LinkConfig config;
  config.registry = reg.get();
  config.serialSource = SerialSource::Registry;
  config.scanThreads = false;
  config.virtualPorts = {{"COM9", "Port given on the command line", ""}};
  LinkTable links(config);
  links.ScanAll();
  EXPECT_EQ(links.CollectPorts().Names, std::vector<std::string>{"COM9"});

  AddDevice(*reg, 0, "USB\\VID_16D0&PID_0C26\\5&1A2B", "COM7");
  links.ScanAll();
  PortLists rows = links.CollectPorts();
  EXPECT_EQ(rows.Names, (std::vector<std::string>{"COM7", "COM9"}));
  EXPECT_EQ(rows.Descriptions[0], "USB Serial Device");
  EXPECT_EQ(rows.Details[0], "USB\\VID_16D0&PID_0C26\\5&1A2B");

  AddDevice(*reg, 1, "USB\\VID_16D0&PID_0C26\\6&3C4D", "COM12");
  links.ScanAll();  // the Enum key's last-write time moved: the list is read again
  EXPECT_EQ(links.CollectPorts().Names, (std::vector<std::string>{"COM7", "COM12", "COM9"}));
  EXPECT_TRUE(links.FindLinkForPort("COM12") == &links.Serial(0));
}

}  // namespace
}  // namespace bx::wintest
