#pragma once
// One network adapter as its search answer and the stored network list describe it,
// and the one-line text form they share: Name, MAC, IP and Port separated by single
// spaces. The line is read from the right, so the name may hold spaces; the other
// fields hold none. Fields are kept as written, never validated.
#include <optional>
#include <string>
#include <string_view>

#include "core/FieldChecks.h"

namespace bx {

struct NetDevice {
  std::string Name;
  std::string MAC;
  std::string IP;
  std::string Port;
  bool operator==(const NetDevice&) const = default;
};

// nullopt for a text with fewer than three spaces: that is not a device line.
std::optional<NetDevice> ParseDeviceLine(std::string_view line);
std::string FormatDeviceLine(const NetDevice& device);

// Why a device typed in or heard in a search cannot be kept: the network link opens a
// dotted IPv4 address (four numbers 0-255) and a TCP port 1-65535, and a field holding a
// control character (a NUL byte, a line end) would not read back as it was written.
// "" when it can.
std::string UnusableDeviceReason(const NetDevice& device);

}  // namespace bx
