#include <gtest/gtest.h>

#include "exchange/Identity.h"
#include "support/AdapterWorld.h"
#include "wifi/WiFiPage.h"

namespace bx {
namespace {

using test::AdapterWorld;
using test::Frame;

const std::string kScan = "!dulMAR_SC_WS";

struct WiFiScanTest : ::testing::Test {
  AdapterWorld w;
  TfrmMain* f = nullptr;
  void SetUp() override {
    f = &w.StartWithPort();
    f->Modules->wifi->Show();
    f->Modules->identity->ShowReply("WS:STAP=Garage&STPW=oldkey");
  }
  std::vector<std::string> Row(int i) {
    const ui::TListItem& item = f->lvWiFi_Scan_AP.Item(i);
    std::vector<std::string> r{item.Caption()};
    r.insert(r.end(), item.SubItems().begin(), item.SubItems().end());
    return r;
  }
};

TEST_F(WiFiScanTest, ScanListsTheAccessPointsAndMarksTheCurrentNetwork) {
  w.replies[kScan] = Frame({"APs:2", "AP1:6,-58,3,A0:B1:C2:D3:E4:F5,\"Garage\"",
                            "AP2:11,-80,1,00:11:22:33:44:55,\"my,net\"", "AP3:1,-90,0"});
  f->memLogWiFi.SetText("earlier");
  ASSERT_TRUE(f->btWiFi_Scan.Enabled());
  f->btWiFi_Scan.Click();
  EXPECT_TRUE(f->tsWiFi_Scan.TabVisible());
  EXPECT_FALSE(f->tsWiFi.TabVisible());
  EXPECT_EQ(f->pcOptions.ActivePage(), &f->tsWiFi_Scan);
  ASSERT_TRUE(w.RunExchange());
  ASSERT_EQ(f->lvWiFi_Scan_AP.Count(), 3);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"Garage", "-58", "6", "WPA2-PSK", "A0:B1:C2:D3:E4:F5"}));
  EXPECT_EQ(Row(1), (std::vector<std::string>{"m", "-80", "11", "", "00:11:22:33:44:55"}));
  EXPECT_EQ(Row(2), (std::vector<std::string>{"", "-90", "1", "Open", ""}));
  EXPECT_EQ(f->lvWiFi_Scan_AP.Item(0).StateIndex(), 0);
  EXPECT_EQ(f->lvWiFi_Scan_AP.Item(1).StateIndex(), -1);
  // The log keeps what it held and gets the reply.
  EXPECT_TRUE(f->memLogWiFi.Text().starts_with("earlier\r\nAPs:2\r\nAP1:"));

  // Sorted by SSID the rows move with their items: the current network is still the one
  // not offered.
  f->lvWiFi_Scan_AP.ColumnClick(0);
  ASSERT_EQ(f->lvWiFi_Scan_AP.Item(1).Caption(), "Garage");
  f->lvWiFi_Scan_AP.UserSelect(1);
  EXPECT_FALSE(f->btWiFi_Scan_Select.Enabled());
  f->lvWiFi_Scan_AP.DblClick();
  EXPECT_TRUE(f->tsWiFi_Scan.TabVisible());  // the current network is not chosen again
  f->lvWiFi_Scan_AP.UserSelect(2);
  EXPECT_TRUE(f->btWiFi_Scan_Select.Enabled());

  // Rescan empties the list first; a silent adapter leaves it empty.
  w.replies.clear();
  f->btWiFi_Scan_Run.Click();
  EXPECT_EQ(f->lvWiFi_Scan_AP.Count(), 0);
  EXPECT_FALSE(f->btWiFi_Scan_Select.Enabled());
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.Count(kScan), 2);
  EXPECT_EQ(f->lvWiFi_Scan_AP.Count(), 0);
}

TEST_F(WiFiScanTest, SelectTakesTheSsidEmptiesTheKeyAndCloses) {
  w.replies[kScan] = Frame({"AP1:6,-58,3,A0:B1:C2:D3:E4:F5,\"Garage\"", "AP2:11,-80,4,00:11,\"Attic\""});
  f->btWiFi_Scan.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_FALSE(f->btWiFi_Save.Enabled());
  f->lvWiFi_Scan_AP.UserSelect(1);
  f->btWiFi_Scan_Select.Click();
  EXPECT_EQ(f->edWiFi_Station_SSID.Text(), "Attic");
  EXPECT_EQ(f->edWiFi_Station_Password.Text(), "");
  EXPECT_TRUE(f->tsWiFi.TabVisible());
  EXPECT_FALSE(f->tsWiFi_Scan.TabVisible());
  EXPECT_EQ(f->pcOptions.ActivePage(), &f->tsWiFi);
  EXPECT_TRUE(f->btWiFi_Save.Enabled());
  f->btWiFi_Save.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WC?STAP=Attic&STPW=");
}

TEST_F(WiFiScanTest, ChipsetUpdateAtOnceFactoryResetOnlyAfterYes) {
  w.replies["!dulMAR_SC_WU"] = Frame({"WiFi update started"});
  w.replies["!dulMAR_SC_WE"] = Frame({"WiFi reset done"});
  f->tsSystem.SetTabVisible(true);
  f->memSYS.SetText("system log");
  w.dialogs.answers = {mb::IdNo};
  f->btWiFi_Factory_Reset.Click();
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].caption, f->Caption() + " - WiFi Chipset...");
  EXPECT_EQ(w.dialogs.messages[0].text, "This command will reset the WiFi chipset" +
                                            (f->edSYS_Serial.Text().empty() ? "" : " of the adapter " + f->edSYS_Serial.Text()) +
                                            " to factory settings: its WiFi settings are lost. Are you sure?");
  EXPECT_EQ(w.dialogs.messages[0].flags, mb::YesNo | mb::IconQuestion | mb::DefaultNo);
  EXPECT_FALSE(w.Ex().Running());
  EXPECT_TRUE(w.commands.empty());
  EXPECT_EQ(f->memSYS.Text(), "system log");

  f->btWiFi_Update.Click();
  ASSERT_TRUE(w.RunExchange());
  ASSERT_EQ(w.commands.size(), 1u);
  EXPECT_EQ(w.commands[0], "!dulMAR_SC_WU");
  EXPECT_EQ(f->memSYS.Text(), "WiFi update started\r\n");
  EXPECT_EQ(w.dialogs.messages.size(), 1u);

  w.dialogs.answers = {mb::IdYes};
  f->btWiFi_Factory_Reset.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WE");
  EXPECT_EQ(f->memSYS.Text(), "WiFi reset done\r\n");
}

}  // namespace
}  // namespace bx
