#pragma once
// The System page's WiFi chipset buttons: update the bridge chip, or return it to its
// factory settings after a question. The adapter's answer goes to memSYS.
namespace bx {

class TfrmMain;
class Exchange;

class WiFiChipset {
 public:
  WiFiChipset(TfrmMain& form, Exchange& exchange);
  void Update();
  void FactoryReset();

 private:
  void Ended();

  TfrmMain& f_;
  Exchange& ex_;
};

}  // namespace bx
