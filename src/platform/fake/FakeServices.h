#pragma once
// Scripted dialogs, a clipboard in memory and a shell that records what it was asked.
#include <deque>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace bx {

class FakeDialogs : public Dialogs {
 public:
  struct Message {
    std::string caption, text;
    int flags;
  };
  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFile(const OpenFileRequest& request, std::string& chosen) override;
  void ShowProperties(const std::string& title, const PropertyRows& rows) override;

  // Answers are taken in order; without one, a message box answers IdOk for plain boxes,
  // IdCancel for questions, and a file dialog is cancelled.
  std::deque<int> answers;
  std::deque<std::string> files;  // "" means cancel
  std::vector<Message> messages;
  std::vector<OpenFileRequest> fileRequests;
  std::vector<std::pair<std::string, PropertyRows>> properties;
};

class FakeClipboard : public Clipboard {
 public:
  void SetText(const std::string& text) override {
    text_ = text;
    ++sets;
  }
  std::string Text() override { return text_; }
  int sets = 0;

 private:
  std::string text_;
};

class FakeShell : public Shell {
 public:
  struct Call {
    std::string target, workingDir;
  };
  bool Open(const std::string& target, const std::string& workingDir) override {
    calls.push_back({target, workingDir});
    return result;
  }
  std::vector<Call> calls;
  bool result = true;
};

}  // namespace bx
