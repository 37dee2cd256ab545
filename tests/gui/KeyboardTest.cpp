// The window as a keyboard user meets it: Tab leaves lists, Enter presses buttons, log
// panes follow new lines unless scrolled up, and read-only panes stay readable.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>

#include "GuiWorld.h"
#include "modes/ModeList.h"
#include "netdev/NetworkPage.h"
#include "window/Modules.h"

namespace bx::test {
namespace {

void AddModes(TfrmMain& f) {
  for (const char* n : {"00", "01", "02"}) f.Modules->modes->AddModeEntry(std::string(n) + " - mode");
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

TEST(GuiKeyboard, TabFromTheModeListReachesSelect) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
  AddModes(f);
  f.lvModes.Item(1).SetSelected(true);
  f.btModeSelect.SetEnabled(true);
  QApplication::processEvents();
  auto* table = w.Widget<QTableWidget>(f.lvModes);
  table->setFocus();
  QTest::keyClick(table, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w.window->WidgetFor(f.btModeSelect));
}

// Every page walked with Tab from its tab, every control shown and enabled but those the
// program never enables: the controls met, in order, until focus leaves the page.
struct PageWalk {
  const char* page;
  std::vector<std::string> controls;
};

class GuiTabOrder : public ::testing::TestWithParam<PageWalk> {};

TEST_P(GuiTabOrder, FollowsThePlacesOnThePageAndPassesOverReadOnlyFields) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  ui::TTabSheet* page = nullptr;
  for (ui::TTabSheet* p : f.pcOptions.Pages())
    if (p->Name() == GetParam().page) page = p;
  ASSERT_NE(page, nullptr);
  UseEverything(*page);
  for (ui::TControl* never :
       std::initializer_list<ui::TControl*>{&f.lvInfo, &f.ListView1, &f.cbWiFi_AP_Enabled})
    never->SetEnabled(false);
  w.ShowPage(*page);
  w.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
  EXPECT_EQ(w.TabWalk(*page), GetParam().controls);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPage, GuiTabOrder,
    ::testing::Values(
        PageWalk{"tsSettings",
                 {"cbCOM", "btPortProp", "btSearch", "cbShow", "lvModes", "btModeSelect", "btModeHide", "btModeFile",
                  "btModeFileDel", "btModeRun", "memLog", "btCopy"}},
        PageWalk{"Update",
                 {"rbUploadFW", "btFW_File", "btUpdateRun", "ckbNotSearch", "ckbWait", "btReset", "memUpdate"}},
        PageWalk{"tsNetwork",
                 {"btUDP_Search", "lvNetDevices", "edNetwork_IP", "edNetwork_Port", "edNetwork_Name", "btNetwork_Add",
                  "btNetwork_Update", "btNetwork_Find", "btNetwork_Config", "btNetwork_Delete", "btNetwork_State",
                  "btNetwork_Save", "memLog_Network", "btCopy_Network"}},
        PageWalk{
            "tsJ2534",
            {"cbJ2534_Devices", "btJ2534_Refresh", "btJ2534_Load", "btJ2534_Open", "btJ2534_Version", "edJ2534_Name",
             "btJ2534_Config", "memJ2534", "btJ2534_Info", "btJ2534_Copy", "btJ2534_Version_Check", "btJ2534_Install"}},
        PageWalk{"About", {"lbRef", "lbMail", "memAbout"}},
        // A radio group is one stop, at its choice.
        PageWalk{"tsSystem",
                 {"rgSYS_Wireless/Disabled", "rgSYS_Bluetooth/Disabled", "btWiFi_Update", "btWiFi_Factory_Reset",
                  "rgSYS_WiFi/Disabled", "cbSYS_MSD", "btSYS_Read", "btSYS_Save", "memSYS"}},
        // The left column to its end, then SoftAP ("Hidden" beside "Enabled", which is never
        // enabled), then Station.
        PageWalk{"tsWiFi",
                 {"edWiFi_Alias",
                  "edWiFi_Bridge_Port",
                  "edWiFi_Webserver_Port",
                  "btWiFi_Read",
                  "btWiFi_Save",
                  "btWiFi_Scan",
                  "cbWiFi_AP_Hidden",
                  "edWiFi_AP_Password",
                  "cbWiFi_AP_Password",
                  "cbWiFi_AP_Channel",
                  "cbWiFi_AP_Security",
                  "edWiFi_AP_IP",
                  "edWiFi_AP_Mask",
                  "edWiFi_AP_Gateway",
                  "cbWiFi_Station_Enabled",
                  "cbWiFi_Station_DHCP",
                  "edWiFi_Station_SSID",
                  "edWiFi_Station_Password",
                  "cbWiFi_Station_Password",
                  "edWiFi_Station_IP",
                  "edWiFi_Station_Mask",
                  "edWiFi_Station_Gateway",
                  "edWiFi_Station_DNS0",
                  "edWiFi_Station_DNS1"}},
        PageWalk{"tsWiFi_Scan",
                 {"lvWiFi_Scan_AP", "btWiFi_Scan_Select", "btWiFi_Scan_Run", "btWiFi_Scan_Cancel", "memLogWiFi",
                  "btCopyWiFi"}},
        PageWalk{"tsTest", {"btRunTest", "edTest_Params", "memLogTest", "btCopyTest"}}),
    [](const auto& info) { return std::string(info.param.page); });

// The arrow keys move a radio group's choice as clicks do, and the focus goes with it.
TEST(GuiKeyboard, ArrowKeysMoveTheChoiceOfARadioGroup) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.tsSystem);
  w.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
  const QList<QRadioButton*> options = w.window->WidgetFor(f.rgSYS_Wireless)->findChildren<QRadioButton*>();
  ASSERT_EQ(options.size(), 3);
  options[0]->setFocus();
  QTest::keyClick(options[0], Qt::Key_Down);
  EXPECT_EQ(f.rgSYS_Wireless.ItemIndex(), 1);
  EXPECT_TRUE(options[1]->hasFocus());
  EXPECT_TRUE(f.btSYS_Save.Enabled()) << "a choice made by key is a change like a click";
  QTest::keyClick(options[1], Qt::Key_Up);
  QTest::keyClick(options[0], Qt::Key_Up);
  EXPECT_EQ(f.rgSYS_Wireless.ItemIndex(), 2) << "the choice wraps round";
  EXPECT_TRUE(options[2]->hasFocus());
}

TEST(GuiKeyboard, EnterOnALinkFollowsIt) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.About);
  QTest::keyClick(w.window->WidgetFor(f.lbRef), Qt::Key_Return);
  ASSERT_EQ(w.shell.calls.size(), 1u);
  EXPECT_EQ(w.shell.calls[0].target, "https://www.brevantix.example");
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

  // Focus lost in the toolkit alone: the model still has it there, and asking for it again
  // brings it back.
  w.window->WidgetFor(f.btReset)->clearFocus();
  f.btReset.SetFocus();
  EXPECT_TRUE(w.window->WidgetFor(f.btReset)->hasFocus());
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
  f.Modules->network->RecordAndSave({{"", "", "192.168.4.1", "23"}});
  f.lvNetDevices.Item(0).SetSelected(true);
  struct Searcher : NetworkSearcher {
    void Start(const std::string& target) override { targets.push_back(target); }
    void Stop() override {}
    bool Running() const override { return false; }
    std::vector<std::string> targets;
  } searcher;
  f.Modules->network->SetSearcher(&searcher);
  QApplication::processEvents();
  auto* table = w.Widget<QTableWidget>(f.lvNetDevices);
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
