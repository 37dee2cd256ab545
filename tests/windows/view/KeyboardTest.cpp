// Keys through the window's own handling, as the message loop hands them over: the
// models' keys (Ctrl+A and Ctrl+C in panes and read-only fields, Ctrl+P and Enter on the
// test page), Enter pressing the focused button, Ctrl+Tab turning the page, Alt+letter
// pressing a button of the page shown.
#include <gtest/gtest.h>

#include "ViewWorld.h"

namespace bx::test {
namespace {

// A key pressed on `hwnd`, with Ctrl held or not, through the window's loop handling.
void Key(view::MainWindow& window, HWND hwnd, WPARAM vk, bool ctrl = false) {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  BYTE held[256];
  std::copy(std::begin(keys), std::end(keys), held);
  held[VK_CONTROL] = ctrl ? 0x80 : 0;
  ::SetKeyboardState(held);
  MSG msg{hwnd, WM_KEYDOWN, vk, 1, 0, {}};
  if (!window.PreTranslate(msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  ::SetKeyboardState(keys);
}

// A character message for `hwnd` (WM_SYSCHAR: typed with Alt held) through the window's
// loop handling, then whatever it posted.
void Char(view::MainWindow& window, HWND hwnd, UINT message, char ch) {
  MSG msg{hwnd, message, static_cast<WPARAM>(ch), message == WM_SYSCHAR ? (1 | (1 << 29)) : 1, 0, {}};
  if (!window.PreTranslate(msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  PumpPending(&window);
}

// Alt+letter presses the button that shows the letter on the page shown, wherever the
// focus is; the same letter on a hidden page presses nothing there, and the letter typed
// without Alt is the focused control's own. A caption the model changes keeps the letter.
TEST(Win32Keys, AltLetterPressesTheButtonOfThePageShown) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  int settings = 0, network = 0;
  f.btSearch.OnClick = [&settings] { ++settings; };
  f.btUDP_Search.OnClick = [&network] { ++network; };
  for (ui::TButton* b : {&f.btSearch, &f.btUDP_Search})
    for (ui::TControl* c = b; c; c = c->Parent()) c->SetEnabled(true);
  w.ShowPage(f.tsNetwork);
  EXPECT_EQ(TextOf(w.Of(f.btSearch)), "&Search");
  EXPECT_EQ(TextOf(w.Of(f.btUDP_Search)), "&Search");
  EXPECT_EQ(TextOf(w.Of(f.btCopy)), "&Copy to Buffer");

  Char(*w.window, w.Of(f.edNetwork_IP), WM_SYSCHAR, 's');
  EXPECT_EQ(network, 1);
  EXPECT_EQ(settings, 0) << "the Settings page is hidden";
  Char(*w.window, w.Of(f.btUDP_Search), WM_CHAR, 's');
  EXPECT_EQ(network, 1) << "a letter without Alt presses no button";

  w.ShowPage(f.tsSettings);
  Char(*w.window, w.Of(f.cbCOM), WM_SYSCHAR, 'S');
  EXPECT_EQ(settings, 1);
  EXPECT_EQ(network, 1);
  Char(*w.window, w.window->Hwnd(), WM_SYSCHAR, 's');
  EXPECT_EQ(settings, 2) << "with the focus on no control";

  f.btSearch.SetCaption("Stop");
  EXPECT_EQ(TextOf(w.Of(f.btSearch)), "&Stop");
  Char(*w.window, w.Of(f.cbCOM), WM_SYSCHAR, 's');
  EXPECT_EQ(settings, 3);
  f.btSearch.SetCaption("R&D");
  EXPECT_EQ(TextOf(w.Of(f.btSearch)), "R&&D") << "no S in it: no letter, the literal & doubled";
}

TEST(Win32Keys, CtrlAAndCtrlCCopyAPaneOrAReadOnlyField) {
  struct Case {
    const char* name;
    ui::TTextControl* (*control)(TfrmMain&);
  };
  const Case cases[] = {{"memLog", [](TfrmMain& f) -> ui::TTextControl* { return &f.memLog; }},
                        {"edCOM", [](TfrmMain& f) -> ui::TTextControl* { return &f.edCOM; }}};
  for (const Case& c : cases) {
    ViewWorld w;
    TfrmMain& f = w.Open();
    BX_NEED_WINDOW(w);
    ui::TTextControl& text = *c.control(f);
    text.SetText("COM7 (first)\r\nsecond");
    HWND hwnd = w.Of(text);
    ::SendMessageA(hwnd, EM_SETSEL, 0, 4);  // the user's own selection, then Ctrl+C
    Key(*w.window, hwnd, 'C', true);
    EXPECT_EQ(w.clipboard.Text(), "COM7") << c.name << ": the selection made in the control is copied";
    Key(*w.window, hwnd, 'A', true);
    Key(*w.window, hwnd, 'C', true);
    EXPECT_EQ(w.clipboard.Text(), text.Text()) << c.name;
    DWORD s = 0, e = 0;
    ::SendMessageA(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    EXPECT_EQ(e - s, TextOf(hwnd).size()) << c.name << ": Ctrl+A shows the whole text selected";
  }
}

TEST(Win32Keys, CtrlPOnTheRunButtonTogglesTheParameterField) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  w.ShowPage(f.tsTest);
  const bool was = f.edTest_Params.Visible();
  Key(*w.window, w.Of(f.btRunTest), 'P', true);
  EXPECT_NE(f.edTest_Params.Visible(), was);
  EXPECT_EQ(::IsWindowVisible(w.Of(f.edTest_Params)) != 0, f.edTest_Params.Visible());
  Key(*w.window, w.Of(f.btRunTest), 'P', true);
  EXPECT_EQ(f.edTest_Params.Visible(), was);
}

TEST(Win32Keys, EnterPressesTheFocusedButtonAndCtrlTabTurnsThePage) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  int clicks = 0;
  f.btNetwork_Add.OnClick = [&clicks] { ++clicks; };
  for (ui::TControl* c = &f.btNetwork_Add; c; c = c->Parent()) c->SetEnabled(true);
  w.ShowPage(f.tsNetwork);
  Key(*w.window, w.Of(f.btNetwork_Add), VK_RETURN);
  EXPECT_EQ(clicks, 1);

  const int before = f.pcOptions.ActivePageIndex();
  Key(*w.window, w.Of(f.btNetwork_Add), VK_TAB, true);
  EXPECT_NE(f.pcOptions.ActivePageIndex(), before);
  EXPECT_TRUE(f.pcOptions.ActivePage()->TabVisible());
  EXPECT_TRUE(::IsWindowVisible(w.Of(*f.pcOptions.ActivePage())));
}

TEST(Win32Keys, TabWalksTheFieldsInReadingOrder) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  w.ShowPage(f.tsNetwork);
  ::SetForegroundWindow(w.window->Hwnd());
  ::SetFocus(w.Of(f.edNetwork_IP));
  if (::GetFocus() != w.Of(f.edNetwork_IP)) GTEST_SKIP() << "the window does not take the focus on this display";
  Key(*w.window, w.Of(f.edNetwork_IP), VK_TAB);
  EXPECT_EQ(::GetFocus(), w.Of(f.edNetwork_Port));
  Key(*w.window, w.Of(f.edNetwork_Port), VK_TAB);
  EXPECT_EQ(::GetFocus(), w.Of(f.edNetwork_Name));
  w.window->FocusFromWindow();
  EXPECT_EQ(f.ActiveControl(), &f.edNetwork_Name) << "the model is told where the focus went";

  // Focus given by the model to a control while its group is disabled arrives once the
  // group can be used again.
  f.edNetwork_IP.Parent()->SetEnabled(false);
  f.edNetwork_IP.SetFocus();
  EXPECT_NE(::GetFocus(), w.Of(f.edNetwork_IP));
  f.edNetwork_IP.Parent()->SetEnabled(true);
  EXPECT_EQ(::GetFocus(), w.Of(f.edNetwork_IP));
}

}  // namespace
}  // namespace bx::test
