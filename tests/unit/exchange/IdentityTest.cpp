#include <gtest/gtest.h>

#include "exchange/Identity.h"
#include "modes/ModeList.h"
#include "session/AdapterSession.h"
#include "support/AdapterWorld.h"

namespace bx {
namespace {

using test::AdapterWorld;

struct IdentityTest : ::testing::Test {
  AdapterWorld w;
  TfrmMain* f = nullptr;
  void SetUp() override { f = &w.StartWithPort("/dev/ttyACM4"); }
  Identity& Id() { return *f->Modules->identity; }
  void Parse(const std::string& text) {
    Id().ShowReply(text);
  }
};

TEST_F(IdentityTest, KeyLinesFillTheFieldsAndUnusedLinesLeaveTheLog) {
  Parse(
      "SN:12345\r\nsn:999\r\nFW:2.1\r\nBW:1.0\r\nHW:R3\r\nID:SIG\r\nCR:(c) x\r\nWW:w1\r\nPT:1.7\r\nUB:12.1V\r\nhello");
  EXPECT_EQ(f->edSerial.Text(), "12345");
  EXPECT_EQ(f->edSYS_Serial.Text(), "12345");
  EXPECT_EQ(f->edVersion.Text(), "2.1");
  EXPECT_EQ(f->edSYS_FW.Text(), "2.1");
  EXPECT_EQ(f->edBootVer.Text(), "1.0");
  EXPECT_EQ(f->edHardware.Text(), "R3");
  EXPECT_EQ(f->edSignature.Text(), "SIG");
  EXPECT_EQ(f->edCopyRight.Text(), "(c) x");
  EXPECT_EQ(f->edSYS_WiFi.Text(), "w1");
  EXPECT_EQ(f->Modules->session->Identity().passThruVersion, "1.7");
  EXPECT_EQ(f->btJ2534_Install.Caption(), "Install Driver v1.7");
  EXPECT_TRUE(f->btJ2534_Install.Enabled());
  EXPECT_TRUE(f->tsTest.TabVisible());
  EXPECT_TRUE(f->cbShow.Visible());
  EXPECT_TRUE(f->edBattery.Visible());
  EXPECT_TRUE(f->btPower.Visible());
  EXPECT_EQ(f->memLog.Lines(), (std::vector<std::string>{"SN:12345", "FW:2.1", "BW:1.0", "HW:R3", "ID:SIG", "CR:(c) x",
                                                         "WW:w1", "PT:1.7", "UB:12.1V"}));
  // The port of the exchange and the serial number become the newest recent port.
  EXPECT_EQ(w.registry.ReadString(Hive::CurrentUser, std::string(kSettingsKey) + "\\Ports", "Port0"),
            "/dev/ttyACM4 12345");
}

TEST_F(IdentityTest, ParsingStopsAtADashLineOrAnEmptyLine) {
  Parse("SN:1\r\n-----\r\nFW:9\r\njunk");
  EXPECT_EQ(f->edVersion.Text(), "");
  EXPECT_EQ(f->memLog.Lines(), (std::vector<std::string>{"SN:1", "-----", "FW:9", "junk"}));
  Parse("junk\r\n\r\nFW:8");
  EXPECT_EQ(f->edVersion.Text(), "");
  EXPECT_EQ(f->memLog.Lines(), (std::vector<std::string>{"", "FW:8"}));
}

TEST_F(IdentityTest, FlagsRightsNoticeAndBattery) {
  // The pass-thru and update flags are known keys: they stay in the log, which shows what
  // was understood, and change nothing the window shows.
  Parse("PI:on\r\nPA:OFF\r\nCR:first\r\nUSB-Device 2\r\nUI:u\r\npi:on\r\nUA:a");
  EXPECT_EQ(f->memLog.Lines(),
            (std::vector<std::string>{"PI:on", "PA:OFF", "CR:first", "USB-Device 2", "UI:u", "UA:a"}));
  EXPECT_EQ(f->edCopyRight.Text(), "USB-Device 2");  // the later line wins
  Parse("USB-x\r\nCR:second");
  EXPECT_EQ(f->edCopyRight.Text(), "second");
  Parse("UB:");
  EXPECT_FALSE(f->edBattery.Visible());
  EXPECT_FALSE(f->lbBattery.Visible());
  EXPECT_FALSE(f->btPower.Visible());
}

// A reply of any length is parsed in one pass: line by line through the pane the time
// grew with the square of its length, and a long frame froze the window for minutes.
TEST_F(IdentityTest, ALongReplyIsParsedInOnePassAndWrittenOnce) {
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "noise " + std::to_string(i) + "\r\n";
  int changes = 0;
  f->memLog.OnChange = [&] { ++changes; };
  Id().ShowReply(text + "SN:77\r\n-----\r\nFW:9\r\n");
  EXPECT_EQ(f->memLog.Text(), "SN:77\r\n-----\r\nFW:9\r\n");
  EXPECT_EQ(f->edSerial.Text(), "77");
  // Written once, not once per removed line (which cost time in the square of the length).
  EXPECT_EQ(changes, 1);
}

TEST_F(IdentityTest, SystemWiFiAndAccessPointLinesGoToTheirReaders) {
  struct Readers : IdentityPages {
    std::vector<std::string> got;
    void SystemInfo(const std::string& p) override { got.push_back("SI " + p); }
    void WiFiRecord(const std::string& p) override { got.push_back("WS " + p); }
    void AccessPoint(char c, const std::string& p) override { got.push_back(std::string("AP") + c + " " + p); }
    void PagesReset() override {}
    void BootwareSeen() override {}
    void DriverOffered(const std::string&) override {}
  } readers;
  std::vector<std::string>& got = readers.got;
  Id().Connect(readers);
  Parse("SI:B1W2N1L0\r\nWS:ALIAS=x\r\nAP1:6,-58\r\nAPs:skip\r\nAPX");
  EXPECT_EQ(got, (std::vector<std::string>{"SI B1W2N1L0", "WS ALIAS=x", "AP1 6,-58", "APs skip"}));
  EXPECT_TRUE(f->tsSystem.TabVisible());
}

TEST_F(IdentityTest, ClearingTheIdentityBeforeASearch) {
  Parse("SN:1\r\nFW:2\r\nBW:3\r\nHW:4\r\nUB:5\r\n01 - A");
  f->shpTest_Result_1.SetVisible(true);
  Id().ClearIdentity();
  for (ui::TEdit* e : {&f->edSerial, &f->edSYS_Serial, &f->edVersion, &f->edBootVer, &f->edHardware, &f->edSYS_Hardware,
                       &f->edBattery})
    EXPECT_EQ(e->Text(), "") << e->Name();
  EXPECT_EQ(f->edSYS_FW.Text(), "2");  // kept
  EXPECT_EQ(f->edSYS_BW.Text(), "3");  // kept
  EXPECT_EQ(f->lvModes.Count(), 0);
  EXPECT_FALSE(f->tsTest.TabVisible());
  EXPECT_FALSE(f->tsSystem.TabVisible());
  EXPECT_FALSE(f->tsWiFi.TabVisible());
  EXPECT_FALSE(f->cbShow.Visible());
  EXPECT_FALSE(f->shpTest_Result_1.Visible());
}

// ---- mode list ----

struct ModeListTest : IdentityTest {
  ModeList& Modes() { return *f->Modules->modes; }
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    for (int i = 0; i < f->lvModes.Count(); ++i) {
      auto& it = f->lvModes.Item(i);
      out.push_back(it.Caption() + "|" + it.SubItems()[0] + "|" + it.SubItems()[1] + "|" +
                    std::to_string(it.StateIndex()));
    }
    return out;
  }
};

TEST_F(ModeListTest, ModeLineTest) {
  // An ID of one to three letters or digits, a space, a marker, a space; 0: no mode line.
  const struct {
    const char* line;
    int idLength;
  } cases[] = {{"01 - OBD", 2}, {"A - x", 1}, {"ABC * x", 3}, {"ABCD - x", 0}, {"- x", 0},
               {"AB_ - X", 0},  {"01 -", 0},  {"01 - ", 2},   {"", 0}};
  for (const auto& c : cases) EXPECT_EQ(ModeList::ModeIdLength(c.line), c.idLength) << '"' << c.line << '"';
}

TEST_F(ModeListTest, OnlyDashMarkersAreListedAndNumberedWithoutGaps) {
  w.registry.WriteString(Hive::CurrentUser, std::string(kSettingsKey) + "\\Hide", "02", "CAN");
  Parse("01 - OBD\r\n07 * secret\r\n02 - CAN\r\n03 _ x\r\n04 - KWP\r\n000 - Boot");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"00|01|OBD|-1", "01|04|KWP|-1", "02|000|Boot|-1"}));
  // The hidden mode's line stays in the log, the unlisted markers leave it.
  EXPECT_EQ(f->memLog.Lines(), (std::vector<std::string>{"01 - OBD", "02 - CAN", "04 - KWP", "000 - Boot"}));
}

