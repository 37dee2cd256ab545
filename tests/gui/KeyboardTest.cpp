// The window as a keyboard user meets it: Tab leaves lists, Enter presses buttons, log
// panes follow new lines unless scrolled up, and read-only panes stay readable.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

#include "GuiWorld.h"
#include "netdev/NetworkPage.h"
#include "window/Modules.h"

namespace bx::test {
namespace {

void AddModes(TfrmMain& f) {
  for (const char* n : {"00", "01", "02"}) {
    auto& it = f.lvModes.Add();
    it.SetCaption(n);
    it.AddSubItem(n);
    it.AddSubItem("mode");
  }
}

TEST(GuiKeyboard, TabLeavesTheModeListWithoutChangingTheSelection) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
  AddModes(f);
  f.lvModes.Item(0).SetSelected(true);
  auto* table = w.Widget<QTableWidget>(f.lvModes);
  table->setFocus();
  QTest::keyClick(table, Qt::Key_Tab);
  EXPECT_FALSE(table->hasFocus());
  ASSERT_NE(f.lvModes.Selected(), nullptr);
  EXPECT_EQ(f.lvModes.Selected()->Index(), 0);
}

TEST(GuiKeyboard, EnterOnAFocusedButtonClicksIt) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.Update);
  int clicks = 0;
  f.btReset.OnClick = [&] { ++clicks; };
  auto* button = w.Widget<QPushButton>(f.btReset);
  for (auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) QTest::keyClick(button, key);
  EXPECT_EQ(clicks, 3);
}

TEST(GuiKeyboard, LogPaneFollowsAppendedLinesUnlessScrolledUp) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.Update);
  auto* log = w.Widget<QPlainTextEdit>(f.memUpdate);
  QScrollBar* bar = log->verticalScrollBar();
  for (int i = 0; i < 40; ++i) f.memUpdate.AddLine("line " + std::to_string(i));
  bar->setValue(bar->maximum());
  f.memUpdate.AddLine("newest");
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum()) << "a pane at its end follows";

  bar->setValue(0);
  f.memUpdate.AddLine("one more");
  EXPECT_EQ(bar->value(), 0) << "a pane scrolled up stays where the reader is";
}

TEST(GuiKeyboard, ReadOnlyLogPaneKeepsItsColoursOnADisabledPage) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.tsTest);
  auto* log = w.Widget<QPlainTextEdit>(f.memLogTest);
  const QColor normal = log->palette().color(QPalette::Active, QPalette::Text);
  f.pcOptions.SetEnabled(false);
  EXPECT_FALSE(log->isEnabled());
  EXPECT_EQ(log->palette().color(QPalette::Disabled, QPalette::Text), normal);
  f.pcOptions.SetEnabled(true);
}

TEST(GuiKeyboard, FocusComesBackWhenThePageIsEnabledAgain) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
  w.ShowPage(f.Update);
  f.btReset.SetFocus();
  ASSERT_TRUE(w.window->WidgetFor(f.btReset)->hasFocus());
  f.pcOptions.SetEnabled(false);  // an exchange runs: the toolkit drops the focus
  f.pcOptions.SetEnabled(true);
  EXPECT_TRUE(w.window->WidgetFor(f.btReset)->hasFocus());
  EXPECT_EQ(f.ActiveControl(), &f.btReset);
}

TEST(GuiKeyboard, EnterOnAListRowDoesWhatADoubleClickDoes) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.tsWiFi_Scan);
  auto& ap = f.lvWiFi_Scan_AP.Add();
  ap.SetCaption("Garage");
  int activated = 0;
  f.lvWiFi_Scan_AP.OnDblClick = [&] { ++activated; };
  auto* table = w.Widget<QTableWidget>(f.lvWiFi_Scan_AP);
  QTest::keyClick(table, Qt::Key_Return);
  EXPECT_EQ(activated, 0) << "no row selected";
  ap.SetSelected(true);
  QTest::keyClick(table, Qt::Key_Return);
  EXPECT_EQ(activated, 1);
}

// The device list has keys of its own: Enter looks for the row, Ctrl+Enter opens its
// web page (the list's double click).
TEST(GuiKeyboard, EnterOnANetworkDeviceFindsItAndCtrlEnterOpensIt) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.tsNetwork);
  w.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
  auto& row = f.network.lvNetDevices.Add();
  row.SetCaption("192.168.4.1");
  row.AddSubItem("23");
  row.SetSelected(true);
  struct Searcher : NetworkSearcher {
    void Start(const std::string& target) override { targets.push_back(target); }
    void Stop() override {}
    bool Running() const override { return false; }
    std::vector<std::string> targets;
  } searcher;
  f.Modules->network->SetSearcher(&searcher);
  QApplication::processEvents();
  auto* table = w.Widget<QTableWidget>(f.network.lvNetDevices);
  table->setFocus();
  QTest::keyClick(table, Qt::Key_Return);
  EXPECT_TRUE(w.shell.calls.empty());
  EXPECT_EQ(searcher.targets, std::vector<std::string>{"192.168.4.1"});
  QTest::keyClick(table, Qt::Key_Return, Qt::ControlModifier);
  ASSERT_EQ(w.shell.calls.size(), 1u);
  EXPECT_EQ(w.shell.calls[0].target, "http://192.168.4.1/");
  EXPECT_EQ(searcher.targets.size(), 1u);
  f.Modules->network->SetSearcher(nullptr);
}

}  // namespace
}  // namespace bx::test
