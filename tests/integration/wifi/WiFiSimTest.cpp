// The WiFi pages of the whole window in real time against the simulated adapter on a
// pseudo-terminal: read, save only what changed, scan and choose, the chipset buttons.
#include <gtest/gtest.h>

#include "../update/SimWindow.h"
#include "wifi/WiFiPage.h"

namespace bx::test {
namespace {

TEST(WiFiSim, ReadSaveScanAndSelectAgainstTheSimulator) {
  SimWindow w;
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(w.Search());
  TfrmMain& f = *w.form;
  f.Modules->wifi->Show();

  f.btWiFi_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f.edWiFi_ID.Text(), "BX-WSB-0017");
  EXPECT_EQ(f.edWiFi_Alias.Text(), "Brevantix");
  EXPECT_EQ(f.cbWiFi_AP_Channel.Text(), "6");
  EXPECT_EQ(f.cbWiFi_AP_Security.Text(), "WPA2-PSK");
  EXPECT_TRUE(f.cbWiFi_Station_DHCP.Checked());
  EXPECT_EQ(f.edWiFi_Station_DNS1.Text(), "8.8.8.8");
  EXPECT_TRUE(f.memLogWiFi.Text().starts_with("WS:WSBID=BX-WSB-0017&"));
  EXPECT_FALSE(f.btWiFi_Save.Enabled());

  f.edWiFi_Alias.UserType("My Car");
  f.cbWiFi_AP_Security.UserSelect(3);
  f.btWiFi_Save.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f.edCOMM_Command.Text(), "!dulMAR_SC_WC?ALIAS=My%20Car&APAUT=4");
  EXPECT_EQ(f.memLogWiFi.Text().find("ERROR"), std::string::npos) << f.memLogWiFi.Text();
  // The adapter kept them: a fresh read shows them.
  f.btWiFi_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f.edWiFi_Alias.Text(), "My Car");
  EXPECT_EQ(f.cbWiFi_AP_Security.Text(), "WPA-WPA2-PSK");

  f.btWiFi_Scan.Click();
  ASSERT_TRUE(w.RunExchange());
  ASSERT_EQ(f.lvWiFi_Scan_AP.Count(), 3);
  EXPECT_EQ(f.lvWiFi_Scan_AP.Item(1).Caption(), "Office Net");
  f.lvWiFi_Scan_AP.UserSelect(1);
  f.btWiFi_Scan_Select.Click();
  EXPECT_EQ(f.pcOptions.ActivePage(), &f.tsWiFi);
  f.btWiFi_Save.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f.edCOMM_Command.Text(), "!dulMAR_SC_WC?STAP=Office%20Net");
  f.btWiFi_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f.edWiFi_Station_SSID.Text(), "Office Net");
  EXPECT_TRUE(w.dialogs.messages.empty());
}

TEST(WiFiSim, ChipsetButtonsShowTheAdapterAnswerInTheSystemLog) {
  SimWindow w;
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(w.Search());
  TfrmMain& f = *w.form;
  f.tsSystem.SetTabVisible(true);
  f.Modules->wifi->Show();
  f.btWiFi_Update.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_TRUE(f.memSYS.Text().starts_with("WiFi chipset update: OK\r\n")) << f.memSYS.Text();
  w.dialogs.answers = {mb::IdYes};
  f.btWiFi_Factory_Reset.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f.memSYS.Text(), "WiFi chipset factory reset: OK\r\n");
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
}

// "Yes" to "Save changes?" as the window closes: the save reaches the adapter before the
// window and its links are gone.
TEST(WiFiSim, YesAtCloseSavesBeforeTheWindowGoes) {
  SimWindow w;
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(w.Search());
  TfrmMain& f = *w.form;
  f.Modules->wifi->Show();
  f.btWiFi_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  f.edWiFi_Alias.UserType("Closing Car");
  w.dialogs.answers = {mb::IdYes};
  ASSERT_TRUE(f.Close());
  const std::string record = w.pty.adapter().With([](sim::AdapterModel& m) { return m.WifiLine(); });
  EXPECT_NE(record.find("ALIAS=Closing%20Car"), std::string::npos) << record;
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text, "Save the changes on the WiFi page?");
}

}  // namespace
}  // namespace bx::test
