#include <gtest/gtest.h>

#include "exchange/PortList.h"
#include "session/AdapterSession.h"
#include "support/FormFixture.h"
#include "window/Modules.h"

namespace bx {
namespace {

struct PortListTest : ::testing::Test {
  test::FormWorld w;
  TfrmMain* f = nullptr;
  PortLists rows;
  void SetUp() override {
    f = &w.Start();
    w.ListPorts([this] { return rows; });
    f->Modules->ports->serialPrefix = "/dev/";  // as the serial links tell it
  }
  PortList& Ports() { return *f->Modules->ports; }
  void Recent(std::initializer_list<std::string> entries) {
    // Oldest first, so the last one given ends at rank 0.
    for (const auto& e : entries) f->settings.RememberPort(e);
  }
};

TEST_F(PortListTest, ItemsShowNameAndDescriptionAndUnchangedListsKeepTheChoice) {
  rows = {{"/dev/ttyUSB0", "/dev/ttyACM0"}, {"FT232R", "Brevantix"}, {"/sys/a", ""}};
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.Items(), (std::vector<std::string>{"/dev/ttyUSB0 (FT232R)", "/dev/ttyACM0 (Brevantix)"}));
  EXPECT_EQ(f->cbCOM.ItemIndex(), 0);  // nothing ever identified: the first port
  EXPECT_TRUE(f->btSearch.Enabled());
  f->cbCOM.UserSelect(-1);
  EXPECT_FALSE(f->btSearch.Enabled());
  f->cbCOM.UserSelect(1);
  EXPECT_TRUE(f->btSearch.Enabled());
  EXPECT_FALSE(f->btPortProp.Enabled());  // no device identifier
  f->cbCOM.UserSelect(0);
  EXPECT_TRUE(f->btPortProp.Enabled());
  w.loop.Advance(2000);  // four refreshes with the same ports
  EXPECT_EQ(f->cbCOM.ItemIndex(), 0);
  // A description that changes is a different list: rebuilt, and the chosen port, still
  // offered, stays chosen.
  rows.Descriptions[0] = "FT232R USB UART";
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 0);
  EXPECT_EQ(f->cbCOM.Text(), "/dev/ttyUSB0 (FT232R USB UART)");
  EXPECT_TRUE(f->btSearch.Enabled());
  // The chosen port unplugged: nothing ranked to fall back on but the first port.
  rows = {{"/dev/ttyACM0"}, {"Brevantix"}, {""}};
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 0);
  EXPECT_TRUE(f->btSearch.Enabled());
  EXPECT_FALSE(f->btPortProp.Enabled());
  EXPECT_EQ(f->memLog.Lines().back(), "Port /dev/ttyUSB0 is no longer offered; /dev/ttyACM0 is selected.");
  // Every port gone: nothing to search on.
  rows = {};
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.ItemIndex(), -1);
  EXPECT_FALSE(f->btSearch.Enabled());
  EXPECT_EQ(f->memLog.Lines().back(), "Port /dev/ttyACM0 is no longer offered.");
}

// A rebuild of the list (a port plugged in, a network device saved) keeps the port in the
// box while it is offered; only when it goes does the default rule choose, and the log and
// the status strip say so.
TEST_F(PortListTest, ARebuildKeepsTheChosenPortUntilItGoes) {
  Recent({"NET:127.0.0.1:4000 1", "/dev/pts/0 2"});  // ranks: pts/0 0, NET 1
  rows = {{"/dev/pts/0", "NET:127.0.0.1:4000"}, {"Simulated", "Net"}, {"", ""}};
  Ports().Refresh(true);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 0);  // the serial port, by the default rule
  f->cbCOM.UserSelect(1);
  // As an exchange on it leaves the session and the strip.
  f->Modules->session->ShowPort(f->cbCOM.Text());
  f->edCOM.SetText(f->cbCOM.Text());
  struct Step {
    const char* what;
    std::vector<std::string> ports;
    std::string chosen;  // "" for none
  };
  const Step steps[] = {
      {"a network device added ahead of it", {"/dev/pts/0", "NET:127.0.0.1:3999", "NET:127.0.0.1:4000"}, "NET:127.0.0.1:4000"},
      {"a serial port plugged in", {"/dev/ttyUSB0", "/dev/pts/0", "NET:127.0.0.1:4000"}, "NET:127.0.0.1:4000"},
      {"the chosen port removed", {"/dev/ttyUSB0", "/dev/pts/0"}, "/dev/pts/0"},
  };
  for (const Step& step : steps) {
    PortLists next;
    for (const auto& p : step.ports) AddPort(next, p, p.rfind("NET:", 0) == 0 ? "Net" : "Simulated", "");
    rows = next;
    w.loop.Advance(500);
    EXPECT_EQ(Ports().SelectedPortName(), step.chosen) << step.what;
    EXPECT_TRUE(f->btSearch.Enabled()) << step.what;
  }
  EXPECT_EQ(f->memLog.Lines().back(), "Port NET:127.0.0.1:4000 is no longer offered; /dev/pts/0 is selected.");
  EXPECT_EQ(f->edCOM.Text(), "NET:127.0.0.1:4000 (Net) - gone");
}

// A recent-ports value of the wrong type (not one this program wrote) reads as empty:
// the list is still built and refreshed, and the next search's port replaces the value.
TEST_F(PortListTest, AWrongTypedRecentPortIsReadAsEmpty) {
  const std::string key = f->settings.SettingsKey + "\\Ports";
  w.registry.WriteInteger(Hive::CurrentUser, key, "Port0", 7);
  rows = {{"/dev/ttyUSB0"}, {"FT232R"}, {"/sys/a"}};
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.Items(), (std::vector<std::string>{"/dev/ttyUSB0 (FT232R)"}));
  EXPECT_TRUE(f->tmrRefresh.Enabled());
  rows.Names.push_back("/dev/ttyACM0");
  rows.Descriptions.push_back("Brevantix");
  rows.Details.push_back("");
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.Items().size(), 2u);
  f->settings.RememberPort("/dev/ttyACM0 12345");
  EXPECT_EQ(w.registry.ReadString(Hive::CurrentUser, key, "Port0"), "/dev/ttyACM0 12345");
}

