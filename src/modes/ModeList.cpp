#include "modes/ModeList.h"

#include <map>
#include <optional>
#include <vector>

#include "exchange/Exchange.h"
#include "form/Unitmain.h"

namespace bx {

namespace {
bool IdChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }
bool IsMarker(const std::string& s) { return s == " - " || s == " _ " || s == " + " || s == " * "; }
}  // namespace

ModeList::ModeList(TfrmMain& form, Exchange& exchange) : f_(form), ex_(exchange) {
  f_.lvModes.OnSelectItem = [this](ui::TListItem* item, bool selected) { lvModesSelectItem(item, selected); };
  f_.lvModes.OnMouseUp = [this] { lvModesMouseUp(); };
  f_.lvModes.OnDblClick = [this] { Select(); };
  f_.lvModes.OnKeyDown = [this](ui::KeyEvent& e) {
    if (e.key == ui::vk::Return || e.key == ui::vk::Space) {
      e.key = 0;
      Select();
    }
  };
  f_.btModeSelect.OnClick = [this] { Select(); };
  f_.btSearch.OnClick = [this] { SearchClick(); };
  f_.cbShow.OnClick = [this] { SearchClick(); };
}

int ModeList::ModeIdLength(const std::string& line) {
  for (int pos = 0; pos < 4; ++pos) {
    if (pos < static_cast<int>(line.size()) && IdChar(line[static_cast<std::size_t>(pos)])) continue;
    if (pos == 0) return 0;
    return IsMarker(line.substr(static_cast<std::size_t>(pos), 3)) ? pos : 0;
  }
  return 0;
}

bool ModeList::AddModeEntry(const std::string& line) {
  const int L = ModeIdLength(line);
  if (L <= 0) return false;
  idLength = L;
  const std::string id = line.substr(0, static_cast<std::size_t>(L));
  const char marker = line[static_cast<std::size_t>(L) + 1];
  const std::string description =
      line.size() > static_cast<std::size_t>(L) + 3 ? line.substr(static_cast<std::size_t>(L) + 3) : "";
  if (marker != '-') return false;
  // A missing value already means "not hidden"; reading it must not store one per mode
  // ID the adapter lists.
  std::string hidden = f_.settings.PeekSettingString("Hide", id, "");
  if (id == "000") hidden.clear();
  if (line == f_.settings.ReadSettingString("", "Mode", "")) hidden.clear();
  int state = mode_state::Normal;
  const bool isHidden = !hidden.empty() && description == hidden;
  if (f_.cbShow.Checked()) {
    state = isHidden ? mode_state::Hidden : mode_state::Active;
  } else if (isHidden) {
    return true;
  }
  auto& item = f_.lvModes.Add();
  item.SetCaption(Format("%02u", static_cast<unsigned>(f_.lvModes.Count() - 1)));
  item.AddSubItem(id);
  item.AddSubItem(description);
  item.SetStateIndex(state);
  return true;
}

