#pragma once
// The Update page: choosing a firmware file, starting and stopping an upload, and the
// adapter reset. The page only gathers the user's choices and starts adapter exchanges;
// the upload itself is the firmware updater's, which reports into this page's progress
// bar, status edit and log.
namespace bx {

class TfrmMain;
class Exchange;

class UpdatePage {
 public:
  // Takes over the exchange's Run-button rule; built while the window's modules are.
  UpdatePage(TfrmMain& form, Exchange& exchange);

  // The Run-button rule: with "Do not Search" a chosen file is enough, otherwise an
  // adapter must have been identified too. Also called by the exchange at every ending.
  void UpdateRunButton();

  void rbUploadFWClick();
  void btFW_FileClick();
  void btUpdateRunClick();
  void btResetClick();

 private:
  bool UploadRunning() const;
  // The result of a Run or a Reset, in the page's log.
  void UploadEnded();
  void ResetEnded(int commandsBefore);

  TfrmMain& f_;
  Exchange& ex_;
};

// The window's one updater, and the exchange's way to start and watch it.
void CreateUpdater(TfrmMain& form, Exchange& exchange);
// Before the links go: a running upload is stopped while its link still exists.
void DestroyUpdater(TfrmMain& form);

}  // namespace bx
