#pragma once
// The desktop clipboard. Panes hold CR LF line ends; the clipboard of this desktop
// carries LF, so line ends are converted on the way in.
#include "platform/Services.h"

namespace bx::view {

class QtClipboard : public Clipboard {
 public:
  void SetText(const std::string& text) override;
  std::string Text() override;
};

}  // namespace bx::view
