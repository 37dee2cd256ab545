// Edits and log panes. The selection is taken over from the control before a key goes to
// the model, because the models' copy keys and "Copy to Buffer" work on the model's
// selection; a selection the model makes (Ctrl+A) is shown.
#include <algorithm>

#include "view/win32/Bindings.h"

namespace bx::view {

namespace {

// What the edit and the log pane share: the colour and the selection in both directions.
class TextBinding : public Binding {
 public:
  TextBinding(ViewContext& ctx, ui::TTextControl& m, HWND hwnd) : Binding(ctx, m, hwnd), text_(m) {}

  void BeforeKey() override {
    DWORD start = 0, end = 0;
    ::SendMessageA(Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const int s = static_cast<int>(start), e = static_cast<int>(std::max(start, end));
    if (s != text_.SelStart() || e - s != text_.SelLength()) text_.SetSel(s, e - s);
    shownSel_ = {text_.SelStart(), text_.SelLength()};
  }

 protected:
  // Shows the model's selection when the model has changed it since it was last shown,
  // so that the user's own selection stays while the model leaves it alone. A log pane
  // is not scrolled to it: the caret follows every appended line, the pane need not.
  void ApplySelection(bool scroll = true) {
    const std::pair<int, int> sel{text_.SelStart(), text_.SelLength()};
    if (sel == shownSel_) return;
    shownSel_ = sel;
    ::SendMessageA(Hwnd(), EM_SETSEL, static_cast<WPARAM>(sel.first), static_cast<LPARAM>(sel.first + sel.second));
    if (scroll) ::SendMessageA(Hwnd(), EM_SCROLLCARET, 0, 0);
  }

 private:
  ui::TTextControl& text_;
  std::pair<int, int> shownSel_{0, 0};
};

class EditBinding : public TextBinding {
 public:
  EditBinding(ViewContext& ctx, ui::TEdit& m, HWND parent)
      : TextBinding(ctx, m, CreateControl(ctx, "EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, parent)), m_(m) {}

  void Command(HWND, WORD code) override {
    if (code != EN_CHANGE || syncing_) return;
    const std::string typed = WindowText(Hwnd());
    User([this, &typed] { m_.UserType(typed); });
  }
  HBRUSH Colour(HDC dc) override {
    ::SetBkColor(dc, ToColorRef(m_.Color()));
    return ctx_.gdi.Brush(m_.Color());
  }

 protected:
  void RefreshOwn() override {
    const bool readOnly = (::GetWindowLongPtrA(Hwnd(), GWL_STYLE) & ES_READONLY) != 0;
    if (readOnly != m_.ReadOnly) ::SendMessageA(Hwnd(), EM_SETREADONLY, m_.ReadOnly, 0);
    // A read-only field is no Tab stop; a click still focuses it to select and copy.
    const LONG_PTR style = ::GetWindowLongPtrA(Hwnd(), GWL_STYLE);
    const LONG_PTR want = m_.ReadOnly ? style & ~static_cast<LONG_PTR>(WS_TABSTOP) : style | WS_TABSTOP;
    if (want != style) ::SetWindowLongPtrA(Hwnd(), GWL_STYLE, want);
    ::SendMessageA(Hwnd(), EM_SETLIMITTEXT, m_.MaxLength > 0 ? static_cast<WPARAM>(m_.MaxLength) : 32767, 0);
    const auto mask = static_cast<char>(::SendMessageA(Hwnd(), EM_GETPASSWORDCHAR, 0, 0));
    const char want_mask = m_.PasswordChar() ? '*' : '\0';
    if (mask != want_mask) {
      ::SendMessageA(Hwnd(), EM_SETPASSWORDCHAR, static_cast<WPARAM>(static_cast<unsigned char>(want_mask)), 0);
      ::InvalidateRect(Hwnd(), nullptr, TRUE);
    }
    SetText(Hwnd(), m_.Text());
    ApplySelection();
  }

 private:
  ui::TEdit& m_;
};

DWORD MemoStyle(const ui::TMemo& m) {
  DWORD style = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL | WS_TABSTOP;
  if (m.Scroll != ui::TMemo::ScrollBars::None) style |= WS_VSCROLL;
  if (m.Scroll == ui::TMemo::ScrollBars::Both) style |= WS_HSCROLL;
  if (!m.WordWrap) style |= ES_AUTOHSCROLL;
  return style;
}

class MemoBinding : public TextBinding {
 public:
  MemoBinding(ViewContext& ctx, ui::TMemo& m, HWND parent)
      : TextBinding(ctx, m, CreateControl(ctx, "EDIT", MemoStyle(m), WS_EX_CLIENTEDGE, parent)), m_(m) {
    ::SendMessageA(Hwnd(), EM_SETLIMITTEXT, 0, 0);  // a log has no length limit
  }

  // A read-only log pane stays readable (white) while its page is disabled during an
  // exchange.
  HBRUSH Colour(HDC dc) override {
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    return ::GetSysColorBrush(COLOR_WINDOW);
  }

 protected:
  void RefreshOwn() override {
    // A pane in the middle of a batch of line updates is shown when the batch ends.
    if (m_.Updating()) return;
    const Place place = Where();
    const bool changed = ShowText();
    ApplySelection(false);
    if (changed) Restore(place);
  }

 private:
  // Where the pane is scrolled: a pane at its end follows new lines; one the user scrolled
  // up stays put (the edit control scrolls to the caret whenever it is moved).
  struct Place {
    bool atEnd = true;
    LRESULT firstLine = 0;
  };
  Place Where() const {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    Place p;
    p.atEnd = !::GetScrollInfo(Hwnd(), SB_VERT, &si) || si.nPos + static_cast<int>(si.nPage) > si.nMax;
    p.firstLine = ::SendMessageA(Hwnd(), EM_GETFIRSTVISIBLELINE, 0, 0);
    return p;
  }
  void Restore(const Place& p) {
    if (p.atEnd) {
      ::SendMessageA(Hwnd(), WM_VSCROLL, SB_BOTTOM, 0);
      return;
    }
    const LRESULT now = ::SendMessageA(Hwnd(), EM_GETFIRSTVISIBLELINE, 0, 0);
    ::SendMessageA(Hwnd(), EM_LINESCROLL, 0, p.firstLine - now);
  }

  // Only the model's own account of what changed since the pane was last shown is used:
  // lines added at the end (the common case for a log) are appended; anything else
  // replaces the whole text. Returns whether the text changed.
  bool ShowText() {
    if (m_.Revision() == shownRevision_) return false;
    const std::string& text = m_.Text();
    const std::size_t kept = m_.KeptSince(shownRevision_, shownLength_);
    if (shownRevision_ != 0 && kept == shownLength_ && text.find('\0', kept) == std::string::npos) {
      Append(text.c_str() + kept);
    } else {
      SetText(Hwnd(), text);
    }
    shownRevision_ = m_.Revision();
    shownLength_ = text.size();
    return true;
  }

  // The user's selection stays where it was.
  void Append(const char* tail) {
    DWORD start = 0, end = 0;
    ::SendMessageA(Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const auto length = static_cast<WPARAM>(::GetWindowTextLengthA(Hwnd()));
    ::SendMessageA(Hwnd(), EM_SETSEL, length, static_cast<LPARAM>(length));
    ::SendMessageA(Hwnd(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(tail));
    ::SendMessageA(Hwnd(), EM_SETSEL, start, static_cast<LPARAM>(end));
  }

  ui::TMemo& m_;
  uint64_t shownRevision_ = 0;
  std::size_t shownLength_ = 0;
};

}  // namespace

std::unique_ptr<Binding> BindEdit(ViewContext& ctx, ui::TEdit& m, HWND p) {
  return std::make_unique<EditBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindMemo(ViewContext& ctx, ui::TMemo& m, HWND p) {
  return std::make_unique<MemoBinding>(ctx, m, p);
}

}  // namespace bx::view
