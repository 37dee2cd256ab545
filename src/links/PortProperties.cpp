#include <filesystem>

#include "core/Bytes.h"
#include "links/PortProperties.h"
#include "links/SysfsTree.h"

namespace fs = std::filesystem;

namespace bx {

std::vector<PortProperty> PortProperties(const std::string& detail, const std::string& sysRoot) {
  std::vector<PortProperty> rows;
  std::error_code ec;
  fs::path devices = fs::weakly_canonical(fs::path(sysRoot) / "devices", ec);
  fs::path tty = fs::weakly_canonical(detail, ec);
  // Only a path inside the device tree is read: a detail is shown, never trusted.
  bool inTree = !detail.empty() && !ec && fs::path(detail).is_absolute() &&
                StartsWith(tty.string(), devices.string() + "/") && fs::is_directory(tty, ec);
  if (inTree) {
    fs::path device = sysfs::DeviceOf(tty);
    if (device.empty()) device = tty;
    std::string driver = sysfs::DriverName(device, sysRoot);
    if (!driver.empty()) rows.push_back({"Driver", driver});
    fs::path usb = sysfs::UsbDeviceOf(device, sysRoot);
    if (!usb.empty()) {
      const std::pair<const char*, const char*> attributes[] = {{"USB vendor id", "idVendor"},
                                                                {"USB product id", "idProduct"},
                                                                {"Manufacturer", "manufacturer"},
                                                                {"Product", "product"},
                                                                {"Serial number", "serial"}};
      for (const auto& [label, file] : attributes) {
        std::string value = sysfs::ReadAttribute(usb / file);
        if (!value.empty()) rows.push_back({label, value});
      }
    }
  }
  rows.push_back({"Device path", detail});
  return rows;
}

}  // namespace bx
