#include <gtest/gtest.h>

#include "exchange/Identity.h"
#include "support/AdapterWorld.h"
#include "wifi/WiFiPage.h"

namespace bx {
namespace {

using test::AdapterWorld;
using test::Frame;

const std::string kRead = "!dulMAR_SC_WC";

struct WiFiPageTest : ::testing::Test {
  AdapterWorld w;
  TfrmMain* f = nullptr;
  void SetUp() override {
    f = &w.StartWithPort();
    Page().Show();
    // The adapter takes every save (an unanswered one leaves its entries marked).
    w.link.onWrite = [this, echo = w.link.onWrite](const Bytes& b) {
      echo(b);
      if (StartsWith(b, "!dulMAR_SC_WC?")) w.link.Receive(Frame({"OK"}), false);
    };
  }
  WiFiPage& Page() { return *f->Modules->wifi; }
  // A "WS:" line as it comes through the reply parser.
  void Settings(const std::string& payload) {
    f->Modules->identity->ShowReply("WS:" + payload);
  }
  bool Save() {
    const std::size_t before = w.commands.size();
    f->btWiFi_Save.Click();
    if (w.Ex().Running()) {
      EXPECT_TRUE(w.RunExchange());
    }
    return w.commands.size() > before;
  }
};

TEST_F(WiFiPageTest, SettingsLineFillsThePageWithoutMarks) {
  Settings("ALIAS=My%20Car&APCH=6&APAUT=3&WSBID=B1&STMAC=11:22&APPW=k%26y&SDHCP=1&STIP=10.0.0.2");
  EXPECT_EQ(f->edWiFi_Alias.Text(), "My Car");
  EXPECT_EQ(f->cbWiFi_AP_Channel.Text(), "6");
  EXPECT_EQ(f->cbWiFi_AP_Security.Text(), "WPA2-PSK");
  EXPECT_EQ(f->edWiFi_ID.Text(), "B1");
  EXPECT_EQ(f->edWiFi_Station_MAC.Text(), "11:22");
  EXPECT_EQ(f->edWiFi_AP_Password.Text(), "k&y");
  EXPECT_TRUE(f->cbWiFi_Station_DHCP.Checked());
  EXPECT_FALSE(f->edWiFi_Station_IP.Enabled());
  EXPECT_EQ(f->edWiFi_Station_IP.Color(), ui::clr::BtnFace);
  EXPECT_FALSE(f->btWiFi_Save.Enabled());
  EXPECT_TRUE(f->btWiFi_Scan.Enabled());
  EXPECT_FALSE(Page().filling);
  for (ui::TControl* c :
       {static_cast<ui::TControl*>(&f->edWiFi_Alias), static_cast<ui::TControl*>(&f->edWiFi_AP_Password),
        static_cast<ui::TControl*>(&f->cbWiFi_Station_DHCP)})
    EXPECT_EQ(c->Tag, 0) << c->Name();
  EXPECT_FALSE(Save());
}

TEST_F(WiFiPageTest, UnofferedAndOutOfRangeCodesLeaveTheChoices) {
  Settings("APCH=6&APAUT=3");
  for (const char* p : {"APAUT=1", "APCH=0", "APCH=14", "APAUT=5", "APAUT=x&ALIAS=kept", "APCH=6a&ALIAS=kept"}) {
    Settings(p);
    EXPECT_EQ(f->cbWiFi_AP_Security.Text(), "WPA2-PSK") << p;
    EXPECT_EQ(f->cbWiFi_AP_Channel.Text(), "6") << p;
  }
  EXPECT_EQ(f->edWiFi_Alias.Text(), "kept");
  EXPECT_FALSE(Page().filling);
  Settings("APAUT=0&APCH=13");
  EXPECT_EQ(f->cbWiFi_AP_Security.Text(), "Open");
  EXPECT_EQ(f->cbWiFi_AP_Channel.Text(), "13");
  Settings("APAUT=-1");
  EXPECT_EQ(f->cbWiFi_AP_Security.ItemIndex(), -1);
}

TEST_F(WiFiPageTest, KeysAreCutToFiveBytesValuesTo32AndBoxesCheckUnlessZero) {
  Settings("ALIASX=long&HIDE=2&STEN=0&WSBFW=" + std::string(40, 'v') + "&NOKEY=1");
  EXPECT_EQ(f->edWiFi_Alias.Text(), "long");
  EXPECT_TRUE(f->cbWiFi_AP_Hidden.Checked());
  EXPECT_FALSE(f->cbWiFi_Station_Enabled.Checked());
  EXPECT_EQ(f->edWiFi_Firmware.Text(), std::string(32, 'v'));
  Settings("ALIAS=a&ALIAS=b");
  EXPECT_EQ(f->edWiFi_Alias.Text(), "b");
  Settings("APCH=2&ALIAS=APCH");
  EXPECT_EQ(f->cbWiFi_AP_Channel.ItemIndex(), -1);
  EXPECT_EQ(f->edWiFi_Alias.Text(), "APCH");
  Settings("ALIAS=x y&WSBP=99");
  EXPECT_EQ(f->edWiFi_Alias.Text(), "x");
  EXPECT_EQ(f->edWiFi_Bridge_Port.Text(), "");
}

TEST_F(WiFiPageTest, SaveSendsOnlyTheChangedEntriesInOrder) {
  Settings("ALIAS=Old&APCH=1&APAUT=0");
  f->edWiFi_Alias.UserType("My Car");
  EXPECT_TRUE(f->btWiFi_Save.Enabled());
  ASSERT_TRUE(Save());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WC?ALIAS=My%20Car");
  EXPECT_FALSE(f->btWiFi_Save.Enabled());
  EXPECT_EQ(f->edWiFi_Alias.Tag, 0);

  f->cbWiFi_AP_Security.UserSelect(3);
  f->cbWiFi_AP_Channel.UserSelect(5);
  ASSERT_TRUE(Save());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WC?APCH=6&APAUT=4");

  f->cbWiFi_AP_Hidden.Click();
  f->edWiFi_AP_Password.UserType("p w");
  ASSERT_TRUE(Save());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WC?HIDE=1&APPW=p%20w");
  // Nothing marked any more: Save sends nothing even when enabled by hand.
  f->btWiFi_Save.SetEnabled(true);
  EXPECT_FALSE(Save());
}

TEST_F(WiFiPageTest, SaveDuringAnotherExchangeKeepsTheChanges) {
  f->edWiFi_Alias.UserType("Kept");
  ASSERT_TRUE(w.Ex().Start(test::Request(Operation::DeviceCommand, "S", true)));  // unanswered: it runs on
  ASSERT_TRUE(w.Ex().Running());
  EXPECT_EQ(Page().PendingChangesPrompt(), -1);  // no answer scripted: Cancel
  w.dialogs.answers = {mb::IdYes};
  Page().PendingChangesPrompt();
  EXPECT_TRUE(f->btWiFi_Save.Enabled());
  EXPECT_EQ(f->edWiFi_Alias.Tag, 1);
  EXPECT_EQ(f->lbWiFi_Status.Caption(), "Not saved: the adapter is busy.");
  ASSERT_TRUE(w.RunExchange());
  ASSERT_TRUE(Save());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WC?ALIAS=Kept");
}

TEST_F(WiFiPageTest, StaticStationFieldsWaitWhileDhcpIsOn) {
  Settings("SDHCP=1");
  f->edWiFi_Station_SSID.UserType("Home");
  // Disabled fields cannot be typed into; a field changed from code still counts.
  f->edWiFi_Station_IP.SetText("10.0.0.9");
  ASSERT_TRUE(Save());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WC?STAP=Home");
  EXPECT_EQ(f->edWiFi_Station_IP.Tag, 1);
  f->cbWiFi_Station_DHCP.Click();
  EXPECT_TRUE(f->edWiFi_Station_IP.Enabled());
  EXPECT_EQ(f->edWiFi_Station_IP.Color(), ui::clr::Window);
  ASSERT_TRUE(Save());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WC?SDHCP=0&STIP=10.0.0.9");
}

TEST_F(WiFiPageTest, ShowTogglesTheMaskWithoutMarking) {
  Settings("APPW=secret&STPW=other");
  EXPECT_EQ(f->edWiFi_AP_Password.PasswordChar(), '*');
  f->cbWiFi_AP_Password.Click();
  EXPECT_EQ(f->edWiFi_AP_Password.PasswordChar(), 0);
  f->cbWiFi_Station_Password.Click();
  f->cbWiFi_Station_Password.Click();
  EXPECT_EQ(f->edWiFi_Station_Password.PasswordChar(), '*');
  // The same key typed again is no change either.
  f->edWiFi_AP_Password.UserType("secret");
  EXPECT_FALSE(f->btWiFi_Save.Enabled());
  f->edWiFi_Station_Password.UserType("new");
  EXPECT_TRUE(f->btWiFi_Save.Enabled());
}

TEST_F(WiFiPageTest, AnEmptyChoiceIsNeverSent) {
  f->cbWiFi_AP_Channel.UserSelect(2);
  f->cbWiFi_AP_Security.UserSelect(1);
  // Read with No: the page is reset, the choices empty but their marks kept.
  w.dialogs.answers = {mb::IdNo};
  f->btWiFi_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  f->edWiFi_Alias.UserType("A");
  ASSERT_TRUE(Save());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WC?ALIAS=A");
}

TEST_F(WiFiPageTest, ReadAsksAboutPendingChangesThenReloadsAndEchoes) {
  w.replies[kRead] = Frame({"WS:ALIAS=Car&STAP=Net"});
  f->memLogWiFi.SetText("old log");
  f->btWiFi_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(f->edWiFi_Alias.Text(), "Car");
  EXPECT_EQ(f->memLogWiFi.Text(), "WS:ALIAS=Car&STAP=Net\r\n");
  EXPECT_TRUE(f->btCopyWiFi.Enabled());

  f->edWiFi_Alias.UserType("Changed");
  w.dialogs.answers = {mb::IdCancel};
  f->btWiFi_Read.Click();
  EXPECT_EQ(w.Count(kRead), 1);
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].caption, f->Caption() + " - WiFi Config...");
  EXPECT_EQ(w.dialogs.messages[0].text, "Save the changes on the WiFi page?");
  EXPECT_EQ(w.dialogs.messages[0].flags, mb::YesNoCancel | mb::IconQuestion);
  EXPECT_EQ(f->edWiFi_Alias.Text(), "Changed");

