// Progress bars (marquee included), shapes and pictures.
#include <algorithm>

#include "view/win32/Bindings.h"
#include "view/win32/Painted.h"
#include "view/win32/Picture.h"

namespace bx::view {

PaintedBinding::PaintedBinding(ViewContext& ctx, ui::TControl& m, HWND parent, DWORD exStyle)
    : Binding(ctx, m, Create(ctx, parent, exStyle)) {
  ::SetWindowLongPtrA(Hwnd(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

PaintedBinding::~PaintedBinding() {
  if (Hwnd()) ::SetWindowLongPtrA(Hwnd(), GWLP_USERDATA, 0);
}

HWND PaintedBinding::Create(ViewContext& ctx, HWND parent, DWORD exStyle) {
  static constexpr char kClass[] = "BrevantixPainted";
  RegisterWindowClass(ctx.instance, kClass, Proc);
  return CreateControl(ctx, kClass, 0, exStyle, parent);
}

LRESULT CALLBACK PaintedBinding::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<PaintedBinding*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_PAINT && self) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    RECT client;
    ::GetClientRect(hwnd, &client);
    self->Paint(dc, client);
    ::EndPaint(hwnd, &ps);
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wp, lp);
}

namespace {

class ProgressBinding : public Binding {
 public:
  ProgressBinding(ViewContext& ctx, ui::TProgressBar& m, HWND parent)
      : Binding(ctx, m, CreateControl(ctx, PROGRESS_CLASSA, m.Vertical ? PBS_VERTICAL : 0, 0, parent)), m_(m) {}

 protected:
  void RefreshOwn() override {
    const bool marquee = m_.BarStyle() == ui::TProgressBar::Style::Marquee;
    const LONG_PTR style = ::GetWindowLongPtrA(Hwnd(), GWL_STYLE);
    if (((style & PBS_MARQUEE) != 0) != marquee) {
      ::SetWindowLongPtrA(Hwnd(), GWL_STYLE,
                          marquee ? style | PBS_MARQUEE : style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
      ::SendMessageA(Hwnd(), PBM_SETMARQUEE, marquee, static_cast<LPARAM>(std::max(1, m_.MarqueeInterval)));
    }
    if (marquee) return;
    ::SendMessageA(Hwnd(), PBM_SETRANGE32, static_cast<WPARAM>(m_.Min()), std::max(m_.Min(), m_.Max()));
    if (::SendMessageA(Hwnd(), PBM_GETPOS, 0, 0) != m_.Position())
      ::SendMessageA(Hwnd(), PBM_SETPOS, static_cast<WPARAM>(m_.Position()), 0);
  }

 private:
  ui::TProgressBar& m_;
};

class ShapeBinding : public PaintedBinding {
 public:
  ShapeBinding(ViewContext& ctx, ui::TShape& m, HWND parent) : PaintedBinding(ctx, m, parent), m_(m) {}

 protected:
  void Paint(HDC dc, const RECT& r) override {
    HPEN pen = ::CreatePen(PS_SOLID, 1, ToColorRef(m_.PenColor));
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, ctx_.gdi.Brush(m_.BrushColor()));
    if (m_.Circle) {
      // A circle fills the shorter side, centred in the longer one.
      const LONG d = std::min(r.right - r.left, r.bottom - r.top);
      const LONG x = (r.left + r.right - d) / 2, y = (r.top + r.bottom - d) / 2;
      ::Ellipse(dc, x, y, x + d, y + d);
    } else {
      ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
  }

 private:
  ui::TShape& m_;
};

class ImageBinding : public PaintedBinding {
 public:
  ImageBinding(ViewContext& ctx, ui::TImage& m, HWND parent) : PaintedBinding(ctx, m, parent), m_(m) {}

 protected:
  void RefreshOwn() override {
    if (m_.Picture != shownBytes_) {
      shownBytes_ = m_.Picture;
      picture_ = Picture::Decode(shownBytes_);
    }
    PaintedBinding::RefreshOwn();
  }
  void Paint(HDC dc, const RECT& r) override {
    if (picture_.Empty()) return;
    const int x = m_.Center ? (r.right - r.left - picture_.Width()) / 2 : 0;
    const int y = m_.Center ? (r.bottom - r.top - picture_.Height()) / 2 : 0;
    picture_.Draw(dc, x, y);
  }

 private:
  ui::TImage& m_;
  std::string shownBytes_;
  Picture picture_;
};

}  // namespace

std::unique_ptr<Binding> BindProgressBar(ViewContext& ctx, ui::TProgressBar& m, HWND p) {
  return std::make_unique<ProgressBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindShape(ViewContext& ctx, ui::TShape& m, HWND p) {
  return std::make_unique<ShapeBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindImage(ViewContext& ctx, ui::TImage& m, HWND p) {
  return std::make_unique<ImageBinding>(ctx, m, p);
}

}  // namespace bx::view
