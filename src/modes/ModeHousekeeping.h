#pragma once
// Keeping the mode list tidy and tying tools to modes: hiding a mode from the normal
// view, and linking a program to a mode so that "Run" starts it. Both act on the entry
// the mode list remembers and keep their data in the settings store, keyed by mode ID.
namespace bx {

class TfrmMain;
class ModeList;

class ModeHousekeeping {
 public:
  ModeHousekeeping(TfrmMain& form, ModeList& modes);

  void btModeHideClick();  // "Hide" or "Show", by the caption's first letter
  void Hide();
  void Show();
  void LinkProgram();  // btModeFile
  void Unlink();       // btModeFileDel
  void RunProgram();   // btModeRun

 private:
  TfrmMain& f_;
  ModeList& modes_;
};

}  // namespace bx
