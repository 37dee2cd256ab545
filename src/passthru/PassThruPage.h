#pragma once
// The "Passthru SAE J2534" page: registered pass-thru devices, the library probe and the
// driver installation.
namespace bx {

class TfrmMain;

class PassThruPage {
 public:
  explicit PassThruPage(TfrmMain& form);
  // Entering the page: refresh and version check when the adapter offered a driver,
  // else the firmware hint.
  void PageEntered();
  // Unloads a loaded pass-thru library (at close).
  void UnloadLibrary();

 private:
  TfrmMain& f_;
};

}  // namespace bx
