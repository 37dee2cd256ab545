// The Network page's device list against the in-memory store, scripted dialogs and a
// scripted search.
#include <gtest/gtest.h>

#include "core/Bytes.h"
#include "netdev/NetworkPage.h"
#include "support/FormFixture.h"
#include "window/Modules.h"

namespace bx {
namespace {

const std::string kNetKey = std::string(kSettingsKey) + "\\Network";
const NetDevice kGarage{"Garage unit", "A0:B1:C2:D3:E4:F5", "192.168.4.1", "23"};
const NetDevice kBench{"Bench", "", "10.0.0.9", "2323"};

class FakeSearcher : public NetworkSearcher {
 public:
  void Start(const std::string& target) override { targets.push_back(target); }
  void Stop() override {}
  bool Running() const override { return false; }
  std::vector<std::string> targets;
};

struct NetworkPageTest : ::testing::Test {
  test::FormWorld w;
  FakeSearcher searcher;
  TfrmMain* f = nullptr;

  void Store(const std::vector<std::string>& lines) { DeviceStore(w.registry, kSettingsKey).WriteLines(lines); }
  void Start(const std::vector<std::string>& stored = {}) {
    Store(stored);
    f = &w.Start();
    Page().SetSearcher(&searcher);
  }
  NetworkPage& Page() { return *f->Modules->network; }
  NetworkControls& N() { return *f; }
  std::optional<std::string> Stored(Hive h, int n) {
    return w.registry.ReadString(h, kNetKey, "Net" + std::to_string(n));
  }
  std::vector<std::string> StoredLines(Hive h) {
    std::vector<std::string> lines;
    while (auto v = Stored(h, static_cast<int>(lines.size()))) lines.push_back(*v);
    return lines;
  }
  std::vector<int> Marks() {
    std::vector<int> marks;
    for (int i = 0; i < Page().RowCount(); ++i) marks.push_back(Page().RowMark(i));
    return marks;
  }
  void Type(const std::string& ip, const std::string& port, const std::string& name) {
    N().edNetwork_IP.UserType(ip);
    N().edNetwork_Port.UserType(port);
    N().edNetwork_Name.UserType(name);
  }
  void Fields(const std::string& ip, const std::string& port, const std::string& name) {
    N().edNetwork_IP.SetText(ip);
    N().edNetwork_Port.SetText(port);
    N().edNetwork_Name.SetText(name);
  }
};

// The older values may be missing from the per-user hive: the network link reads the
// machine hive, so they must go from there too.
TEST_F(NetworkPageTest, SavingThreeRowsOverFiveRemovesTheSurplusFromBothHives) {
  for (bool userHiveHasThem : {true, false}) {
    SCOPED_TRACE(userHiveHasThem ? "both hives" : "machine hive only");
    w.form.reset();
    w.registry.DeleteKey(Hive::CurrentUser, kNetKey);
    w.registry.DeleteKey(Hive::LocalMachine, kNetKey);
    std::vector<std::string> five;
    for (int i = 0; i < 5; ++i)
      five.push_back("Unit" + std::to_string(i) + " M" + std::to_string(i) + " 10.0.0." + std::to_string(i) + " 23");
    Start(five);
    if (!userHiveHasThem)
      for (int n = 0; n < 5; ++n) w.registry.DeleteValue(Hive::CurrentUser, kNetKey, "Net" + std::to_string(n));
    w.registry.WriteString(Hive::LocalMachine, kNetKey, "Net7", "past a gap 10.0.0.7 23");
    for (int row : {4, 1}) {
      N().lvNetDevices.UserSelect(row);
      w.dialogs.answers.push_back(mb::IdYes);
      N().btNetwork_Delete.Click();
    }
    N().btNetwork_Save.Click();
    const std::vector<std::string> expected{five[0], five[2], five[3]};
    for (Hive h : {Hive::CurrentUser, Hive::LocalMachine}) {
      EXPECT_EQ(StoredLines(h), expected) << HiveName(h);
      for (int n : {3, 4, 7}) EXPECT_FALSE(Stored(h, n)) << HiveName(h) << " Net" << n;
    }
  }
}

TEST_F(NetworkPageTest, ADisabledRowThatAnsweredIsSavedWithTildeAndComesBackDisabled) {
  Start({StoredLine(kGarage, true)});
  N().btUDP_Search.Click();
  Page().DeviceFound(kGarage);
  EXPECT_EQ(Marks(), std::vector<int>{kMarkDisabledFound});
  EXPECT_FALSE(N().btNetwork_Save.Enabled());  // an answer of a listed device changes nothing stored
  Page().SaveList();
  EXPECT_EQ(Stored(Hive::LocalMachine, 0), "~" + FormatDeviceLine(kGarage));
  EXPECT_EQ(Marks(), std::vector<int>{kMarkDisabled});
  Page().LoadList();
  EXPECT_EQ(Marks(), std::vector<int>{kMarkDisabled});
}

TEST_F(NetworkPageTest, AddingARowThatIsListedWithoutMacMarksItFound) {
  Start({FormatDeviceLine(kBench)});
  Type(kBench.IP, kBench.Port, kBench.Name);
  ASSERT_TRUE(N().btNetwork_Add.Enabled());
  N().btNetwork_Add.Click();
  EXPECT_EQ(Page().RowCount(), 1);
  EXPECT_EQ(Marks(), std::vector<int>{kMarkFound});
  EXPECT_FALSE(N().btNetwork_Save.Enabled());

  Type("10.0.0.10", "23", "");
  N().btNetwork_Add.Click();
  ASSERT_EQ(Page().RowCount(), 2);
  EXPECT_EQ(Page().Row(1), (NetDevice{"", "", "10.0.0.10", "23"}));
  EXPECT_EQ(Page().RowMark(1), kMarkNew);
  EXPECT_TRUE(N().lvNetDevices.Item(1).Selected());
  EXPECT_TRUE(N().btNetwork_Save.Enabled());
  Page().SaveList();
  EXPECT_EQ(Stored(Hive::LocalMachine, 1), "  10.0.0.10 23");
  Page().LoadList();
  EXPECT_EQ(Page().Row(1), (NetDevice{"", "", "10.0.0.10", "23"}));
}

TEST_F(NetworkPageTest, ASecondSearchMarksOnlyTheDevicesThatAnswerIt) {
  Start({FormatDeviceLine(kGarage), StoredLine(kBench, true)});
  N().btUDP_Search.Click();
  Page().DeviceFound(kGarage);
  Page().DeviceFound(kBench);
  EXPECT_EQ(Marks(), (std::vector<int>{kMarkFound, kMarkDisabledFound}));
  N().btUDP_Search.Click();
  EXPECT_EQ(Marks(), (std::vector<int>{kMarkNone, kMarkDisabled}));
  const NetDevice stranger{"Shed", "11:22", "192.168.4.9", "23"};
  Page().DeviceFound(stranger);
  EXPECT_EQ(Marks(), (std::vector<int>{kMarkNone, kMarkDisabled, kMarkNew}));
  EXPECT_EQ(searcher.targets, (std::vector<std::string>{"255.255.255.255", "255.255.255.255"}));
}

// Search's "No" reloads the stored list; Find's keeps the unsaved edits for later.
TEST_F(NetworkPageTest, SaveChangesBeforeASearchHasThreeAnswers) {
  struct Case {
    const char* name;
    int answer;
    int rows, stored;
    bool started;
  } cases[] = {{"Yes saves", mb::IdYes, 2, 2, true},
               {"No reloads", mb::IdNo, 1, 1, true},
               {"Cancel keeps the edits and starts nothing", mb::IdCancel, 2, 1, false}};
  for (bool find : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (find ? ", Find" : ", Search"));
      w.form.reset();
      searcher.targets.clear();
      Start({FormatDeviceLine(kGarage)});
      Type(kBench.IP, kBench.Port, kBench.Name);
      N().btNetwork_Add.Click();
      w.dialogs.answers.push_back(c.answer);
      if (find) {
        N().lvNetDevices.UserSelect(0);
        N().btNetwork_Find.Click();
      } else {
        N().btUDP_Search.Click();
      }
      ASSERT_FALSE(w.dialogs.messages.empty());
      EXPECT_EQ(w.dialogs.messages.back().text, "Save the changes on the Network page?");
      EXPECT_EQ(w.dialogs.messages.back().caption, f->ApplicationTitle() + " - Network Search...");
      EXPECT_EQ(w.dialogs.messages.back().flags, mb::YesNoCancel | mb::IconQuestion);
      const bool kept = c.answer == mb::IdCancel || (find && c.answer == mb::IdNo);
      EXPECT_EQ(Page().RowCount(), kept ? 2 : c.rows);
      EXPECT_EQ(static_cast<int>(StoredLines(Hive::LocalMachine).size()), c.stored);
      const std::string target = find ? kGarage.IP : NetworkPage::kSearchAll;
      EXPECT_EQ(searcher.targets, c.started ? std::vector<std::string>{target} : std::vector<std::string>{});
      EXPECT_EQ(N().btNetwork_Save.Enabled(), kept);
    }
  }
}

