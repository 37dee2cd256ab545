#include "wifi/WiFiScan.h"

#include "exchange/Exchange.h"
#include "form/PageControls.h"
#include "wifi/ScanLine.h"
#include "wifi/WiFiCommand.h"

namespace bx {

WiFiScan::WiFiScan(WiFiScanControls& controls, WiFiControls& wifi, ui::TPageControl& pages, Exchange& exchange)
    : c_(controls), wifi_(wifi), pages_(pages), ex_(exchange) {
  wifi_.btWiFi_Scan.OnClick = [this] { Open(); };
  c_.btWiFi_Scan_Run.OnClick = [this] { Rescan(); };
  c_.btWiFi_Scan_Select.OnClick = [this] { Select(); };
  c_.btWiFi_Scan_Cancel.OnClick = [this] { Close(); };
  c_.lvWiFi_Scan_AP.OnSelectItem = [this](ui::TListItem*, bool) { UpdateSelectButton(); };
  c_.lvWiFi_Scan_AP.OnDblClick = [this] {
    if (c_.btWiFi_Scan_Select.Enabled()) Select();
  };
}

void WiFiScan::Open() {
  c_.tsWiFi_Scan.SetTabVisible(true);
  wifi_.tsWiFi.SetTabVisible(false);
  pages_.SetActivePage(&c_.tsWiFi_Scan);
  Rescan();
}

void WiFiScan::Rescan() {
  // The rows of the last scan stay while another operation holds the adapter.
  if (ex_.Running()) {
    c_.memLogWiFi.AddLine(BusyRefusal("Rescan"));
    return;
  }
  c_.lvWiFi_Scan_AP.Clear();
  rows_.Clear();
  UpdateSelectButton();
  SendEchoedCommand(ex_, "WS", c_.memLogWiFi);
}

// The network the bridge is already set to join is not offered.
void WiFiScan::UpdateSelectButton() {
  const ui::TListItem* s = c_.lvWiFi_Scan_AP.Selected();
  c_.btWiFi_Scan_Select.SetEnabled(s && !rows_.Of(*s).joined);
}

void WiFiScan::Select() {
  const ui::TListItem* s = c_.lvWiFi_Scan_AP.Selected();
  if (!s) return;
  const std::string ssid = rows_.Of(*s).point.ssid;
  // The key of the old network would not fit the new one.
  wifi_.edWiFi_Station_SSID.SetText(ssid);
  wifi_.edWiFi_Station_Password.SetText("");
  Close();
}

void WiFiScan::Close() {
  wifi_.tsWiFi.SetTabVisible(true);
  c_.tsWiFi_Scan.SetTabVisible(false);
  pages_.SetActivePage(&wifi_.tsWiFi);
}

void WiFiScan::AccessPoint(char third, const std::string& payload) {
  if (third == 's') return;
  const AccessPointRow row = ParseScanPayload(payload);
  // The station's network as the WiFi page holds it: read from the adapter, or picked here.
  const bool joined = row.ssid == wifi_.edWiFi_Station_SSID.Text();
  ui::TListItem& item = rows_.Add(c_.lvWiFi_Scan_AP, {row, joined});
  item.SetCaption(row.ssid);
  item.AddSubItem(row.rssi);
  item.AddSubItem(row.channel);
  item.AddSubItem(row.security);
  item.AddSubItem(row.mac);
  if (joined) item.SetStateIndex(0);
}

}  // namespace bx
