// The whole program under Wine: the window on the real services and the real event loop,
// Search clicked through its button, against the simulated adapter that the test script
// puts behind a COM port ($BX_TEST_SIM_PORT); the identity fields fill.
#include <gtest/gtest.h>

#include "ViewWorld.h"
#include "exchange/PortList.h"
#include "program/Program.h"
#include "view/win32/LoopDriver.h"
#include "view/win32/Win32Clipboard.h"
#include "view/win32/Win32Dialogs.h"
#include "window/Modules.h"

namespace bx::test {
namespace {

TEST(Win32Program, SearchFillsTheIdentityFieldsFromTheAdapter) {
  const char* env = std::getenv("BX_TEST_SIM_PORT");
  if (!env || !*env) GTEST_SKIP() << "no simulated adapter behind a COM port (BX_TEST_SIM_PORT)";
  const std::string port = env;
  UseCom();
  ProgramServices services;
  std::string error;
  ASSERT_TRUE(OpenProgramServices(services, error)) << error;
  ui::RealEventLoop loop;
  ui::EventLoop::SetCurrent(&loop);
  {
    view::LoopDriver driver(loop);
    view::Win32Dialogs dialogs;
    view::Win32Clipboard clipboard;
    // Wine's COM ports are in none of the serial drivers' device lists: the port is
    // offered as one given on the command line.
    AppContext context = MakeProgramContext(services, dialogs, clipboard, {});
    context.virtualPorts = {{port, "Simulated adapter"}};
    TfrmMain form(std::move(context));
    std::unique_ptr<view::MainWindow> window;
    try {
      window = std::make_unique<view::MainWindow>(form, &driver);
    } catch (const std::exception&) {
      form.FormClose();
      ui::EventLoop::SetCurrent(nullptr);
      GTEST_SKIP() << "no window: Wine has no display here (run under xvfb-run)";
    }
    dialogs.SetOwner(window->Hwnd());
    window->ShowWindow();
    PreferPort(form, port);
    auto listed = [&] { return form.Modules->ports->SelectedPortName() == port; };
    ASSERT_TRUE(PumpUntil(listed, 30000, window.get()))
        << "the port list never offered " << port << "; it has " << ::testing::PrintToString(form.cbCOM.Items());

    HWND search = window->HwndFor(form.btSearch);
    ASSERT_TRUE(::IsWindowEnabled(search));
    ::SendMessageA(search, BM_CLICK, 0, 0);
    HWND serial = window->HwndFor(form.edSerial);
    EXPECT_TRUE(PumpUntil([&] { return !TextOf(serial).empty() && form.btSearch.Usable(); }, 60000, window.get()))
        << "no identity after a minute; the log reads:\n"
        << form.memLog.Text();
    EXPECT_EQ(TextOf(serial), "BX240017");
    EXPECT_EQ(TextOf(window->HwndFor(form.edCOM)).rfind(port, 0), 0u) << "the port the adapter answered on";
    EXPECT_EQ(TextOf(window->HwndFor(form.memLog)), form.memLog.Text());
    if (std::getenv("BX_SCREENSHOT_DIR")) SavePicture(window->Hwnd(), ScreenshotFolder() + "/search-com.png");
    form.FormClose();
    window.reset();
  }
  ui::EventLoop::SetCurrent(nullptr);
}

}  // namespace
}  // namespace bx::test
