#include "netdev/DeviceStore.h"

#include <map>
#include <optional>
#include <utility>

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

// The entry a stored line is: the device's address, with the count of earlier lines of the
// same address so that repeated addresses stay apart.
using EntryKey = std::pair<std::string, int>;

std::string AddressOf(const std::string& line) {
  const std::string text = StartsWith(line, "~") ? line.substr(1) : line;
  if (std::optional<NetDevice> d = ParseDeviceLine(text)) return "d " + LowerAscii(d->IP) + ":" + d->Port;
  return "l " + line;
}

std::vector<std::pair<EntryKey, std::string>> Entries(const std::vector<std::string>& lines) {
  std::map<std::string, int> seen;
  std::vector<std::pair<EntryKey, std::string>> out;
  for (const std::string& line : lines) {
    std::string address = AddressOf(line);
    const int n = seen[address]++;
    out.push_back({{std::move(address), n}, line});
  }
  return out;
}

std::map<EntryKey, std::string> ByKey(const std::vector<std::pair<EntryKey, std::string>>& entries) {
  return {entries.begin(), entries.end()};
}

}  // namespace

std::vector<std::string> MergeLines(const std::vector<std::string>& loaded, const std::vector<std::string>& mine,
                                    const std::vector<std::string>& stored) {
  const auto base = ByKey(Entries(loaded));
  const auto mineEntries = Entries(mine);
  const auto mineByKey = ByKey(mineEntries);
  const auto storedEntries = Entries(stored);
  const auto storedByKey = ByKey(storedEntries);
  auto find = [](const std::map<EntryKey, std::string>& m, const EntryKey& k) -> std::optional<std::string> {
    const auto it = m.find(k);
    return it == m.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  // What the merged list holds for an entry; nullopt: not there.
  auto merged = [&](const EntryKey& k) {
    std::optional<std::string> m = find(mineByKey, k);
    return m != find(base, k) ? m : find(storedByKey, k);
  };
  std::vector<std::string> out;
  for (const auto& [k, line] : mineEntries)
    if (std::optional<std::string> v = merged(k)) out.push_back(*v);
  for (const auto& [k, line] : storedEntries)
    if (!mineByKey.count(k))
      if (std::optional<std::string> v = merged(k)) out.push_back(*v);
  return out;
}

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

std::vector<std::string> DeviceStore::SaveLines(const std::vector<std::string>& loaded,
                                                const std::vector<std::string>& mine) {
  std::vector<std::string> result;
  reg_.Transact([&] {
    result = MergeLines(loaded, mine, ReadLines());
    WriteLines(result);
  });
  return result;
}

}  // namespace bx
