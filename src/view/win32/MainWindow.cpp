#include "view/win32/MainWindow.h"

#include <algorithm>
#include <stdexcept>

#include "ui/AccessKeys.h"
#include "ui/TabOrder.h"
#include "view/win32/LoopDriver.h"
#include "view/win32/Picture.h"

namespace bx::view {

namespace {
constexpr char kClass[] = "BrevantixConfigurator";
// A fixed single border with the system menu and the minimise box only.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
}  // namespace

MainWindow::MainWindow(TfrmMain& form, LoopDriver* driver) : form_(form) {
  ctx_.driver = driver;
  ctx_.instance = ::GetModuleHandleA(nullptr);
  ctx_.stateImages = MakeStateImages(form_.ilIcons.Images);
  RegisterWindowClass(ctx_.instance, kClass, Proc, ::LoadIconA(ctx_.instance, MAKEINTRESOURCEA(1)));
  RECT r{0, 0, form_.ClientWidth > 0 ? form_.ClientWidth : 714, form_.ClientHeight > 0 ? form_.ClientHeight : 424};
  ::AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  hwnd_ = ::CreateWindowExA(kExStyle, kClass, form_.Caption().c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr, ctx_.instance, this);
  if (!hwnd_) throw std::runtime_error("The main window could not be created");
  ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(ctx_.gdi.Font(form_.font)), FALSE);

  // The buttons' Alt letters, in their captions from the first refresh on; the dialog
  // manager (IsDialogMessage in PreTranslate) presses the one shown with the letter.
  ctx_.accessKeys = ui::ChooseAccessKeys(form_);
  for (ui::TControl* c : form_.Children()) Build(*c, hwnd_);
  ApplyTabOrder(form_);
  // Pages find their containers only once every control has one, so the first full
  // refresh comes after the whole tree is built.
  for (auto& b : bindings_) b->Refresh();

  captionConnection_ = form_.Changed.Connect([this] {
    if (hwnd_ && WindowText(hwnd_) != form_.Caption()) ::SetWindowTextA(hwnd_, form_.Caption().c_str());
  });
  focusConnection_ = form_.FocusChanged.Connect([this] { FocusFromModel(); });
}