TEST_F(NetworkPageTest, EnterOrSpaceFindsTheRowAndWithCtrlOpensItsWebPage) {
  struct Case {
    const char* name;
    int key;
    bool ctrl;
    bool opens;
  } cases[] = {{"Enter", ui::vk::Return, false, false},
               {"Space", ui::vk::Space, false, false},
               {"Ctrl+Enter", ui::vk::Return, true, true},
               {"Ctrl+Space", ui::vk::Space, true, true}};
  Start({FormatDeviceLine(kGarage)});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    searcher.targets.clear();
    w.shell.calls.clear();
    N().lvNetDevices.UserSelect(0);
    ui::KeyEvent e{c.key, c.ctrl};
    N().lvNetDevices.KeyDown(e);
    EXPECT_EQ(e.key, 0);
    EXPECT_EQ(w.shell.calls.size(), c.opens ? 1u : 0u);
    if (c.opens) {
      EXPECT_EQ(w.shell.calls[0].target, "http://192.168.4.1/");
    }
    EXPECT_EQ(searcher.targets, c.opens ? std::vector<std::string>{} : std::vector<std::string>{"192.168.4.1"});
  }
  Page().DeviceFound(kBench);
  searcher.targets.clear();
  N().lvNetDevices.UserSelect(1);
  ui::KeyEvent fresh{ui::vk::Return, false};
  N().lvNetDevices.KeyDown(fresh);
  EXPECT_TRUE(searcher.targets.empty());  // a new row cannot be looked for before it is saved
  N().lvNetDevices.UserSelect(-1);
  ui::KeyEvent e{ui::vk::Return, false};
  N().lvNetDevices.KeyDown(e);
  EXPECT_EQ(e.key, ui::vk::Return);  // no row: the key keeps its meaning
  N().lvNetDevices.UserSelect(0);
  N().lvNetDevices.DblClick();
  EXPECT_EQ(w.shell.calls.back().target, "http://192.168.4.1/");
}

