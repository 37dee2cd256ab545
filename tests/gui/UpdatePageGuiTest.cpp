// The Update page met with the mouse: its options usable from the start, and the chosen
// image described before Run.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "GuiWorld.h"

namespace bx::test {
namespace {

TEST(GuiUpdatePage, TheOptionsWorkAtOnceAndTheChosenImageIsDescribed) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.ShowPage(f.Update);
  auto* notSearch = w.Widget<QCheckBox>(f.ckbNotSearch);
  auto* wait = w.Widget<QCheckBox>(f.ckbWait);
  ASSERT_NE(notSearch, nullptr);
  EXPECT_TRUE(notSearch->isEnabled());
  EXPECT_TRUE(wait->isEnabled());
  QTest::mouseClick(notSearch, Qt::LeftButton, {}, QPoint(6, notSearch->height() / 2));
  EXPECT_TRUE(f.ckbNotSearch.Checked());
  QTest::mouseClick(wait, Qt::LeftButton, {}, QPoint(6, wait->height() / 2));
  EXPECT_FALSE(f.ckbWait.Checked());

  w.dialogs.files = {std::string(BX_SOURCE_DIR) + "/resources/demo/demo.rfw"};
  auto* choose = w.Widget<QPushButton>(f.btFW_File);
  QTest::mouseClick(choose, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(w.Widget<QPlainTextEdit>(f.memUpdate)->toPlainText().trimmed().toStdString(),
            "Image: 49488 bytes, 193 pages of 256 bytes, version 0.0.1.");
  EXPECT_TRUE(f.btUpdateRun.Enabled());  // Do not Search is ticked: a file is all Run needs
}

}  // namespace
}  // namespace bx::test
