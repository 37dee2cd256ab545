#pragma once
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "platform/Services.h"

namespace bx::cli {

// Message boxes go to standard error; questions take the --yes/--no answer (without one
// a question is answered as cancelled, or "no" where there is no cancel). A file dialog
// takes the file the command chose for it (as a user would pick it), otherwise it is
// cancelled. A property sheet is printed.
class TerminalDialogs : public Dialogs {
 public:
  // `onMessage` sees every message box (its text and flags); `prefix` goes before each
  // line (the port, when several windows share the terminal).
  TerminalDialogs(std::ostream& out, std::ostream& err, int answer,
                  std::function<void(const std::string& text, int flags)> onMessage, std::string prefix = {})
      : onMessage_(std::move(onMessage)), prefix_(std::move(prefix)), out_(out), err_(err), answer_(answer) {}
  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFile(const OpenFileRequest& request, std::string& chosen) override;
  void ShowProperties(const std::string& title, const PropertyRows& rows) override;

  // The answer to the next file dialog.
  std::optional<std::string> nextFile;

 private:
  std::function<void(const std::string& text, int flags)> onMessage_;
  std::string prefix_;
  std::ostream& out_;
  std::ostream& err_;
  int answer_;
};

class SessionClipboard : public Clipboard {
 public:
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() override { return text_; }

 private:
  std::string text_;
};

}  // namespace bx::cli
