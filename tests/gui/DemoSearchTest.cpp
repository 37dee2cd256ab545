// The window on the built-in simulated adapter, in real time: Search fills the status
// strip and the mode list, Select switches the mode. Leaves a screenshot of the filled
// Settings page.
#include <gtest/gtest.h>

#include <QDir>
#include <iostream>

#include "DemoWindow.h"
#include "exchange/Exchange.h"

namespace bx {
namespace {

TEST(GuiDemo, SearchFillsTheStatusStripAndSelectSwitchesTheMode) {
  DemoWindow w;
  ASSERT_TRUE(w.Open());
  TfrmMain& f = *w.form;
  ASSERT_TRUE(w.RunUntil([&] { return f.btSearch.Enabled(); }, 5000)) << "the demo port was not chosen";
  w.Click(f.btSearch);
  Exchange& ex = *f.Modules->exchange;
  ASSERT_TRUE(w.RunUntil([&] { return !ex.Running() && f.lvModes.Count() > 0; }, 10000));
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(f.edSerial.Text(), "BX240017");
  EXPECT_FALSE(f.edVersion.Text().empty());
  EXPECT_TRUE(f.tsTest.TabVisible());
  int running = -1;
  for (int i = 0; i < f.lvModes.Count(); ++i)
    if (f.lvModes.Item(i).StateIndex() == 0) running = i;
  ASSERT_GE(running, 0) << "no mode carries the Selected icon";
  const int other = running == 1 ? 2 : 1;
  f.lvModes.UserSelect(other);
  ASSERT_TRUE(f.btModeSelect.Enabled());
  w.Click(f.btModeSelect);
  ASSERT_TRUE(w.RunUntil([&] { return !ex.Running() && f.lvModes.Count() > 0; }, 10000));
  EXPECT_EQ(f.lvModes.Item(other).StateIndex(), 0);
  EXPECT_EQ(f.lvModes.Item(running).StateIndex(), -1);
  w.RunUntil([] { return false; }, 100);
  const QString folder = QStringLiteral(BX_BINARY_DIR "/screenshots");
  QDir().mkpath(folder);
  EXPECT_TRUE(w.window->grab().save(folder + "/settings-demo-search.png"));
  std::cout << "Screenshot: " << (folder + "/settings-demo-search.png").toStdString() << std::endl;
}

}  // namespace
}  // namespace bx
