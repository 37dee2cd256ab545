// The Linux serial driver families, discovered in a fake sysfs tree.
#include <gtest/gtest.h>

#include "links/LinkTable.h"
#include "links/SysfsPorts.h"
#include "support/FakeSysfs.h"

namespace bx {
namespace {

struct Discovery : ::testing::Test {
  test::FakeSysfs fs;
  std::unique_ptr<LinkTable> table;

  void SetUp() override {
    LinkConfig c;
    c.sysRoot = fs.sys();
    c.devRoot = fs.dev();
    c.scanThreads = false;
    table = LinksCreate(c);
  }
  PortLists Ports() {
    table->ScanAll();
    return table->CollectPorts();
  }
  std::string Dev(const std::string& name) { return fs.dev() + "/" + name; }
};

TEST_F(Discovery, AUsbSerialAdapterIsListedWithItsProductName) {
  fs.PlugUsbSerial("ttyUSB0");
  PortLists l = Ports();
  EXPECT_EQ(l.Names, (std::vector<std::string>{Dev("ttyUSB0")}));
  EXPECT_EQ(l.Descriptions, (std::vector<std::string>{"FT232R USB UART"}));
  EXPECT_EQ(l.Details, (std::vector<std::string>{fs.TtyPath("ttyUSB0")}));
}

TEST_F(Discovery, FamiliesComeInTableOrderEachInNaturalOrder) {
  fs.AddUart("ttyS0");
  fs.PlugRfcomm("rfcomm0");
  test::FakeSysfs::Usb acm;
  acm.bus = "1-3";
  acm.productName = "Brevantix Adapter";
  fs.PlugAcm("ttyACM0", acm);
  test::FakeSysfs::Usb second;
  second.bus = "1-4";
  second.productName = "CP2102 USB to UART Bridge Controller";
  fs.PlugUsbSerial("ttyUSB10", second, "cp210x");
  fs.PlugUsbSerial("ttyUSB2");
  table->AddVirtualPort("/dev/pts/4", "Simulated Brevantix Adapter");
  PortLists l = Ports();
  EXPECT_EQ(l.Names, (std::vector<std::string>{Dev("ttyUSB2"), Dev("ttyUSB10"), Dev("ttyACM0"), Dev("rfcomm0"),
                                               Dev("ttyS0"), "/dev/pts/4"}));
  EXPECT_EQ(l.Descriptions,
            (std::vector<std::string>{"FT232R USB UART", "CP2102 USB to UART Bridge Controller", "Brevantix Adapter",
                                      "rfcomm", "serial", "Simulated Brevantix Adapter"}));
  // Each family is its own link's rows.
  PortLists acmOnly;
  table->Serial(1).MergeRowsInto(acmOnly);
  EXPECT_EQ(acmOnly.Names, (std::vector<std::string>{Dev("ttyACM0")}));
}

TEST_F(Discovery, WithoutAProductStringTheDriverNameDescribesThePort) {
  test::FakeSysfs::Usb bare;
  bare.productName = "";
  fs.PlugUsbSerial("ttyUSB0", bare, "ch341-uart");
  EXPECT_EQ(Ports().Descriptions, (std::vector<std::string>{"ch341-uart"}));
}

TEST_F(Discovery, ConsolesReservedUartSlotsAndPortsWithoutNodeAreNotListed) {
  fs.AddVirtualTty("tty0");
  fs.AddVirtualTty("ptmx");
  fs.AddUart("ttyS1", "0");
  fs.AddUart("ttyAMA0", "0x11", "uart-pl011");
  fs.PlugUsbSerial("ttyUSB0");
  fs.RemoveNode("ttyUSB0");  // udev has not made the node yet
  PortLists l = Ports();
  EXPECT_EQ(l.Names, (std::vector<std::string>{Dev("ttyAMA0")}));
  EXPECT_EQ(l.Descriptions, (std::vector<std::string>{"uart-pl011"}));
  fs.Write(Dev("ttyUSB0"), "");
  EXPECT_EQ(Ports().Names, (std::vector<std::string>{Dev("ttyUSB0"), Dev("ttyAMA0")}));
}

TEST_F(Discovery, PlugAndUnplugChangeTheListAtTheNextPass) {
  fs.PlugUsbSerial("ttyUSB0");
  EXPECT_EQ(Ports().size(), 1u);
  fs.Unplug("ttyUSB0");
  EXPECT_TRUE(Ports().empty());
  fs.PlugUsbSerial("ttyUSB0");
  EXPECT_EQ(Ports().Names, (std::vector<std::string>{Dev("ttyUSB0")}));
}

TEST(SysfsStamp, MovesOnlyWhenTheFamilyChanges) {
  test::FakeSysfs fs;
  SysfsPorts usb(SerialFamily::UsbSerial, fs.sys(), fs.dev());
  auto empty = usb.Stamp();
  ASSERT_TRUE(empty);
  fs.AddUart("ttyS0");  // another family
  EXPECT_EQ(usb.Stamp(), empty);
  fs.PlugUsbSerial("ttyUSB0");
  auto one = usb.Stamp();
  EXPECT_NE(one, empty);
  EXPECT_EQ(usb.Stamp(), one);
  fs.Unplug("ttyUSB0");
  EXPECT_EQ(usb.Stamp(), empty);
}

TEST(SysfsStamp, AMissingTreeHasNoStampAndNoPorts) {
  SysfsPorts usb(SerialFamily::UsbSerial, "/nonexistent-sysfs-root", "/dev");
  EXPECT_EQ(usb.Stamp(), std::nullopt);
  PortLists l;
  EXPECT_EQ(usb.Fill(l), 0);
  EXPECT_TRUE(l.empty());
}

TEST(PortProperties, ListTheUsbAttributesOfTheAdapter) {
  test::FakeSysfs fs;
  fs.PlugUsbSerial("ttyUSB0");
  std::string path = fs.TtyPath("ttyUSB0");
  EXPECT_EQ(PortProperties(path, fs.sys()), (std::vector<PortProperty>{{"Driver", "ftdi_sio"},
                                                                       {"USB vendor id", "0403"},
                                                                       {"USB product id", "6001"},
                                                                       {"Manufacturer", "FTDI"},
                                                                       {"Product", "FT232R USB UART"},
                                                                       {"Serial number", "A10KQ3B2"},
                                                                       {"Device path", path}}));
}

TEST(PortProperties, AnOnBoardUartNamesItsControllerDriver) {
  test::FakeSysfs fs;
  fs.AddUart("ttyS0", "4", "serial8250");
  std::string path = fs.TtyPath("ttyS0");
  EXPECT_EQ(PortProperties(path, fs.sys()),
            (std::vector<PortProperty>{{"Driver", "serial8250"}, {"Device path", path}}));
}

TEST(PortProperties, ADetailOutsideTheDeviceTreeIsShownButNotRead) {
  test::FakeSysfs fs;
  EXPECT_EQ(PortProperties("USB\\VID_0403\\1", fs.sys()),
            (std::vector<PortProperty>{{"Device path", "USB\\VID_0403\\1"}}));
  EXPECT_EQ(PortProperties(fs.sys() + "/devices/../../etc", fs.sys()),
            (std::vector<PortProperty>{{"Device path", fs.sys() + "/devices/../../etc"}}));
  EXPECT_EQ(PortProperties("", fs.sys()), (std::vector<PortProperty>{{"Device path", ""}}));
}

}  // namespace
}  // namespace bx
