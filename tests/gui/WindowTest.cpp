// The window over the model: pages, captions, and both directions of the binding.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>

#include "GuiWorld.h"
#include "netdev/NetworkPage.h"
#include "window/Modules.h"

namespace bx::test {
namespace {

const QStringList kAllPages = {"Settings", "Update",           "Network", "Passthru SAE J2534", "About", "System",
                               "WiFi",     "WiFi -> Scan APs", "Test"};

TEST(GuiWindow, OpensWithTheFirstFivePagesAndOffersAllNineInOrder) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  EXPECT_EQ(w.window->size(), QSize(714, 424));
  EXPECT_EQ(w.window->windowTitle(), "Brevantix Configurator Version 3.0.3.2");
  EXPECT_FALSE(w.window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(w.TabCaptions(), QStringList({"Settings", "Update", "Network", "Passthru SAE J2534", "About"}));
  EXPECT_EQ(w.Tabs()->currentIndex(), 0);

  for (ui::TTabSheet* p : f.pcOptions.Pages()) p->SetTabVisible(true);
  EXPECT_EQ(w.TabCaptions(), kAllPages);

  // A hidden tab leaves the row and comes back at its own place.
  f.Update.SetTabVisible(false);
  f.tsWiFi.SetTabVisible(false);
  EXPECT_EQ(w.TabCaptions().size(), 7);
  EXPECT_FALSE(w.TabCaptions().contains("Update"));
  f.tsWiFi.SetTabVisible(true);
  f.Update.SetTabVisible(true);
  EXPECT_EQ(w.TabCaptions(), kAllPages);
}

TEST(GuiWindow, CommandLineFileOpensOnTheUpdatePage) {
  GuiWorld w;
  const std::string file = std::string(BX_SOURCE_DIR) + "/resources/embed/logo.jpg";
  TfrmMain& f = w.Open({file});
  EXPECT_EQ(w.Tabs()->currentWidget(), w.window->WidgetFor(f.Update));
  EXPECT_EQ(w.Widget<QLineEdit>(f.edFW_File)->text().toStdString(), f.edFW_File.Text());
}

TEST(GuiWindow, ClicksReachTheModelOnlyWhileTheControlCanBeUsed) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.Update);
  int clicks = 0;
  f.btReset.OnClick = [&] { ++clicks; };
  QTest::mouseClick(w.Widget<QPushButton>(f.btReset), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);

  f.btUpdateRun.OnClick = [&] { ++clicks; };
  ASSERT_FALSE(f.btUpdateRun.Enabled());
  QTest::mouseClick(w.Widget<QPushButton>(f.btUpdateRun), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);

  // A disabled page control disables every page in it (an exchange is running).
  f.pcOptions.SetEnabled(false);
  EXPECT_FALSE(w.Widget<QPushButton>(f.btReset)->isEnabled());
  QTest::mouseClick(w.Widget<QPushButton>(f.btReset), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  f.pcOptions.SetEnabled(true);
  EXPECT_TRUE(w.Widget<QPushButton>(f.btReset)->isEnabled());
  EXPECT_FALSE(w.Widget<QPushButton>(f.btUpdateRun)->isEnabled());
}

TEST(GuiWindow, CheckBoxAndRadioGroupToggleOnceThroughTheModel) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.tsSystem);
  int clicks = 0;
  f.cbSYS_MSD.OnClick = [&] { ++clicks; };
  auto* box = w.Widget<QCheckBox>(f.cbSYS_MSD);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  EXPECT_TRUE(f.cbSYS_MSD.Checked());
  EXPECT_TRUE(box->isChecked());
  EXPECT_EQ(clicks, 1);

  auto* group = w.Widget<QGroupBox>(f.rgSYS_Wireless);
  const QList<QRadioButton*> items = group->findChildren<QRadioButton*>();
  ASSERT_EQ(items.size(), 3);
  EXPECT_TRUE(items[0]->isChecked());
  QTest::mouseClick(items[2], Qt::LeftButton, {}, QPoint(8, items[2]->height() / 2));
  EXPECT_EQ(f.rgSYS_Wireless.ItemIndex(), 2);
  EXPECT_FALSE(items[0]->isChecked());
  EXPECT_TRUE(items[2]->isChecked());
  f.rgSYS_Wireless.SetItemIndex(1);
  EXPECT_TRUE(items[1]->isChecked());
  EXPECT_FALSE(items[2]->isChecked());
}

