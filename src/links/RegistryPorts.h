#pragma once
// A serial driver's device list as Windows keeps it in the machine hive: the driver's
// "Enum" key counts its devices and names each device's instance path; the device's own
// key holds its friendly name and its "Device Parameters" subkey the port name.
#include <string>

#include "links/PortSource.h"

namespace bx {

class Registry;

// The watched drivers, in table order.
inline constexpr const char* kSerialDriverServices[5] = {"serenum", "usbser", "bthmodem", "BTDriver", "WudfRd"};

// Device lists are never this long; a larger count is damage, not devices.
inline constexpr int kMaxDriverDevices = 4096;

class RegistryPorts : public PortSource {
 public:
  RegistryPorts(Registry& registry, std::string service);

  // "SYSTEM\CurrentControlSet\Services\" + service + "\Enum"
  std::string WatchKey() const override { return watchKey_; }
  std::optional<uint64_t> Stamp() override;  // the watched key's last-write time
  int Fill(PortLists& lists) override;

 private:
  Registry& registry_;
  std::string watchKey_;
};

// The friendly name without its trailing " (" + port + ")".
std::string CutFriendlyName(const std::string& friendlyName, const std::string& portName);

}  // namespace bx
