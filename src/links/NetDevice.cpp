#include "links/NetDevice.h"

namespace bx {

std::optional<NetDevice> ParseDeviceLine(std::string_view line) {
  std::size_t last = line.rfind(' ');
  if (last == std::string_view::npos || last == 0) return std::nullopt;
  std::size_t second = line.rfind(' ', last - 1);
  if (second == std::string_view::npos || second == 0) return std::nullopt;
  std::size_t third = line.rfind(' ', second - 1);
  if (third == std::string_view::npos) return std::nullopt;
  NetDevice d;
  d.Name = std::string(line.substr(0, third));
  d.MAC = std::string(line.substr(third + 1, second - third - 1));
  d.IP = std::string(line.substr(second + 1, last - second - 1));
  d.Port = std::string(line.substr(last + 1));
  return d;
}

std::string FormatDeviceLine(const NetDevice& device) {
  return device.Name + " " + device.MAC + " " + device.IP + " " + device.Port;
}

}  // namespace bx