// Every "Selected Mode: " line marks the entries of its ID and resets the others, so
// what remains is: the entries of the last line that names a listed mode are selected,
// and the last line's resets apply to every entry it does not name (an entry marked by
// an earlier line among them). That is made in one walk over the list, with the entries
// found by ID, so that a reply with many such lines does not walk the list once per line.
void ModeList::SelectedModePass() {
  auto idOf = [](const ui::TListItem& item) { return item.SubItems().empty() ? std::string() : item.SubItems()[0]; };
  std::map<std::string, std::vector<ui::TListItem*>> byId;
  for (int i = 0; i < f_.lvModes.Count(); ++i) byId[idOf(f_.lvModes.Item(i))].push_back(&f_.lvModes.Item(i));
  std::optional<std::string> lastId;
  const std::vector<ui::TListItem*>* marked = nullptr;
  std::string markedRest;
  for (const std::string& line : f_.memLog.Lines()) {
    if (line.size() < 15 || line.compare(0, 15, "Selected Mode: ") != 0) continue;
    const std::string rest = line.substr(15);
    // The whole ID of the named mode: "000" (the default mode) is not "00", even when
    // the last mode line listed had a two-character ID.
    const int namedLength = ModeIdLength(rest);
    lastId = rest.substr(0, static_cast<std::size_t>(namedLength > 0 ? namedLength : idLength));
    const auto named = byId.find(*lastId);
    if (named == byId.end()) continue;
    for (ui::TListItem* item : named->second) item->SetStateIndex(mode_state::Selected);
    marked = &named->second;
    markedRest = rest;
  }
  if (!lastId) return;
  if (marked) {
    for (ui::TListItem* item : *marked) {
      f_.settings.WriteSettingString("", "Mode", markedRest);
      item->SetStateIndex(mode_state::Selected);
      if (ex_.FocusTarget() == &f_.lvModes) item->SetFocused(true);
      item->SetSelected(true);
      lvModesSelectItem(item, true);
      item->MakeVisible();
    }
  }
  for (int i = 0; i < f_.lvModes.Count(); ++i) {
    ui::TListItem& item = f_.lvModes.Item(i);
    if (idOf(item) == *lastId) continue;
    if (!f_.cbShow.Checked())
      item.SetStateIndex(mode_state::Normal);
    else if (item.StateIndex() < mode_state::Hidden)
      item.SetStateIndex(mode_state::Active);
  }
}

void ModeList::Clear() {
  f_.lvModes.Clear();
  remembered = nullptr;
}

void ModeList::lvModesSelectItem(ui::TListItem* item, bool selected) {
  remembered = item;
  if (!selected || !f_.lvModes.Enabled() || !item) return;
  const std::string id = item->SubItems().empty() ? std::string() : item->SubItems()[0];
  f_.edModeRun.SetText(f_.settings.ReadSettingString("Run", id, ""));
  f_.btModeFileDel.SetEnabled(false);
  f_.btModeRun.SetEnabled(false);
  f_.btModeFile.SetEnabled(true);
  const bool hasProgram = !f_.edModeRun.Text().empty();
  switch (item->StateIndex()) {
    case mode_state::Selected:
      f_.btModeSelect.SetEnabled(false);
      f_.btModeHide.SetEnabled(false);
      f_.btModeHide.SetCaption("Hide");
      f_.btModeFileDel.SetEnabled(hasProgram);
      f_.btModeRun.SetEnabled(hasProgram);
      break;
    case mode_state::Hidden:
      f_.btModeSelect.SetEnabled(false);
      f_.btModeHide.SetEnabled(true);
      f_.btModeHide.SetCaption("Show");
      break;
    default:
      f_.btModeSelect.SetEnabled(true);
      f_.btModeHide.SetCaption("Hide");
      f_.btModeHide.SetEnabled(id != "000");
      f_.btModeFileDel.SetEnabled(hasProgram);
      f_.btModeRun.SetEnabled(hasProgram);
      break;
  }
}

void ModeList::lvModesMouseUp() {
  if (remembered) remembered->SetSelected(true);
}

void ModeList::Select() {
  if (!remembered) return;
  const int s = remembered->StateIndex();
  if (s != mode_state::Active && s != mode_state::Normal) return;
  if (ex_.Running()) return;
  ExchangeRequest r;
  r.operation = Operation::SelectMode;
  r.commandSuffix = "M" + RememberedId();
  r.focusTarget = &f_.lvModes;
  ex_.Start(std::move(r));
}

void ModeList::SearchClick() {
  if (f_.cbShow.Checked()) {
    f_.lvInfo.SetBounds(f_.btModeRun.Left(), f_.lvInfo.Top(), f_.btModeRun.Width(),
                        std::max(0, f_.btModeRun.Top() - f_.lvInfo.Top()));
    f_.lvInfo.SetVisible(true);
  } else {
    f_.lvInfo.SetVisible(false);
  }
  if (ex_.Running()) return;
  remembered = nullptr;
  ExchangeRequest r;
  r.operation = Operation::Search;
  r.focusTarget = &f_.lvModes;
  ex_.Start(std::move(r));
}

std::string ModeList::RememberedId() const {
  if (!remembered || remembered->SubItems().empty()) return {};
  return remembered->SubItems()[0];
}

}  // namespace bx
