// The network link's saved devices, its port names and its scan rules.
#include <gtest/gtest.h>

#include "links/LinkTable.h"
#include "links/NetDevice.h"
#include "platform/fake/MemoryRegistry.h"

namespace bx {
namespace {

TEST(DeviceLine, IsReadFromTheRight) {
  auto d = ParseDeviceLine("Garage unit A0:B1:C2:D3:E4:F5 192.168.4.1 23");
  ASSERT_TRUE(d);
  EXPECT_EQ(*d, (NetDevice{"Garage unit", "A0:B1:C2:D3:E4:F5", "192.168.4.1", "23"}));
  EXPECT_EQ(FormatDeviceLine(*d), "Garage unit A0:B1:C2:D3:E4:F5 192.168.4.1 23");
  d = ParseDeviceLine(" A0:B1:C2:D3:E4:F5 192.168.4.1 23");
  ASSERT_TRUE(d);
  EXPECT_EQ(*d, (NetDevice{"", "A0:B1:C2:D3:E4:F5", "192.168.4.1", "23"}));
  d = ParseDeviceLine(std::string("a\0b m i p", 9));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->Name, std::string("a\0b", 3));
}

TEST(DeviceLine, FewerThanThreeSpacesIsNoDeviceLine) {
  EXPECT_FALSE(ParseDeviceLine(""));
  EXPECT_FALSE(ParseDeviceLine("A0:B1 192.168.4.1 23"));
  EXPECT_FALSE(ParseDeviceLine("  "));
  EXPECT_TRUE(ParseDeviceLine("   "));
}

TEST(NetPortName, NeedsHostColonAndADecimalPort) {
  auto a = ParseNetPortName("NET:192.168.4.1:23");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->host, "192.168.4.1");
  EXPECT_EQ(a->port, 23);
  EXPECT_TRUE(ParseNetPortName("NET:adapter.local:65535"));
  for (const char* bad : {"NET:", "NET:192.168.4.1", "NET::23", "NET:192.168.4.1:", "NET:192.168.4.1:2x",
                          "NET:192.168.4.1:-23", "NET:192.168.4.1: 23", "NET:192.168.4.1:0", "NET:192.168.4.1:65536",
                          "NET:192.168.4.1:99999999999999999999", "net:192.168.4.1:23", "COM3"}) {
    EXPECT_FALSE(ParseNetPortName(bad)) << bad;
  }
}

TEST(NetPortName, MalformedNamesFailToOpenAtOnce) {
  TLink_NET net(nullptr, kSettingsKeyPath, false);
  for (const char* bad : {"NET:", "NET:127.0.0.1", "NET:127.0.0.1:abc", "NET::23", "NET:127.0.0.1:70000"}) {
    net.SetPortName(bad);
    EXPECT_FALSE(net.Open()) << bad;
    EXPECT_EQ(net.LastOpenError(), OpenError::BadName) << bad;
    EXPECT_FALSE(net.IsOpen());
  }
  net.SetPortName("COM3");
  EXPECT_FALSE(net.Open());
  EXPECT_EQ(net.LastOpenError(), OpenError::NotOwned);
}

struct SavedDevices : ::testing::Test {
  MemoryRegistry reg;
  const std::string key = std::string(kSettingsKeyPath) + "\\Network";
  TLink_NET net{&reg, kSettingsKeyPath, false};

  void Entry(int n, const std::string& text) {
    reg.WriteString(Hive::LocalMachine, key, "Net" + std::to_string(n), text);
  }
  PortLists Ports() {
    net.ScanOnce();
    PortLists l;
    net.MergeRowsInto(l);
    return l;
  }
};

TEST_F(SavedDevices, EachEnabledDeviceLineIsAPort) {
  Entry(0, "Garage unit A0:B1:C2:D3:E4:F5 192.168.4.1 23");
  Entry(1, "~Bench A0:B1:C2:D3:E4:F6 192.168.4.2 23");
  Entry(2, "not a device");
  Entry(3, "Shop 11:22:33:44:55:66 10.0.0.9 35000");
  PortLists l = Ports();
  EXPECT_EQ(l.Names, (std::vector<std::string>{"NET:192.168.4.1:23", "NET:10.0.0.9:35000"}));
  EXPECT_EQ(l.Descriptions, (std::vector<std::string>{"Garage unit", "Shop"}));
  EXPECT_EQ(l.Details, (std::vector<std::string>{"A0:B1:C2:D3:E4:F5", "11:22:33:44:55:66"}));
  EXPECT_EQ(net.SavedEntries().size(), 4u);  // the disabled and the bad one are kept as entries
  EXPECT_EQ(net.SavedEntries()[1], "~Bench A0:B1:C2:D3:E4:F6 192.168.4.2 23");
}

