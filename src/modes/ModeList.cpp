#include "modes/ModeList.h"

#include <map>
#include <vector>

#include "exchange/Exchange.h"
#include "form/PageControls.h"
#include "settings/HiddenModes.h"

namespace bx {

ModeList::ModeList(SettingsControls& controls, Settings& settings, Exchange& exchange)
    : c_(controls), settings_(settings), ex_(exchange) {
  c_.lvModes.OnSelectItem = [this](ui::TListItem* item, bool selected) { lvModesSelectItem(item, selected); };
  c_.lvModes.OnMouseUp = [this] { lvModesMouseUp(); };
  c_.lvModes.OnDblClick = [this] { Select(); };
  c_.lvModes.OnKeyDown = [this](ui::KeyEvent& e) {
    if (e.key == ui::vk::Return || e.key == ui::vk::Space) {
      e.key = 0;
      Select();
    } else if (e.key == ui::vk::Delete && !e.ctrl && !e.alt && !e.shift) {
      // Delete acts as the Hide (or Show) button does, when it may.
      e.key = 0;
      if (c_.btModeHide.Enabled()) c_.btModeHide.Click();
    }
  };
  c_.btModeSelect.OnClick = [this] { Select(); };
  c_.btSearch.OnClick = [this] { SearchClick(); };
  c_.cbShow.OnClick = [this] { SearchClick(); };
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
  // Mode "000" and the last selected mode are never hidden.
  const bool isHidden = HiddenInList(settings_, id, description, line) && id != "000";
  int state = mode_state::Normal;
  if (c_.cbShow.Checked()) {
    state = isHidden ? mode_state::Hidden : mode_state::Active;
  } else if (isHidden) {
    return true;
  }
  ui::TListItem& item = rows_.Add(
      c_.lvModes, ModeRow{Format("%02u", static_cast<unsigned>(c_.lvModes.Count())), id, description, state});
  const ModeRow& row = RowOf(item);
  item.SetCaption(row.number);
  item.AddSubItem(row.id);
  item.AddSubItem(row.description);
  item.SetStateIndex(row.state);
  return true;
}

void ModeList::SetState(ui::TListItem& item, int state) {
  if (ModeRow* row = rows_.Find(item)) row->state = state;
  item.SetStateIndex(state);
}

// Every "Selected Mode: " line marks the entries of its ID and resets the others, so
// what remains is: the entries of the last line that names a listed mode are selected,
// and the last line's resets apply to every entry it does not name (an entry marked by
// an earlier line among them). The reading is the session's; here it is shown, with the
// entries found by ID, so that a reply with many such lines does not walk the list once
// per line.
std::string ModeList::SelectedModePass(const std::vector<std::string>& selectedTexts) {
  auto idOf = [this](const ui::TListItem& item) { return RowOf(item).id; };
  std::map<std::string, std::vector<ui::TListItem*>> byId;
  std::vector<std::string> listed;
  for (int i = 0; i < c_.lvModes.Count(); ++i) {
    const std::string id = idOf(c_.lvModes.Item(i));
    if (byId[id].empty()) listed.push_back(id);
    byId[id].push_back(&c_.lvModes.Item(i));
  }
  const ModeSelection s = ReadModeSelection(selectedTexts, listed, idLength);
  if (!s.lastId) return {};
  for (const std::string& id : s.namedIds)
    for (ui::TListItem* item : byId[id]) SetState(*item, mode_state::Selected);
  if (s.markedId) {
    for (ui::TListItem* item : byId[*s.markedId]) {
      settings_.WriteSettingString("", "Mode", s.markedText);
      SetState(*item, mode_state::Selected);
      if (ex_.FocusTarget() == &c_.lvModes) item->SetFocused(true);
      item->SetSelected(true);
      lvModesSelectItem(item, true);
      item->MakeVisible();
    }
  }
  for (int i = 0; i < c_.lvModes.Count(); ++i) {
    ui::TListItem& item = c_.lvModes.Item(i);
    if (idOf(item) == *s.lastId) continue;
    if (!c_.cbShow.Checked())
      SetState(item, mode_state::Normal);
    else if (RowOf(item).state < mode_state::Hidden)
      SetState(item, mode_state::Active);
  }
  return s.markedId == s.lastId ? *s.lastId : std::string();
}

void ModeList::Clear() {
  c_.lvModes.Clear();
  rows_.Clear();
  remembered = nullptr;
}

void ModeList::lvModesSelectItem(ui::TListItem* item, bool selected) {
  remembered = item;
  if (!selected || !c_.lvModes.Enabled() || !item) return;
  const std::string id = RowOf(*item).id;
  ShowProgram(settings_.ReadSettingString("Run", id, ""));
  c_.btModeFileDel.SetEnabled(false);
  c_.btModeRun.SetEnabled(false);
  c_.btModeFile.SetEnabled(true);
  const bool hasProgram = !program_.empty();
  switch (RowOf(*item).state) {
    case mode_state::Selected:
      c_.btModeSelect.SetEnabled(false);
      c_.btModeHide.SetEnabled(false);
      OfferShow(false);
      c_.btModeFileDel.SetEnabled(hasProgram);
      c_.btModeRun.SetEnabled(hasProgram);
      break;
    case mode_state::Hidden:
      c_.btModeSelect.SetEnabled(false);
      c_.btModeHide.SetEnabled(true);
      OfferShow(true);
      break;
    default:
      c_.btModeSelect.SetEnabled(true);
      OfferShow(false);
      c_.btModeHide.SetEnabled(id != "000");
      c_.btModeFileDel.SetEnabled(hasProgram);
      c_.btModeRun.SetEnabled(hasProgram);
      break;
  }
}

void ModeList::lvModesMouseUp() {
  if (remembered) remembered->SetSelected(true);
}

void ModeList::Select() {
  if (!remembered) return;
  const int s = RowOf(*remembered).state;
  if (s != mode_state::Active && s != mode_state::Normal) return;
  if (ex_.Running()) return;
  ExchangeRequest r;
  r.operation = Operation::SelectMode;
  r.commandSuffix = "M" + RememberedId();
  r.focusTarget = &c_.lvModes;
  ex_.Start(std::move(r));
}

void ModeList::SearchClick() {
  if (c_.cbShow.Checked()) {
    c_.lvInfo.SetBounds(c_.btModeRun.Left(), c_.lvInfo.Top(), c_.btModeRun.Width(),
                        std::max(0, c_.btModeRun.Top() - c_.lvInfo.Top()));
    c_.lvInfo.SetVisible(true);
  } else {
    c_.lvInfo.SetVisible(false);
  }
  if (ex_.Running()) return;
  remembered = nullptr;
  ExchangeRequest r;
  r.operation = Operation::Search;
  r.focusTarget = &c_.lvModes;
  ex_.Start(std::move(r));
}

void ModeList::ShowProgram(const std::string& path) {
  program_ = path;
  c_.edModeRun.SetText(path);
}

void ModeList::OfferShow(bool show) {
  offersShow_ = show;
  c_.btModeHide.SetCaption(show ? "Show" : "Hide");
}

std::string ModeList::RememberedId() const {
  return remembered ? RowOf(*remembered).id : std::string();
}

}  // namespace bx
