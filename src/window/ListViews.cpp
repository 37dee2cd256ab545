// List views and log panes: the shared column sort, "Copy to Buffer" and the selection
// and copy keys.
#include "window/Unitmain.h"

namespace bx {

int TfrmMain::ListCompare(const ui::TListItem& a, const ui::TListItem& b) const {
  int r = 0;
  if (SortColumn == 0) {
    r = CompareTextNoCase(a.Caption(), b.Caption());
  } else if (SortColumn > 0) {
    const auto k = static_cast<std::size_t>(SortColumn);
    if (a.SubItems().size() >= k && b.SubItems().size() >= k)
      r = CompareTextNoCase(a.SubItems()[k - 1], b.SubItems()[k - 1]);
  }
  return SortDescending ? -r : r;
}

void TfrmMain::SortList(ui::TListView& view) {
  view.CustomSort([this](const ui::TListItem& a, const ui::TListItem& b) { return ListCompare(a, b); });
  view.SetSortArrow(SortColumn, SortDescending);
}

void TfrmMain::ListColumnClick(ui::TListView& view, int column) {
  if (view.Count() == 0) return;
  SortDescending = column == SortColumn && !SortDescending;
  SortColumn = column;
  SortList(view);
  if (ui::TListItem* s = view.Selected()) s->MakeVisible();
}

void TfrmMain::CopyPane(ui::TTextControl& pane) {
  if (pane.Text().empty()) return;
  pane.SelectAll();
  if (ctx.clipboard) ctx.clipboard->SetText(pane.SelText());
}

void TfrmMain::SelectCopyKeys(ui::TTextControl& control, ui::KeyEvent& e) {
  if (!e.ctrl) return;
  if (e.key == ui::vk::A) {
    control.SelectAll();
    e.key = 0;
  } else if (e.key == ui::vk::C) {
    if (ctx.clipboard && control.SelLength() > 0) ctx.clipboard->SetText(control.SelText());
    e.key = 0;
  }
}

std::vector<ui::TTextControl*> TfrmMain::CopyKeyControls() {
  return {&memLog,
          &edModeRun,
          &edFW_File,
          &edUpdateSatus,
          &memUpdate,
          &edNetwork_IP,
          &memLog_Network,
          &edNetwork_Port,
          &edNetwork_Name,
          &memJ2534,
          &edJ2534_Config,
          &edJ2534_DLL,
          &edJ2534_Name,
          &edJ2534_Version_DLL,
          &memAbout,
          &memSYS,
          &edWiFi_Alias,
          &edWiFi_Station_Password,
          &edWiFi_Station_IP,
          &edWiFi_Station_Mask,
          &edWiFi_Station_Gateway,
          &edWiFi_Station_DNS0,
          &edWiFi_Station_DNS1,
          &edWiFi_Station_SSID,
          &edWiFi_AP_Password,
          &edWiFi_AP_IP,
          &edWiFi_AP_Mask,
          &edWiFi_AP_Gateway,
          &edWiFi_Bridge_Port,
          &edWiFi_Webserver_Port,
          &memLogWiFi,
          &memLogTest,
          &edCOM};
}

}  // namespace bx
