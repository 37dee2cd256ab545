// The station's view of the ports: device paths that patterns match (links that point
// nowhere, folders and a second name of one device left out), and without patterns the
// serial ports of the links' discovery as adapters are plugged and pulled.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "links/LinkTable.h"
#include "links/PortWatch.h"
#include "support/FakeSysfs.h"
#include "support/TempFile.h"

namespace bx {
namespace {

namespace fs = std::filesystem;

TEST(PortWatch, PatternsMatchDevicePathsOneNamePerDevice) {
  test::TempFolder folder;
  const std::string dir = folder.Path();
  fs::create_directories(dir + "/dev");
  fs::create_directories(dir + "/by-id");
  for (const char* tty : {"ttyUSB0", "ttyUSB1", "ttyACM0"}) std::ofstream(dir + "/dev/" + tty).put('x');
  fs::create_directories(dir + "/dev/ttyUSB-folder");
  fs::create_symlink(dir + "/dev/ttyUSB1", dir + "/by-id/usb-BX-1");
  fs::create_symlink(dir + "/dev/ttyGONE", dir + "/by-id/usb-BX-gone");  // pulled: points nowhere
  struct Case {
    std::vector<std::string> patterns;
    std::vector<std::string> present;
  };
  const std::vector<Case> cases = {
      {{dir + "/dev/ttyUSB*"}, {dir + "/dev/ttyUSB0", dir + "/dev/ttyUSB1"}},
      {{dir + "/dev/tty[A]CM?"}, {dir + "/dev/ttyACM0"}},
      {{dir + "/by-id/usb-*"}, {dir + "/by-id/usb-BX-1"}},
      // The by-id name comes first: the tty it points at is the same port.
      {{dir + "/by-id/*", dir + "/dev/ttyUSB*"}, {dir + "/by-id/usb-BX-1", dir + "/dev/ttyUSB0"}},
      {{dir + "/*/ttyACM0"}, {dir + "/dev/ttyACM0"}},
      {{dir + "/dev/nothing*"}, {}},
      {{dir + "/dev/ttyACM0"}, {dir + "/dev/ttyACM0"}},  // no wildcard: the path when it is there
      {{""}, {}},
  };
  for (const Case& c : cases) {
    const PortWatch watch(c.patterns, nullptr);
    EXPECT_EQ(watch.Present(), c.present) << c.patterns.front();
  }
  // A pulled adapter's link is gone from the next look, and back when plugged again.
  const PortWatch watch({dir + "/by-id/*"}, nullptr);
  fs::remove(dir + "/dev/ttyUSB1");
  EXPECT_TRUE(watch.Present().empty());
  std::ofstream(dir + "/dev/ttyGONE").put('x');
  EXPECT_EQ(watch.Present(), std::vector<std::string>{dir + "/by-id/usb-BX-gone"});
}

TEST(PortWatch, WithoutPatternsTheLinksSerialPortsAsTheyArePluggedAndPulled) {
  test::FakeSysfs sysfs;
  LinkConfig config;
  config.sysRoot = sysfs.sys();
  config.devRoot = sysfs.dev();
  config.scanThreads = false;
  LinkTable links(config);
  const PortWatch watch({}, &links);
  auto look = [&] {
    links.ScanAll();
    return watch.Present();
  };
  EXPECT_TRUE(look().empty());
  sysfs.PlugUsbSerial("ttyUSB0");
  EXPECT_EQ(look(), std::vector<std::string>{sysfs.dev() + "/ttyUSB0"});
  test::FakeUsb second;
  second.serial = "B20XK9";
  second.bus = "1-3";
  sysfs.PlugUsbSerial("ttyUSB1", second);
  EXPECT_EQ(look(), (std::vector<std::string>{sysfs.dev() + "/ttyUSB0", sysfs.dev() + "/ttyUSB1"}));
  sysfs.Unplug("ttyUSB0");
  EXPECT_EQ(look(), std::vector<std::string>{sysfs.dev() + "/ttyUSB1"});
  EXPECT_TRUE(PortWatch({}, nullptr).Present().empty());
}

}  // namespace
}  // namespace bx
