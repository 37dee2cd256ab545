#pragma once
// Keeping the mode list tidy and tying tools to modes: hiding a mode from the normal
// view, and linking a program to a mode so that "Run" starts it. Both act on the entry
// the mode list remembers and keep their data in the settings store, keyed by mode ID.
namespace bx {

class ModeList;
class Settings;
class Shell;
class WindowServices;
struct SettingsControls;

class ModeHousekeeping {
 public:
  // `shell` may be null: Run then starts nothing.
  ModeHousekeeping(SettingsControls& controls, Settings& settings, WindowServices& window, Shell* shell,
                   ModeList& modes);

  void btModeHideClick();  // "Hide" or "Show", by the caption's first letter
  void Hide();
  void Show();
  void LinkProgram();  // btModeFile
  void Unlink();       // btModeFileDel
  void RunProgram();   // btModeRun

 private:
  SettingsControls& c_;
  Settings& settings_;
  WindowServices& window_;
  Shell* shell_;
  ModeList& modes_;
};

}  // namespace bx