  // Yes saves and does not read.
  w.dialogs.answers = {mb::IdYes};
  f->btWiFi_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.commands.back(), "!dulMAR_SC_WC?ALIAS=Changed");
  EXPECT_EQ(w.Count(kRead), 1);

  // No: the page is reset and read again.
  f->edWiFi_Alias.UserType("Again");
  w.dialogs.answers = {mb::IdNo};
  f->btWiFi_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.Count(kRead), 2);
  EXPECT_EQ(f->edWiFi_Alias.Text(), "Car");
}

// The replies are echoed on the scan page, out of sight: the page's status line says what
// came of Read and Save.
TEST(WiFiPageStatus, ReadAndSaveSayWhatCameOfThem) {
  struct Case {
    const char* name;
    bool save;
    std::vector<std::string> reply;  // empty: no reply at all
    const char* status;
  };
  const Case cases[] = {
      {"read", false, {"WS:ALIAS=Car"}, "Settings read."},
      {"read, no settings in the reply", false, {"ERROR: WiFi chip asleep"}, "No WiFi settings in the reply."},
      {"read, no reply", false, {}, "No reply from the adapter."},
      {"save", true, {"WS:ALIAS=New"}, "Settings saved."},
      {"save, no reply", true, {}, "No reply from the adapter."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AdapterWorld w;
    TfrmMain& f = w.StartWithPort();
    f.Modules->wifi->Show();
    const std::string command = c.save ? "!dulMAR_SC_WC?ALIAS=New" : kRead;
    if (!c.reply.empty()) w.replies[command] = Frame(c.reply);
    if (c.save) {
      f.edWiFi_Alias.UserType("New");
      f.btWiFi_Save.Click();
    } else {
      f.btWiFi_Read.Click();
    }
    EXPECT_EQ(f.lbWiFi_Status.Caption(), "") << "the last result goes as a command is sent";
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(w.commands, std::vector<Bytes>{command});
    EXPECT_EQ(f.lbWiFi_Status.Caption(), c.status);
  }
}

TEST_F(WiFiPageTest, SaveWithNothingToSendSaysSo) {
  Settings("SDHCP=1");
  f->edWiFi_Station_IP.SetText("10.0.0.9");  // held back while DHCP is on
  EXPECT_FALSE(Save());
  EXPECT_EQ(f->lbWiFi_Status.Caption(), "No changed setting to send.");
}

}  // namespace
}  // namespace bx
