#include "netdev/NetworkPage.h"

#include "core/Bytes.h"
#include "platform/Services.h"

namespace bx {

NetworkPage::NetworkPage(NetworkControls& controls, NetworkServices services)
    : c_(controls), s_(std::move(services)), store_(s_.registry, s_.settingsKey) {
  for (ui::TButton* b : {&c_.btNetwork_Find, &c_.btNetwork_Config, &c_.btNetwork_Delete, &c_.btNetwork_State,
                         &c_.btNetwork_Save, &c_.btNetwork_Add, &c_.btNetwork_Update, &c_.btCopy_Network})
    b->SetEnabled(false);
  c_.ListView1.ShowColumnHeaders = false;
  c_.ListView1.SmallIcons = true;
  c_.ListView1.SetEnabled(false);
  for (auto [caption, state] : {std::pair{"New", kMarkNew}, {"Found", kMarkFound}, {"Disabled", kMarkDisabled}}) {
    auto& item = c_.ListView1.Add();
    item.SetCaption(caption);
    item.SetStateIndex(state);
  }
}

void NetworkPage::WireControls() {
  NetworkControls& n = c_;
  n.btUDP_Search.OnClick = [this] { btUDP_SearchClick(); };
  n.btNetwork_Find.OnClick = [this] { btNetwork_FindClick(); };
  n.btNetwork_Config.OnClick = [this] { btNetwork_ConfigClick(); };
  n.btNetwork_Delete.OnClick = [this] { btNetwork_DeleteClick(); };
  n.btNetwork_State.OnClick = [this] { btNetwork_StateClick(); };
  n.btNetwork_Save.OnClick = [this] { btNetwork_SaveClick(); };
  n.btNetwork_Add.OnClick = [this] { btNetwork_AddClick(); };
  n.btNetwork_Update.OnClick = [this] { btNetwork_UpdateClick(); };
  n.lvNetDevices.OnSelectItem = [this](ui::TListItem*, bool) { lvNetDevicesSelectItem(); };
  n.lvNetDevices.OnDblClick = [this] { lvNetDevicesDblClick(); };
  n.lvNetDevices.OnKeyDown = [this](ui::KeyEvent& e) { lvNetDevicesKeyDown(e); };
  for (ui::TEdit* e : {&n.edNetwork_IP, &n.edNetwork_Port, &n.edNetwork_Name}) {
    e->OnChange = [this] { edNetworkChange(); };
    e->OnKeyDown = [this](ui::KeyEvent& k) { edNetworkKeyDown(k); };
  }
}

// ---- the rows ----------------------------------------------------------------------------

ui::TListItem& NetworkPage::AddRow(const NetRow& row) {
  ui::TListItem& item = rows_.Add(c_.lvNetDevices, row);
  ShowRow(item);
  return item;
}

void NetworkPage::ShowRow(ui::TListItem& item) {
  const NetRow& row = RowOf(item);
  item.SetCaption(row.device.IP);
  item.SetSubItem(0, row.device.Port);
  item.SetSubItem(1, row.device.Name);
  item.SetSubItem(2, row.device.MAC);
  item.SetStateIndex(row.mark);
}

void NetworkPage::SetRow(ui::TListItem& item, const NetDevice& device) {
  if (NetRow* row = rows_.Find(item)) row->device = device;
  ShowRow(item);
}

void NetworkPage::SetMark(ui::TListItem& item, int mark) {
  if (NetRow* row = rows_.Find(item)) row->mark = mark;
  item.SetStateIndex(mark);
}

void NetworkPage::ClearRows() {
  c_.lvNetDevices.Clear();
  rows_.Clear();
}

void NetworkPage::SetUnsaved(bool unsaved) {
  unsaved_ = unsaved;
  c_.btNetwork_Save.SetEnabled(unsaved);
}

int NetworkPage::FindRow(const std::string& key) const {
  int first = -1, matches = 0;
  for (int i = 0; i < RowCount(); ++i) {
    if (Row(i).IP != key) continue;
    if (matches++ == 0) first = i;
  }
  if (matches == 1) return first;
  if (matches > 1) return -2;
  for (int i = 0; i < RowCount(); ++i) {
    const NetDevice d = Row(i);
    if (d.IP + ":" + d.Port == key) return i;
  }
  return -1;
}

int NetworkPage::RecordDevice(const NetDevice& device, int mark) {
  for (int i = 0; i < RowCount(); ++i) {
    if (Row(i) != device) continue;
    ui::TListItem& item = c_.lvNetDevices.Item(i);
    if (RowMark(i) == kMarkNone)
      SetMark(item, kMarkFound);
    else if (RowMark(i) == kMarkDisabled)
      SetMark(item, kMarkDisabledFound);
    return -1;
  }
  ui::TListItem& item = AddRow({device, mark});
  SetUnsaved(true);
  return item.Index();
}

int NetworkPage::RecordAndSave(const std::vector<NetDevice>& found) {
  int added = 0;
  for (const NetDevice& d : found)
    if (RecordDevice(d, kMarkNew) >= 0) ++added;
  SaveList();
  return added;
}

// An answer naming an address or port that cannot be opened is told and not listed.
std::string NetworkPage::RecordFound(const NetDevice& device) {
  if (const std::string why = UnusableDeviceReason(device); !why.empty()) return "Answer not listed: " + why;
  RecordDevice(device, kMarkNew);
  return {};
}

void NetworkPage::DeviceFound(const NetDevice& device) {
  if (const std::string refused = RecordFound(device); !refused.empty()) Line(refused);
}

void NetworkPage::SearchStarted() {
  if (s_.pages) s_.pages->SetEnabled(false);
  c_.btUDP_Search.SetCaption("Stop");
}

void NetworkPage::SearchEnded() {
  c_.btUDP_Search.SetCaption("Search");
  if (s_.pages) s_.pages->SetEnabled(true);
}

void NetworkPage::ClearLog() { c_.memLog_Network.Clear(); }

void NetworkPage::Line(const std::string& text) { c_.memLog_Network.AddLine(text); }

void NetworkPage::PassProgress(int done, int ticks) {
  if (ticks > 0) c_.pbUDP.SetPosition(c_.pbUDP.Max() * done / ticks);
}

// ---- load, save and the prompt -------------------------------------------------------------

void NetworkPage::LoadList() {
  ClearRows();
  unreadable_.clear();
  ApplySelection();
  loaded_ = saved_ ? saved_->FreshEntries() : store_.ReadLines();
  ShowLines(loaded_, true);
  SetUnsaved(false);
}

void NetworkPage::ShowLines(const std::vector<std::string>& lines, bool log) {
  for (const std::string& line : lines) {
    const bool disabled = StartsWith(line, "~");
    const std::string text = disabled ? line.substr(1) : line;
    if (log) c_.memLog_Network.AddLine(text);
    if (std::optional<NetDevice> d = ParseDeviceLine(text))
      RecordDevice(*d, disabled ? kMarkDisabled : kMarkNone);
    else
      unreadable_.push_back(line);
  }
}

// The lines are written before the marks change, so a failed write leaves the list as
// unsaved as it was. Stored lines that are not device lines go back after the rows.
// The save merges with what other processes stored since the list was loaded; when that
// brought in entries of theirs, the rows become the merged list.
void NetworkPage::SaveList() {
  std::vector<std::string> lines;
  std::vector<int> marks;
  for (int i = 0; i < RowCount(); ++i) {
    int mark = RowMark(i);
    if (mark == kMarkNew || mark == kMarkFound) mark = kMarkNone;
    if (mark == kMarkDisabledFound) mark = kMarkDisabled;
    marks.push_back(mark);
    lines.push_back(StoredLine(Row(i), mark == kMarkDisabled));
  }
  lines.insert(lines.end(), unreadable_.begin(), unreadable_.end());
  std::vector<std::string> saved = store_.SaveLines(loaded_, lines);
  loaded_ = saved;
  if (saved != lines) {
    // The selected device stays selected when the merged list still holds it.
    const ui::TListItem* sel = c_.lvNetDevices.Selected();
    const std::optional<NetDevice> selected = sel ? std::optional<NetDevice>(Row(sel->Index())) : std::nullopt;
    ClearRows();
    unreadable_.clear();
    ShowLines(saved, false);
    for (int i = 0; selected && i < RowCount(); ++i)
      if (Row(i) == *selected) {
        c_.lvNetDevices.Item(i).SetSelected(true);
        break;
      }
    ApplySelection();
  } else {
    for (int i = 0; i < RowCount(); ++i) SetMark(c_.lvNetDevices.Item(i), marks[static_cast<std::size_t>(i)]);
  }
  SetUnsaved(false);
  Reselect();
}

int NetworkPage::PendingChangesPrompt(bool reload) {
  if (!unsaved_) return 0;
  const int answer = s_.messageBox ? s_.messageBox("Network Search...", "Save the changes on the Network page?",
                                                   mb::YesNoCancel | mb::IconQuestion)
                                   : mb::IdCancel;
  if (answer == mb::IdYes) {
    SaveList();
    return 1;
  }
  if (answer == mb::IdNo) {
    if (reload) LoadList();
    return 0;
  }
  return -1;
}

// ---- search and find -------------------------------------------------------------------------

void NetworkPage::ClearFoundMarks() {
  for (int i = 0; i < RowCount(); ++i) {
    ui::TListItem& item = c_.lvNetDevices.Item(i);
    if (RowMark(i) == kMarkFound)
      SetMark(item, kMarkNone);
    else if (RowMark(i) == kMarkDisabledFound)
      SetMark(item, kMarkDisabled);
  }
}

void NetworkPage::Search(const std::string& target, bool reloadOnNo) {
  if (PendingChangesPrompt(reloadOnNo) < 0) return;
  ClearFoundMarks();
  if (searcher_) searcher_->Start(target);
}

void NetworkPage::btUDP_SearchClick() {
  if (ui::TListItem* sel = c_.lvNetDevices.Selected()) sel->SetSelected(false);
  Search(kSearchAll, true);
}

// Find's "No" keeps the unsaved edits for a later save: the user looks for one device
// and has not asked to drop the list's changes.
void NetworkPage::btNetwork_FindClick() {
  ui::TListItem* sel = c_.lvNetDevices.Selected();
  if (!sel) {
    c_.btNetwork_Find.SetEnabled(false);
    return;
  }
  const std::string target = RowOf(*sel).device.IP;
  Search(target, false);
}

// ---- selection and the edit fields -----------------------------------------------------------

void NetworkPage::lvNetDevicesSelectItem() {
  if (s_.pages && !s_.pages->Enabled()) return;
  ApplySelection();
}

void NetworkPage::ApplySelection() {
  ui::TListItem* sel = c_.lvNetDevices.Selected();
  for (ui::TButton* b : {&c_.btNetwork_Find, &c_.btNetwork_Config, &c_.btNetwork_Delete, &c_.btNetwork_State})
    b->SetEnabled(sel != nullptr);
  if (sel) {
    const NetDevice d = Row(sel->Index());
    c_.edNetwork_IP.SetText(d.IP);
    c_.edNetwork_Port.SetText(d.Port);
    c_.edNetwork_Name.SetText(d.Name);
    const int mark = RowOf(*sel).mark;
    if (mark == kMarkNew) {
      c_.btNetwork_Find.SetEnabled(false);
      c_.btNetwork_State.SetEnabled(false);
    } else {
      c_.btNetwork_State.SetCaption(IsDisabledMark(mark) ? "Enable" : "Disable");
    }
  } else {
    for (ui::TEdit* e : {&c_.edNetwork_IP, &c_.edNetwork_Port, &c_.edNetwork_Name}) e->SetText("");
  }
  c_.btNetwork_Add.SetEnabled(false);
  c_.btNetwork_Update.SetEnabled(false);
}

// Deselecting and selecting again runs the selection rule, so the buttons follow a
// changed mark.
void NetworkPage::Reselect() {
  ui::TListItem* sel = c_.lvNetDevices.Selected();
  if (!sel) return;
  sel->SetSelected(false);
  sel->SetSelected(true);
}

// IP and Port are one word each in the stored line, which is read from the right: a space
// in either would read back as another device. A stored line that begins with "~" is a
// disabled device, so a name beginning with it would come back disabled and without it.
// Neither row is offered for adding.
void NetworkPage::edNetworkChange() {
  for (ui::TEdit* e : {&c_.edNetwork_IP, &c_.edNetwork_Port})
    if (e->Color() == ui::clr::Refused) e->SetColor(ui::clr::Window);
  auto word = [](const std::string& t) { return !t.empty() && t.find(' ') == std::string::npos; };
  const bool complete =
      word(c_.edNetwork_IP.Text()) && word(c_.edNetwork_Port.Text()) && !StartsWith(c_.edNetwork_Name.Text(), "~");
  c_.btNetwork_Add.SetEnabled(complete);
  c_.btNetwork_Update.SetEnabled(complete && c_.lvNetDevices.Selected() != nullptr);
}

// ---- the buttons -------------------------------------------------------------------------------

// The address and port fields whose values the network link could not open.
void NetworkPage::MarkRefusedFields() {
  const bool ip = FieldProblem(FieldKind::IPv4, c_.edNetwork_IP.Text()).empty();
  const bool port = FieldProblem(FieldKind::Port, c_.edNetwork_Port.Text()).empty();
  c_.edNetwork_IP.SetColor(ip ? ui::clr::Window : ui::clr::Refused);
  c_.edNetwork_Port.SetColor(port ? ui::clr::Window : ui::clr::Refused);
}

void NetworkPage::btNetwork_AddClick() {
  const NetDevice d{c_.edNetwork_Name.Text(), "", c_.edNetwork_IP.Text(), c_.edNetwork_Port.Text()};
  // An entry the network link could never open is not listed, so never saved.
  if (const std::string why = UnusableDeviceReason(d); !why.empty()) {
    c_.memLog_Network.AddLine("Not added: " + why);
    MarkRefusedFields();
    return;
  }
  const int row = RecordDevice(d, kMarkNew);
  if (row >= 0) c_.lvNetDevices.Item(row).SetSelected(true);
}

void NetworkPage::btNetwork_UpdateClick() {
  if (ui::TListItem* sel = c_.lvNetDevices.Selected()) {
    NetDevice d = RowOf(*sel).device;
    d.IP = c_.edNetwork_IP.Text();
    d.Port = c_.edNetwork_Port.Text();
    d.Name = c_.edNetwork_Name.Text();
    if (!UpdateSelected(d).empty()) {
      MarkRefusedFields();
      return;
    }
    c_.btNetwork_Add.SetEnabled(false);
  }
  c_.btNetwork_Update.SetEnabled(false);
}

std::string NetworkPage::UpdateSelected(const NetDevice& device) {
  ui::TListItem* sel = c_.lvNetDevices.Selected();
  if (!sel) return "no row is selected";
  return UpdateRow(sel->Index(), device);
}

std::string NetworkPage::UpdateRow(int i, const NetDevice& device) {
  if (std::string why = UnusableDeviceReason(device); !why.empty()) {
    c_.memLog_Network.AddLine("Not updated: " + why);
    return why;
  }
  SetRow(c_.lvNetDevices.Item(i), device);
  SetUnsaved(true);
  return {};
}

bool NetworkPage::DeleteRow(int i) {
  const NetDevice d = Row(i);
  const std::string what = d.IP + ":" + d.Port + (d.Name.empty() ? std::string() : " (" + d.Name + ")");
  if (!s_.messageBox || s_.messageBox("Network Device Delete...", "Delete the device " + what + " from the list?",
                                      mb::YesNo | mb::IconQuestion | mb::DefaultNo) != mb::IdYes)
    return false;
  const std::uint64_t row = c_.lvNetDevices.Item(i).Data;
  c_.lvNetDevices.Delete(i);  // a selected row's deselection runs the selection rule
  rows_.Erase(row);
  SetUnsaved(true);
  return true;
}

bool NetworkPage::SetRowDisabled(int i, bool disabled) {
  ui::TListItem& item = c_.lvNetDevices.Item(i);
  const int mark = RowOf(item).mark;
  if (mark == kMarkNew || IsDisabledMark(mark) == disabled) return false;
  SetMark(item, disabled ? kMarkDisabled : kMarkNone);
  SetUnsaved(true);
  if (item.Selected()) Reselect();
  return true;
}

void NetworkPage::btNetwork_DeleteClick() {
  ui::TListItem* sel = c_.lvNetDevices.Selected();
  if (!sel) {
    c_.btNetwork_Delete.SetEnabled(false);
    return;
  }
  DeleteRow(sel->Index());
}

void NetworkPage::btNetwork_StateClick() {
  ui::TListItem* sel = c_.lvNetDevices.Selected();
  if (!sel) {
    c_.btNetwork_State.SetEnabled(false);
    return;
  }
  // Disable a row that is enabled, enable one that is disabled.
  SetRowDisabled(sel->Index(), !IsDisabledMark(RowOf(*sel).mark));
}

void NetworkPage::btNetwork_ConfigClick() {
  ui::TListItem* sel = c_.lvNetDevices.Selected();
  if (!sel) {
    c_.btNetwork_Config.SetEnabled(false);
    return;
  }
  if (s_.shell) s_.shell->Open("http://" + RowOf(*sel).device.IP + "/", "");
}

void NetworkPage::edNetworkKeyDown(ui::KeyEvent& e) {
  if (e.key != ui::vk::Return || e.ctrl || e.alt || e.shift) return;
  e.key = 0;
  ui::TButton& button = c_.lvNetDevices.Selected() ? c_.btNetwork_Update : c_.btNetwork_Add;
  if (button.Enabled()) button.Click();
}

// Enter or Space on a row: Ctrl opens its web page, without Ctrl it is looked for. The
// keys act as the buttons do, so a row that Find refuses (a new one) is not looked for.
void NetworkPage::lvNetDevicesKeyDown(ui::KeyEvent& e) {
  if (e.key == ui::vk::Delete && !e.ctrl && !e.alt && !e.shift) {
    e.key = 0;  // as the Delete button, with its question
    if (c_.btNetwork_Delete.Enabled()) c_.btNetwork_Delete.Click();
    return;
  }
  if (e.key != ui::vk::Return && e.key != ui::vk::Space) return;
  if (!c_.lvNetDevices.Selected()) return;
  e.key = 0;
  if (e.ctrl)
    c_.btNetwork_Config.Click();
  else
    c_.btNetwork_Find.Click();
}

}  // namespace bx
