#include "settings/ProgramStart.h"

#include "platform/System.h"

namespace bx {

void WriteStartupSettings(Settings& settings, const ProgramRegistration& r) {
  const std::string& path = r.programPath;
  if (r.registerProgram) {
    const std::string dq = "\"";
    settings.SettingsKey = kClassesKey;
    settings.WriteSettingString(".rfw", "", "Brevantix_Firmware");
    settings.WriteSettingString("Brevantix_Firmware\\DefaultIcon", "", dq + path + dq + ",0");
    settings.WriteSettingString("Brevantix_Firmware\\shell\\open\\command", "", dq + path + dq + " " + dq + "%1" + dq);

    settings.SettingsKey = kPassThruKey;
    // The driver's registration is a key of this name; a program that moved since then
    // registers its new path as the driver's configuration program.
    const std::string deviceKey = "dulMAR Company ::. - Brevantix";
    if (settings.registry().KeyExists(Hive::CurrentUser, std::string(kPassThruKey) + "\\" + deviceKey))
      settings.WriteSettingString(deviceKey, "ConfigApplication", path);
  }

  settings.SettingsKey = kSettingsKey;
  settings.WriteSettingString("", "Path", path);
  if (r.desktop && r.registerProgram) r.desktop->Install(path);
}

int ReadIntOrDefault(Settings& settings, const std::string& name, int def) {
  try {
    return settings.ReadSettingInt(name, def);
  } catch (const RegistryError&) {
    return def;
  }
}

SortState ReadSortState(Settings& settings) {
  SortState sort;
  sort.column = ReadIntOrDefault(settings, "SortCol", 0);
  sort.descending = ReadIntOrDefault(settings, "SortDir", 0) != 0;
  if (sort.column >= kModeListColumns || sort.column < 0) {
    sort.column = 0;
    settings.WriteSettingInt("SortCol", 0);
  }
  return sort;
}

void WriteSortState(Settings& settings, const SortState& sort) {
  settings.WriteSettingInt("SortCol", sort.column);
  settings.WriteSettingInt("SortDir", sort.descending ? 1 : 0);
}

int RecentPortIndex(Settings& settings, const PortLists& rows, const std::string& serialPrefix) {
  int best = -1, bestRank = -1;
  std::string bestHead;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string& name = rows.Names[i];
    const int rank = settings.RecentPortRank(name);
    if (rank < 0) continue;
    const std::string head = name.substr(0, serialPrefix.size());
    bool take = false;
    if (best < 0)
      take = true;
    else if (rank < bestRank)
      take = head == bestHead || bestHead != serialPrefix;
    else
      take = head != bestHead && head == serialPrefix;
    if (take) {
      best = static_cast<int>(i);
      bestRank = rank;
      bestHead = head;
    }
  }
  return best;
}

}  // namespace bx
