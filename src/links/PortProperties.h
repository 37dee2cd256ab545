#pragma once
#include <string>
#include <vector>

namespace bx {

// The port's attributes for its properties dialog, read from the sysfs device path that
// is its detail: driver, USB vendor and product ids, manufacturer, product, serial
// number, device path. A detail outside sysRoot/devices gives the device path alone.
struct PortProperty {
  std::string label;
  std::string value;
  bool operator==(const PortProperty&) const = default;
};
std::vector<PortProperty> PortProperties(const std::string& detail, const std::string& sysRoot = "/sys");

}  // namespace bx
