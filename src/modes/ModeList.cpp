#include "modes/ModeList.h"

#include "app/Modules.h"
#include "app/Unitmain.h"
#include "exchange/Exchange.h"

namespace bx {

namespace {
bool IdChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }
bool IsMarker(const std::string& s) { return s == " - " || s == " _ " || s == " + " || s == " * "; }
}  // namespace

ModeList::ModeList(TfrmMain& form) : f_(form) {
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
  const std::string description = line.size() > static_cast<std::size_t>(L) + 3 ? line.substr(static_cast<std::size_t>(L) + 3) : "";
  if (marker != '-') return false;
  std::string hidden = f_.settings.ReadSettingString("Hide", id, "");
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

void ModeList::SelectedModePass() {
  const auto lines = f_.memLog.Lines();
  for (const std::string& line : lines) {
    if (line.size() < 15 || line.compare(0, 15, "Selected Mode: ") != 0) continue;
    const std::string rest = line.substr(15);
    const std::string id = rest.substr(0, static_cast<std::size_t>(idLength));
    for (int i = 0; i < f_.lvModes.Count(); ++i) {
      ui::TListItem& item = f_.lvModes.Item(i);
      const std::string& itemId = item.SubItems().empty() ? std::string() : item.SubItems()[0];
      if (itemId == id) {
        f_.settings.WriteSettingString("", "Mode", rest);
        item.SetStateIndex(mode_state::Selected);
        if (f_.Modules->exchange->focusTarget == &f_.lvModes) item.SetFocused(true);
        item.SetSelected(true);
        lvModesSelectItem(&item, true);
        item.MakeVisible();
      } else if (!f_.cbShow.Checked()) {
        item.SetStateIndex(mode_state::Normal);
      } else if (item.StateIndex() < mode_state::Hidden) {
        item.SetStateIndex(mode_state::Active);
      }
    }
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
  Exchange& ex = *f_.Modules->exchange;
  if (ex.Running()) return;
  ex.focusTarget = &f_.lvModes;
  ex.Start(Operation::SelectMode);
}

void ModeList::SearchClick() {
  if (f_.cbShow.Checked()) {
    f_.lvInfo.SetBounds(f_.btModeRun.Left(), f_.lvInfo.Top(), f_.btModeRun.Width(),
                        std::max(0, f_.btModeRun.Top() - f_.lvInfo.Top()));
    f_.lvInfo.SetVisible(true);
  } else {
    f_.lvInfo.SetVisible(false);
  }
  Exchange& ex = *f_.Modules->exchange;
  if (ex.Running()) return;
  ex.focusTarget = &f_.lvModes;
  remembered = nullptr;
  ex.Start(Operation::Search);
}

std::string ModeList::RememberedId() const {
  if (!remembered || remembered->SubItems().empty()) return {};
  return remembered->SubItems()[0];
}

}  // namespace bx