TEST(GuiWindow, ModelChangesReachTheWidgets) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  f.edSerial.SetText("BX-1234");
  EXPECT_EQ(w.Widget<QLineEdit>(f.edSerial)->text(), "BX-1234");
  EXPECT_TRUE(w.Widget<QLineEdit>(f.edSerial)->isReadOnly());

  f.btSearch.SetCaption("Stop");
  f.btSearch.SetEnabled(false);
  EXPECT_EQ(w.Widget<QPushButton>(f.btSearch)->text().remove(u'&'), "Stop");
  EXPECT_FALSE(w.Widget<QPushButton>(f.btSearch)->isEnabled());

  EXPECT_FALSE(w.window->WidgetFor(f.edBattery)->isVisible());
  f.lbBattery.SetVisible(true);
  f.edBattery.SetVisible(true);
  EXPECT_TRUE(w.window->WidgetFor(f.edBattery)->isVisible());

  auto* marquee = w.Widget<QProgressBar>(f.bpConnect);
  f.bpConnect.SetStyle(ui::TProgressBar::Style::Marquee);
  f.bpConnect.SetVisible(true);
  EXPECT_TRUE(marquee->isVisible());
  EXPECT_EQ(marquee->maximum(), 0);  // Qt's busy indicator
  f.pbUpdateProgress.SetPosition(40);
  EXPECT_EQ(w.Widget<QProgressBar>(f.pbUpdateProgress)->value(), 40);

  f.lbRef.MouseEnter();
  EXPECT_TRUE(w.Widget<QLabel>(f.lbRef)->font().underline());
  f.tsSettings.SetCaption("Ports");
  EXPECT_EQ(w.Tabs()->tabText(0), "Ports");
  f.SetCaption("Another title");
  EXPECT_EQ(w.window->windowTitle(), "Another title");
}

TEST(GuiWindow, TypingGoesThroughTheModelAndKeepsTheCaret) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.tsWiFi);
  auto* alias = w.Widget<QLineEdit>(f.edWiFi_Alias);
  int changes = 0;
  f.edWiFi_Alias.OnChange = [&] { ++changes; };
  QTest::keyClicks(alias, "abcdefghijklmnopqrstu");
  EXPECT_EQ(f.edWiFi_Alias.Text(), "abcdefghijklmnop");  // MaxLength 16
  EXPECT_EQ(alias->text(), "abcdefghijklmnop");
  EXPECT_EQ(changes, 16);

  auto* ip = w.Widget<QLineEdit>(f.edWiFi_AP_IP);
  f.edWiFi_AP_IP.SetText("19.168");
  ip->setCursorPosition(2);
  QTest::keyClicks(ip, "2");
  EXPECT_EQ(f.edWiFi_AP_IP.Text(), "192.168");
  EXPECT_EQ(ip->cursorPosition(), 3);  // not thrown to the end by the model's update
  EXPECT_EQ(f.edWiFi_AP_IP.SelStart(), 3);

  // A read-only field refuses typing.
  w.ShowPage(f.Update);
  QTest::keyClicks(w.Widget<QLineEdit>(f.edFW_File), "x");
  EXPECT_EQ(f.edFW_File.Text(), "");
}

