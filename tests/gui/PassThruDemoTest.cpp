// The pass-thru page on the built-in simulated adapter, in real time: Install Driver puts
// the adapter's driver (the in-tree library) in place, Check Version shows two green
// shapes, the new registration is listed and Read Info probes it. Leaves a screenshot.
#include <gtest/gtest.h>

#include <QDir>
#include <iostream>

#include "DemoWindow.h"
#include "exchange/Exchange.h"
#include "passthru/PassThruPage.h"

namespace bx {
namespace {

TEST(GuiDemo, InstallDriverThenReadInfoOnThePassThruPage) {
  DemoWindow w;
  ASSERT_TRUE(w.Open());
  TfrmMain& f = *w.form;
  PassThruControls& p = f;
  ASSERT_TRUE(w.RunUntil([&] { return f.btSearch.Enabled(); }, 5000)) << "the demo port was not chosen";
  w.Click(f.btSearch);
  Exchange& ex = *f.Modules->exchange;
  ASSERT_TRUE(w.RunUntil([&] { return !ex.Running() && f.lvModes.Count() > 0; }, 10000));
  ASSERT_EQ(p.btJ2534_Install.Caption(), "Install Driver v4.4.12");

  f.pcOptions.UserSelect(3);
  ASSERT_EQ(f.pcOptions.ActivePage(), &f.tsJ2534);
  EXPECT_EQ(p.edJ2534_Version_DLL.Text(), "Not installed");
  w.Click(p.btJ2534_Install);
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(f.Modules->passThru->Installer().LastResult(), InstallResult::Installed);
  EXPECT_EQ(p.pbJ2534_Install.Position(), 100);
  EXPECT_EQ(p.edJ2534_Version_DLL.Text(), "4.4.12");
  EXPECT_TRUE(p.shJ2534_Install.Visible());
  EXPECT_TRUE(p.shJ2534_Version_DLL.Visible());
  EXPECT_EQ(p.shJ2534_Install.BrushColor(), ui::clr::Lime);
  EXPECT_EQ(p.shJ2534_Version_DLL.BrushColor(), ui::clr::Lime);
  EXPECT_FALSE(p.lbJ2534_Message.Visible());

  const auto& items = p.cbJ2534_Devices.Items();
  const auto it = std::find(items.begin(), items.end(), "dulMAR Company ::. - Brevantix");
  ASSERT_NE(it, items.end());
  p.cbJ2534_Devices.UserSelect(static_cast<int>(it - items.begin()));
  w.Click(p.btJ2534_Info);
  EXPECT_TRUE(f.Modules->passThru->Probe().InfoComplete()) << p.memJ2534.Text();
  const auto lines = p.memJ2534.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "DLL:\t4.4.12"), lines.end());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "Unload DLL");

  w.RunUntil([] { return false; }, 100);
  const QString folder = QStringLiteral(BX_BINARY_DIR "/screenshots");
  QDir().mkpath(folder);
  EXPECT_TRUE(w.window->grab().save(folder + "/4-passthru-demo.png"));
  std::cout << "Screenshot: " << (folder + "/4-passthru-demo.png").toStdString() << std::endl;
}

}  // namespace
}  // namespace bx
