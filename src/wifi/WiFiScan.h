#pragma once
// The "WiFi -> Scan APs" page: the adapter scans for access points and the user picks the
// network its station joins.
#include <string>

namespace bx {

class TfrmMain;
class Exchange;

class WiFiScan {
 public:
  WiFiScan(TfrmMain& form, Exchange& exchange);
  void Open();
  void Rescan();
  void Select();
  void Close();
  // An "AP?:" reply line: its third character and the text after the colon.
  void AccessPoint(char third, const std::string& payload);

 private:
  void UpdateSelectButton();
  TfrmMain& f_;
  Exchange& ex_;
};

}  // namespace bx
