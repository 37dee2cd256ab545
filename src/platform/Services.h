#pragma once
// Small seams for the services a desktop window asks of its platform: message boxes and
// file dialogs, the clipboard, and "open with the shell". The Qt view implements the
// first two, the CLI answers them on the terminal, tests script them (platform/fake/).
#include <string>
#include <utility>
#include <vector>

namespace bx {

// Message box flags and results, with the classic numeric values.
namespace mb {
inline constexpr int Ok = 0x00;
inline constexpr int YesNoCancel = 0x03;
inline constexpr int YesNo = 0x04;
inline constexpr int IconError = 0x10;
inline constexpr int IconQuestion = 0x20;
inline constexpr int IconWarning = 0x30;
inline constexpr int IconInformation = 0x40;
inline constexpr int ButtonsMask = 0x0F;
inline constexpr int IconMask = 0xF0;
// The second button (No) is the default: for questions whose Yes destroys something.
inline constexpr int DefaultNo = 0x100;
inline constexpr int DefaultMask = 0xF00;

inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;
inline constexpr int IdYes = 6;
inline constexpr int IdNo = 7;

// A box closed without a button (the title bar's close, Escape) gives the answer that
// changes nothing.
inline constexpr int DismissedAnswer(int flags) {
  switch (flags & ButtonsMask) {
    case YesNoCancel:
      return IdCancel;
    case YesNo:
      return IdNo;
    default:
      return IdOk;
  }
}
}  // namespace mb

struct OpenFileRequest {
  std::string title = "Open";
  std::string filter;    // "Description|mask|All files|*.*"
  std::string fileName;  // the starting name
  bool mustExist = true;
  // The first filter entry stands for programs: a dialog offers there the files its
  // platform can start (on POSIX those the user may execute, whatever their names; where
  // programs are known by their extension, the entry's mask).
  bool programs = false;
};

using PropertyRows = std::vector<std::pair<std::string, std::string>>;

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // caption is the whole caption shown; returns one of mb::Id*.
  virtual int MessageBox(const std::string& caption, const std::string& text, int flags) = 0;
  // true and the chosen path in `chosen` when the user confirmed.
  virtual bool OpenFile(const OpenFileRequest& request, std::string& chosen) = 0;
  // A port's property sheet: label/value rows.
  virtual void ShowProperties(const std::string& title, const PropertyRows& rows) = 0;
};

// The open-file dialog for a program to start, beginning at `fileName` (the platform's
// program files, then all files); on a confirmed choice `fileName` is the answer. False
// when cancelled or without dialogs.
inline bool ChooseProgramFile(Dialogs* dialogs, std::string& fileName) {
  if (!dialogs) return false;
  OpenFileRequest r;
  r.filter = "Executable files|*.exe;*.bat;*.cmd|All files|*.*";
  r.programs = true;
  r.fileName = fileName;
  std::string chosen;
  if (!dialogs->OpenFile(r, chosen)) return false;
  fileName = chosen;
  return true;
}

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens an address, a mail link or a document with its default program, or starts a
  // program file; workingDir may be empty. Returns whether it could be started.
  virtual bool Open(const std::string& target, const std::string& workingDir) = 0;
};

}  // namespace bx