TEST_F(NetworkPageTest, AStoredLineThatIsNoDeviceLineIsKeptAtTheNextSave) {
  Start({FormatDeviceLine(kGarage), "not a device", "~nor-this"});
  EXPECT_EQ(Page().RowCount(), 1);
  EXPECT_EQ(N().memLog_Network.Lines(),
            (std::vector<std::string>{FormatDeviceLine(kGarage), "not a device", "nor-this"}));
  Type(kBench.IP, kBench.Port, kBench.Name);
  N().btNetwork_Add.Click();
  Page().SaveList();
  const std::vector<std::string> expected{FormatDeviceLine(kGarage), FormatDeviceLine(kBench), "not a device",
                                          "~nor-this"};
  EXPECT_EQ(StoredLines(Hive::CurrentUser), expected);
  EXPECT_EQ(StoredLines(Hive::LocalMachine), expected);
  Page().LoadList();
  Page().SaveList();
  EXPECT_EQ(StoredLines(Hive::LocalMachine), expected);
}

// Another window on the same store saves between this page's load and its save: its new
// device stays, its deletion stays, this page's edit of a device wins, and this page's rows
// become the merged list with the selected row still selected.
TEST_F(NetworkPageTest, SavingKeepsWhatAnotherWindowSavedSinceTheListWasLoaded) {
  const NetDevice shed{"Shed", "", "10.0.0.7", "23"};
  Start({FormatDeviceLine(kGarage), FormatDeviceLine(kBench)});
  ui::TPageControl pages("pcOther", nullptr);
  NetworkControls otherControls(pages);
  NetworkPage other(
      otherControls,
      NetworkServices{w.registry, kSettingsKey, [](const std::string&, const std::string&, int) { return mb::IdYes; },
                      nullptr, nullptr});
  // That page's handlers, as its window would run them.
  auto select = [&](int row) {
    otherControls.lvNetDevices.UserSelect(row);
    other.lvNetDevicesSelectItem();
  };
  auto type = [&](const std::string& ip, const std::string& port, const std::string& name) {
    otherControls.edNetwork_IP.SetText(ip);
    otherControls.edNetwork_Port.SetText(port);
    otherControls.edNetwork_Name.SetText(name);
    other.edNetworkChange();
  };
  other.LoadList();
  select(0);
  type(kGarage.IP, kGarage.Port, "Garage (theirs)");
  other.btNetwork_UpdateClick();
  select(1);
  other.btNetwork_DeleteClick();
  type(shed.IP, shed.Port, shed.Name);
  other.btNetwork_AddClick();
  other.SaveList();

  N().lvNetDevices.UserSelect(0);
  N().edNetwork_Name.UserType("Garage (mine)");
  N().btNetwork_Update.Click();
  Page().SaveList();
  const std::vector<std::string> expected{"Garage (mine) A0:B1:C2:D3:E4:F5 192.168.4.1 23", FormatDeviceLine(shed)};
  EXPECT_EQ(StoredLines(Hive::LocalMachine), expected);
  EXPECT_EQ(StoredLines(Hive::CurrentUser), expected);
  ASSERT_EQ(Page().RowCount(), 2);
  EXPECT_EQ(Page().Row(1), shed);
  ASSERT_NE(N().lvNetDevices.Selected(), nullptr);
  EXPECT_EQ(N().lvNetDevices.Selected()->Index(), 0);
  EXPECT_FALSE(N().btNetwork_Save.Enabled());

  // The other window saves again from its older list: the edit made here is kept.
  select(1);
  other.btNetwork_StateClick();
  other.SaveList();
  EXPECT_EQ(StoredLines(Hive::LocalMachine),
            (std::vector<std::string>{"Garage (mine) A0:B1:C2:D3:E4:F5 192.168.4.1 23", "~" + FormatDeviceLine(shed)}));
}

