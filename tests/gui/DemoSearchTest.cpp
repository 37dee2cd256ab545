// The window on the built-in simulated adapter, in real time: Search fills the status
// strip and the mode list, Select switches the mode. Leaves a screenshot of the filled
// Settings page.
#include <gtest/gtest.h>

#include <QDir>
#include <iostream>

#include "DemoWindow.h"
#include "exchange/Exchange.h"
#include "exchange/PortList.h"
#include "netdev/NetworkPage.h"
#include "netdev/NetworkSearch.h"

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

// The Network page's Search on the demo's in-process network finds the demo adapter;
// once saved it is a NET: port of the Settings page, and Search there reaches it over
// TCP. Leaves a screenshot of the Network page after the search.
TEST(GuiDemo, NetworkSearchFindsTheDemoAdapterWhichIsThenReachedAsANetPort) {
  DemoWindow w;
  ASSERT_TRUE(w.Open());
  TfrmMain& f = *w.form;
  NetworkControls& n = f;
  NetworkSearch& search = *f.Modules->search;
  f.pcOptions.SetActivePage(&f.tsNetwork);
  w.Click(n.btUDP_Search);
  ASSERT_TRUE(search.Running());
  ASSERT_TRUE(w.RunUntil([&] { return !search.Running(); }, 8000));
  ASSERT_EQ(n.lvNetDevices.Count(), 1);
  const std::string port = w.demo.NetPort().substr(std::string("NET:127.0.0.1:").size());
  EXPECT_EQ(f.Modules->network->Row(0), (NetDevice{"Brevantix Sim", "02:42:58:00:00:17", "127.0.0.1", port}));
  EXPECT_EQ(n.lvNetDevices.Item(0).StateIndex(), kMarkNew);
  EXPECT_EQ(n.memLog_Network.Line(0), "255.255.255.255:45678");
  w.RunUntil([] { return false; }, 100);
  const QString folder = QStringLiteral(BX_BINARY_DIR "/screenshots");
  QDir().mkpath(folder);
  EXPECT_TRUE(w.window->grab().save(folder + "/network-demo-search.png"));
  std::cout << "Screenshot: " << (folder + "/network-demo-search.png").toStdString() << std::endl;

  w.Click(n.btNetwork_Save);
  EXPECT_FALSE(n.btNetwork_Save.Enabled());
  int row = -1;
  auto listed = [&] {
    const PortLists& rows = f.Modules->ports->Rows();
    for (std::size_t i = 0; i < rows.Names.size(); ++i)
      if (rows.Names[i] == w.demo.NetPort()) row = static_cast<int>(i);
    return row >= 0;
  };
  ASSERT_TRUE(w.RunUntil(listed, 5000)) << "the saved device is not offered as a port";
  f.pcOptions.SetActivePage(&f.tsSettings);
  f.cbCOM.UserSelect(row);
  ASSERT_TRUE(w.RunUntil([&] { return f.btSearch.Enabled(); }, 5000));
  w.Click(f.btSearch);
  Exchange& ex = *f.Modules->exchange;
  ASSERT_TRUE(w.RunUntil([&] { return !ex.Running() && !f.edSerial.Text().empty(); }, 10000));
  EXPECT_EQ(f.edSerial.Text(), "BX240017");
  EXPECT_TRUE(w.dialogs.messages.empty());
}

}  // namespace
}  // namespace bx
