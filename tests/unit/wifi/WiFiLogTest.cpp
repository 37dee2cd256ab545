// The WiFi and System logs show what the adapter answers as it arrives, also a reply that
// stops half-way, and never a WiFi key in clear.
#include <gtest/gtest.h>

#include "support/AdapterWorld.h"
#include "wifi/WiFiPage.h"

namespace bx {
namespace {

using test::AdapterWorld;
using test::Frame;
using Lines = std::vector<std::string>;

struct WiFiLogTest : ::testing::Test {
  AdapterWorld w;
  TfrmMain* f = nullptr;
  void SetUp() override {
    f = &w.StartWithPort();
    f->Modules->wifi->Show();
    f->tsSystem.SetTabVisible(true);
  }
};

TEST_F(WiFiLogTest, TheChipsetLogShowsWhatArrivedAlsoWhenTheReplyStops) {
  struct Case {
    const char* name;
    Bytes reply;
    Lines log;
    bool timedOut;
  };
  const Case cases[] = {
      {"a whole reply", Frame({"Updating chip", "OK"}), {"Updating chip", "OK"}, false},
      {"stops after a line", "\r\nUpdating chip\r\n", {"Updating chip"}, true},
      {"stops inside a line", "\r\nUpdating chip\r\nstep 2", {"Updating chip", "step 2"}, true},
      {"stops inside a line end", "\r\nUpdating chip\r", {"Updating chip"}, true},
      {"noise and no frame", "xyz", {}, true},
      {"silence", "", {}, true},
      {"an empty reply", "\r\n\r\n", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    w.dialogs.messages.clear();
    w.replies["!dulMAR_SC_WU"] = c.reply;
    f->btWiFi_Update.Click();
    ASSERT_TRUE(w.RunExchange());
    Lines log = c.log;
    if (c.timedOut) log.push_back("No complete reply from the adapter.");
    EXPECT_EQ(f->memSYS.Lines(), log);
    EXPECT_EQ(w.dialogs.messages.size(), c.timedOut ? 1u : 0u);
  }
}

TEST_F(WiFiLogTest, LinesShowWhileTheReplyIsStillComing) {
  f->btWiFi_Update.Click();
  w.loop.Advance(50);
  w.link.Receive("\r\nErasing\r\nWrit", false);
  w.loop.Advance(20);
  EXPECT_TRUE(w.Ex().Running());
  EXPECT_EQ(f->memSYS.Lines(), Lines{"Erasing"});
  w.link.Receive("ing\r\n\r\n", false);
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f->memSYS.Lines(), (Lines{"Erasing", "Writing"}));
}

// The key fields are masked; their values in the log, and so in "Copy to Buffer", too.
TEST_F(WiFiLogTest, KeysAreMaskedInTheLogAndWhatIsCopiedFromIt) {
  w.replies["!dulMAR_SC_WC"] = Frame({"WS:ALIAS=Car&APPW=s%20cret&STAP=Net&STPW=other", "APPW=echoed"});
  f->btWiFi_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f->edWiFi_AP_Password.Text(), "s cret");
  EXPECT_EQ(f->edWiFi_Station_Password.Text(), "other");
  EXPECT_EQ(f->memLogWiFi.Lines(), (Lines{"WS:ALIAS=Car&APPW=******&STAP=Net&STPW=*****", "APPW=******"}));
  f->tsWiFi_Scan.SetTabVisible(true);
  f->btCopyWiFi.Click();
  EXPECT_EQ(w.clipboard.Text().find("cret"), std::string::npos) << w.clipboard.Text();
  EXPECT_EQ(w.clipboard.Text().find("other"), std::string::npos);
}

}  // namespace
}  // namespace bx
