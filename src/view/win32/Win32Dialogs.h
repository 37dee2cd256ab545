#pragma once
// The window's dialogs on the platform's own: message boxes, the open-file dialog and a
// port's property sheet, all owned by the main window; and the standard exception
// display.
#include <functional>
#include <string>

#include "platform/Services.h"
#include "view/win32/WinApi.h"

namespace bx::view {

class Win32Dialogs : public Dialogs {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFile(const OpenFileRequest& request, std::string& chosen) override;
  void ShowProperties(const std::string& title, const PropertyRows& rows) override;

 private:
  HWND owner_ = nullptr;
};

// "Description|*.ext1;*.ext2|All files|*.*" as the open-file dialog takes it: the same
// entries separated by zero bytes, two zero bytes at the end. A text with an odd number
// of parts loses its last one.
std::string Win32FileFilter(const std::string& filter);

// The standard exception display: a message box with the application title as caption,
// the message ending in a full stop, and the error icon.
void InstallExceptionDisplay(const HWND* owner, std::function<std::string()> applicationTitle);
std::string WithFullStop(std::string message);

}  // namespace bx::view
