#pragma once
// The program's settings in the registry. Reads come from the per-user hive; every
// write goes to the per-user hive and then to the machine-wide one. All operations work
// relative to one base key (`SettingsKey`), which start-up switches in turn to the file
// association and pass-thru keys before settling on the program's own key.
#include <string>

#include "platform/Registry.h"

namespace bx {

inline constexpr const char* kSettingsKey = "SOFTWARE\\dulMAR Company ::.";
inline constexpr const char* kClassesKey = "SOFTWARE\\Classes";
inline constexpr const char* kPassThruKey = "\\SOFTWARE\\PassThruSupport.04.04";

class Settings {
 public:
  explicit Settings(Registry& registry) : reg_(registry) {}

  std::string SettingsKey = kSettingsKey;

  // Missing: the default is written (per-user hive) and returned. A value of another
  // type raises "Invalid data type for '<name>'".
  int ReadSettingInt(const std::string& name, int def);
  void WriteSettingInt(const std::string& name, int value);
  // Missing: a default of "0" is returned and nothing is written; any other default,
  // the empty text included, is written and read back.
  std::string ReadSettingString(const std::string& subkey, const std::string& name, const std::string& def);
  // Missing: `def`, and nothing is written (for values an adapter's reply names, which
  // must not add a value to the store per name it sends).
  std::string PeekSettingString(const std::string& subkey, const std::string& name, const std::string& def);
  void WriteSettingString(const std::string& subkey, const std::string& name, const std::string& data);
  void DeleteSetting(const std::string& subkey, const std::string& name);
  bool SettingExists(const std::string& name);

  // Recent ports: "<port> <serial>" entries, digit 0 the newest.
  void RememberPort(const std::string& entry);
  int RecentPortRank(const std::string& port);
  std::string RecentPortEntry(int n);

  Registry& registry() { return reg_; }

 private:
  std::string KeyFor(const std::string& subkey) const;
  Registry& reg_;
};

}  // namespace bx
