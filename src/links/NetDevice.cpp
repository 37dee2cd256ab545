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

// 1 to `maxDigits` decimal digits without a sign or a leading zero, at most `max`.
bool DecimalUpTo(std::string_view text, std::size_t maxDigits, unsigned long max) {
  if (text.empty() || text.size() > maxDigits || (text.size() > 1 && text[0] == '0')) return false;
  unsigned long v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned long>(c - '0');
  }
  return v <= max;
}

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

bool IsDottedIPv4(std::string_view text) {
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = part < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos || !DecimalUpTo(text.substr(0, dot), 3, 255)) return false;
    text.remove_prefix(part < 3 ? dot + 1 : dot);
  }
  return true;
}

bool IsTcpPort(std::string_view text) { return DecimalUpTo(text, 5, 65535) && text != "0"; }

std::string UnusableDeviceReason(const NetDevice& d) {
  if (!IsDottedIPv4(d.IP)) return "the IP address " + Quoted(d.IP) + " is no IPv4 address of four numbers 0-255";
  if (!IsTcpPort(d.Port)) return "the port " + Quoted(d.Port) + " is no number from 1 to 65535";
  if (HasControl(d.Name)) return "the name holds control characters";
  if (HasControl(d.MAC) || d.MAC.find(' ') != std::string::npos)
    return "the MAC address " + Quoted(d.MAC) + " is no word";
  return {};
}

}  // namespace bx
