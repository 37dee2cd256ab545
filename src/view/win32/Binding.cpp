#include "view/win32/Binding.h"

#include <algorithm>
#include <vector>

#include "view/win32/LoopDriver.h"

namespace bx::view {

GdiCache::~GdiCache() {
  for (auto& [key, font] : fonts_) ::DeleteObject(font);
  for (auto& [key, brush] : brushes_) ::DeleteObject(brush);
}

HFONT GdiCache::Font(const ui::Font& f) {
  const auto key = std::tuple{f.name, f.height, f.style.bold, f.style.italic, f.style.underline};
  if (const auto it = fonts_.find(key); it != fonts_.end()) return it->second;
  // The height has the classic meaning: negative, the character height in pixels;
  // positive, the cell height.
  HFONT font = ::CreateFontA(f.height, 0, 0, 0, f.style.bold ? FW_BOLD : FW_NORMAL, f.style.italic, f.style.underline,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, f.name.c_str());
  fonts_[key] = font;
  return font;
}

HBRUSH GdiCache::Brush(uint32_t rgb) {
  if (const auto it = brushes_.find(rgb); it != brushes_.end()) return it->second;
  HBRUSH brush = ::CreateSolidBrush(ToColorRef(rgb));
  brushes_[rgb] = brush;
  return brush;
}

void ViewContext::User(const std::function<void()>& action) {
  if (driver)
    driver->UserAction(action);
  else
    action();
}

Binding* ViewContext::Find(HWND hwnd) const {
  const auto it = byWindow.find(hwnd);
  return it == byWindow.end() ? nullptr : it->second;
}

Binding* ViewContext::Find(const ui::TControl* model) const {
  const auto it = byModel.find(model);
  return it == byModel.end() ? nullptr : it->second;
}

COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

std::string WindowText(HWND hwnd) {
  const int n = ::GetWindowTextLengthA(hwnd);
  std::string text(static_cast<std::size_t>(std::max(n, 0)) + 1, '\0');
  const int got = ::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

Binding::Binding(ViewContext& ctx, ui::TControl& model, HWND hwnd) : ctx_(ctx), model_(model), hwnd_(hwnd) {
  connection_ = model_.Changed.Connect([this] { Refresh(); });
  ctx_.byWindow[hwnd_] = this;
  ctx_.byModel[&model_] = this;
}

Binding::~Binding() {
  model_.Changed.Disconnect(connection_);
  for (auto it = ctx_.byWindow.begin(); it != ctx_.byWindow.end();)
    it = it->second == this ? ctx_.byWindow.erase(it) : std::next(it);
  ctx_.byModel.erase(&model_);
}

void Binding::Detach() {
  model_.Changed.Disconnect(connection_);
  connection_ = 0;
  hwnd_ = nullptr;
}

void Binding::Own(HWND part) { ctx_.byWindow[part] = this; }

void Binding::SetText(HWND hwnd, const std::string& text) {
  // A zero byte would end the window text early: it shows as a blank.
  std::string shown = text;
  std::replace(shown.begin(), shown.end(), '\0', ' ');
  if (WindowText(hwnd) != shown) ::SetWindowTextA(hwnd, shown.c_str());
}

void Binding::Refresh() {
  if (!hwnd_) return;
  const Sync sync(*this);
  HFONT font = ctx_.gdi.Font(model_.font);
  if (font != font_) {
    font_ = font;
    ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  RefreshEnabled();
  RefreshOwn();
  RefreshPlacement();
}

// A native control inside a disabled parent still looks enabled; the models' Usable()
// follows the parents, and so does what is shown.
void Binding::RefreshEnabled() {
  if (!hwnd_) return;
  const int usable = model_.Usable() ? 1 : 0;
  if (usable == enabled_) return;
  enabled_ = usable;
  ::EnableWindow(hwnd_, usable);
  for (ui::TControl* c : model_.Children())
    if (Binding* b = ctx_.Find(c)) b->RefreshEnabled();
  if (usable) RestoreFocus();
}

// The model may put the focus on a control while it is disabled (during an exchange);
// once it can be used again, it gets the focus the model gave it.
void Binding::RestoreFocus() {
  const ui::TForm* form = model_.Form();
  Binding* active = form ? ctx_.Find(form->ActiveControl()) : nullptr;
  if (!active || !active->hwnd_) return;
  HWND w = active->hwnd_;
  if (::GetFocus() != w && ::IsWindowEnabled(w) && ::IsWindowVisible(w)) ::SetFocus(w);
}

RECT Binding::Bounds() const {
  return {model_.Left(), model_.Top(), model_.Left() + model_.Width(), model_.Top() + model_.Height()};
}

void Binding::RefreshPlacement() {
  if (!PlacedByModel()) return;
  // Compared with what was applied last: a combo box reports its closed height, not the
  // height given to it with its list.
  const RECT r = Bounds();
  if (!placed_ || !::EqualRect(&placedAt_, &r)) {
    placed_ = true;
    placedAt_ = r;
    ::SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const bool shown = (::GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown != model_.Visible()) ::ShowWindow(hwnd_, model_.Visible() ? SW_SHOWNA : SW_HIDE);
}

void Binding::User(const std::function<void()>& action) {
  ctx_.User(action);
  Refresh();
}

HWND CreateControl(ViewContext& ctx, const char* cls, DWORD style, DWORD exStyle, HWND parent,
                   const std::string& text) {
  return ::CreateWindowExA(exStyle, cls, text.c_str(), WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent, nullptr,
                           ctx.instance, nullptr);
}

namespace {

constexpr char kContainer[] = "BrevantixContainer";

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (auto* ctx = reinterpret_cast<ViewContext*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
    LRESULT result = 0;
    if (ForwardToBindings(*ctx, msg, wp, lp, result)) return result;
  }
  return ::DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

HWND CreateContainer(ViewContext& ctx, HWND parent) {
  RegisterWindowClass(ctx.instance, kContainer, ContainerProc);
  // A control parent: Tab walks into its children. It paints its background under them:
  // a group frame is transparent inside.
  HWND hwnd = CreateControl(ctx, kContainer, 0, WS_EX_CONTROLPARENT, parent);
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ctx));
  return hwnd;
}

bool ForwardToBindings(ViewContext& ctx, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND: {
      auto* from = reinterpret_cast<HWND>(lp);
      Binding* b = from ? ctx.Find(from) : nullptr;
      if (!b) return false;
      b->Command(from, HIWORD(wp));
      result = 0;
      return true;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      Binding* b = ctx.Find(hdr->hwndFrom);
      if (!b) return false;
      result = b->Notify(hdr);
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      Binding* b = ctx.Find(reinterpret_cast<HWND>(lp));
      HBRUSH brush = b ? b->Colour(reinterpret_cast<HDC>(wp)) : nullptr;
      if (!brush) return false;
      result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace bx::view
