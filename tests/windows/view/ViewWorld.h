#pragma once
// The window model on fakes and virtual time, shown through the Win32 view; and what the
// view tests share: the message pump with a bound, a control's window text, a picture of
// the window saved as PNG. Without a display (Wine with no X server) the window cannot be
// made, and the tests skip themselves saying so.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "support/FormFixture.h"
#include "view/win32/MainWindow.h"

namespace bx::test {

// Pumps the thread's messages, through the window's own key handling when given, until
// pred() holds or timeoutMs of wall-clock time have passed. Returns pred().
bool PumpUntil(const std::function<bool()>& pred, int timeoutMs, view::MainWindow* window = nullptr);
// Pumps whatever is queued now (paints, posted notifications).
void PumpPending(view::MainWindow* window = nullptr);
std::string TextOf(HWND hwnd);
// Saves the window's client area as a PNG file; false when it could not.
bool SavePicture(HWND hwnd, const std::string& path);
// Whether the window's client area shows more than a single colour.
bool ShowsSomething(HWND hwnd);
// Where the pictures go: $BX_SCREENSHOT_DIR, else screenshots-win/ in the working folder.
std::string ScreenshotFolder();
// COM on this thread for the imaging component, for the whole test program.
void UseCom();

struct ViewWorld : FormWorld {
  std::unique_ptr<view::MainWindow> window;

  ~ViewWorld() { window.reset(); }

  // The window over a started model; null (and the test skipped) without a display.
  TfrmMain& Open() {
    UseCom();
    TfrmMain& f = Start();
    try {
      window = std::make_unique<view::MainWindow>(f, nullptr);
    } catch (const std::exception&) {
      window.reset();
    }
    if (window) {
      window->ShowWindow();
      PumpPending(window.get());
    }
    return f;
  }
  HWND Of(const ui::TControl& c) const { return window->HwndFor(c); }
  void ShowPage(ui::TTabSheet& page) {
    page.SetTabVisible(true);
    form->pcOptions.SetActivePage(&page);
    PumpPending(window.get());
  }
};

#define BX_NEED_WINDOW(w) \
  if (!(w).window) GTEST_SKIP() << "no window: Wine has no display here (run under xvfb-run)"

}  // namespace bx::test
