// The port the user picks in the Settings page's box stays picked while the list around it
// is rebuilt.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "GuiWorld.h"
#include "exchange/PortList.h"
#include "session/AdapterSession.h"
#include "window/Modules.h"

namespace bx::test {
namespace {

TEST(GuiPortChoice, APickedPortSurvivesARebuildAndItsLossIsTold) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  PortLists rows;
  AddPort(rows, "/dev/pts/0", "Simulated", "");
  AddPort(rows, "NET:127.0.0.1:4000", "Net", "");
  f.settings.RememberPort("/dev/pts/0 1");
  w.ListPorts([&rows] { return rows; });
  f.Modules->ports->Refresh(true);
  QApplication::processEvents();
  auto* box = w.Widget<QComboBox>(f.cbCOM);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->currentIndex(), 0);
  ASSERT_TRUE(w.Activate());
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Down);  // the user picks the network port
  ASSERT_EQ(f.Modules->ports->SelectedPortName(), "NET:127.0.0.1:4000");
  // As a search on it leaves the session and the strip.
  f.Modules->session->ShowPort(f.cbCOM.Text());
  f.edCOM.SetText(f.cbCOM.Text());
  // A device added and saved on the Network page: the link offers one port more.
  AddPort(rows, "NET:127.0.0.1:4001", "Net", "");
  w.loop.Advance(500);
  QApplication::processEvents();
  EXPECT_EQ(box->currentText().toStdString(), "NET:127.0.0.1:4000 (Net)");
  EXPECT_EQ(f.Modules->ports->SelectedPortName(), "NET:127.0.0.1:4000");
  // The port removed: the default takes over, and the strip and the log say why.
  rows = {};
  AddPort(rows, "/dev/pts/0", "Simulated", "");
  w.loop.Advance(500);
  QApplication::processEvents();
  EXPECT_EQ(box->currentText().toStdString(), "/dev/pts/0 (Simulated)");
  EXPECT_EQ(w.Widget<QLineEdit>(f.edCOM)->text().toStdString(), "NET:127.0.0.1:4000 (Net) - gone");
  EXPECT_EQ(f.memLog.Lines().back(), "Port NET:127.0.0.1:4000 is no longer offered; /dev/pts/0 is selected.");
}

}  // namespace
}  // namespace bx::test
