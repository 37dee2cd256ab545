#include "netdev/DeviceStore.h"

#include <optional>

#include "core/Bytes.h"
#include "platform/Registry.h"

namespace bx {

namespace {

constexpr Hive kHives[] = {Hive::CurrentUser, Hive::LocalMachine};

// n for a value named "Net" + n in decimal as the list writes it (no sign, no leading
// zero); nullopt for any other name.
std::optional<std::size_t> ListIndexOf(const std::string& name) {
  if (name.size() < 4 || name.size() > 12 || LowerAscii(name.substr(0, 3)) != "net") return std::nullopt;
  const std::string digits = name.substr(3);
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  std::size_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  return n;
}

}  // namespace

const char* MarkWord(int mark) {
  switch (mark) {
    case kMarkNone:
      return "Stored";
    case kMarkNew:
      return "New";
    case kMarkDisabled:
      return "Disabled";
    case kMarkFound:
      return "Found";
    case kMarkDisabledFound:
      return "Disabled-Found";
  }
  return "?";
}

std::string StoredLine(const NetDevice& device, bool disabled) {
  return (disabled ? "~" : "") + FormatDeviceLine(device);
}

DeviceStore::DeviceStore(Registry& registry, std::string settingsKey)
    : reg_(registry), key_(std::move(settingsKey) + "\\Network") {}

std::vector<std::string> DeviceStore::ReadLines() {
  std::vector<std::string> lines;
  for (int n = 0;; ++n) {
    std::optional<RegValue> v = reg_.ReadValue(Hive::LocalMachine, key_, "Net" + std::to_string(n));
    if (!v || v->type != RegValue::Type::String || v->text.empty()) break;
    lines.push_back(v->text);
  }
  return lines;
}

// The removal looks at both hives: the network link reads the machine hive, so a surplus
// value left there would still be offered as a port, and one past a gap would come back
// when the list next grows over the gap.
void DeviceStore::WriteLines(const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    for (Hive h : kHives) reg_.WriteString(h, key_, "Net" + std::to_string(i), lines[i]);
  for (Hive h : kHives)
    for (const std::string& name : reg_.ValueNames(h, key_))
      if (std::optional<std::size_t> n = ListIndexOf(name); n && *n >= lines.size()) reg_.DeleteValue(h, key_, name);
}

}  // namespace bx