TEST_F(NetworkPageTest, ClosingAsksAndYesHasSavedWhenTheWindowIsGone) {
  Start({FormatDeviceLine(kGarage)});
  Type(kBench.IP, kBench.Port, kBench.Name);
  N().btNetwork_Add.Click();
  w.dialogs.answers.push_back(mb::IdCancel);
  EXPECT_FALSE(w.Close());
  EXPECT_EQ(StoredLines(Hive::LocalMachine).size(), 1u);
  w.dialogs.answers.push_back(mb::IdYes);
  EXPECT_TRUE(w.Close());
  EXPECT_EQ(w.form, nullptr);
  const std::vector<std::string> both{FormatDeviceLine(kGarage), FormatDeviceLine(kBench)};
  for (Hive h : {Hive::CurrentUser, Hive::LocalMachine}) EXPECT_EQ(StoredLines(h), both) << HiveName(h);

  Start(both);
  N().lvNetDevices.UserSelect(0);
  N().btNetwork_State.Click();
  w.dialogs.answers.push_back(mb::IdNo);
  EXPECT_TRUE(w.Close());
  EXPECT_EQ(StoredLines(Hive::LocalMachine), both);
}

TEST_F(NetworkPageTest, TheSelectedRowsMarkDecidesTheButtons) {
  Start({FormatDeviceLine(kGarage), StoredLine(kBench, true)});
  Page().DeviceFound({"Shed", "11:22", "192.168.4.9", "23"});
  struct Case {
    int row;
    bool find, state;
    const char* caption;
  } cases[] = {{0, true, true, "Disable"}, {1, true, true, "Enable"}, {2, false, false, "Enable"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    N().lvNetDevices.UserSelect(c.row);
    EXPECT_EQ(N().edNetwork_IP.Text(), Page().Row(c.row).IP);
    EXPECT_EQ(N().edNetwork_Port.Text(), Page().Row(c.row).Port);
    EXPECT_EQ(N().edNetwork_Name.Text(), Page().Row(c.row).Name);
    EXPECT_EQ(N().btNetwork_Find.Enabled(), c.find);
    EXPECT_EQ(N().btNetwork_State.Enabled(), c.state);
    EXPECT_EQ(N().btNetwork_State.Caption(), c.caption);
    EXPECT_TRUE(N().btNetwork_Config.Enabled());
    EXPECT_TRUE(N().btNetwork_Delete.Enabled());
    EXPECT_FALSE(N().btNetwork_Add.Enabled());
    EXPECT_FALSE(N().btNetwork_Update.Enabled());
  }
  N().lvNetDevices.UserSelect(-1);
  EXPECT_EQ(N().edNetwork_IP.Text(), "");
  for (ui::TButton* b : {&N().btNetwork_Find, &N().btNetwork_Config, &N().btNetwork_Delete, &N().btNetwork_State})
    EXPECT_FALSE(b->Enabled()) << b->Name();
}

TEST_F(NetworkPageTest, EditFieldsNeedIpAndPortAndUpdateNeedsARow) {
  Start({FormatDeviceLine(kGarage)});
  Type("10.0.0.1", "", "Name only");
  EXPECT_FALSE(N().btNetwork_Add.Enabled());
  N().edNetwork_Port.UserType("23");
  EXPECT_TRUE(N().btNetwork_Add.Enabled());
  EXPECT_FALSE(N().btNetwork_Update.Enabled());
  N().lvNetDevices.UserSelect(0);
  N().edNetwork_Name.SetText("Renamed");
  EXPECT_TRUE(N().btNetwork_Update.Enabled());
  N().btNetwork_Update.Click();
  EXPECT_EQ(Page().Row(0), (NetDevice{"Renamed", kGarage.MAC, kGarage.IP, kGarage.Port}));
  EXPECT_EQ(Page().RowMark(0), kMarkNone);
  EXPECT_FALSE(N().btNetwork_Update.Enabled());
  EXPECT_FALSE(N().btNetwork_Add.Enabled());
  EXPECT_TRUE(N().btNetwork_Save.Enabled());
}

// A space in IP or Port would shift the fields of the stored line, and a name beginning
// with "~" would read back as a disabled device: such a row would come back as another
// device after a save.
TEST_F(NetworkPageTest, AddAndUpdateWantRowsThatReadBackAsTheyAre) {
  struct Case {
    const char* ip;
    const char* port;
    const char* name;
    bool offered;
  } cases[] = {{"10.0.0.1", "23", "Any name", true},   {"host.example", "x", "Any name", true},
               {"10.0.0.1 ", "23", "Any name", false}, {"10.0.0.1", "2 3", "Any name", false},
               {"", "23", "Any name", false},          {"10.0.0.1", "", "Any name", false},
               {"10.0.0.1", "23", "~Shed", false},     {"10.0.0.1", "23", "Shed ~2", true}};
  Start({FormatDeviceLine(kGarage)});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("[") + c.ip + "][" + c.port + "][" + c.name + "]");
    N().lvNetDevices.UserSelect(0);
    Fields(c.ip, c.port, c.name);
    EXPECT_EQ(N().btNetwork_Add.Enabled(), c.offered);
    EXPECT_EQ(N().btNetwork_Update.Enabled(), c.offered);
  }
}

