// The Windows drivers' device lists, read from the machine hive.
#include <gtest/gtest.h>

#include "links/RegistryPorts.h"
#include "platform/fake/MemoryRegistry.h"

namespace bx {
namespace {

const std::string kEnum = "SYSTEM\\CurrentControlSet\\Services\\usbser\\Enum";

struct DriverList : ::testing::Test {
  MemoryRegistry reg;
  RegistryPorts usbser{reg, "usbser"};

  void Instance(const std::string& instance, const std::string& port, const std::string& friendly) {
    std::string dev = "SYSTEM\\CurrentControlSet\\Enum\\" + instance;
    reg.WriteString(Hive::LocalMachine, dev, "FriendlyName", friendly);
    reg.WriteString(Hive::LocalMachine, dev + "\\Device Parameters", "PortName", port);
  }
  PortLists Fill() {
    PortLists l;
    usbser.Fill(l);
    return l;
  }
};

TEST_F(DriverList, ListsEachDeviceWithItsPortNameCutFriendlyNameAndInstancePath) {
  EXPECT_EQ(usbser.WatchKey(), kEnum);
  reg.WriteInteger(Hive::LocalMachine, kEnum, "Count", 1);
  reg.WriteString(Hive::LocalMachine, kEnum, "0", "USB\\VID_16D0&PID_0C26\\5&1A2B");
  Instance("USB\\VID_16D0&PID_0C26\\5&1A2B", "COM7", "USB Serial Device (COM7)");
  PortLists l = Fill();
  EXPECT_EQ(l.Names, (std::vector<std::string>{"COM7"}));
  EXPECT_EQ(l.Descriptions, (std::vector<std::string>{"USB Serial Device"}));
  EXPECT_EQ(l.Details, (std::vector<std::string>{"USB\\VID_16D0&PID_0C26\\5&1A2B"}));
}

TEST_F(DriverList, AMissingIndexOrDeviceKeyIsSkippedAndTheRestListed) {
  reg.WriteInteger(Hive::LocalMachine, kEnum, "Count", 4);
  reg.WriteString(Hive::LocalMachine, kEnum, "0", "USB\\A");  // "1" missing
  reg.WriteString(Hive::LocalMachine, kEnum, "2", "USB\\GONE");
  reg.WriteString(Hive::LocalMachine, kEnum, "3", "USB\\NOPARAMS");
  Instance("USB\\A", "COM4", "First (COM4)");
  reg.WriteString(Hive::LocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\USB\\NOPARAMS", "FriendlyName", "X (COM9)");
  PortLists l = Fill();
  EXPECT_EQ(l.Names, (std::vector<std::string>{"COM4"}));
  EXPECT_EQ(usbser.Fill(l), 4);
}

TEST_F(DriverList, ADeviceWithoutPortNameGivesNoRow) {
  reg.WriteInteger(Hive::LocalMachine, kEnum, "Count", 1);
  reg.WriteString(Hive::LocalMachine, kEnum, "0", "USB\\B");
  reg.WriteString(Hive::LocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\USB\\B\\Device Parameters", "Other", "x");
  EXPECT_TRUE(Fill().empty());
}

TEST_F(DriverList, AMissingDriverKeyGivesNothingAndNoStamp) {
  EXPECT_EQ(usbser.Stamp(), std::nullopt);
  EXPECT_TRUE(Fill().empty());
}

TEST_F(DriverList, TheStampMovesWhenTheDriverRewritesItsList) {
  reg.WriteInteger(Hive::LocalMachine, kEnum, "Count", 0);
  auto before = usbser.Stamp();
  ASSERT_TRUE(before);
  EXPECT_EQ(usbser.Stamp(), before);
  reg.WriteInteger(Hive::LocalMachine, kEnum, "Count", 1);
  EXPECT_NE(usbser.Stamp(), before);
}

TEST_F(DriverList, DamagedValuesReadAsMissing) {
  reg.WriteString(Hive::LocalMachine, kEnum, "Count", "two");
  EXPECT_TRUE(Fill().empty());
  reg.WriteInteger(Hive::LocalMachine, kEnum, "Count", -3);
  EXPECT_TRUE(Fill().empty());
  reg.WriteInteger(Hive::LocalMachine, kEnum, "Count", 2);
  reg.WriteInteger(Hive::LocalMachine, kEnum, "0", 17);  // an instance path that is no text
  reg.WriteString(Hive::LocalMachine, kEnum, "1", "USB\\C");
  Instance("USB\\C", "COM2", "C (COM2)");
  reg.WriteInteger(Hive::LocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\USB\\C", "FriendlyName", 5);
  PortLists l = Fill();
  EXPECT_EQ(l.Names, (std::vector<std::string>{"COM2"}));
  EXPECT_EQ(l.Descriptions, (std::vector<std::string>{""}));
}

TEST_F(DriverList, AHugeCountDoesNotHangTheScan) {
  reg.WriteInteger(Hive::LocalMachine, kEnum, "Count", 2147483647);
  reg.WriteString(Hive::LocalMachine, kEnum, "0", "USB\\A");
  Instance("USB\\A", "COM4", "First (COM4)");
  EXPECT_EQ(Fill().Names, (std::vector<std::string>{"COM4"}));
}

TEST(CutFriendlyName, RemovesOnlyThePortSuffix) {
  EXPECT_EQ(CutFriendlyName("USB Serial Device (COM7)", "COM7"), "USB Serial Device");
  EXPECT_EQ(CutFriendlyName("Standard Serial over Bluetooth link (COM12)", "COM12"),
            "Standard Serial over Bluetooth link");
  EXPECT_EQ(CutFriendlyName(" (COM7)", "COM7"), "");
  EXPECT_EQ(CutFriendlyName("Modem", "COM7"), "Modem");  // no suffix: nothing of the name is lost
  EXPECT_EQ(CutFriendlyName("Dev (COM1)", "COM11"), "Dev (COM1)");
}

}  // namespace
}  // namespace bx