MainWindow::~MainWindow() {
  form_.FocusChanged.Disconnect(focusConnection_);
  form_.Changed.Disconnect(captionConnection_);
  bindings_.clear();
  if (hwnd_) {
    ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
  if (ctx_.stateImages) ImageList_Destroy(ctx_.stateImages);
}

void MainWindow::Build(ui::TControl& model, HWND parent) {
  std::unique_ptr<Binding> b = MakeBinding(ctx_, model, parent);
  HWND childParent = b->ChildParent();
  bindings_.push_back(std::move(b));
  for (ui::TControl* c : model.Children()) Build(*c, childParent);
  if (!dynamic_cast<ui::TPageControl*>(&model)) ApplyTabOrder(model);
}

// Tab walks a parent's controls in the order of their windows: the reading order of
// their places, as the Qt window walks them.
void MainWindow::ApplyTabOrder(const ui::TControl& parent) {
  HWND after = HWND_TOP;
  for (ui::TControl* c : ui::InReadingOrder(parent.Children())) {
    Binding* b = ctx_.Find(c);
    if (!b) continue;
    ::SetWindowPos(b->Hwnd(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = b->Hwnd();
  }
}

HWND MainWindow::HwndFor(const ui::TControl& control) const {
  Binding* b = ctx_.Find(&control);
  return b ? b->Hwnd() : nullptr;
}

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self && self->hwnd_ == hwnd) return self->Handle(msg, wp, lp);
  return ::DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (ForwardToBindings(ctx_, msg, wp, lp, result)) return result;
  switch (msg) {
    case WM_CLOSE:
      // The close sequence may ask "Save changes?" and be cancelled; a settings write
      // that fails is shown by the exception display, and the window closes all the same
      // once the model has begun closing.
      ctx_.User([this] { ui::Invoke([this] { form_.Close(); }); });
      if (form_.Closed()) ::DestroyWindow(hwnd_);
      return 0;
    case WM_QUERYENDSESSION:
      // The session ends: the close sequence runs as for a click on the close box, and
      // may still be cancelled by its "Save changes?" questions.
      ctx_.User([this] { ui::Invoke([this] { form_.Close(); }); });
      return form_.Closed() ? TRUE : FALSE;
    case WM_ENDSESSION:
      if (wp && form_.Closed()) ::DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      Destroyed();
      ::PostQuitMessage(0);
      return 0;
    case WM_MOVE: {
      RECT frame{};
      ::GetWindowRect(hwnd_, &frame);
      if (frame.left != form_.Left() || frame.top != form_.Top())
        form_.SetBounds(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
      return 0;
    }
    default:
      return ::DefWindowProcA(hwnd_, msg, wp, lp);
  }
}

// The controls go with the window: from here on no model change reaches them.
void MainWindow::Destroyed() {
  for (auto& b : bindings_) b->Detach();
  ctx_.byWindow.clear();
  ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
}

bool MainWindow::PlaceRestored() {
  if (!form_.RestorePosition) return false;
  // A position saved on a screen that is no longer there (another monitor gone, a
  // smaller screen) would leave the window out of reach: unless half of it shows with its
  // title bar, it comes onto the nearest monitor, whole where it fits.
  RECT wanted{};
  ::GetWindowRect(hwnd_, &wanted);
  ::OffsetRect(&wanted, form_.Left() - wanted.left, form_.Top() - wanted.top);
  HMONITOR monitor = ::MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!monitor || !::GetMonitorInfoA(monitor, &info)) return false;
  const RECT& work = info.rcWork;
  RECT seen{};
  ::IntersectRect(&seen, &work, &wanted);
  const long long w = wanted.right - wanted.left, h = wanted.bottom - wanted.top;
  const long long shown = static_cast<long long>(seen.right - seen.left) * (seen.bottom - seen.top);
  int x = wanted.left, y = wanted.top;
  if (shown * 2 < w * h || wanted.top < work.top || wanted.top >= work.bottom) {
    x = w >= work.right - work.left ? work.left
                                    : std::clamp<int>(wanted.left, work.left, work.right - static_cast<int>(w));
    y = h >= work.bottom - work.top ? work.top
                                    : std::clamp<int>(wanted.top, work.top, work.bottom - static_cast<int>(h));
  }
  ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void MainWindow::ShowWindow() {
  ctx_.User([this] { ui::Invoke([this] { form_.FormShow(); }); });
  if (!PlaceRestored()) {
    RECT work{}, frame{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(hwnd_, &frame);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - w) / 2,
                   work.top + (work.bottom - work.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
  FocusFromModel();
}

void MainWindow::FocusFromModel() {
  ui::TControl* c = form_.ActiveControl();
  HWND w = c ? HwndFor(*c) : nullptr;
  if (w && ::GetFocus() != w && ::IsWindowVisible(w) && ::IsWindowEnabled(w)) ::SetFocus(w);
}

void MainWindow::FocusFromWindow() {
  HWND now = ::GetFocus();
  if (now == focus_) return;
  focus_ = now;
  for (HWND w = now; w && w != hwnd_; w = ::GetParent(w)) {
    Binding* b = ctx_.Find(w);
    if (!b) continue;
    if (form_.ActiveControl() != &b->Model()) b->Model().SetFocus();
    return;
  }
}

bool MainWindow::KeyToModel(Binding& b, const MSG& msg) {
  ui::KeyEvent e{static_cast<int>(msg.wParam), ::GetKeyState(VK_CONTROL) < 0, ::GetKeyState(VK_SHIFT) < 0,
                 ::GetKeyState(VK_MENU) < 0};
  b.BeforeKey();
  ctx_.User([&] { b.Model().KeyDown(e); });
  b.Refresh();
  return e.key == 0;  // consumed by the handler: the control does not see it
}

void MainWindow::TurnPage(int step) {
  ui::TPageControl& pages = form_.pcOptions;
  const int n = static_cast<int>(pages.Pages().size());
  for (int k = 1; k < n; ++k) {
    const int i = ((pages.ActivePageIndex() + step * k) % n + n) % n;
    if (!pages.Pages()[static_cast<std::size_t>(i)]->TabVisible()) continue;
    ctx_.User([&] { pages.UserSelect(i); });
    return;
  }
}

bool MainWindow::PreTranslate(MSG& msg) {
  if (!hwnd_) return false;
  if (msg.message == WM_KEYDOWN && (msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd))) {
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    // The window's own shortcuts (Ctrl+Shift+S), wherever the focus is.
    if (ctrl && msg.wParam == 'S') {
      const ui::KeyEvent e{'S', true, ::GetKeyState(VK_SHIFT) < 0, ::GetKeyState(VK_MENU) < 0};
      bool taken = false;
      ctx_.User([&] { taken = form_.WindowShortcut(e); });
      if (taken) return true;
    }
    // Ctrl+Tab turns the page wherever the focus is.
    if (msg.wParam == VK_TAB && ctrl) {
      TurnPage(::GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
      return true;
    }
    Binding* b = nullptr;
    for (HWND w = msg.hwnd; w && w != hwnd_ && !b; w = ::GetParent(w)) b = ctx_.Find(w);
    if (b && b->Model().OnKeyDown && KeyToModel(*b, msg)) return true;
    if (b && msg.wParam == VK_RETURN && !ctrl && b->Activate()) return true;
  }
  // A letter typed without Alt stays the focused control's: the dialog manager would take
  // it for the Alt letter of a button whenever the focus is on a button or a check box.
  if (msg.message == WM_CHAR && (msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd))) return false;
  // With the focus on no control an Alt+letter comes to the window itself; the search for
  // the letter starts at its first control (not every dialog manager searches from the
  // window).
  if (msg.message == WM_SYSCHAR && msg.hwnd == hwnd_)
    if (HWND first = ::GetWindow(hwnd_, GW_CHILD)) msg.hwnd = first;
  // Tab and the arrows between the controls, and Alt+letter: the button on the page shown
  // (a hidden page's controls are passed over) whose caption holds the letter is pressed.
  return ::IsDialogMessageA(hwnd_, &msg) != 0;
}

}  // namespace bx::view
