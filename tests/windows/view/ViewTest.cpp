// The Win32 view over the window model: the window's frame, the tab row following the
// pages' tabs, and each control kind showing its model and handing the user's input to
// it (input is sent as the controls themselves report it to their parent).
#include <gtest/gtest.h>

#include "ViewWorld.h"

namespace bx::test {
namespace {

std::vector<std::string> TabCaptions(HWND tabs) {
  std::vector<std::string> out;
  const int n = TabCtrl_GetItemCount(tabs);
  for (int i = 0; i < n; ++i) {
    char text[128] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    out.emplace_back(text);
  }
  return out;
}

// What a control tells its parent when the user acts on it.
void Command(HWND control, WORD code) {
  ::SendMessageA(::GetParent(control), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

TEST(Win32View, TheWindowHasAFixedClientAreaAndNoMaximiseBox) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  RECT client{};
  ::GetClientRect(w.window->Hwnd(), &client);
  EXPECT_EQ(client.right, 714);
  EXPECT_EQ(client.bottom, 424);
  const LONG_PTR style = ::GetWindowLongPtrA(w.window->Hwnd(), GWL_STYLE);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_EQ(TextOf(w.window->Hwnd()), f.Caption());
  f.SetCaption("Another title");
  EXPECT_EQ(TextOf(w.window->Hwnd()), "Another title");
}

TEST(Win32View, TheTabRowHoldsTheVisibleTabsInTheModelsOrder) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  HWND tabs = w.Of(f.pcOptions);
  const std::vector<std::string> atStart = TabCaptions(tabs);
  std::vector<std::string> visible;
  for (ui::TTabSheet* p : f.pcOptions.Pages())
    if (p->TabVisible()) visible.push_back(p->Caption());
  EXPECT_EQ(atStart, visible);
  EXPECT_EQ(std::find(atStart.begin(), atStart.end(), "Test"), atStart.end()) << "the test page's tab is hidden";

  f.tsSystem.SetTabVisible(true);
  std::vector<std::string> shown = TabCaptions(tabs);
  const auto system = std::find(shown.begin(), shown.end(), "System");
  ASSERT_NE(system, shown.end());
  EXPECT_EQ(*(system - 1), "About") << "a tab shown again comes back at its place";

  // A click on a tab turns the page in the model; only that page's container shows.
  const int index = static_cast<int>(system - shown.begin());
  TabCtrl_SetCurSel(tabs, index);
  NMHDR hdr{tabs, 0, static_cast<UINT>(TCN_SELCHANGE)};
  ::SendMessageA(::GetParent(tabs), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr));
  EXPECT_EQ(f.pcOptions.ActivePage(), &f.tsSystem);
  EXPECT_TRUE(::IsWindowVisible(w.Of(f.tsSystem)));
  EXPECT_FALSE(::IsWindowVisible(w.Of(f.tsSettings)));

  // The active page's tab hidden: the model hands over, the tab row follows.
  f.tsSystem.SetTabVisible(false);
  EXPECT_EQ(TabCaptions(tabs), atStart);
  EXPECT_NE(f.pcOptions.ActivePage(), &f.tsSystem);
  EXPECT_EQ(TabCtrl_GetCurSel(tabs),
            static_cast<int>(std::find(atStart.begin(), atStart.end(), f.pcOptions.ActivePage()->Caption()) -
                             atStart.begin()));
}

TEST(Win32View, EditsShowTheirModelAndTypingReachesIt) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  HWND port = w.Of(f.edNetwork_Port);
  f.edNetwork_Port.SetText("23");
  EXPECT_EQ(TextOf(port), "23");
  // The user types: the control's text goes to the model, cut to its length.
  f.edNetwork_Port.MaxLength = 3;
  ::SetWindowTextA(port, "123456");
  EXPECT_EQ(f.edNetwork_Port.Text(), "123") << "the model cuts typing to MaxLength";
  EXPECT_EQ(TextOf(port), "123") << "and the control shows what the model made of it";

  // Read-only and password fields.
  HWND serial = w.Of(f.edSerial);
  EXPECT_TRUE(::GetWindowLongPtrA(serial, GWL_STYLE) & ES_READONLY);
  ::SetWindowTextA(serial, "typed");
  EXPECT_EQ(f.edSerial.Text(), "") << "a read-only field refuses typing";
  f.edNetwork_Port.SetPasswordChar('*');
  EXPECT_NE(::SendMessageA(port, EM_GETPASSWORDCHAR, 0, 0), 0);
  f.edNetwork_Port.SetPasswordChar(0);
  EXPECT_EQ(::SendMessageA(port, EM_GETPASSWORDCHAR, 0, 0), 0);

  // A selection the model makes (Ctrl+A) is shown; one the user makes is taken over
  // before a key reaches the model.
  f.edNetwork_Port.SelectAll();
  DWORD s = 0, e = 0;
  ::SendMessageA(port, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  EXPECT_EQ(s, 0u);
  EXPECT_EQ(e, 3u);
}

TEST(Win32View, ALogPaneFollowsAppendedAndRewrittenText) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  HWND pane = w.Of(f.memLog);
  f.memLog.AddLine("first");
  f.memLog.AddLine("second");
  EXPECT_EQ(TextOf(pane), "first\r\nsecond\r\n");
  f.memLog.SetLine(1, "rewritten");
  EXPECT_EQ(TextOf(pane), "first\r\nrewritten\r\n");
  f.memLog.BeginUpdate();
  f.memLog.AddLine("batched");
  EXPECT_EQ(TextOf(pane), "first\r\nrewritten\r\n") << "a batch shows when it ends";
  f.memLog.EndUpdate();
  EXPECT_EQ(TextOf(pane), f.memLog.Text());
  f.memLog.Clear();
  EXPECT_EQ(TextOf(pane), "");

