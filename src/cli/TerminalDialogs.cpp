#include "cli/TerminalDialogs.h"

#include <ostream>

#include "cli/Shown.h"

namespace bx::cli {

int TerminalDialogs::MessageBox(const std::string& caption, const std::string& text, int flags) {
  if (onMessage_) onMessage_(text, flags);
  err_ << prefix_ << Shown(caption) << ": " << ShownLines(text) << "\n";
  err_.flush();
  const int buttons = flags & mb::ButtonsMask;
  if (buttons == mb::Ok) return mb::IdOk;
  if (answer_ == mb::IdYes || answer_ == mb::IdNo) {
    err_ << prefix_ << "  -> " << (answer_ == mb::IdYes ? "Yes" : "No") << "\n";
    return answer_;
  }
  err_ << prefix_ << "  -> " << (buttons == mb::YesNoCancel ? "Cancel" : "No") << " (answer with --yes or --no)\n";
  return buttons == mb::YesNoCancel ? mb::IdCancel : mb::IdNo;
}

bool TerminalDialogs::OpenFile(const OpenFileRequest&, std::string& chosen) {
  if (!nextFile) return false;
  chosen = *nextFile;
  nextFile.reset();
  return true;
}

void TerminalDialogs::ShowProperties(const std::string& title, const PropertyRows& rows) {
  out_ << Shown(title) << "\n";
  for (const auto& [label, value] : rows) out_ << "  " << Shown(label) << "\t" << Shown(value) << "\n";
}

bool HasControl(std::string_view text) {
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

std::string ShownLines(std::string_view text) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
    out += ShownLine(text.substr(from, i - from));
    if (i == text.size()) break;
    out += '\n';
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    from = i + 1;
  }
  return out;
}

}  // namespace bx::cli
