// Labels, buttons, check boxes, radio buttons and groups, group boxes and panels.
#include <algorithm>
#include <vector>

#include "ui/AccessKeys.h"
#include "view/win32/Bindings.h"

namespace bx::view {

namespace {

// A label reports the mouse entering, leaving and clicking it; a label with the hand
// cursor is a link.
class LabelBinding : public Binding {
 public:
  LabelBinding(ViewContext& ctx, ui::TLabel& m, HWND parent)
      : Binding(ctx, m, CreateControl(ctx, "STATIC", SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0, parent)), m_(m) {
    ::SetWindowSubclass(Hwnd(), Proc, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  ~LabelBinding() override {
    if (Hwnd()) ::RemoveWindowSubclass(Hwnd(), Proc, 1);
  }

  void Command(HWND, WORD code) override {
    if (code == STN_CLICKED) User([this] { m_.Click(); });
  }
  HBRUSH Colour(HDC dc) override {
    ::SetTextColor(dc, ToColorRef(m_.font.color));
    ::SetBkMode(dc, TRANSPARENT);
    return ::GetSysColorBrush(COLOR_BTNFACE);
  }
  bool Activate() override {
    if (!m_.HandCursor) return false;
    User([this] { m_.Click(); });
    return true;
  }

 protected:
  void RefreshOwn() override {
    SetText(Hwnd(), m_.Caption());
    // A link is a Tab stop.
    const LONG_PTR style = ::GetWindowLongPtrA(Hwnd(), GWL_STYLE);
    const LONG_PTR want = m_.HandCursor ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP);
    if (want != style) ::SetWindowLongPtrA(Hwnd(), GWL_STYLE, want);
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
  }
  // Labels size themselves to their caption, as the classic auto-size labels do.
  RECT Bounds() const override {
    RECT r = Binding::Bounds();
    HDC dc = ::GetDC(Hwnd());
    HGDIOBJ old = ::SelectObject(dc, ctx_.gdi.Font(m_.font));
    SIZE size{};
    ::GetTextExtentPoint32A(dc, m_.Caption().data(), static_cast<int>(m_.Caption().size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(Hwnd(), dc);
    r.right = std::max(r.right, r.left + size.cx);
    r.bottom = std::max(r.bottom, r.top + size.cy);
    return r;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<LabelBinding*>(data);
    switch (msg) {
      case WM_MOUSEMOVE:
        if (!self->inside_) {
          self->inside_ = true;
          TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd, 0};
          ::TrackMouseEvent(&t);
          self->User([self] { self->m_.MouseEnter(); });
        }
        break;
      case WM_MOUSELEAVE:
        self->inside_ = false;
        self->User([self] { self->m_.MouseLeave(); });
        break;
      case WM_SETCURSOR:
        if (self->m_.HandCursor) {
          ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
          return TRUE;
        }
        break;
      default:
        break;
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
  }

  ui::TLabel& m_;
  bool inside_ = false;
};

class ButtonBinding : public Binding {
 public:
  ButtonBinding(ViewContext& ctx, ui::TButton& m, HWND parent)
      : Binding(ctx, m, CreateControl(ctx, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, parent)), m_(m) {}

  void Command(HWND, WORD code) override {
    if (code == BN_CLICKED && !syncing_) User([this] { m_.Click(); });
  }
  bool Activate() override {
    User([this] { m_.Click(); });
    return true;
  }

 protected:
  // The letter stays the one chosen when the window was made, also under a caption
  // changed since (Search to Stop); a caption without it shows none.
  void RefreshOwn() override {
    const auto it = ctx_.accessKeys.find(&m_);
    SetText(Hwnd(), ui::CaptionWithAccessKey(m_.Caption(), it == ctx_.accessKeys.end() ? 0 : it->second));
  }

 private:
  ui::TButton& m_;
};

// A check box or an option button: the control does not toggle itself; the model
// decides, and Refresh shows what it made of the click.
template <class M, DWORD kStyle>
class ToggleBinding : public Binding {
 public:
  ToggleBinding(ViewContext& ctx, M& m, HWND parent)
      : Binding(ctx, m, CreateControl(ctx, "BUTTON", kStyle | WS_TABSTOP, 0, parent)), m_(m) {}

  void Command(HWND, WORD code) override {
    if (code == BN_CLICKED && !syncing_) User([this] { m_.Click(); });
  }

 protected:
  void RefreshOwn() override {
    SetText(Hwnd(), m_.Caption());
    const WPARAM state = m_.Checked() ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(::SendMessageA(Hwnd(), BM_GETCHECK, 0, 0)) != state)
      ::SendMessageA(Hwnd(), BM_SETCHECK, state, 0);
  }

 private:
  M& m_;
};
using CheckBoxBinding = ToggleBinding<ui::TCheckBox, BS_CHECKBOX>;
using RadioButtonBinding = ToggleBinding<ui::TRadioButton, BS_RADIOBUTTON>;

// A container with a group frame behind its children: the frame is a control of its
// own, so that the children's messages come to the container.
class FramedBinding : public Binding {
 public:
  FramedBinding(ViewContext& ctx, ui::TCaptioned& m, HWND parent)
      : Binding(ctx, m, CreateContainer(ctx, parent)),
        caption_(m),
        frame_(CreateControl(ctx, "BUTTON", BS_GROUPBOX | WS_VISIBLE, 0, Hwnd())) {
    Own(frame_);
  }

 protected:
  void RefreshOwn() override {
    ::SendMessageA(frame_, WM_SETFONT, ::SendMessageA(Hwnd(), WM_GETFONT, 0, 0), FALSE);
    SetText(frame_, caption_.Caption());
    ::SetWindowPos(frame_, HWND_BOTTOM, 0, 0, caption_.Width(), caption_.Height(), SWP_NOACTIVATE);
  }
  HWND Frame() const { return frame_; }

 private:
  ui::TCaptioned& caption_;
  HWND frame_;
};

// A group of options with one choice: the items share the group's height evenly below
// its caption, as in the classic radio group.
class RadioGroupBinding : public FramedBinding {
 public:
  RadioGroupBinding(ViewContext& ctx, ui::TRadioGroup& m, HWND parent) : FramedBinding(ctx, m, parent), m_(m) {
    for (const std::string& item : m_.Items()) {
      HWND b = CreateControl(ctx, "BUTTON", BS_RADIOBUTTON | WS_VISIBLE, 0, Hwnd(), item);
      Own(b);
      buttons_.push_back(b);
    }
  }

  void Command(HWND from, WORD code) override {
    const auto at = std::find(buttons_.begin(), buttons_.end(), from);
    if (code != BN_CLICKED || syncing_ || at == buttons_.end()) return;
    const int index = static_cast<int>(at - buttons_.begin());
    User([this, index] { m_.UserSelect(index); });
  }

 protected:
  void RefreshOwn() override {
    FramedBinding::RefreshOwn();
    const int n = static_cast<int>(buttons_.size());
    if (n == 0) return;
    constexpr int kTop = 16, kBottom = 2, kLeft = 8, kHeight = 17;
    const int each = std::max(1, (m_.Height() - kTop - kBottom) / n);
    const auto font = ::SendMessageA(Hwnd(), WM_GETFONT, 0, 0);
    for (int i = 0; i < n; ++i) {
      HWND b = buttons_[static_cast<std::size_t>(i)];
      ::SendMessageA(b, WM_SETFONT, font, FALSE);
      const int h = std::min(each, kHeight);
      ::SetWindowPos(b, nullptr, kLeft, kTop + i * each + (each - h) / 2, std::max(0, m_.Width() - 2 * kLeft), h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      const WPARAM state = m_.ItemIndex() == i ? BST_CHECKED : BST_UNCHECKED;
      ::SendMessageA(b, BM_SETCHECK, state, 0);
      // The group is one Tab stop, at its choice.
      const LONG_PTR style = ::GetWindowLongPtrA(b, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_TABSTOP);
      ::SetWindowLongPtrA(b, GWL_STYLE, i == std::max(0, m_.ItemIndex()) ? style | WS_TABSTOP : style);
    }
  }

 private:
  ui::TRadioGroup& m_;
  std::vector<HWND> buttons_;
};

class PanelBinding : public Binding {
 public:
  PanelBinding(ViewContext& ctx, ui::TControl& m, HWND parent) : Binding(ctx, m, CreateContainer(ctx, parent)) {}
};

}  // namespace

std::unique_ptr<Binding> BindLabel(ViewContext& ctx, ui::TLabel& m, HWND p) {
  return std::make_unique<LabelBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindButton(ViewContext& ctx, ui::TButton& m, HWND p) {
  return std::make_unique<ButtonBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindCheckBox(ViewContext& ctx, ui::TCheckBox& m, HWND p) {
  return std::make_unique<CheckBoxBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindRadioButton(ViewContext& ctx, ui::TRadioButton& m, HWND p) {
  return std::make_unique<RadioButtonBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindRadioGroup(ViewContext& ctx, ui::TRadioGroup& m, HWND p) {
  return std::make_unique<RadioGroupBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindGroupBox(ViewContext& ctx, ui::TGroupBox& m, HWND p) {
  return std::make_unique<FramedBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindPanel(ViewContext& ctx, ui::TControl& m, HWND p) {
  return std::make_unique<PanelBinding>(ctx, m, p);
}

}  // namespace bx::view
