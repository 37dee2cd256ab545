#include "cli/TerminalDialogs.h"

#include <ostream>

namespace bx::cli {

int TerminalDialogs::MessageBox(const std::string& caption, const std::string& text, int flags) {
  if (onMessage) onMessage(text, flags);
  err_ << prefix << caption << ": " << text << "\n";
  err_.flush();
  const int buttons = flags & mb::ButtonsMask;
  if (buttons == mb::Ok) return mb::IdOk;
  if (answer_ == mb::IdYes || answer_ == mb::IdNo) {
    err_ << prefix << "  -> " << (answer_ == mb::IdYes ? "Yes" : "No") << "\n";
    return answer_;
  }
  err_ << prefix << "  -> " << (buttons == mb::YesNoCancel ? "Cancel" : "No") << " (answer with --yes or --no)\n";
  return buttons == mb::YesNoCancel ? mb::IdCancel : mb::IdNo;
}

bool TerminalDialogs::OpenFile(const OpenFileRequest&, std::string& chosen) {
  if (!nextFile) return false;
  chosen = *nextFile;
  nextFile.reset();
  return true;
}

void TerminalDialogs::ShowProperties(const std::string& title, const PropertyRows& rows) {
  out_ << title << "\n";
  for (const auto& [label, value] : rows) out_ << "  " << label << "\t" << value << "\n";
}

}  // namespace bx::cli
