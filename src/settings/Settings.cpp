#include "settings/Settings.h"

namespace bx {

std::string Settings::KeyFor(const std::string& subkey) const {
  return subkey.empty() ? SettingsKey : SettingsKey + "\\" + subkey;
}

int Settings::ReadSettingInt(const std::string& name, int def) {
  auto v = reg_.ReadInteger(Hive::CurrentUser, SettingsKey, name);
  if (!v) {
    reg_.WriteInteger(Hive::CurrentUser, SettingsKey, name, def);
    v = reg_.ReadInteger(Hive::CurrentUser, SettingsKey, name);
  }
  return v.value_or(def);
}

void Settings::WriteSettingInt(const std::string& name, int value) {
  reg_.WriteInteger(Hive::CurrentUser, SettingsKey, name, value);
  reg_.WriteInteger(Hive::LocalMachine, SettingsKey, name, value);
}

std::string Settings::ReadSettingString(const std::string& subkey, const std::string& name, const std::string& def) {
  const std::string key = KeyFor(subkey);
  auto v = reg_.ReadString(Hive::CurrentUser, key, name);
  if (v) return *v;
  if (def == "0") return def;
  reg_.WriteString(Hive::CurrentUser, key, name, def);
  return reg_.ReadString(Hive::CurrentUser, key, name).value_or(def);
}

std::string Settings::PeekSettingString(const std::string& subkey, const std::string& name, const std::string& def) {
  return reg_.ReadString(Hive::CurrentUser, KeyFor(subkey), name).value_or(def);
}

void Settings::WriteSettingString(const std::string& subkey, const std::string& name, const std::string& data) {
  const std::string key = KeyFor(subkey);
  reg_.WriteString(Hive::CurrentUser, key, name, data);
  reg_.WriteString(Hive::LocalMachine, key, name, data);
}

void Settings::DeleteSetting(const std::string& subkey, const std::string& name) {
  const std::string key = KeyFor(subkey);
  reg_.DeleteValue(Hive::CurrentUser, key, name);
  reg_.DeleteValue(Hive::LocalMachine, key, name);
}

bool Settings::SettingExists(const std::string& name) {
  return reg_.ReadValue(Hive::CurrentUser, SettingsKey, name).has_value();
}

// A recent-ports entry; one of the wrong type (not written by this program) reads as
// empty, as the sort and position values do, instead of stopping every port refresh.
std::string Settings::RecentPortEntry(int n) {
  const std::string name = "Port" + std::to_string(n);
  const auto v = reg_.ReadValue(Hive::CurrentUser, KeyFor("Ports"), name);
  if (v) return v->type == RegValue::Type::String ? v->text : std::string();
  return ReadSettingString("Ports", name, "");
}

// The list is read and shifted in one store transaction, so two programs remembering a
// port at once each keep the other's entry.
void Settings::RememberPort(const std::string& entry) {
  reg_.Transact([&] {
    WriteSettingString("", "Port", entry);
    std::string carry = entry;
    for (int n = 0; n <= 9; ++n) {
      const std::string name = "Port" + std::to_string(n);
      const std::string old = RecentPortEntry(n);
      WriteSettingString("Ports", name, carry);
      if (old == entry) return;
      carry = old;
      if (carry.empty()) return;
    }
  });
}

// An empty entry ends the list. An entry without its port (" 12345", which an earlier
// version stored when the port list was rebuilt during a search) is passed over: ending
// the lookup there kept every port from being preselected again.
int Settings::RecentPortRank(const std::string& port) {
  for (int n = 0; n <= 9; ++n) {
    std::string v = RecentPortEntry(n);
    if (v.empty()) return -1;
    const auto blank = v.find(' ');
    if (blank != std::string::npos) v.resize(blank);
    if (!v.empty() && v == port) return n;
  }
  return -1;
}

}  // namespace bx