TEST_F(SavedDevices, TheListEndsAtTheFirstMissingEmptyOrNonTextValue) {
  Entry(0, "A m1 10.0.0.1 23");
  Entry(1, "B m2 10.0.0.2 23");
  Entry(3, "D m4 10.0.0.4 23");
  EXPECT_EQ(Ports().size(), 2u);
  Entry(2, "");
  EXPECT_EQ(Ports().size(), 2u);
  reg.WriteInteger(Hive::LocalMachine, key, "Net1", 5);
  EXPECT_EQ(Ports().size(), 1u);
  EXPECT_EQ(net.SavedEntries(), (std::vector<std::string>{"A m1 10.0.0.1 23"}));
}

TEST_F(SavedDevices, TwoEntriesForOneAddressGiveOnePortWithBothNames) {
  Entry(0, "Garage unit A0:B1:C2:D3:E4:F5 192.168.4.1 23");
  Entry(1, "Spare A0:B1:C2:D3:E4:F7 192.168.4.1 23");
  PortLists l = Ports();
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l.Descriptions[0], "Garage unit; Spare");
  EXPECT_EQ(l.Details[0], "A0:B1:C2:D3:E4:F5; A0:B1:C2:D3:E4:F7");
}

TEST_F(SavedDevices, TheListIsRebuiltOnlyWhenTheKeyIsWritten) {
  Entry(0, "A m1 10.0.0.1 23");
  EXPECT_EQ(Ports().size(), 1u);
  int writes = reg.WriteCount();
  EXPECT_EQ(Ports().size(), 1u);
  EXPECT_EQ(reg.WriteCount(), writes);
  Entry(1, "B m2 10.0.0.2 23");
  EXPECT_EQ(Ports().size(), 2u);
}

TEST_F(SavedDevices, AKeyThatGoesAwayKeepsTheRowsListedBefore) {
  Entry(0, "A m1 10.0.0.1 23");
  EXPECT_EQ(Ports().size(), 1u);
  reg.DeleteKey(Hive::LocalMachine, key);
  EXPECT_EQ(Ports().size(), 1u);
  EXPECT_TRUE(net.SavedEntries().empty());
}

TEST(NetLink, WithoutRegistryOffersNothing) {
  TLink_NET net(nullptr, kSettingsKeyPath, false);
  EXPECT_EQ(net.WatchKey(), "SOFTWARE\\dulMAR Company ::.\\Network");
  EXPECT_EQ(net.Prefix(), "NET:");
  EXPECT_EQ(net.ScanInterval(), 1031);
  net.ScanOnce();
  EXPECT_TRUE(net.ScanDone());
  PortLists l;
  net.MergeRowsInto(l);
  EXPECT_TRUE(l.empty());
}

// A registry whose reads fail the way a damaged store does.
class ThrowingRegistry : public MemoryRegistry {
 public:
  std::optional<uint64_t> LastWriteTime(Hive, const std::string&) override { throw RegistryError("disk I/O error"); }
};

TEST(NetLink, AStoreThatThrowsCostsThePassNotTheProgram) {
  ThrowingRegistry reg;
  TLink_NET net(&reg, kSettingsKeyPath, true);
  EXPECT_TRUE(net.WaitScan(true));
  EXPECT_TRUE(net.ScanDone());
}

TEST(ClosedLink, AnswersAsClosed) {
  TLink_NET net(nullptr, kSettingsKeyPath, false);
  Bytes out = "untouched";
  EXPECT_TRUE(net.Close());
  EXPECT_FALSE(net.IsOpen());
  EXPECT_FALSE(net.Write("x"));
  EXPECT_TRUE(net.Write(""));
  EXPECT_EQ(net.PendingWrite(), 0);
  EXPECT_EQ(net.BytesAvailable(), 0);
  EXPECT_TRUE(net.ReadAvailable(out));
  EXPECT_EQ(out, "untouched");
  Bytes term = "[END]";
  EXPECT_FALSE(net.ReadUntil(term, 10));
  EXPECT_EQ(term, "[END]");
}

}  // namespace
}  // namespace bx
