// During an upload the other pages stay usable, but the adapter is the updater's: every
// page action that would send a command is refused where the user sees it, and the page
// keeps what it shows.
#include <gtest/gtest.h>

#include <functional>

#include "UpdateWorld.h"
#include "exchange/Identity.h"
#include "wifi/WiFiPage.h"
#include "wifi/WiFiScan.h"

namespace bx::test {
namespace {

struct Action {
  const char* name;
  std::function<void(TfrmMain&)> before;  // the page's state worth keeping
  std::function<void(TfrmMain&)> act;
  std::function<void(TfrmMain&)> kept;                       // the state is still there
  std::function<std::string(TfrmMain&, FakeDialogs&)> told;  // where the refusal shows
};

std::string LastLine(const ui::TMemo& m) { return m.Lines().empty() ? std::string() : m.Lines().back(); }
std::string LastMessage(TfrmMain&, FakeDialogs& d) {
  return d.messages.empty() ? std::string() : d.messages.back().text;
}

const Action kActions[] = {
    {"WiFi Read", [](TfrmMain& f) { f.edWiFi_Alias.UserType("Kept"); }, [](TfrmMain& f) { f.btWiFi_Read.Click(); },
     [](TfrmMain& f) {
       EXPECT_EQ(f.edWiFi_Alias.Text(), "Kept");
       EXPECT_EQ(f.memLogWiFi.Text(), "old\r\n");
       EXPECT_TRUE(f.btWiFi_Save.Enabled());
     },
     LastMessage},
    {"WiFi Save", [](TfrmMain& f) { f.edWiFi_Alias.UserType("Kept"); }, [](TfrmMain& f) { f.btWiFi_Save.Click(); },
     [](TfrmMain& f) {
       EXPECT_TRUE(f.btWiFi_Save.Enabled());
       EXPECT_EQ(f.edWiFi_Alias.Tag, 1);
     },
     LastMessage},
    {"chipset Update", nullptr, [](TfrmMain& f) { f.btWiFi_Update.Click(); },
     [](TfrmMain& f) { EXPECT_EQ(f.memSYS.Lines().front(), "old"); },
     [](TfrmMain& f, FakeDialogs&) { return LastLine(f.memSYS); }},
    {"chipset Factory Reset", nullptr, [](TfrmMain& f) { f.btWiFi_Factory_Reset.Click(); },
     [](TfrmMain& f) { EXPECT_EQ(f.memSYS.Lines().front(), "old"); },
     [](TfrmMain& f, FakeDialogs&) { return LastLine(f.memSYS); }},
    {"Rescan", [](TfrmMain& f) { f.Modules->wifi->Scan().AccessPoint('1', "6,-58,3,A0:B1,\"Garage\""); },
     [](TfrmMain& f) { f.btWiFi_Scan_Run.Click(); }, [](TfrmMain& f) { EXPECT_EQ(f.lvWiFi_Scan_AP.Count(), 1); },
     [](TfrmMain& f, FakeDialogs&) { return LastLine(f.memLogWiFi); }},
    {"System Read", nullptr, [](TfrmMain& f) { f.btSYS_Read.Click(); },
     [](TfrmMain& f) { EXPECT_EQ(f.memSYS.Lines().front(), "old"); },
     [](TfrmMain& f, FakeDialogs&) { return LastLine(f.memSYS); }},
    {"System Save", [](TfrmMain& f) { f.rgSYS_Wireless.UserSelect(2); }, [](TfrmMain& f) { f.btSYS_Save.Click(); },
     [](TfrmMain& f) {
       EXPECT_TRUE(f.btSYS_Save.Enabled());
       EXPECT_EQ(f.rgSYS_Wireless.ItemIndex(), 2);
     },
     [](TfrmMain& f, FakeDialogs&) { return LastLine(f.memSYS); }},
    {"Update Reset", nullptr, [](TfrmMain& f) { f.btReset.Click(); }, nullptr,
     [](TfrmMain& f, FakeDialogs&) { return LastLine(f.memUpdate); }},
    {"Test Run", nullptr, [](TfrmMain& f) { f.btRunTest.Click(); },
     [](TfrmMain& f) { EXPECT_EQ(f.memLogTest.Lines().front(), "old"); },
     [](TfrmMain& f, FakeDialogs&) { return LastLine(f.memLogTest); }},
    {"Install Driver", [](TfrmMain& f) { f.Modules->identity->TakeRecordLines({"PT:1.0.0.0"}); },
     [](TfrmMain& f) { f.btJ2534_Install.Click(); }, nullptr,
     [](TfrmMain& f, FakeDialogs&) { return LastLine(f.memJ2534); }},
};

const char* const kRefusals[] = {"Read", "Save", "Update", "Factory Reset", "Rescan",
                                 "Read", "Save", "Reset",  "Run",           "Install Driver"};

TEST(RefusedDuringUpload, EveryPageCommandIsRefusedVisiblyAndThePageKeepsItsState) {
  static_assert(std::size(kActions) == std::size(kRefusals));
  for (std::size_t i = 0; i < std::size(kActions); ++i) {
    const Action& a = kActions[i];
    SCOPED_TRACE(a.name);
    UpdateWorld w;
    TfrmMain& f = w.StartAdapter();
    w.promptAfterMs = -1;  // the bootloader never prompts: the upload waits
    ASSERT_TRUE(w.Identify());
    w.ChooseFile(Pattern(80 + 184 + 256 * 4));
    f.Modules->wifi->Show();
    f.tsSystem.SetTabVisible(true);
    f.tsTest.SetTabVisible(true);
    f.tsWiFi_Scan.SetTabVisible(true);
    f.memLogWiFi.SetText("old\r\n");
    f.memSYS.SetText("old\r\n");
    f.memLogTest.SetText("old\r\n");
    if (a.before) a.before(f);
    f.btUpdateRun.Click();
    ASSERT_TRUE(w.loop.AdvanceUntil([&] { return w.Ex().State() == ExchangeState::UpdateRunning; }, 2000, 10));
    ASSERT_TRUE(f.pcOptions.Enabled());
    const std::size_t written = w.link.writes.size();
    const std::size_t asked = w.dialogs.messages.size();

    a.act(f);
    w.loop.Advance(1000);

    EXPECT_EQ(w.link.writes.size(), written);  // nothing reached the adapter
    EXPECT_EQ(a.told(f, w.dialogs), BusyRefusal(kRefusals[i]));
    EXPECT_LE(w.dialogs.messages.size(), asked + 1);  // no question before the refusal
    if (a.kept) a.kept(f);
    EXPECT_EQ(w.Ex().State(), ExchangeState::UpdateRunning);
    EXPECT_TRUE(w.Updater().IsRunning());
  }
}

}  // namespace
}  // namespace bx::test
