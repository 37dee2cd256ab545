#pragma once
// The WiFi page: the adapter's WiFi bridge settings.
namespace bx {

class TfrmMain;

class WiFiPage {
 public:
  explicit WiFiPage(TfrmMain& form);
  // Empties every field, masks the keys, disables Save and Scan; shows or hides the WiFi
  // tab and the chipset buttons of the System page; hides the scan tab.
  void Reset(bool visible);
  void Show();
  // "Save changes?": 1 saved, 0 go on, -1 cancel.
  int PendingChangesPrompt();
  void Save();

  bool filling = false;

 private:
  TfrmMain& f_;
};

}  // namespace bx
