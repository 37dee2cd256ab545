// The keyboard round the window: Ctrl+Tab after a mouse click on a tab, the focus frame
// of lists and panes, Enter in the Network fields, Delete in the lists, Alt letters.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <set>

#include "GuiWorld.h"
#include "support/TempFile.h"
#include "modes/ModeList.h"
#include "netdev/NetworkPage.h"
#include "window/Modules.h"

namespace bx::test {
namespace {

TEST(GuiShortcuts, CtrlTabTurnsThePageAfterATabIsClicked) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  ASSERT_TRUE(w.Activate());
  QTabBar* bar = w.Tabs()->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  ASSERT_EQ(f.pcOptions.ActivePage(), &f.Update);
  w.Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(f.pcOptions.ActivePage(), &f.tsNetwork) << w.FocusName();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
  w.Key(Qt::Key_Tab, Qt::ControlModifier);
  w.Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(f.pcOptions.ActivePage(), &f.tsNetwork) << w.FocusName();
}

// The share of the ring `width` pixels inside the edge that differs between two pictures.
double RingDifference(const QImage& a, const QImage& b, int width) {
  int differ = 0, all = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if (x >= width && y >= width && x < a.width() - width && y < a.height() - width) continue;
      ++all;
      differ += a.pixel(x, y) != b.pixel(x, y);
    }
  return all ? double(differ) / all : 0;
}

TEST(GuiShortcuts, ListsAndPanesShowAFocusFrame) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  f.memLog.SetText("line\r\n");
  for (const char* n : {"00", "01"}) f.Modules->modes->AddModeEntry(std::string(n) + " - mode");
  ASSERT_TRUE(w.Activate());
  for (QWidget* widget : {w.window->WidgetFor(f.lvModes), w.window->WidgetFor(f.memLog)}) {
    w.Widget<QWidget>(f.cbCOM)->setFocus();
    QApplication::processEvents();
    const QImage before = widget->grab().toImage();
    QTest::mouseClick(qobject_cast<QAbstractScrollArea*>(widget)->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    ASSERT_TRUE(widget->hasFocus()) << widget->objectName().toStdString();
    const QImage after = widget->grab().toImage();
    EXPECT_GT(RingDifference(before, after, 2), 0.5) << widget->objectName().toStdString();
  }
}

TEST(GuiShortcuts, EnterInTheNetworkFieldsAddsAndWithARowUpdates) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.tsNetwork);
  ASSERT_TRUE(w.Activate());
  auto* ip = w.Widget<QLineEdit>(f.edNetwork_IP);
  auto* port = w.Widget<QLineEdit>(f.edNetwork_Port);
  auto* name = w.Widget<QLineEdit>(f.edNetwork_Name);
  QTest::mouseClick(ip, Qt::LeftButton);
  QTest::keyClicks(ip, "127.0.0.1");
  QTest::keyClick(ip, Qt::Key_Tab);
  QTest::keyClicks(port, "2323");
  QTest::keyClick(port, Qt::Key_Return);
  ASSERT_EQ(f.Modules->network->RowCount(), 1);
  ASSERT_NE(f.lvNetDevices.Selected(), nullptr);  // the new row, selected
  QTest::mouseClick(name, Qt::LeftButton);
  QTest::keyClicks(name, "Garage");
  QTest::keyClick(name, Qt::Key_Enter);
  ASSERT_EQ(f.Modules->network->RowCount(), 1);
  EXPECT_EQ(f.Modules->network->Row(0).Name, "Garage");  // updated, not added
  // A value the link could not open: Enter refuses it as Add does.
  f.lvNetDevices.Selected()->SetSelected(false);
  QTest::mouseClick(ip, Qt::LeftButton);
  QTest::keyClicks(ip, "300.1.2");
  QTest::mouseClick(port, Qt::LeftButton);
  QTest::keyClicks(port, "99999");
  QTest::keyClick(port, Qt::Key_Return);
  EXPECT_EQ(f.Modules->network->RowCount(), 1);
  EXPECT_EQ(f.edNetwork_IP.Color(), ui::clr::Refused);
  EXPECT_EQ(f.edNetwork_Port.Color(), ui::clr::Refused);
}

