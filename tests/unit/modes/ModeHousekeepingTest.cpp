#include <gtest/gtest.h>

#include "modes/ModeHousekeeping.h"
#include "modes/ModeList.h"
#include "support/AdapterWorld.h"
#include "support/TempFile.h"

namespace bx {
namespace {

using test::AdapterWorld;
using test::Frame;

const std::string kI = "!dulMAR_SC_I";

struct ModesWorld : AdapterWorld {
  TfrmMain& f;
  ModesWorld() : f(StartWithPort()) {
    replies[kI] = Frame({"SN:1", "000 - Base", "01 - OBD", "02 - CAN", "Selected Mode: 01 - OBD"});
  }
  void Search() {
    f.btSearch.Click();
    ASSERT_TRUE(RunExchange());
  }
  int Find(const std::string& id) {
    for (int i = 0; i < f.lvModes.Count(); ++i)
      if (f.lvModes.Item(i).SubItems().at(0) == id) return i;
    return -1;
  }
  void Pick(const std::string& id) {
    const int i = Find(id);
    ASSERT_GE(i, 0) << id;
    f.lvModes.UserSelect(i);
  }
  std::string Stored(const std::string& subkey, const std::string& id) {
    return f.settings.ReadSettingString(subkey, id, "");
  }
};

TEST(ModeHousekeeping, ModeZeroCannotBeHidden) {
  ModesWorld w;
  TfrmMain& f = w.f;
  w.Search();
  w.Pick("000");
  EXPECT_FALSE(f.btModeHide.Enabled());
  f.Modules->housekeeping->Hide();  // refused even when called past the disabled button
  EXPECT_EQ(w.Stored("Hide", "000"), "");
  EXPECT_EQ(f.lvModes.Item(w.Find("000")).StateIndex(), mode_state::Normal);
}

TEST(ModeHousekeeping, HideThenShowAndTheNextSearch) {
  ModesWorld w;
  TfrmMain& f = w.f;
  w.Search();
  w.Pick("02");
  ASSERT_EQ(f.btModeHide.Caption(), "Hide");
  f.btModeHide.Click();
  EXPECT_EQ(w.Stored("Hide", "02"), "CAN");
  EXPECT_EQ(f.lvModes.Item(w.Find("02")).StateIndex(), mode_state::Hidden);
  EXPECT_EQ(f.btModeHide.Caption(), "Show");
  EXPECT_FALSE(f.btModeSelect.Enabled());
  f.btModeHide.Click();
  EXPECT_EQ(w.Stored("Hide", "02"), "");
  EXPECT_EQ(f.lvModes.Item(w.Find("02")).StateIndex(), mode_state::Normal);
  EXPECT_EQ(f.btModeHide.Caption(), "Hide");
  EXPECT_TRUE(f.btModeSelect.Enabled());
  w.Search();
  EXPECT_GE(w.Find("02"), 0);

  w.Pick("02");
  f.btModeHide.Click();
  w.Search();
  EXPECT_EQ(w.Find("02"), -1);  // hidden from the normal view
}

// A column click reorders the entries; each still acts as its own mode: hiding the entry
// picked after the sort stores that mode, and a select asks for it.
TEST(ModeHousekeeping, ASortedListActsOnTheEntryPicked) {
  ModesWorld w;
  TfrmMain& f = w.f;
  w.Search();
  f.lvModes.ColumnClick(2);  // by description: Base, CAN, OBD
  ASSERT_EQ(f.lvModes.Item(1).SubItems().at(0), "02");
  f.lvModes.UserSelect(1);
  EXPECT_EQ(f.Modules->modes->RememberedId(), "02");
  f.btModeHide.Click();
  EXPECT_EQ(w.Stored("Hide", "02"), "CAN");
  EXPECT_EQ(f.lvModes.Item(1).StateIndex(), mode_state::Hidden);
  EXPECT_EQ(f.Modules->modes->RowOf(f.lvModes.Item(2)).state, mode_state::Selected);  // OBD runs
  f.btModeHide.Click();
  w.replies["!dulMAR_SC_M02"] = Frame({"SN:1", "000 - Base", "01 - OBD", "02 - CAN", "Selected Mode: 02 - CAN"});
  f.btModeSelect.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.Count("!dulMAR_SC_M02"), 1);
}

// An empty "Hide" value means shown, so hiding a mode whose description is empty is
// remembered by a marker of its own; the values stored so far read as they always did.
TEST(ModeHousekeeping, AModeWithoutADescriptionStaysHiddenUntilShownOrRenamed) {
  ModesWorld w;
  TfrmMain& f = w.f;
  w.replies[kI] = Frame({"SN:1", "BW:1", "01 - OBD", "03 - ", "Selected Mode: 01 - OBD"});
  w.Search();
  w.Pick("03");
  f.btModeHide.Click();
  w.Search();
  EXPECT_EQ(w.Find("03"), -1);
  f.cbShow.Click();  // Show ALL searches again
  ASSERT_TRUE(w.RunExchange());
  ASSERT_GE(w.Find("03"), 0);
  EXPECT_EQ(f.lvModes.Item(w.Find("03")).StateIndex(), mode_state::Hidden);
  w.Pick("03");
  ASSERT_EQ(f.btModeHide.Caption(), "Show");
  f.btModeHide.Click();
  f.cbShow.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_GE(w.Find("03"), 0);

  // Hidden again, then given a description by the adapter: shown, the mark ends.
  w.Pick("03");
  f.btModeHide.Click();
  w.replies[kI] = Frame({"SN:1", "BW:1", "01 - OBD", "03 - Renamed", "Selected Mode: 01 - OBD"});
  w.Search();
  EXPECT_GE(w.Find("03"), 0);
}

TEST(ModeHousekeeping, StoredHiddenMarksReadTheSameWayAsBefore) {
  struct Case {
    const char* name;
    const char* hide;   // the "Hide" value (nullptr: none)
    const char* blank;  // the "HideBlank" value (nullptr: none)
    const char* description;
    bool hidden;
  };
  const Case cases[] = {
      {"hidden with its description", "CAN", nullptr, "CAN", true},
      {"the description changed", "CAN", nullptr, "CAN FD", false},
      {"the description went", "CAN", nullptr, "", false},
      {"an empty value is shown", "", nullptr, "", false},
      {"no value at all", nullptr, nullptr, "", false},
      {"hidden without a description", "", "1", "", true},
      {"the blank mark without a value", nullptr, "1", "", true},
      {"the blank mark, then a description", "", "1", "X", false},
  };
  for (const Case& c : cases) {
    AdapterWorld w;
    TfrmMain& f = w.StartWithPort();
    if (c.hide) f.settings.WriteSettingString("Hide", "07", c.hide);
    if (c.blank) f.settings.WriteSettingString("HideBlank", "07", c.blank);
    EXPECT_EQ(StoredAsHidden(f.settings, "07", c.description), c.hidden) << c.name;
  }
}

TEST(ModeHousekeeping, LinkUnlinkAndRun) {
  ModesWorld w;
  TfrmMain& f = w.f;
  test::TempFolder dir;
  const std::string tool = dir.Write("tool.sh", "#!/bin/sh\n");
  w.Search();
  w.Pick("02");

  w.dialogs.files.push_back("");  // cancelled
  f.btModeFile.Click();
  EXPECT_EQ(f.edModeRun.Text(), "");
  EXPECT_FALSE(f.btModeRun.Enabled());

  w.dialogs.files.push_back(dir.Path() + "/missing.exe");
  f.btModeFile.Click();
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text, "Executable file \"" + dir.Path() + "/missing.exe\" is not found.");
  EXPECT_EQ(w.dialogs.messages[0].caption, f.Caption() + " - Error...");
  EXPECT_EQ(w.Stored("Run", "02"), "");