// The network link opens a dotted IPv4 address and a port 1-65535: anything else typed in,
// or heard in a search answer, is told in the page's log and never becomes a row.
TEST_F(NetworkPageTest, EntriesThatCannotBeOpenedAreNeitherAddedNorListed) {
  struct Case {
    NetDevice device;
    const char* why;
  } cases[] = {
      {{"A", "", "10.0.0.1", "0"}, "the port \"0\" is no number from 1 to 65535"},
      {{"A", "", "10.0.0.1", "65536"}, "the port \"65536\""},
      {{"A", "", "10.0.0.1", "-1"}, "the port \"-1\""},
      {{"A", "", "10.0.0.1", "023"}, "the port \"023\""},
      {{"A", "", "fe80::1", "23"}, "the IP address \"fe80::1\" is no IPv4 address"},
      {{"A", "", "", "23"}, "the IP address \"\""},
      {{"A", "", "10.0.0", "23"}, "the IP address"},
      {{"A", "", "10.0.0.1.5", "23"}, "the IP address"},
      {{"A", "", "10.0.0.300", "23"}, "the IP address"},
      {{"A", "", "host.example", "23"}, "the IP address"},
      {{"A", "", std::string("10.0.0.1\0", 9), "23"}, "the IP address"},
      {{"A", "", "10.0.0.1", std::string("23\0", 3)}, "the port"},
      {{std::string("A\0B", 3), "", "10.0.0.1", "23"}, "the name holds control characters"},
      {{"A", "AA BB", "10.0.0.1", "23"}, "the MAC address"},
  };
  Start({});
  for (const Case& c : cases) {
    SCOPED_TRACE(Printable(FormatDeviceLine(c.device)));
    N().memLog_Network.Clear();
    Page().DeviceFound(c.device);
    ASSERT_EQ(Page().RowCount(), 0);
    ASSERT_FALSE(N().memLog_Network.Lines().empty());
    EXPECT_EQ(N().memLog_Network.Lines().back().find(std::string("Answer not listed: ") + c.why), 0u)
        << N().memLog_Network.Lines().back();
    Fields(c.device.IP, c.device.Port, c.device.Name);
    if (!c.device.MAC.empty() || !N().btNetwork_Add.Enabled()) continue;  // not offered at all
    N().btNetwork_Add.Click();
    EXPECT_EQ(Page().RowCount(), 0);
    EXPECT_EQ(N().memLog_Network.Lines().back().find(std::string("Not added: ") + c.why), 0u)
        << N().memLog_Network.Lines().back();
  }
  EXPECT_FALSE(N().btNetwork_Save.Enabled());
  Page().DeviceFound({"Edge", "", "255.255.255.254", "65535"});
  EXPECT_EQ(Page().RowCount(), 1);
}

