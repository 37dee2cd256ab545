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

namespace {

bool HasControl(std::string_view text) {
  for (const char ch : text)
    if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) return true;
  return false;
}

// A field as a reason quotes it: cut short, so that a reason for a long answer stays short.
std::string Quoted(std::string_view text) {
  constexpr std::size_t kShown = 40;
  return "\"" + std::string(text.substr(0, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

}  // namespace

std::string UnusableDeviceReason(const NetDevice& d) {
  if (const std::string why = FieldProblem(FieldKind::IPv4, d.IP); !why.empty())
    return "the IP address " + Quoted(d.IP) + " " + why;
  if (const std::string why = FieldProblem(FieldKind::Port, d.Port); !why.empty())
    return "the port " + Quoted(d.Port) + " " + why;
  if (HasControl(d.Name)) return "the name holds control characters";
  if (HasControl(d.MAC) || d.MAC.find(' ') != std::string::npos)
    return "the MAC address " + Quoted(d.MAC) + " is no word";
  return {};
}

}  // namespace bx