  w.dialogs.files.push_back(tool);
  f.btModeFile.Click();
  ASSERT_EQ(w.dialogs.fileRequests.size(), 3u);
  EXPECT_EQ(w.dialogs.fileRequests[0].filter, "Executable files|*.exe;*.bat;*.cmd|All files|*.*");
  EXPECT_TRUE(w.dialogs.fileRequests[0].programs);  // the dialog offers what the platform starts
  EXPECT_EQ(f.edModeRun.Text(), tool);
  EXPECT_EQ(w.Stored("Run", "02"), tool);
  EXPECT_TRUE(f.btModeFileDel.Enabled());
  EXPECT_TRUE(f.btModeRun.Enabled());
  EXPECT_EQ(w.dialogs.fileRequests[2].fileName, "");

  f.btModeRun.Click();
  ASSERT_EQ(w.shell.calls.size(), 1u);
  EXPECT_EQ(w.shell.calls[0].target, tool);
  EXPECT_EQ(w.shell.calls[0].workingDir, dir.Path());

  for (int answer : {mb::IdNo, mb::IdCancel}) {
    w.dialogs.answers.push_back(answer);
    f.btModeFileDel.Click();
    EXPECT_EQ(f.edModeRun.Text(), tool);
    EXPECT_EQ(w.Stored("Run", "02"), tool);
    EXPECT_TRUE(f.btModeFileDel.Enabled());
    EXPECT_TRUE(f.btModeRun.Enabled());
  }
  EXPECT_EQ(w.dialogs.messages.back().text, "Do you really want to unlink \"" + tool + "\" from mode 02?");
  EXPECT_TRUE(w.dialogs.messages.back().flags & mb::DefaultNo);
  EXPECT_EQ(w.dialogs.messages.back().caption, f.Caption() + " - Unlink...");
  w.dialogs.answers.push_back(mb::IdYes);
  f.btModeFileDel.Click();
  EXPECT_EQ(f.edModeRun.Text(), "");
  EXPECT_EQ(w.Stored("Run", "02"), "");
  EXPECT_FALSE(f.btModeFileDel.Enabled());
  EXPECT_FALSE(f.btModeRun.Enabled());

  // The link is kept per mode ID and comes back with the entry.
  w.dialogs.files.push_back(tool);
  f.btModeFile.Click();
  w.Pick("01");
  EXPECT_EQ(f.edModeRun.Text(), "");
  w.Pick("02");
  EXPECT_EQ(f.edModeRun.Text(), tool);
}

}  // namespace
}  // namespace bx