TEST_F(NetworkPageTest, DisableAndEnableToggleTheMarkAndTheCaption) {
  Start({FormatDeviceLine(kGarage)});
  N().lvNetDevices.UserSelect(0);
  N().btNetwork_State.Click();
  EXPECT_EQ(Page().RowMark(0), kMarkDisabled);
  EXPECT_EQ(N().btNetwork_State.Caption(), "Enable");
  EXPECT_TRUE(N().btNetwork_Save.Enabled());
  N().btNetwork_Save.Click();
  EXPECT_EQ(Stored(Hive::LocalMachine, 0), "~" + FormatDeviceLine(kGarage));
  EXPECT_TRUE(N().lvNetDevices.Item(0).Selected());
  N().btNetwork_State.Click();
  EXPECT_EQ(Page().RowMark(0), kMarkNone);
  EXPECT_EQ(N().btNetwork_State.Caption(), "Disable");
}

TEST_F(NetworkPageTest, DeleteAsksFirst) {
  Start({FormatDeviceLine(kGarage)});
  N().lvNetDevices.UserSelect(0);
  w.dialogs.answers.push_back(mb::IdNo);
  N().btNetwork_Delete.Click();
  EXPECT_EQ(Page().RowCount(), 1);
  EXPECT_FALSE(N().btNetwork_Save.Enabled());
  EXPECT_EQ(w.dialogs.messages.back().text,
            "Delete the device " + kGarage.IP + ":" + kGarage.Port + " (" + kGarage.Name + ") from the list?");
  EXPECT_EQ(w.dialogs.messages.back().caption, f->ApplicationTitle() + " - Network Device Delete...");
  EXPECT_EQ(w.dialogs.messages.back().flags, mb::YesNo | mb::IconQuestion | mb::DefaultNo);
  w.dialogs.answers.push_back(mb::IdYes);
  N().btNetwork_Delete.Click();
  EXPECT_EQ(Page().RowCount(), 0);
  EXPECT_TRUE(N().btNetwork_Save.Enabled());
  EXPECT_FALSE(N().btNetwork_Delete.Enabled());
  EXPECT_EQ(N().edNetwork_IP.Text(), "");
}

