#pragma once
// The "WiFi -> Scan APs" page: the adapter scans for access points and the user picks the
// network its station joins.
#include <string>
#include <vector>

#include "ui/ItemRows.h"
#include "wifi/ScanLine.h"

namespace bx {

class Exchange;
struct WiFiControls;
struct WiFiScanControls;
namespace ui {
class TPageControl;
}

class WiFiScan {
 public:
  WiFiScan(WiFiScanControls& controls, WiFiControls& wifi, ui::TPageControl& pages, Exchange& exchange);
  void Open();
  void Rescan();
  void Select();
  void Close();
  // An "AP?:" reply line: its third character and the text after the colon.
  void AccessPoint(char third, const std::string& payload);

 private:
  // An access point of the last scan, and whether it is the network the station is set
  // to join (shown with state image 0, not offered).
  struct Row {
    AccessPointRow point;
    bool joined = false;
  };
  void UpdateSelectButton();
  WiFiScanControls& c_;
  WiFiControls& wifi_;
  ui::TPageControl& pages_;
  Exchange& ex_;
  ui::ItemRows<Row> rows_;
};

}  // namespace bx
