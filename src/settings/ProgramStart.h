#pragma once
// What every start and close of the program writes to the settings, the window's and
// the command line's alike, so that both leave the same settings behind: the ".rfw" file
// type, the pass-thru driver's configuration program and the program's path at the
// start; the mode list's sort at the start (a bad column reset) and again at the close.
#include <string>

#include "core/PortList.h"
#include "settings/Settings.h"

namespace bx {

class DesktopIntegration;

// The mode list's columns: "#", "ID", "Description".
inline constexpr int kModeListColumns = 3;

struct ProgramRegistration {
  std::string programPath;
  // False when `programPath` is not the window program (a command line with none beside
  // it): the file type, the desktop entry and the driver's configuration program are
  // then not pointed at it.
  bool registerProgram = true;
  DesktopIntegration* desktop = nullptr;  // null: no desktop entry
};
// Leaves `settings.SettingsKey` at the program's own key.
void WriteStartupSettings(Settings& settings, const ProgramRegistration& registration);

// A stored integer, or `def` when it is missing (then stored) or of another type: a bad
// value must not keep the program from starting, and the close replaces it.
int ReadIntOrDefault(Settings& settings, const std::string& name, int def);

struct SortState {
  int column = 0;
  bool descending = false;
};
// The stored sort; a column the mode list does not have is reset to the first, stored.
SortState ReadSortState(Settings& settings);
void WriteSortState(Settings& settings, const SortState& sort);

// Among `rows`, the port the program chooses when the user has chosen none: the most
// recently used, a serial one (name beginning with `serialPrefix`) before any other.
// -1 when none of them was used before.
int RecentPortIndex(Settings& settings, const PortLists& rows, const std::string& serialPrefix);

}  // namespace bx
