#pragma once
// The adapter's modes as the Settings page lists them: one row per "ID - description"
// line of the reply, numbered in list order, each Normal, or with "Show ALL" Active or
// Hidden, and the rows of the running mode Selected. Which modes the user hid is the
// caller's to tell (the settings store keeps it).
#include <functional>
#include <string>
#include <vector>

#include "session/ReplyLines.h"

namespace bx {

namespace mode_state {
inline constexpr int Normal = -1;
inline constexpr int Selected = 0;
inline constexpr int Active = 1;
inline constexpr int Hidden = 2;
}  // namespace mode_state

// The states as words: Normal, Selected, Active, Hidden.
const char* ModeStateName(int state);

struct ModeRow {
  std::string number;  // "00", "01", ...: the row's place in the list
  std::string id, description;
  int state = mode_state::Normal;
};

struct ModeListing {
  std::vector<ModeRow> rows;
  // The "Selected Mode: " text of the running mode when the reply marked a listed one
  // (the page stores it as the mode last selected), else empty.
  std::string markedText;
  // The running mode's ID, empty when the reply's last "Selected Mode: " line names no
  // listed mode.
  std::string running;
};

// `hidden` tells for each mode line whether the user hid it; the default mode "000" is
// listed whatever it says.
ModeListing ListModes(const std::vector<std::string>& replyLines, bool showAll,
                      const std::function<bool(const ModeEntry& mode)>& hidden);

}  // namespace bx