  // A pane at its end follows new lines; one the user scrolled up stays where it is.
  for (int i = 0; i < 100; ++i) f.memLog.AddLine("line " + std::to_string(i));
  ::SendMessageA(pane, WM_VSCROLL, SB_BOTTOM, 0);
  const auto atEnd = ::SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0);
  for (int i = 0; i < 20; ++i) f.memLog.AddLine("more " + std::to_string(i));
  EXPECT_GT(::SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0), atEnd);
  ::SendMessageA(pane, WM_VSCROLL, SB_TOP, 0);
  ASSERT_EQ(::SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  f.memLog.AddLine("while scrolled up");
  EXPECT_EQ(::SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  EXPECT_EQ(TextOf(pane), f.memLog.Text());
}

TEST(Win32View, ButtonsCheckBoxesAndCombosHandTheClickToTheModel) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  int clicks = 0;
  f.ckbWait.OnClick = [&clicks] { ++clicks; };
  for (ui::TControl* c = &f.ckbWait; c; c = c->Parent()) c->SetEnabled(true);
  HWND wait = w.Of(f.ckbWait);
  const bool was = f.ckbWait.Checked();
  Command(wait, BN_CLICKED);
  EXPECT_NE(f.ckbWait.Checked(), was);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(::SendMessageA(wait, BM_GETCHECK, 0, 0), f.ckbWait.Checked() ? BST_CHECKED : BST_UNCHECKED);

  // A disabled button: the control is disabled and a click that arrives does nothing.
  int searches = 0;
  f.btSearch.OnClick = [&searches] { ++searches; };
  f.btSearch.SetEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(w.Of(f.btSearch)));
  Command(w.Of(f.btSearch), BN_CLICKED);
  EXPECT_EQ(searches, 0);
  f.btSearch.SetEnabled(true);
  Command(w.Of(f.btSearch), BN_CLICKED);
  EXPECT_EQ(searches, 1);

  // Controls inside a disabled parent are shown disabled, and enabled again with it.
  f.gbPort.SetEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(w.Of(f.btSearch)));
  f.gbPort.SetEnabled(true);
  EXPECT_TRUE(::IsWindowEnabled(w.Of(f.btSearch)));

  HWND combo = w.Of(f.cbCOM);
  f.cbCOM.SetItems({"COM1", "COM7"});
  EXPECT_EQ(::SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
  ::SendMessageA(combo, CB_SETCURSEL, 1, 0);
  Command(combo, CBN_SELCHANGE);
  EXPECT_EQ(f.cbCOM.ItemIndex(), 1);
  EXPECT_EQ(f.cbCOM.Text(), "COM7");
}

TEST(Win32View, AListViewShowsRowsStateImagesSelectionAndTheSortArrow) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  HWND list = w.Of(f.lvModes);
  for (auto [n, text, state] : {std::tuple{"00", "Default", 1}, {"01", "Pass-thru", -1}}) {
    auto& it = f.lvModes.Add();
    it.SetCaption(n);
    it.AddSubItem(n);
    it.AddSubItem(text);
    it.SetStateIndex(state);
  }
  ASSERT_EQ(ListView_GetItemCount(list), 2);
  char text[64] = {};
  ListView_GetItemText(list, 1, 2, text, sizeof text);
  EXPECT_STREQ(text, "Pass-thru");
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = 0;
  ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.iImage, 2) << "state image 1 after the blank image";
  item.iItem = 1;
  ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.iImage, I_IMAGENONE) << "no state image";

  // Selection both ways.
  f.lvModes.Item(1).SetSelected(true);
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);
  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_TRUE(f.lvModes.Item(0).Selected());
  EXPECT_FALSE(f.lvModes.Item(1).Selected());

  // A column click goes to the model, which sorts and sets the arrow the header shows.
  int clicked = -1;
  f.lvModes.OnColumnClick = [&](int c) {
    clicked = c;
    f.lvModes.SetSortArrow(c, true);
  };
  NMLISTVIEW click{};
  click.hdr = {list, 0, static_cast<UINT>(LVN_COLUMNCLICK)};
  click.iItem = -1;
  click.iSubItem = 2;
  ::SendMessageA(::GetParent(list), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(clicked, 2);
  HDITEMA head{};
  head.mask = HDI_FORMAT;
  ::SendMessageA(ListView_GetHeader(list), HDM_GETITEMA, 2, reinterpret_cast<LPARAM>(&head));
  EXPECT_TRUE(head.fmt & HDF_SORTDOWN);

  f.lvModes.Delete(0);
  EXPECT_EQ(ListView_GetItemCount(list), 1);
  ListView_GetItemText(list, 0, 2, text, sizeof text);
  EXPECT_STREQ(text, "Pass-thru") << "the rows after a deleted one move up";
}

TEST(Win32View, TheMarqueeAndTheProgressFollowTheBar) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  HWND bar = w.Of(f.pbUpdateProgress);
  f.pbUpdateProgress.SetMax(200);
  f.pbUpdateProgress.SetPosition(50);
  EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), 50);
  EXPECT_EQ(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 200);
  f.bpConnect.SetStyle(ui::TProgressBar::Style::Marquee);
  EXPECT_TRUE(::GetWindowLongPtrA(w.Of(f.bpConnect), GWL_STYLE) & PBS_MARQUEE);
  f.bpConnect.SetStyle(ui::TProgressBar::Style::Normal);
  EXPECT_FALSE(::GetWindowLongPtrA(w.Of(f.bpConnect), GWL_STYLE) & PBS_MARQUEE);
}

}  // namespace
}  // namespace bx::test
