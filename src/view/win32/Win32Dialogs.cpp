#include "view/win32/Win32Dialogs.h"

// After windows.h.
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "ui/Controls.h"

namespace bx::view {

namespace {

// A zero byte would end the text early.
std::string Shown(std::string text) {
  std::replace(text.begin(), text.end(), '\0', ' ');
  return text;
}

// Closed without a button (the title bar's close, Escape): the answer that changes
// nothing.
int NothingChanged(int flags) {
  switch (flags & mb::ButtonsMask) {
    case mb::YesNoCancel:
      return mb::IdCancel;
    case mb::YesNo:
      return mb::IdNo;
    default:
      return mb::IdOk;
  }
}

}  // namespace

int Win32Dialogs::MessageBox(const std::string& caption, const std::string& text, int flags) {
  // The flags and the answers are the platform's own values; only these are passed on.
  const UINT style = static_cast<UINT>(flags & (mb::ButtonsMask | mb::IconMask)) | MB_SETFOREGROUND;
  const int answer = ::MessageBoxA(owner_, Shown(text).c_str(), Shown(caption).c_str(), style);
  switch (answer) {
    case IDOK:
    case IDYES:
    case IDNO:
    case IDCANCEL:
      return answer;
    default:
      return NothingChanged(flags);
  }
}

std::string Win32FileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t bar = filter.find('|', from);
    parts.push_back(filter.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
    if (bar == std::string::npos) break;
    from = bar + 1;
  }
  std::string out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].find('\0') != std::string::npos || parts[i + 1].find('\0') != std::string::npos) continue;
    out += parts[i];
    out += '\0';
    out += parts[i + 1].empty() ? "*.*" : parts[i + 1];
    out += '\0';
  }
  out += '\0';
  return out;
}

bool Win32Dialogs::OpenFile(const OpenFileRequest& request, std::string& chosen) {
  std::vector<char> path(32768, '\0');
  if (request.fileName.find('\0') == std::string::npos)
    std::copy_n(request.fileName.begin(), std::min(request.fileName.size(), path.size() - 1), path.begin());
  const std::string filter = Win32FileFilter(request.filter);
  const std::string title = Shown(request.title);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrTitle = title.c_str();
  // Only an existing file can be chosen; the dialog is resizable and has no read-only
  // option.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_PATHMUSTEXIST |
              (request.mustExist ? OFN_FILEMUSTEXIST : 0);
  if (!::GetOpenFileNameA(&ofn)) return false;
  chosen = path.data();
  return true;
}

void Win32Dialogs::ShowProperties(const std::string& title, const PropertyRows& rows) {
  std::string text;
  for (const auto& [name, value] : rows) text += name + ": " + value + "\r\n";
  ::MessageBoxA(owner_, Shown(text).c_str(), Shown(title).c_str(), MB_OK | MB_ICONINFORMATION);
}

std::string WithFullStop(std::string message) {
  if (!message.empty() && message.back() != '.' && message.back() != '!' && message.back() != '?') message += '.';
  return message;
}

void InstallExceptionDisplay(const HWND* owner, std::function<std::string()> applicationTitle) {
  ui::SetExceptionDisplay([owner, title = std::move(applicationTitle)](const std::string& message) {
    const std::string caption = title ? title() : std::string("Configurator");
    ::MessageBoxA(owner ? *owner : nullptr, Shown(WithFullStop(message)).c_str(), Shown(caption).c_str(),
                  MB_OK | MB_ICONERROR);
  });
}

}  // namespace bx::view
