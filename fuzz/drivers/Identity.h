#pragma once
// The identity parser on a reply of any text, shown in memLog, and the mode-line test, which must
// agree with the simulator's own reading of a mode line.
#include <string>
#include <string_view>
#include <vector>

#include "Input.h"
#include "Window.h"
#include "window/Modules.h"
#include "exchange/Identity.h"
#include "modes/ModeList.h"
#include "sim/Scenario.h"

namespace bx::fuzz {

inline void CheckModeLine(const std::string& line) {
  const int length = ModeList::ModeIdLength(line);
  sim::ModeEntry entry;
  const bool isMode = sim::ParseModeLine(line, entry);
  Check(length >= 0 && length <= 3, "a mode ID has 1 to 3 characters");
  Check(isMode == (length > 0), "the program and the simulator agree on what a mode line is");
  Check(!isMode || entry.id.size() == static_cast<std::size_t>(length), "and on the length of its ID");
}

// The pane rule stated line by line: walk to the first empty line or line starting with
// "-", removing each line the parser does not use.
inline std::string PaneAfterParsing(Identity& identity, ui::TMemo& pane) {
  const int count = pane.LineCount();
  int i = 0;
  for (int steps = 0; steps < count; ++steps) {
    const std::string line = pane.Line(i);
    if (line.empty() || line[0] == '-') break;
    if (identity.TakeLine(line))
      ++i;
    else
      pane.DeleteLine(i);
  }
  return pane.Text();
}

// The selected-mode pass stated plainly: every "Selected Mode: " line walks the whole
// list, marking the entries of its ID and resetting the others. The ID is the named
// mode's whole ID ("000" is not "00"), else as long as the last listed mode's.
inline void SelectedModesLineByLine(TfrmMain& f) {
  ModeList& modes = *f.Modules->modes;
  for (const std::string& line : f.memLog.Lines()) {
    if (line.size() < 15 || line.compare(0, 15, "Selected Mode: ") != 0) continue;
    const std::string rest = line.substr(15);
    const int named = ModeList::ModeIdLength(rest);
    const std::string id = rest.substr(0, static_cast<std::size_t>(named > 0 ? named : modes.idLength));
    for (int i = 0; i < f.lvModes.Count(); ++i) {
      ui::TListItem& item = f.lvModes.Item(i);
      if ((item.SubItems().empty() ? std::string() : item.SubItems()[0]) == id) {
        f.settings.WriteSettingString("", "Mode", rest);
        item.SetStateIndex(mode_state::Selected);
        item.SetSelected(true);
        modes.lvModesSelectItem(&item, true);
      } else if (!f.cbShow.Checked()) {
        item.SetStateIndex(mode_state::Normal);
      } else if (item.StateIndex() < mode_state::Hidden) {
        item.SetStateIndex(mode_state::Active);
      }
    }
  }
}

// What the mode list shows and remembers.
inline std::string ModeListState(TfrmMain& f) {
  std::string s = f.settings.ReadSettingString("", "Mode", "") + "|" + f.Modules->modes->RememberedId() + "|";
  for (int i = 0; i < f.lvModes.Count(); ++i) {
    const ui::TListItem& item = f.lvModes.Item(i);
    s += std::to_string(item.StateIndex()) + (item.Selected() ? "s" : "") + ",";
  }
  return s;
}

// Two modes of the seeds are hidden, and "show all" is ticked for inputs of odd length
// (without the search that ticking it starts), so that every entry state occurs.
inline void PrepareModeList(TfrmMain& f, std::string_view input) {
  f.settings.WriteSettingString("Hide", "01", "J2534 Pass-Thru");
  f.settings.WriteSettingString("Hide", "03", "Serial Gateway");
  auto search = std::move(f.cbShow.OnClick);
  f.cbShow.SetChecked(input.size() % 2 == 1);
  f.cbShow.OnClick = std::move(search);
  f.memLog.SetText(std::string(input));
}

inline void DriveIdentity(std::string_view input) {
  WindowWorld w;
  TfrmMain& f = *w.form;
  PrepareModeList(f, input);
  const int before = f.memLog.LineCount();
  const std::vector<std::string> lines = f.memLog.Lines();
  Check(lines.size() == static_cast<std::size_t>(before), "a pane has as many lines as it counts");
  for (int i = 0; i < before; ++i) Check(lines[static_cast<std::size_t>(i)] == f.memLog.Line(i), "line by line");
  for (const std::string& line : lines) CheckModeLine(line);
  f.Modules->identity->ShowReply(f.memLog.Text());
  Check(f.memLog.LineCount() <= before, "parsing only removes lines from memLog");
  Check(f.lvModes.Count() <= before, "no more modes than lines");

  // A second window, in the same state as the first was, walked line by line.
  WindowWorld reference;
  PrepareModeList(*reference.form, input);
  Check(PaneAfterParsing(*reference.form->Modules->identity, reference.form->memLog) == f.memLog.Text(),
        "memLog keeps the lines the parser used and those after the end of the reply");
  SelectedModesLineByLine(*reference.form);
  Check(ModeListState(*reference.form) == ModeListState(f), "the selected-mode pass marks as line by line");
}

}  // namespace bx::fuzz
