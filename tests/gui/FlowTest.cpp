// The window driven by keys alone against the simulated adapter, in virtual time: Search,
// a mode switch, an upload, its Stop and the cure, and the self-test, each with the focus
// where the user left it. Leaves screenshots of the pages on the way.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTableWidget>

#include "GuiWorld.h"
#include "exchange/Exchange.h"
#include "firmware/Unitfwupdate.h"

namespace bx::test {
namespace {

const std::string kDemoImage = std::string(BX_SOURCE_DIR) + "/resources/demo/demo.rfw";

// The adapter as the demo runs it: its bootloader greets with the prompt "Wait" waits for.
sim::Scenario Greeting() {
  sim::Scenario s;
  s.promptDelayMs = 200;
  return s;
}

// A window on the simulated adapter, its port chosen and the adapter found with Search,
// all by keys. The focus is then on the mode list (the search's focus target).
struct KeyboardSession : GuiSimWorld {
  TfrmMain& Begin(sim::Scenario scenario = Greeting()) {
    TfrmMain& f = Open(std::move(scenario));
    EXPECT_TRUE(Activate());
    Tabs()->tabBar()->setFocus();
    EXPECT_TRUE(TabTo(f.btSearch));
    Key(Qt::Key_Return);
    EXPECT_TRUE(RunToEnd());
    EXPECT_EQ(f.edSerial.Text(), "BX240017");
    return f;
  }
  // Ctrl+Tab or Ctrl+Shift+Tab until the page shows.
  bool PageTo(ui::TTabSheet& page, bool back = false) {
    for (int i = 0; i < 12 && form->pcOptions.ActivePage() != &page; ++i)
      Key(back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
    return form->pcOptions.ActivePage() == &page;
  }
  // Settings -> Search, by keys; the search's message, if any.
  std::string SearchAgain() {
    dialogs.messages.clear();
    EXPECT_TRUE(PageTo(form->tsSettings, true));
    EXPECT_TRUE(TabTo(form->btSearch));
    Key(Qt::Key_Return);
    EXPECT_TRUE(RunToEnd());
    return dialogs.messages.empty() ? std::string() : dialogs.messages.back().text;
  }
  std::string LastUpdateLine() {
    const QString text = Widget<QPlainTextEdit>(form->memUpdate)->toPlainText().trimmed();
    return text.section('\n', -1).toStdString();
  }
};

TEST(GuiFlow, TheDefaultModeIsMarkedAfterSwitchingToItWithTheKeyboard) {
  KeyboardSession w;
  TfrmMain& f = w.Begin();
  ASSERT_TRUE(w.HasFocus(f.lvModes)) << w.FocusName();
  auto* table = w.Widget<QTableWidget>(f.lvModes);
  ASSERT_EQ(table->item(0, 1)->text(), "000");
  ASSERT_EQ(table->item(1, 1)->text(), "01");
  EXPECT_EQ(table->item(1, 0)->data(Qt::UserRole).toInt(), 0) << "01 runs: the Selected mark";

  w.Key(Qt::Key_Up);
  ASSERT_NE(f.lvModes.Selected(), nullptr);
  EXPECT_EQ(f.lvModes.Selected()->Index(), 0);
  w.Key(Qt::Key_Tab);
  ASSERT_TRUE(w.HasFocus(f.btModeSelect)) << w.FocusName();
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.RunToEnd());
  EXPECT_EQ(w.link.writes.back(), "!dulMAR_SC_M000");
  ASSERT_EQ(table->item(0, 1)->text(), "000");
  EXPECT_EQ(table->item(0, 0)->data(Qt::UserRole).toInt(), 0) << "000 runs now: the Selected mark";
  EXPECT_NE(table->item(1, 0)->data(Qt::UserRole).toInt(), 0);
  EXPECT_TRUE(w.HasFocus(f.lvModes)) << w.FocusName();
  EXPECT_TRUE(w.Screenshot("flow-1-settings-default-mode"));
}

// Settings, Update and Test with the keyboard alone: a whole upload, then the self-test.
TEST(GuiFlow, KeyboardAloneSearchesUploadsAndTests) {
  KeyboardSession w;
  TfrmMain& f = w.Begin();
  ASSERT_TRUE(w.PageTo(f.Update));
  w.dialogs.files.push_back(kDemoImage);
  ASSERT_TRUE(w.TabTo(f.btFW_File));
  w.Key(Qt::Key_Space);
  EXPECT_EQ(f.edFW_File.Text(), kDemoImage);
  ASSERT_TRUE(w.TabTo(f.btUpdateRun));
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.RunToEnd());
  EXPECT_EQ(w.LastUpdateLine(), "Updating firmware : Ok");
  EXPECT_TRUE(w.HasFocus(f.btUpdateRun)) << w.FocusName();
  EXPECT_TRUE(w.Screenshot("flow-2-update-done"));