TEST(GuiWindow, CtrlAAndCtrlCSelectAndCopyThroughTheModel) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  f.edCOM.SetText("/dev/ttyACM0");
  auto* com = w.Widget<QLineEdit>(f.edCOM);
  QTest::keyClick(com, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(f.edCOM.SelLength(), 12);
  EXPECT_EQ(com->selectedText(), "/dev/ttyACM0");
  QTest::keyClick(com, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(w.clipboard.Text(), "/dev/ttyACM0");

  // The log pane shows CR LF as line breaks; the copy holds the pane's own bytes.
  f.memLog.SetText("SN:1234\r\nFW:3.1\r\n");
  auto* log = w.Widget<QPlainTextEdit>(f.memLog);
  EXPECT_EQ(log->toPlainText(), "SN:1234\nFW:3.1\n");
  QTest::keyClick(log, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(log->textCursor().selectedText().size(), 15);
  QTest::keyClick(log, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(w.clipboard.Text(), "SN:1234\r\nFW:3.1\r\n");

  // A selection made in the widget is the model's selection.
  QTextCursor c = log->textCursor();
  c.setPosition(8);
  c.setPosition(14, QTextCursor::KeepAnchor);
  log->setTextCursor(c);
  EXPECT_EQ(f.memLog.SelText(), "FW:3.1");
  f.btCopy.SetEnabled(true);
  QTest::mouseClick(w.Widget<QPushButton>(f.btCopy), Qt::LeftButton);
  EXPECT_EQ(w.clipboard.Text(), "SN:1234\r\nFW:3.1\r\n");
  EXPECT_EQ(log->textCursor().selectedText().size(), 15);  // "Copy to Buffer" selects the whole pane
}

TEST(GuiWindow, LogPaneAppendsLinesAndWaitsForTheEndOfABatch) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  auto* log = w.Widget<QPlainTextEdit>(f.memLogTest);
  f.memLogTest.AddLine("first");
  f.memLogTest.AddLine("second");
  EXPECT_EQ(log->toPlainText(), "first\nsecond\n");
  f.memLogTest.BeginUpdate();
  f.memLogTest.AddLine("third");
  EXPECT_EQ(log->toPlainText(), "first\nsecond\n");
  f.memLogTest.EndUpdate();
  EXPECT_EQ(log->toPlainText(), "first\nsecond\nthird\n");
  f.memLogTest.DeleteLine(0);
  EXPECT_EQ(log->toPlainText(), "second\nthird\n");
  // A counter rewritten in place at the end, as the self-test's live pane does it.
  f.memLogTest.SetSel(static_cast<int>(f.memLogTest.Text().size()), 0);
  f.memLogTest.SetSelText("10%");
  f.memLogTest.SetLine(2, "20%");
  EXPECT_EQ(log->toPlainText(), "second\nthird\n20%");
  f.memLogTest.AddLine("done");
  EXPECT_EQ(log->toPlainText(), "second\nthird\n20%\ndone");
}

TEST(GuiWindow, ListViewShowsRowsAndMarksAndSortsOnAHeaderClick) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  for (auto [n, id, text, state] :
       {std::tuple{"00", "2", "OBD-II", -1}, {"01", "10", "J1939", 0}, {"02", "1", "CAN", 2}}) {
    auto& it = f.lvModes.Add();
    it.SetCaption(n);
    it.AddSubItem(id);
    it.AddSubItem(text);
    it.SetStateIndex(state);
  }
  auto* table = w.Widget<QTableWidget>(f.lvModes);
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(table->columnCount(), 3);
  EXPECT_EQ(table->horizontalHeaderItem(2)->text(), "Description");
  EXPECT_EQ(table->item(1, 2)->text(), "J1939");
  EXPECT_FALSE(table->item(1, 0)->icon().pixmap(16, 16).toImage().pixelColor(8, 8).alpha() == 0);
  EXPECT_EQ(table->item(0, 0)->icon().pixmap(16, 16).toImage().pixelColor(8, 8).alpha(), 0);

  QHeaderView* header = table->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(2) + 10, header->height() / 2));
  EXPECT_EQ(f.SortColumn, 2);
  EXPECT_EQ(table->item(0, 2)->text(), "CAN");
  EXPECT_EQ(table->item(2, 2)->text(), "OBD-II");

  int selections = 0;
  f.lvModes.OnSelectItem = [&](ui::TListItem*, bool selected) { selections += selected ? 1 : 0; };
  const QRect row1 = table->visualItemRect(table->item(1, 1));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, row1.center());
  ASSERT_NE(f.lvModes.Selected(), nullptr);
  EXPECT_EQ(f.lvModes.Selected()->Index(), 1);
  EXPECT_EQ(selections, 1);
  f.lvModes.Item(2).SetSelected(true);
  EXPECT_EQ(table->selectedRanges().front().topRow(), 2);
}

