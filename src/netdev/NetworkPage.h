#pragma once
// The Network page: the stored list of network adapters.
namespace bx {

class TfrmMain;

class NetworkPage {
 public:
  explicit NetworkPage(TfrmMain& form);
  // "Save changes?" for unsaved rows: 1 saved, 0 go on, -1 cancel.
  int PendingChangesPrompt(bool reload);
  void LoadList();
  void SaveList();

 private:
  TfrmMain& f_;
};

}  // namespace bx