  // A test run started with Enter gives the focus back to where Enter was pressed, Run
  // or the parameter field, so that Enter again runs again.
  ASSERT_TRUE(w.PageTo(f.tsTest));
  ASSERT_TRUE(w.TabTo(f.btRunTest));
  for (ui::TControl* from : std::initializer_list<ui::TControl*>{&f.btRunTest, &f.edTest_Params}) {
    SCOPED_TRACE(from->Name());
    if (from == &f.edTest_Params) w.Key(Qt::Key_P, Qt::ControlModifier);
    ASSERT_TRUE(w.HasFocus(*from)) << w.FocusName();
    w.Key(Qt::Key_Return);
    ASSERT_TRUE(w.Ex().Running());
    ASSERT_TRUE(w.RunToEnd());
    EXPECT_EQ(f.edTest_Result.Text(), "0/0");
    EXPECT_TRUE(w.HasFocus(*from)) << "focus on " << w.FocusName();
    EXPECT_EQ(f.ActiveControl(), from);
  }
  EXPECT_TRUE(w.Screenshot("flow-3-test-done"));
}

// Stop during an upload leaves the adapter in its bootloader: the log says Reset is the
// cure, and so does "not found" until Reset has been sent.
TEST(GuiFlow, StopPointsToResetUntilResetIsSent) {
  sim::Scenario slow = Greeting();
  slow.flashDelayMs = 20;
  KeyboardSession w;
  TfrmMain& f = w.Begin(slow);
  ASSERT_TRUE(w.PageTo(f.Update));
  w.dialogs.files.push_back(kDemoImage);
  ASSERT_TRUE(w.TabTo(f.btFW_File));
  w.Key(Qt::Key_Space);
  ASSERT_TRUE(w.TabTo(f.btUpdateRun));
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.loop.AdvanceUntil([&] { return f.pbUpdateProgress.Position() >= 3; }, 20000, 10));
  QApplication::processEvents();
  ASSERT_TRUE(w.HasFocus(f.btUpdateRun)) << "Stop is where Run was: " << w.FocusName();
  EXPECT_EQ(f.btUpdateRun.Caption(), "Stop");
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.RunToEnd());
  EXPECT_EQ(w.LastUpdateLine(), kBootloaderHint);
  EXPECT_EQ(f.edUpdateSatus.Text(), "Firmware Update canceled...");
  EXPECT_TRUE(w.adapter->InBootloader());
  EXPECT_TRUE(w.Screenshot("flow-4-update-stopped"));

  const std::string notFound = w.SearchAgain();
  EXPECT_NE(notFound.find("is not found"), std::string::npos) << notFound;
  EXPECT_NE(notFound.find(kBootloaderHint), std::string::npos) << notFound;

  ASSERT_TRUE(w.PageTo(f.Update));
  ASSERT_TRUE(w.TabTo(f.btReset));
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.RunToEnd());
  EXPECT_EQ(w.LastUpdateLine(), "Reset sent: the adapter restarts.");
  EXPECT_FALSE(w.adapter->InBootloader());
  EXPECT_EQ(w.SearchAgain(), "");
  EXPECT_EQ(f.edSerial.Text(), "BX240017");
}

}  // namespace
}  // namespace bx::test
