// The address, mask and port checks the WiFi and Network pages and the CLI share, and the
// WiFi page's Save with a refused value: the field marked, the reason told, nothing sent.
#include <gtest/gtest.h>

#include "core/FieldChecks.h"
#include "exchange/Identity.h"
#include "support/AdapterWorld.h"
#include "wifi/WiFiPage.h"

namespace bx {
namespace {

TEST(FieldChecks, AddressesMasksAndPortsTakeOnlyWellFormedValues) {
  struct Case {
    FieldKind kind;
    const char* text;
    bool ok;
  };
  const Case cases[] = {
      {FieldKind::IPv4, "192.168.4.1", true},
      {FieldKind::IPv4, "0.0.0.0", true},
      {FieldKind::IPv4, "255.255.255.255", true},
      {FieldKind::IPv4, "999.1.1", false},
      {FieldKind::IPv4, "300.1.2.3", false},
      {FieldKind::IPv4, "1.2.3", false},
      {FieldKind::IPv4, "1.2.3.4.5", false},
      {FieldKind::IPv4, "1.2.3.", false},
      {FieldKind::IPv4, ".1.2.3", false},
      {FieldKind::IPv4, "01.2.3.4", false},
      {FieldKind::IPv4, "1.2.3.-4", false},
      {FieldKind::IPv4, "1.2.3.4 ", false},
      {FieldKind::IPv4, "", false},
      {FieldKind::OptionalIPv4, "", true},
      {FieldKind::OptionalIPv4, "8.8.8.8", true},
      {FieldKind::OptionalIPv4, "8.8.8", false},
      {FieldKind::Port, "1", true},
      {FieldKind::Port, "65535", true},
      {FieldKind::Port, "0", false},
      {FieldKind::Port, "65536", false},
      {FieldKind::Port, "99999", false},
      {FieldKind::Port, "023", false},
      {FieldKind::Port, "+23", false},
      {FieldKind::Port, "", false},
      {FieldKind::Mask, "255.255.255.0", true},
      {FieldKind::Mask, "255.255.255.255", true},
      {FieldKind::Mask, "0.0.0.0", true},
      {FieldKind::Mask, "255.255.254.0", true},
      {FieldKind::Mask, "255.0.255.0", false},
      {FieldKind::Mask, "255.255.255.1", false},
      {FieldKind::Mask, "0.255.255.255", false},
      {FieldKind::Mask, "255.255.256.0", false},
      {FieldKind::Free, "anything at all", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FieldProblem(c.kind, c.text).empty(), c.ok) << static_cast<int>(c.kind) << " [" << c.text << "]";
  EXPECT_EQ(FieldProblem(FieldKind::Mask, "255.0.255.0"), "is no mask: its ones must come first (255.255.255.0)");
}

struct WiFiValueTest : ::testing::Test {
  test::AdapterWorld w;
  TfrmMain* f = nullptr;
  void SetUp() override {
    f = &w.StartWithPort();
    f->Modules->wifi->Show();
    w.link.onWrite = [this, echo = w.link.onWrite](const Bytes& b) {
      echo(b);
      if (StartsWith(b, "!dulMAR_SC_WC?")) w.link.Receive(test::Frame({"OK"}), false);
    };
    f->Modules->identity->ShowReply("WS:APIP=192.168.4.1&APNM=255.255.255.0&WSBP=23&SDHCP=0&STIP=10.0.0.2");
  }
};

TEST_F(WiFiValueTest, ARefusedValueIsMarkedToldAndNothingIsSent) {
  struct Case {
    ui::TEdit* field;
    const char* value;
    const char* told;
  };
  const Case cases[] = {
      {&f->edWiFi_AP_IP, "999.1.1", "the SoftAP IP \"999.1.1\" is no IPv4 address of four numbers 0-255."},
      {&f->edWiFi_AP_Mask, "255.0.255.0", "the SoftAP Mask \"255.0.255.0\" is no mask"},
      {&f->edWiFi_Bridge_Port, "99999", "the TCP Port \"99999\" is no number from 1 to 65535."},
      {&f->edWiFi_Station_IP, "10.0.0", "the Station IP \"10.0.0\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field->Name());
    const std::string before = c.field->Text();
    const std::size_t sent = w.commands.size();
    w.dialogs.messages.clear();
    f->edWiFi_Alias.UserType("Car");
    c.field->UserType(c.value);
    f->btWiFi_Save.Click();
    EXPECT_FALSE(w.Ex().Running());
    EXPECT_EQ(w.commands.size(), sent);  // not even the alias
    EXPECT_EQ(c.field->Color(), ui::clr::Refused);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_NE(w.dialogs.messages[0].text.find(c.told), std::string::npos) << w.dialogs.messages[0].text;
    EXPECT_EQ(f->lbWiFi_Status.Caption(), "Not saved: a value is refused.");
    EXPECT_TRUE(f->btWiFi_Save.Enabled());  // the changes are still there to correct
    // Corrected: the mark goes, and the save sends.
    c.field->UserType(before);
    EXPECT_EQ(c.field->Color(), ui::clr::Window);
    f->btWiFi_Save.Click();
    ASSERT_TRUE(w.RunExchange());
    EXPECT_GT(w.commands.size(), sent);
  }
}

}  // namespace
}  // namespace bx
