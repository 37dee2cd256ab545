#include "wifi/WiFiRecord.h"

#include "core/Bytes.h"
#include "core/FieldChecks.h"
#include "wifi/UrlQuery.h"

namespace bx {

namespace {
constexpr std::size_t kKeyLength = 5;
constexpr std::size_t kValueLength = 32;
constexpr int kShort = 16, kLong = 32;

// The entries whose values are checked before they are sent, and their names in a reason.
struct CheckedKey {
  const char* key;
  FieldKind kind;
  const char* label;
};
constexpr CheckedKey kChecked[] = {
    {"WSBP", FieldKind::Port, "TCP Port"},
    {"WSBWP", FieldKind::Port, "Webserver Port"},
    {"APIP", FieldKind::IPv4, "SoftAP IP"},
    {"APNM", FieldKind::Mask, "SoftAP Mask"},
    {"APGW", FieldKind::OptionalIPv4, "SoftAP Gateway"},
    {"STIP", FieldKind::IPv4, "Station IP"},
    {"STNM", FieldKind::Mask, "Station Mask"},
    {"STGW", FieldKind::OptionalIPv4, "Station Gateway"},
    {"SDNS0", FieldKind::OptionalIPv4, "DNS1"},
    {"SDNS1", FieldKind::OptionalIPv4, "DNS2"},
};

// A value as a reason quotes it: cut short.
std::string QuotedValue(const std::string& v) {
  constexpr std::size_t kShown = 40;
  return "\"" + v.substr(0, kShown) + (v.size() > kShown ? "...\"" : "\"");
}

std::size_t IndexOf(const WiFiEntry& entry) { return static_cast<std::size_t>(&entry - WiFiEntries().data()); }
}  // namespace

const std::vector<WiFiEntry>& WiFiEntries() {
  using K = WiFiKind;
  static const std::vector<WiFiEntry> entries = {
      {"ALIAS", K::Text, true, false, kShort},
      {"WSBP", K::Text, true, false, kShort},
      {"WSBWP", K::Text, true, false, kShort},
      {"HIDE", K::Check, true},
      {"APCH", K::Channel, true},
      {"APAUT", K::Security, true},
      {"APPW", K::Text, true, false, kLong},
      {"APIP", K::Text, true, false, kShort},
      {"APNM", K::Text, true, false, kShort},
      {"APGW", K::Text, true, false, kShort},
      {"STEN", K::Check, true},
      {"STAP", K::Text, true, false, kLong},
      {"STPW", K::Text, true, false, kLong},
      {"SDHCP", K::Check, true},
      {"STIP", K::Text, true, true, kShort},
      {"STNM", K::Text, true, true, kShort},
      {"STGW", K::Text, true, true, kShort},
      {"SDNS0", K::Text, true, true, kShort},
      {"SDNS1", K::Text, true, true, kShort},
      {"WSBID", K::Text, false},
      {"WSBFW", K::Text, false},
      {"APMAC", K::Text, false},
      {"APSID", K::Text, false},
      {"STMAC", K::Text, false},
  };
  return entries;
}

const WiFiEntry* FindWiFiEntry(std::string_view key) {
  for (const WiFiEntry& e : WiFiEntries())
    if (key == e.key) return &e;
  return nullptr;
}

const std::vector<std::string>& WiFiChoices(WiFiKind kind) {
  static const std::vector<std::string> security = {"Open", "WPA-PSK", "WPA2-PSK", "WPA-WPA2-PSK"};
  static const std::vector<std::string> channels = [] {
    std::vector<std::string> out;
    for (int ch = 1; ch <= 13; ++ch) out.push_back(std::to_string(ch));
    return out;
  }();
  static const std::vector<std::string> none;
  return kind == WiFiKind::Security ? security : kind == WiFiKind::Channel ? channels : none;
}

// Code 1 is not offered: the choices are codes 0, 2, 3 and 4.
std::string SecurityCode(int choice) {
  return choice < 0 ? std::string() : std::to_string(choice == 0 ? 0 : choice + 1);
}

int SecurityChoice(const std::string& code) {
  long long c = 0;
  if (!ParseInt(code, c) || c < 0 || c == 1 || c > 4) return -1;
  return c == 0 ? 0 : static_cast<int>(c - 1);
}

std::optional<WiFiPair> ReadWiFiPair(const std::string& rawKey, const std::string& rawValue) {
  std::string key = QueryDecode(rawKey);
  std::string value = QueryDecode(rawValue);
  if (key.size() > kKeyLength) key.resize(kKeyLength);
  if (value.size() > kValueLength) value.resize(kValueLength);
  const WiFiEntry* e = FindWiFiEntry(key);
  if (!e) return std::nullopt;
  switch (e->kind) {
    case WiFiKind::Text:
      return WiFiPair{e, value};
    case WiFiKind::Check:
      return WiFiPair{e, value != "0" ? "1" : "0"};
    case WiFiKind::Security: {
      // A value that is no number leaves the choice as it is, like code 1 (not offered).
      long long a = 0;
      if (!ParseInt(value, a) || a == 1) return std::nullopt;
      const long long choice = a > 0 ? a - 1 : a;
      if (choice >= static_cast<long long>(WiFiChoices(e->kind).size())) return std::nullopt;
      return WiFiPair{e, SecurityCode(choice < 0 ? -1 : static_cast<int>(choice))};
    }
    case WiFiKind::Channel: {
      long long c = 0;
      if (!ParseInt(value, c)) return std::nullopt;
      if (c <= 0 || c > static_cast<long long>(WiFiChoices(e->kind).size())) return std::nullopt;
      return WiFiPair{e, std::to_string(c)};
    }
  }
  return std::nullopt;
}

std::string WiFiValueProblem(const WiFiEntry& entry, const std::string& value) {
  for (const CheckedKey& c : kChecked) {
    if (std::string_view(c.key) != entry.key) continue;
    const std::string why = FieldProblem(c.kind, value);
    return why.empty() ? why : std::string("the ") + c.label + " " + QuotedValue(value) + " " + why;
  }
  return {};
}

std::string WiFiSaveCommand(const std::function<std::optional<std::string>(const WiFiEntry&)>& changed, bool dhcp,
                            std::vector<const WiFiEntry*>* sent) {
  std::string command = "WC";
  char separator = '?';
  for (const WiFiEntry& e : WiFiEntries()) {
    if (!e.saved) continue;
    if (dhcp && e.staticAddress) continue;  // stays marked for a save made with DHCP off
    const std::optional<std::string> value = changed(e);
    if (!value) continue;
    command += separator;
    command += QueryEncode(e.key) + "=" + QueryEncode(*value);
    separator = '&';
    if (sent) sent->push_back(&e);
  }
  return separator == '?' ? std::string() : command;
}

WiFiRecord::WiFiRecord() { Clear(); }

void WiFiRecord::Clear() {
  values_.assign(WiFiEntries().size(), std::string());
  for (const WiFiEntry& e : WiFiEntries())
    if (e.kind == WiFiKind::Check) values_[IndexOf(e)] = "0";
}

void WiFiRecord::Apply(std::string_view payload) {
  for (const auto& [key, value] : ScanQueryPairs(payload))
    if (const std::optional<WiFiPair> p = ReadWiFiPair(key, value)) Set(*p->entry, p->value);
}

const std::string& WiFiRecord::Value(const WiFiEntry& entry) const { return values_[IndexOf(entry)]; }

void WiFiRecord::Set(const WiFiEntry& entry, std::string value) { values_[IndexOf(entry)] = std::move(value); }

}  // namespace bx
