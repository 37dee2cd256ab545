// The merged port list and the choice of link for a port name.
#include <gtest/gtest.h>

#include "links/LinkTable.h"
#include "links/RegistryPorts.h"
#include "platform/fake/MemoryRegistry.h"
#include "support/FakeSysfs.h"

namespace bx {
namespace {

TEST(JoinDescriptions, KeepsEachTextOnce) {
  struct Case {
    const char* name;
    const char* oldText;
    const char* newText;
    const char* joined;
  };
  const Case cases[] = {
      {"first text", "", "B", "B"},
      {"empty new text", "A", "", "A"},
      {"same text", "A", "A", "A"},
      {"second text", "A", "B", "A; B"},
      {"third text", "A; B", "C", "A; B; C"},
      {"first part again", "A; B", "A", "A; B"},
      {"last part again", "A; B", "B", "A; B"},
      {"whole text again", "A; B", "A; B", "A; B"},
      {"a prefix is not a part", "AB", "A", "AB; A"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinDescriptions(c.oldText, c.newText), c.joined) << c.name;
}

TEST(AddPort, MergesRowsOfTheSameNameAndDropsEmptyNames) {
  PortLists l;
  EXPECT_EQ(AddPort(l, "COM3", "A", "X"), 1);
  EXPECT_EQ(AddPort(l, "", "ghost", "Y"), -1);
  EXPECT_EQ(AddPort(l, "com3", "other case", ""), 1);  // names compare byte-exact
  EXPECT_EQ(AddPort(l, "COM3", "B", "Z"), 0);
  EXPECT_EQ(AddPort(l, "COM3", "A", "X"), 0);
  EXPECT_EQ(l.Names, (std::vector<std::string>{"COM3", "com3"}));
  EXPECT_EQ(l.Descriptions, (std::vector<std::string>{"A; B", "other case"}));
  EXPECT_EQ(l.Details, (std::vector<std::string>{"X; Z", ""}));
}

// Two drivers report COM3 (serenum with A, usbser with B), usbser and bthmodem both
// report COM5 with the same text, and the network list adds its port last.
struct RegistryTable : ::testing::Test {
  MemoryRegistry reg;
  std::unique_ptr<LinkTable> table;

  void Device(const std::string& service, int index, const std::string& instance, const std::string& port,
              const std::string& friendly) {
    std::string enumKey = "SYSTEM\\CurrentControlSet\\Services\\" + service + "\\Enum";
    reg.WriteInteger(Hive::LocalMachine, enumKey, "Count", index + 1);
    reg.WriteString(Hive::LocalMachine, enumKey, std::to_string(index), instance);
    std::string dev = "SYSTEM\\CurrentControlSet\\Enum\\" + instance;
    reg.WriteString(Hive::LocalMachine, dev, "FriendlyName", friendly);
    reg.WriteString(Hive::LocalMachine, dev + "\\Device Parameters", "PortName", port);
  }

  void SetUp() override {
    Device("serenum", 0, "FTDIBUS\\VID_0403\\1", "COM3", "A (COM3)");
    Device("usbser", 0, "USB\\VID_1234\\2", "COM3", "B (COM3)");
    Device("usbser", 1, "USB\\VID_1234\\3", "COM5", "Same (COM5)");
    Device("bthmodem", 0, "BTH\\MODEM\\4", "COM5", "Same (COM5)");
    reg.WriteString(Hive::LocalMachine, std::string(kSettingsKeyPath) + "\\Network", "Net0",
                    "Garage unit A0:B1:C2:D3:E4:F5 192.168.4.1 23");
    LinkConfig c;
    c.registry = &reg;
    c.serialSource = SerialSource::Registry;
    c.scanThreads = false;
    table = LinksCreate(c);
    table->ScanAll();
  }
};

TEST_F(RegistryTable, CollectPortsMergesAllLinksInTableOrder) {
  PortLists l = table->CollectPorts();
  EXPECT_EQ(l.Names, (std::vector<std::string>{"COM3", "COM5", "NET:192.168.4.1:23"}));
  EXPECT_EQ(l.Descriptions, (std::vector<std::string>{"A; B", "Same", "Garage unit"}));
  EXPECT_EQ(l.Details[0], "FTDIBUS\\VID_0403\\1; USB\\VID_1234\\2");
  EXPECT_EQ(l.Details[2], "A0:B1:C2:D3:E4:F5");
}

TEST_F(RegistryTable, CollectPortsKeepsRowsAlreadyInTheLists) {
  PortLists l;
  AddPort(l, "COM5", "Earlier", "");
  table->CollectPorts(l);
  ASSERT_EQ(l.Names.size(), 3u);
  EXPECT_EQ(l.Descriptions[0], "Earlier; Same");
}

TEST_F(RegistryTable, ASerialNameGoesToTheFirstSerialLink) {
  EXPECT_EQ(table->FindLinkForPort("COM12"), &table->At(0));
  EXPECT_EQ(table->FindLinkForPort("COM5"), &table->At(0));  // listed by usbser, still the first link
  EXPECT_EQ(table->FindLinkForPort("NET:10.0.0.1:23"), &table->Net());
  EXPECT_EQ(table->FindLinkForPort("LPT1"), nullptr);
  EXPECT_EQ(table->FindLinkForPort("net:10.0.0.1:23"), nullptr);
  EXPECT_EQ(table->FindLinkForPort(""), nullptr);
}

TEST_F(RegistryTable, OpenPortOfAForeignNameFailsAndClearsTheActiveLink) {
  table->SetActiveLink(&table->Net());
  EXPECT_FALSE(table->OpenPort("LPT1"));
  EXPECT_EQ(table->ActiveLink(), nullptr);
}

TEST_F(RegistryTable, OpenPortSetsTheActiveLinkAndItsPortName) {
  EXPECT_FALSE(table->OpenPort("NET:no-colon"));
  EXPECT_EQ(table->ActiveLink(), &table->Net());
  EXPECT_EQ(table->Net().PortName(), "NET:no-colon");
  EXPECT_EQ(table->Net().LastOpenError(), OpenError::BadName);
}

TEST(SysfsTable, DevicePathsGoToTheFirstSerialLinkAndVirtualPortsToTheirOwn) {
  test::FakeSysfs fs;
  LinkConfig c;
  c.sysRoot = fs.sys();
  c.devRoot = fs.dev();
  c.scanThreads = false;
  c.virtualPorts = {{"/tmp/ttyV0", "Simulated Brevantix Adapter", ""}};
  LinkTable t(c);
  EXPECT_EQ(t.FindLinkForPort("/dev/ttyACM0"), &t.At(0));
  EXPECT_EQ(t.FindLinkForPort("/dev/pts/7"), &t.At(0));
  EXPECT_EQ(t.FindLinkForPort("/tmp/ttyV0"), &t.At(4));  // outside /dev/, served by the virtual family
  EXPECT_EQ(t.FindLinkForPort("/tmp/ttyV1"), nullptr);
  EXPECT_EQ(t.FindLinkForPort("COM3"), nullptr);
}

TEST(SysfsTable, VirtualPortsAreListedAsGivenFromTheNextPass) {
  test::FakeSysfs fs;
  LinkConfig c;
  c.sysRoot = fs.sys();
  c.devRoot = fs.dev();
  c.scanThreads = false;
  LinkTable t(c);
  t.ScanAll();
  EXPECT_TRUE(t.CollectPorts().empty());
  t.AddVirtualPort("/dev/pts/3", "Simulated Brevantix Adapter");
  EXPECT_TRUE(t.CollectPorts().empty());
  t.ScanAll();
  PortLists l = t.CollectPorts();
  EXPECT_EQ(l.Names, (std::vector<std::string>{"/dev/pts/3"}));
  EXPECT_EQ(l.Descriptions, (std::vector<std::string>{"Simulated Brevantix Adapter"}));
  EXPECT_EQ(l.Details, (std::vector<std::string>{""}));
  EXPECT_TRUE(t.RemoveVirtualPort("/dev/pts/3"));
  EXPECT_FALSE(t.RemoveVirtualPort("/dev/pts/3"));
  t.WaitScanAll(true);  // without scan threads the pass runs here
  EXPECT_TRUE(t.CollectPorts().empty());
}

}  // namespace
}  // namespace bx
