#pragma once
#include <iosfwd>

#include "platform/Services.h"

namespace bx::cli {

// Message boxes go to standard error; questions take the --yes/--no answer (without one
// a question is answered as cancelled, or "no" where there is no cancel). File dialogs
// are cancelled. A property sheet is printed.
class TerminalDialogs : public Dialogs {
 public:
  TerminalDialogs(std::ostream& out, std::ostream& err, int answer, int* counter)
      : out_(out), err_(err), answer_(answer), counter_(counter) {}
  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFile(const OpenFileRequest& request, std::string& chosen) override;
  void ShowProperties(const std::string& title, const PropertyRows& rows) override;

 private:
  std::ostream& out_;
  std::ostream& err_;
  int answer_;
  int* counter_;
};

class SessionClipboard : public Clipboard {
 public:
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() override { return text_; }

 private:
  std::string text_;
};

}  // namespace bx::cli