TEST(GuiShortcuts, DeleteInTheNetworkListAsksAndDeletes) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.tsNetwork);
  ASSERT_TRUE(w.Activate());
  f.edNetwork_IP.UserType("127.0.0.1");
  f.edNetwork_Port.UserType("23");
  f.btNetwork_Add.Click();
  ASSERT_EQ(f.Modules->network->RowCount(), 1);
  QApplication::processEvents();
  auto* table = w.Widget<QTableWidget>(f.lvNetDevices);
  table->setFocus();
  w.dialogs.answers = {mb::IdNo, mb::IdYes};
  QTest::keyClick(table, Qt::Key_Delete);
  EXPECT_EQ(f.Modules->network->RowCount(), 1);  // No: kept
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text, "Delete the device 127.0.0.1:23 from the list?");
  QTest::keyClick(table, Qt::Key_Delete);
  EXPECT_EQ(f.Modules->network->RowCount(), 0);
}

TEST(GuiShortcuts, EveryPageHasDistinctAltLetters) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  std::set<QChar> outside;
  for (auto* b : w.window->WidgetFor(f.pnStatus)->parentWidget()->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
    if (const qsizetype at = b->text().indexOf(u'&'); at >= 0) outside.insert(b->text()[at + 1].toUpper());
  for (ui::TTabSheet* page : f.pcOptions.Pages()) {
    std::set<QChar> letters = outside;
    int marked = 0, buttons = 0;
    for (auto* b : w.window->WidgetFor(*page)->findChildren<QPushButton*>()) {
      if (!b->text().contains(QRegularExpression("[A-Za-z]"))) continue;  // "?", "...": no letter to take
      ++buttons;
      const qsizetype at = b->text().indexOf(u'&');
      if (at < 0) continue;
      ++marked;
      EXPECT_TRUE(letters.insert(b->text()[at + 1].toUpper()).second)
          << page->Name() << ": " << b->text().toStdString() << " repeats a letter";
    }
    EXPECT_GE(marked + 1, buttons) << page->Name();  // all but at most one have one
  }
  // The Settings page's Copy to Buffer carries its letter in the widget's text.
  EXPECT_NE(w.Widget<QPushButton>(f.btCopy)->text().indexOf(u'&'), -1);
}

// Ctrl+Shift+S on any page, wherever the focus is, saves the support report in the home
// folder and says where; the window gains no control for it.
TEST(GuiShortcuts, CtrlShiftSSavesTheSupportReportFromAnyPage) {
  GuiWorld w;
  TempFolder home;
  AppContext c = w.Context();
  c.folders.home = home.Path();
  w.Start(std::move(c));
  TfrmMain& f = w.ShowWindow();
  f.memLog.SetText("WS:APPW=secret&APCH=6\r\n");
  const int widgets = static_cast<int>(w.window->findChildren<QWidget*>().size());
  ASSERT_TRUE(w.Activate());
  for (ui::TTabSheet* page : {&f.tsSettings, &f.Update, &f.tsNetwork}) {
    w.ShowPage(*page);
    w.Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  }
  ASSERT_EQ(w.dialogs.messages.size(), 3u);
  const std::string text = w.dialogs.messages.back().text;
  const std::string prefix = "The support report was written to " + home.Path() + "/brevantix-report-";
  ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
  const std::string path = text.substr(std::string("The support report was written to ").size());
  EXPECT_TRUE(std::filesystem::is_regular_file(path.substr(0, path.size() - 1))) << path;
  EXPECT_EQ(static_cast<int>(w.window->findChildren<QWidget*>().size()), widgets);
}

}  // namespace
}  // namespace bx::test
