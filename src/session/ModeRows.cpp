#include "session/ModeRows.h"

#include <cstdio>
#include <map>

namespace bx {

const char* ModeStateName(int state) {
  switch (state) {
    case mode_state::Selected:
      return "Selected";
    case mode_state::Active:
      return "Active";
    case mode_state::Hidden:
      return "Hidden";
    default:
      return "Normal";
  }
}

ModeListing ListModes(const std::vector<std::string>& replyLines, bool showAll,
                      const std::function<bool(const ModeEntry& mode)>& hidden) {
  ModeListing out;
  int idLength = 0;
  for (const std::string& line : RecordLines(replyLines)) {
    const ReplyLine r = ReadReplyLine(line);
    if (r.key != ReplyKey::Mode) continue;
    idLength = static_cast<int>(r.modeId.size());
    if (r.marker != '-') continue;
    const ModeEntry mode{r.modeId, r.value, line};
    const bool isHidden = hidden && hidden(mode) && mode.id != "000";
    if (isHidden && !showAll) continue;
    ModeRow row;
    char number[16];
    std::snprintf(number, sizeof number, "%02u", static_cast<unsigned>(out.rows.size()));
    row.number = number;
    row.id = mode.id;
    row.description = mode.description;
    row.state = !showAll ? mode_state::Normal : isHidden ? mode_state::Hidden : mode_state::Active;
    out.rows.push_back(row);
  }
  // Every "Selected Mode: " line marks the rows of its ID and resets the others: the rows
  // of the last line that names a listed mode stay selected, the last line's resets apply
  // to every row it does not name.
  std::vector<std::string> listed;
  std::map<std::string, std::vector<ModeRow*>> byId;
  for (ModeRow& row : out.rows) {
    if (byId[row.id].empty()) listed.push_back(row.id);
    byId[row.id].push_back(&row);
  }
  const ModeSelection s = ReadModeSelection(SelectedModeTexts(replyLines), listed, idLength);
  if (!s.lastId) return out;
  for (const std::string& id : s.namedIds)
    for (ModeRow* row : byId[id]) row->state = mode_state::Selected;
  if (s.markedId) {
    out.markedText = s.markedText;
    for (ModeRow* row : byId[*s.markedId]) row->state = mode_state::Selected;
  }
  for (ModeRow& row : out.rows) {
    if (row.id == *s.lastId) continue;
    if (!showAll)
      row.state = mode_state::Normal;
    else if (row.state < mode_state::Hidden)
      row.state = mode_state::Active;
  }
  if (s.markedId == s.lastId) out.running = *s.lastId;
  return out;
}

}  // namespace bx
