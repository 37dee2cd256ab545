#pragma once
// The desktop clipboard as text in the ANSI code page. Panes hold CR LF line ends, as
// the clipboard of this platform does: the text goes in unchanged.
#include "platform/Services.h"
#include "view/win32/WinApi.h"

namespace bx::view {

class Win32Clipboard : public Clipboard {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  void SetText(const std::string& text) override;
  std::string Text() override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace bx::view