TEST_F(NetworkPageTest, SelectionsAreIgnoredWhileThePagesAreDisabled) {
  Start({FormatDeviceLine(kGarage)});
  f->pcOptions.SetEnabled(false);
  N().lvNetDevices.Item(0).SetSelected(true);
  EXPECT_EQ(N().edNetwork_IP.Text(), "");
  EXPECT_FALSE(N().btNetwork_Config.Enabled());
}

TEST_F(NetworkPageTest, FoundDevicesCanBeRecordedAndSavedByAFrontEnd) {
  Start({FormatDeviceLine(kGarage)});
  EXPECT_EQ(Page().RecordAndSave({kGarage, kBench, kBench}), 1);
  EXPECT_EQ(StoredLines(Hive::LocalMachine),
            (std::vector<std::string>{FormatDeviceLine(kGarage), FormatDeviceLine(kBench)}));
  EXPECT_EQ(Marks(), (std::vector<int>{kMarkNone, kMarkNone}));
  EXPECT_EQ(Page().FindRow("10.0.0.9"), 1);
  EXPECT_EQ(Page().FindRow("10.0.0.9:2323"), 1);
  EXPECT_EQ(Page().FindRow("10.0.0.8"), -1);
}

// A column click reorders the items; each still shows its own row (device and mark), the
// rules act on the row the selected item shows, and Save writes the order the user sees.
TEST_F(NetworkPageTest, ASortedListKeepsEachRowsDeviceAndMarkAndSavesInItsOrder) {
  Start({StoredLine(kGarage, true), FormatDeviceLine(kBench)});
  f->lvNetDevices.ColumnClick(2);  // by name: "Bench" first
  ASSERT_EQ(Page().Row(0), kBench);
  EXPECT_EQ(Marks(), (std::vector<int>{kMarkNone, kMarkDisabled}));
  N().lvNetDevices.UserSelect(1);
  EXPECT_EQ(N().edNetwork_IP.Text(), kGarage.IP);
  EXPECT_EQ(N().btNetwork_State.Caption(), "Enable");
  N().btNetwork_State.Click();
  EXPECT_TRUE(Page().Unsaved());
  N().btNetwork_Save.Click();
  EXPECT_FALSE(Page().Unsaved());
  EXPECT_EQ(StoredLines(Hive::LocalMachine),
            (std::vector<std::string>{FormatDeviceLine(kBench), FormatDeviceLine(kGarage)}));
  EXPECT_EQ(Page().FindRow(kGarage.IP), 1);
}

}  // namespace
}  // namespace bx