TEST_F(PortListTest, DefaultPortPrefersSerialThenTheMostRecent) {
  Recent({"/dev/ttyUSB0 1", "NET:10.0.0.1:23 2", "/dev/ttyACM0 3"});  // ranks: ACM0 0, NET 1, USB0 2
  rows = {{"NET:10.0.0.1:23", "/dev/ttyUSB0", "/dev/ttyS0"}, {"a", "b", "c"}, {"", "/sys/u", "/sys/s"}};
  Ports().Refresh(true);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 1);  // a serial port beats a more recent network port
  rows.Names.push_back("/dev/ttyACM0");
  rows.Descriptions.push_back("d");
  rows.Details.push_back("/sys/acm");
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 1);  // plugged in: rebuilt, and the port in the box stays
  f->cbCOM.SetItemIndex(-1);
  rows.Descriptions[3] = "e";
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 3);  // with none chosen the more recent serial port wins
  EXPECT_TRUE(f->btSearch.Enabled());
  EXPECT_TRUE(f->btPortProp.Enabled());
}

// The rule looks for the prefix the serial links tell, not one of its own.
TEST(PortListDefault, TheSerialPreferenceFollowsTheLinksPrefix) {
  struct Case {
    const char* name;
    const char* prefix;
    std::vector<std::string> recent;  // oldest first
    std::vector<std::string> ports;
    int chosen;
  };
  const Case cases[] = {
      {"a COM port beats a more recent network port",
       "COM",
       {"COM3 1", "NET:10.0.0.1:23 2"},
       {"NET:10.0.0.1:23", "COM3"},
       1},
      {"the more recent of two COM ports", "COM", {"COM7 2", "COM3 1"}, {"COM7", "COM3"}, 1},
      {"no prefix: the most recent port",
       "",
       {"/dev/ttyUSB0 1", "NET:10.0.0.1:23 2"},
       {"/dev/ttyUSB0", "NET:10.0.0.1:23"},
       1},
      {"names of another platform are not serial here",
       "/dev/",
       {"COM3 1", "NET:10.0.0.1:23 2"},
       {"COM3", "NET:10.0.0.1:23"},
       1},
  };
  for (const Case& c : cases) {
    test::FormWorld w;
    TfrmMain& f = w.Start();
    PortList& ports = *f.Modules->ports;
    ports.serialPrefix = c.prefix;
    for (const auto& e : c.recent) f.settings.RememberPort(e);
    PortLists rows;
    for (const auto& p : c.ports) AddPort(rows, p, "d", "");
    w.ListPorts([rows] { return rows; });
    ports.Refresh(true);
    EXPECT_EQ(f.cbCOM.ItemIndex(), c.chosen) << c.name;
  }
}

// An entry without its port (stored by an earlier version when the list was rebuilt during
// a search) is passed over; it used to end every lookup, so no port was preselected again.
TEST_F(PortListTest, AnEntryWithoutItsPortDoesNotEndTheRecentList) {
  Recent({"/dev/ttyACM0 3", " 12345"});  // ranks: " 12345" 0, ACM0 1
  rows = {{"/dev/ttyUSB0", "/dev/ttyACM0"}, {"a", "b"}, {"", ""}};
  Ports().Refresh(true);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 1);
  EXPECT_EQ(f->settings.RecentPortRank("/dev/ttyACM0"), 1);
}

TEST_F(PortListTest, NetworkPortIsTheDefaultWhenNoSerialPortIsRanked) {
  Recent({"NET:10.0.0.1:23 2"});
  rows = {{"/dev/ttyS0", "NET:10.0.0.1:23"}, {"a", "b"}, {"/sys/s", ""}};
  Ports().Refresh(true);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 1);
  EXPECT_FALSE(f->btPortProp.Enabled());
}

TEST_F(PortListTest, PropertiesDialogListsThePortsAttributes) {
  rows = {{"/dev/ttyUSB0"}, {"FT232R"}, {"/sys/devices/usb1/1-1"}};
  w.listed.properties = [](const std::string& name, const std::string& detail) {
    return PropertyRows{{"Device path", detail}, {"Port", name}};
  };
  Ports().Refresh(true);
  f->cbCOM.UserSelect(0);
  f->btPortProp.Click();
  ASSERT_EQ(w.dialogs.properties.size(), 1u);
  EXPECT_EQ(w.dialogs.properties[0].first, "/dev/ttyUSB0 Properties");
  EXPECT_EQ(w.dialogs.properties[0].second[0].second, "/sys/devices/usb1/1-1");
}

TEST_F(PortListTest, PreferredPortIsChosenOnceItIsListed) {
  Ports().preferred = "/dev/pts/7";
  rows = {{"/dev/ttyS0"}, {"a"}, {"/sys/s"}};
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 0);  // the first port until the preferred one is listed
  rows = {{"/dev/ttyS0", "/dev/pts/7"}, {"a", "Simulated Brevantix Adapter"}, {"/sys/s", ""}};
  w.loop.Advance(500);
  EXPECT_EQ(f->cbCOM.ItemIndex(), 1);
  EXPECT_TRUE(f->btSearch.Enabled());
  EXPECT_TRUE(Ports().preferred.empty());
}

}  // namespace
}  // namespace bx
