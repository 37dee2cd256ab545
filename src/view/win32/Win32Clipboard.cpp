#include "view/win32/Win32Clipboard.h"

#include <cstring>

namespace bx::view {

namespace {
// The clipboard is the whole desktop's: opened for as long as the object lives.
class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(HWND owner) : open_(::OpenClipboard(owner) != 0) {}
  ~OpenClipboardScope() {
    if (open_) ::CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool Open() const { return open_; }

 private:
  bool open_;
};
}  // namespace

void Win32Clipboard::SetText(const std::string& text) {
  // CF_TEXT ends at the first zero byte, as every reader of it does.
  const std::size_t n = std::strlen(text.c_str());
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, n + 1);
  if (!memory) return;
  if (void* p = ::GlobalLock(memory)) {
    std::memcpy(p, text.c_str(), n + 1);
    ::GlobalUnlock(memory);
  }
  const OpenClipboardScope scope(owner_);
  // Once the clipboard has the memory it owns it; until then it is ours to free.
  if (!scope.Open() || !::EmptyClipboard() || !::SetClipboardData(CF_TEXT, memory)) ::GlobalFree(memory);
}

std::string Win32Clipboard::Text() {
  const OpenClipboardScope scope(owner_);
  if (!scope.Open()) return {};
  HANDLE data = ::GetClipboardData(CF_TEXT);
  if (!data) return {};
  const auto* p = static_cast<const char*>(::GlobalLock(data));
  if (!p) return {};
  const std::size_t limit = ::GlobalSize(data);
  std::string text(p, strnlen(p, limit));
  ::GlobalUnlock(data);
  return text;
}

}  // namespace bx::view
