#include <gtest/gtest.h>

#include "support/AdapterWorld.h"
#include "system/SystemPage.h"

namespace bx {
namespace {

using test::AdapterWorld;
using test::Frame;

struct Options {
  bool msd;
  int wireless, bluetooth, wifi;
  bool operator==(const Options&) const = default;
};

Options Shown(TfrmMain& f) {
  return {f.cbSYS_MSD.Checked(), f.rgSYS_Wireless.ItemIndex(), f.rgSYS_Bluetooth.ItemIndex(), f.rgSYS_WiFi.ItemIndex()};
}

// A window whose adapter has been found: its identity carried "SI:" (so the System tab
// is there) and a battery reading (so the hidden battery button is there).
TfrmMain& Connected(AdapterWorld& w) {
  TfrmMain& f = w.StartWithPort();
  w.replies["!dulMAR_SC_I"] = Frame({"SN:1", "UB:12.5V", "SI:D0W0B0N0L1"});
  f.btSearch.Click();
  EXPECT_TRUE(w.RunExchange());
  EXPECT_TRUE(f.tsSystem.TabVisible());
  w.commands.clear();
  return f;
}

TEST(SystemPage, ReadAppliesTheSystemInfoAndFollowsItWithTheWiFiPage) {
  AdapterWorld w;
  TfrmMain& f = Connected(w);
  w.replies["!dulMAR_SC_S"] = Frame({"SI:D1W2B1N1L0"});
  f.btSYS_Read.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.commands, std::vector<Bytes>{"!dulMAR_SC_S"});
  EXPECT_EQ(Shown(f), (Options{true, 2, 1, 1}));
  EXPECT_TRUE(f.tsSystem.TabVisible());
  EXPECT_TRUE(f.tsWiFi.TabVisible());
  EXPECT_FALSE(f.btSYS_Save.Enabled());  // the reader's own selections are no user change
  EXPECT_EQ(f.memSYS.Lines(), std::vector<std::string>{"System settings read."});

  // The hidden battery button reads the same way.
  w.replies["!dulMAR_SC_S"] = Frame({"SI:D0W2B0N2L0"});
  ASSERT_TRUE(f.btPower.Usable());
  f.btPower.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.commands.size(), 2u);
  EXPECT_EQ(Shown(f), (Options{false, 2, 0, 2}));
  EXPECT_FALSE(f.tsWiFi.TabVisible());
}

TEST(SystemPage, PayloadEdgeCases) {
  AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  SystemPage& page = *f.Modules->system;

  page.SystemInfo("D1W2B1N1L0");
  ASSERT_TRUE(f.tsWiFi.TabVisible());
  page.SystemInfo("D1W2B1N1");  // no L: hidden whatever the bridge firmware
  EXPECT_FALSE(f.tsWiFi.TabVisible());
  page.SystemInfo("N1L7");  // an L outside 0-2 counts as absent
  EXPECT_FALSE(f.tsWiFi.TabVisible());

  page.SystemInfo("B2");
  page.SystemInfo("B7");
  EXPECT_EQ(f.rgSYS_Bluetooth.ItemIndex(), 2);

  page.SystemInfo("D0");
  page.SystemInfo("D1W");  // odd length: D applies, the lone W is ignored
  EXPECT_TRUE(f.cbSYS_MSD.Checked());
  EXPECT_EQ(f.rgSYS_Wireless.ItemIndex(), 2);

  page.SystemInfo("X1Q2W0");  // unknown letters are skipped pair by pair
  EXPECT_EQ(f.rgSYS_Wireless.ItemIndex(), 0);
  page.SystemInfo("");
  EXPECT_FALSE(f.btSYS_Save.Enabled());
}

TEST(SystemPage, UserChangesEnableSaveWhichSendsTheOptions) {
  AdapterWorld w;
  TfrmMain& f = Connected(w);
  f.Modules->system->SystemInfo("D1W0B0N1");
  ASSERT_FALSE(f.btSYS_Save.Enabled());
  f.cbSYS_MSD.Click();
  EXPECT_TRUE(f.btSYS_Save.Enabled());
  f.rgSYS_Wireless.UserSelect(1);
  f.rgSYS_Bluetooth.UserSelect(2);
  f.rgSYS_WiFi.UserSelect(0);
  EXPECT_EQ(f.Modules->system->SaveCommand(), "SD0W1B2N0");

  w.replies["!dulMAR_SC_SD0W1B2N0"] = Frame({"OK"});
  f.btSYS_Save.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.commands, std::vector<Bytes>{"!dulMAR_SC_SD0W1B2N0"});
  EXPECT_TRUE(f.btSYS_Save.Enabled());  // no "SI:" came back yet

  f.Modules->system->Reset();
  EXPECT_FALSE(f.btSYS_Save.Enabled());
  EXPECT_FALSE(f.tsSystem.TabVisible());
  EXPECT_EQ(Shown(f), (Options{false, 0, 0, 0}));
}

// Read and Save say in the page's log what came of them; the options shown are the
// adapter's, so a save it did not wholly take says what it kept.
TEST(SystemPage, ReadAndSaveWriteTheirResultInTheLog) {
  struct Case {
    const char* name;
    bool save;
    std::vector<std::string> reply;  // empty: no reply at all
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"read", false, {"SI:D1W2B1N1L1"}, {"System settings read."}},
      {"read, no settings in the reply",
       false,
       {"ERROR: busy"},
       {"No system settings in the adapter's reply:", "ERROR: busy"}},
      {"read, no reply", false, {}, {"No reply from the adapter."}},
      {"save taken", true, {"SI:D1W1B2N0L1"}, {"System settings saved."}},
      {"save taken in part",
       true,
       {"ERROR: HC-02 not fitted", "SI:D1W1B1N0L1"},
       {"The adapter kept other settings: sent SD1W1B2N0, it reports SD1W1B1N0."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AdapterWorld w;
    TfrmMain& f = Connected(w);
    f.cbSYS_MSD.Click();
    f.rgSYS_Wireless.UserSelect(1);
    f.rgSYS_Bluetooth.UserSelect(2);
    const std::string command = c.save ? "!dulMAR_SC_SD1W1B2N0" : "!dulMAR_SC_S";
    if (!c.reply.empty()) w.replies[command] = Frame(c.reply);
    (c.save ? f.btSYS_Save : f.btSYS_Read).Click();
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(w.commands, std::vector<Bytes>{command});
    EXPECT_EQ(f.memSYS.Lines(), c.log);
  }
}

}  // namespace
}  // namespace bx