TEST_F(ModeListTest, ShowAllListsHiddenModesWithTheirState) {
  const std::string hide = std::string(kSettingsKey) + "\\Hide";
  w.registry.WriteString(Hive::CurrentUser, hide, "02", "CAN");
  w.registry.WriteString(Hive::CurrentUser, hide, "000", "Boot");     // "000" can never be hidden
  w.registry.WriteString(Hive::CurrentUser, hide, "05", "old text");  // description changed since
  f->cbShow.SetVisible(true);
  f->cbShow.SetChecked(true);  // runs a search; let it end
  w.RunExchange();
  Parse("01 - OBD\r\n02 - CAN\r\n000 - Boot\r\n05 - new text\r\nSelected Mode: 01 - OBD");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"00|01|OBD|0", "01|02|CAN|2", "02|000|Boot|1", "03|05|new text|1"}));
}

TEST_F(ModeListTest, TheLastSelectedModeIsNeverHidden) {
  w.registry.WriteString(Hive::CurrentUser, kSettingsKey, "Mode", "02 - CAN");
  w.registry.WriteString(Hive::CurrentUser, std::string(kSettingsKey) + "\\Hide", "02", "CAN");
  Parse("01 - OBD\r\n02 - CAN");
  EXPECT_EQ(f->lvModes.Count(), 2);
}

