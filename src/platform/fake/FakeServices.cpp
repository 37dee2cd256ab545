#include "platform/fake/FakeServices.h"

namespace bx {

int FakeDialogs::MessageBox(const std::string& caption, const std::string& text, int flags) {
  messages.push_back({caption, text, flags});
  if (!answers.empty()) {
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  const int buttons = flags & mb::ButtonsMask;
  return buttons == mb::Ok ? mb::IdOk : mb::IdCancel;
}

bool FakeDialogs::OpenFile(const OpenFileRequest& request, std::string& chosen) {
  fileRequests.push_back(request);
  if (files.empty()) return false;
  std::string f = files.front();
  files.pop_front();
  if (f.empty()) return false;
  chosen = f;
  return true;
}

void FakeDialogs::ShowProperties(const std::string& title, const PropertyRows& rows) {
  properties.emplace_back(title, rows);
}

}  // namespace bx
