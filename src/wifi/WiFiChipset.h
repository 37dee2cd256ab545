#pragma once
// The System page's WiFi chipset buttons: update the bridge chip, or return it to its
// factory settings after a question. The adapter's answer goes to memSYS.
namespace bx {

class TfrmMain;

class WiFiChipset {
 public:
  explicit WiFiChipset(TfrmMain& form);
  void Update();
  void FactoryReset();

 private:
  TfrmMain& f_;
};

}  // namespace bx
