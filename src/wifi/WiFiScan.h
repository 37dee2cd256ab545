#pragma once
// The "WiFi -> Scan APs" page: the adapter scans for access points and the user picks the
// network its station joins.
#include <string>
#include <vector>

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
  // The access points of the last scan, in the list's order.
  const std::vector<AccessPointRow>& Rows() const { return rows_; }

 private:
  void UpdateSelectButton();
  WiFiScanControls& c_;
  WiFiControls& wifi_;
  ui::TPageControl& pages_;
  Exchange& ex_;
  std::vector<AccessPointRow> rows_;
};

}  // namespace bx
