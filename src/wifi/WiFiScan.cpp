#include "wifi/WiFiScan.h"

#include "form/Unitmain.h"
#include "wifi/ScanLine.h"
#include "wifi/WiFiCommand.h"

namespace bx {

WiFiScan::WiFiScan(TfrmMain& form, Exchange& exchange) : f_(form), ex_(exchange) {
  f_.btWiFi_Scan.OnClick = [this] { Open(); };
  f_.btWiFi_Scan_Run.OnClick = [this] { Rescan(); };
  f_.btWiFi_Scan_Select.OnClick = [this] { Select(); };
  f_.btWiFi_Scan_Cancel.OnClick = [this] { Close(); };
  f_.lvWiFi_Scan_AP.OnSelectItem = [this](ui::TListItem*, bool) { UpdateSelectButton(); };
  f_.lvWiFi_Scan_AP.OnDblClick = [this] {
    if (f_.btWiFi_Scan_Select.Enabled()) Select();
  };
}

void WiFiScan::Open() {
  f_.tsWiFi_Scan.SetTabVisible(true);
  f_.tsWiFi.SetTabVisible(false);
  f_.pcOptions.SetActivePage(&f_.tsWiFi_Scan);
  Rescan();
}

void WiFiScan::Rescan() {
  f_.lvWiFi_Scan_AP.Clear();
  UpdateSelectButton();
  SendEchoedCommand(ex_, "WS", f_.memLogWiFi);
}

// The network the bridge is already set to join carries state image 0 and is not offered.
void WiFiScan::UpdateSelectButton() {
  const ui::TListItem* s = f_.lvWiFi_Scan_AP.Selected();
  f_.btWiFi_Scan_Select.SetEnabled(s && s->StateIndex() != 0);
}

void WiFiScan::Select() {
  const ui::TListItem* s = f_.lvWiFi_Scan_AP.Selected();
  if (!s) return;
  const std::string ssid = s->Caption();
  // The key of the old network would not fit the new one.
  f_.edWiFi_Station_SSID.SetText(ssid);
  f_.edWiFi_Station_Password.SetText("");
  Close();
}

void WiFiScan::Close() {
  f_.tsWiFi.SetTabVisible(true);
  f_.tsWiFi_Scan.SetTabVisible(false);
  f_.pcOptions.SetActivePage(&f_.tsWiFi);
}

void WiFiScan::AccessPoint(char third, const std::string& payload) {
  if (third == 's') return;
  const AccessPointRow row = ParseScanPayload(payload);
  ui::TListItem& item = f_.lvWiFi_Scan_AP.Add();
  item.SetCaption(row.ssid);
  item.AddSubItem(row.rssi);
  item.AddSubItem(row.channel);
  item.AddSubItem(row.security);
  item.AddSubItem(row.mac);
  if (row.ssid == f_.edWiFi_Station_SSID.Text()) item.SetStateIndex(0);
}

}  // namespace bx