TEST_F(ModeListTest, WithoutSelectedModeLineNoEntryIsSelected) {
  Parse("01 - OBD\r\n02 - CAN");
  EXPECT_EQ(f->lvModes.Item(0).StateIndex(), -1);
  EXPECT_EQ(f->lvModes.Item(1).StateIndex(), -1);
  EXPECT_EQ(f->lvModes.Selected(), nullptr);
}

TEST_F(ModeListTest, SelectionButtonsFollowTheState) {
  w.registry.WriteString(Hive::CurrentUser, std::string(kSettingsKey) + "\\Run", "01", "/usr/bin/tool");
  Parse("01 - OBD\r\n000 - Boot\r\n02 - CAN\r\nSelected Mode: 02 - CAN");
  f->lvModes.UserSelect(0);
  EXPECT_TRUE(f->btModeSelect.Enabled());
  EXPECT_TRUE(f->btModeHide.Enabled());
  EXPECT_EQ(f->edModeRun.Text(), "/usr/bin/tool");
  EXPECT_TRUE(f->btModeRun.Enabled());
  f->lvModes.UserSelect(1);
  EXPECT_FALSE(f->btModeHide.Enabled());  // "000"
  f->lvModes.UserSelect(2);
  EXPECT_FALSE(f->btModeSelect.Enabled());  // the running mode
  // Enter or a double click on the running mode does nothing.
  ui::KeyEvent enter{ui::vk::Return};
  f->lvModes.KeyDown(enter);
  f->lvModes.DblClick();
  EXPECT_FALSE(w.Ex().Running());
  // A click on empty space keeps the remembered entry selected.
  f->lvModes.UserSelect(-1);
  f->lvModes.MouseUp();
  EXPECT_EQ(f->lvModes.Selected(), &f->lvModes.Item(2));
}

}  // namespace
}  // namespace bx