// The header's arrow shows the order the list was sorted in, not the order Qt's own
// click handling would flip to.
TEST(GuiWindow, HeaderArrowShowsTheDirectionOfTheLastSort) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  for (auto [n, id, text] : {std::tuple{"00", "2", "OBD-II"}, {"01", "10", "J1939"}, {"02", "1", "CAN"}}) {
    auto& it = f.lvModes.Add();
    it.SetCaption(n);
    it.AddSubItem(id);
    it.AddSubItem(text);
  }
  auto* table = w.Widget<QTableWidget>(f.lvModes);
  QHeaderView* header = table->horizontalHeader();
  EXPECT_EQ(header->sortIndicatorSection(), -1) << "not sorted yet";
  struct Click {
    int column;
    Qt::SortOrder order;
    const char* first;  // the first row's text in that column afterwards
  };
  for (const Click c : {Click{2, Qt::AscendingOrder, "CAN"}, Click{2, Qt::DescendingOrder, "OBD-II"},
                        Click{1, Qt::AscendingOrder, "1"}, Click{1, Qt::DescendingOrder, "2"}}) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(c.column) + 10, header->height() / 2));
    const std::string name = "column " + std::to_string(c.column) + (c.order == Qt::AscendingOrder ? " up" : " down");
    EXPECT_EQ(header->sortIndicatorSection(), c.column) << name;
    EXPECT_EQ(header->sortIndicatorOrder(), c.order) << name;
    EXPECT_EQ(table->item(0, c.column)->text(), c.first) << name;
  }

  // A click on an empty list sorts nothing, and its header shows no arrow.
  w.ShowPage(f.tsWiFi_Scan);
  QHeaderView* empty = w.Widget<QTableWidget>(f.lvWiFi_Scan_AP)->horizontalHeader();
  QTest::mouseClick(empty->viewport(), Qt::LeftButton, {}, QPoint(empty->sectionViewportPosition(1) + 10, 5));
  EXPECT_EQ(empty->sortIndicatorSection(), -1);
}

TEST(GuiWindow, ChoosingATabRunsThePageChangeThroughTheModel) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  QTabBar* bar = w.Tabs()->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(4).center());
  EXPECT_EQ(f.pcOptions.ActivePage(), &f.About);
  f.pcOptions.SetEnabled(false);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
  EXPECT_EQ(f.pcOptions.ActivePage(), &f.About);
  EXPECT_EQ(w.Tabs()->currentWidget(), w.window->WidgetFor(f.About));
}

TEST(GuiWindow, FocusFollowsTheModelBothWays) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
  f.edCOM.SetFocus();
  EXPECT_TRUE(w.window->WidgetFor(f.edCOM)->hasFocus());
  w.window->WidgetFor(f.edSerial)->setFocus();
  EXPECT_EQ(f.ActiveControl(), &f.edSerial);
}

TEST(GuiWindow, CloseAsksAboutUnsavedChangesAndCancelKeepsTheWindow) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  f.Modules->network->RecordDevice({"", "", "10.0.0.9", "23"}, kMarkNew);  // an unsaved row
  w.dialogs.answers = {mb::IdCancel};
  EXPECT_FALSE(w.window->close());
  EXPECT_TRUE(w.window->isVisible());
  EXPECT_FALSE(f.Closed());
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text, "Save the changes on the Network page?");

  w.window->move(120, 80);
  QApplication::processEvents();
  w.dialogs.answers = {mb::IdNo};
  EXPECT_TRUE(w.window->close());
  EXPECT_TRUE(f.Closed());
  EXPECT_EQ(f.settings.ReadSettingInt("WinLeft", -1), w.window->frameGeometry().x());
  EXPECT_EQ(f.settings.ReadSettingInt("WinTop", -1), w.window->frameGeometry().y());
}

TEST(GuiWindow, ShowsAtTheSavedPositionOrCentred) {
  GuiWorld w;
  w.registry.WriteValue(Hive::CurrentUser, kSettingsKey, "WinTop", RegValue::Integer(40));
  w.registry.WriteValue(Hive::CurrentUser, kSettingsKey, "WinLeft", RegValue::Integer(30));
  w.Open();
  EXPECT_EQ(w.window->frameGeometry().topLeft(), QPoint(30, 40));

  // A position on a screen that is no longer there: centred instead of out of reach.
  GuiWorld far;
  far.registry.WriteValue(Hive::CurrentUser, kSettingsKey, "WinTop", RegValue::Integer(5000));
  far.registry.WriteValue(Hive::CurrentUser, kSettingsKey, "WinLeft", RegValue::Integer(-9000));
  far.Open();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.intersects(far.window->frameGeometry()));
}

}  // namespace
}  // namespace bx::test
