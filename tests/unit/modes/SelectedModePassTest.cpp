#include <gtest/gtest.h>

#include "exchange/Identity.h"
#include "modes/ModeList.h"
#include "session/AdapterSession.h"
#include "support/AdapterWorld.h"
#include "window/Modules.h"

namespace bx {
namespace {

struct SelectedModePass : ::testing::Test {
  test::AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  void Parse(const std::string& text) {
    f.Modules->modes->Clear();  // as a search does first
    f.Modules->identity->ShowReply(text);
  }
  std::string States() {
    std::string s;
    for (int i = 0; i < f.lvModes.Count(); ++i) s += std::to_string(f.lvModes.Item(i).StateIndex()) + " ";
    return s;
  }
};

// Each "Selected Mode: " line marks its entry and resets the others: the last line wins,
// and one that names no listed mode leaves none marked but the stored mode as it was.
TEST_F(SelectedModePass, TheLastSelectedModeLineWins) {
  const std::string modes = "01 - OBD\r\n02 - CAN\r\n03 - KWP\r\n";
  Parse(modes + "Selected Mode: 02 - CAN\r\nSelected Mode: 01 - OBD");
  EXPECT_EQ(States(), "0 -1 -1 ");
  EXPECT_EQ(f.settings.ReadSettingString("", "Mode", ""), "01 - OBD");
  EXPECT_EQ(f.Modules->modes->RememberedId(), "01");
  Parse(modes + "Selected Mode: 02 - CAN\r\nSelected Mode: 09 - none");
  EXPECT_EQ(States(), "-1 -1 -1 ");
  EXPECT_EQ(f.settings.ReadSettingString("", "Mode", ""), "02 - CAN");
}

// A reply full of such lines costs one walk over the list, not one per line: 20,000 of
// each took seconds and froze the window.
// The named mode's whole ID counts: the default mode "000" listed before two-character
// IDs is marked when it runs, and "00" is not taken for it.
TEST_F(SelectedModePass, IdsOfOtherLengthsCompareWhole) {
  const std::string modes = "000 - Default Mode\r\n01 - OBD\r\n02 - CAN\r\n";
  Parse(modes + "Selected Mode: 000 - Default Mode");
  EXPECT_EQ(States(), "0 -1 -1 ");
  EXPECT_EQ(f.Modules->modes->RememberedId(), "000");
  Parse(modes + "Selected Mode: 00 - Other");
  EXPECT_EQ(States(), "-1 -1 -1 ");
  Parse(modes + "Selected Mode: 02 - CAN");
  EXPECT_EQ(States(), "-1 -1 0 ");
}

// An adapter that lists thousands of mode IDs adds nothing to the store: a missing "Hide"
// value means "not hidden" and is not written by the read.
TEST_F(SelectedModePass, AModeFloodAddsNoHideValues) {
  std::string modes;
  const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int i = 0; i < 36 * 36; ++i) modes += std::string{digits[i / 36], digits[i % 36]} + " - Mode\r\n";
  Parse(modes);
  ASSERT_EQ(f.lvModes.Count(), 36 * 36);
  EXPECT_FALSE(w.registry.ReadValue(Hive::CurrentUser, f.settings.SettingsKey + "\\Hide", "01"));
  EXPECT_FALSE(w.registry.ReadValue(Hive::CurrentUser, f.settings.SettingsKey + "\\Hide", "ZZ"));
}

TEST_F(SelectedModePass, ManySelectedModeLinesCostOneWalk) {
  auto id = [](int i) {
    const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    return std::string{digits[i / 1296], digits[i / 36 % 36], digits[i % 36]};
  };
  std::string text;
  for (int i = 0; i < 20000; ++i) text += id(i) + " - mode\r\n";
  for (int i = 0; i < 20000; ++i) text += "Selected Mode: " + id(i) + " - mode\r\n";
  f.settings.WriteSettingString("", "Mode", "none");
  const int writes = w.registry.WriteCount();
  Parse(text);
  // The stored mode is written once for the whole reply (in both hives), not per line; the
  // third write is the selected entry's program link, read into edModeRun.
  EXPECT_EQ(w.registry.WriteCount() - writes, 3);
  EXPECT_EQ(f.settings.ReadSettingString("", "Mode", ""), id(19999) + " - mode");
  ASSERT_EQ(f.lvModes.Count(), 20000);
  EXPECT_EQ(f.lvModes.Item(19999).StateIndex(), mode_state::Selected);
  EXPECT_EQ(f.lvModes.Item(0).StateIndex(), mode_state::Normal);
}

// The list the command line and the scripting module read (ListModes, over the reply and
// the store alone) is the list the page shows: the same rows and states for the same
// replies, with and without "Show ALL", hidden modes and the stored mode included.
TEST_F(SelectedModePass, TheWindowlessListingIsThePagesList) {
  StoreHidden(f.settings, "02", "CAN", true);
  StoreHidden(f.settings, "04", "", true);
  StoreHidden(f.settings, "000", "Default Mode", true);
  const std::string modes = "000 - Default Mode\r\n01 - OBD\r\n02 - CAN\r\n03 _ Reserved\r\n04 - \r\n05 - KWP\r\n";
  const std::string replies[] = {
      modes,
      modes + "Selected Mode: 01 - OBD",
      modes + "Selected Mode: 02 - CAN\r\nSelected Mode: 09 - none",
      modes + "Selected Mode: 05 - KWP\r\nSelected Mode: 01 - OBD",
      modes + "Selected Mode: 000 - Default Mode",
      "1 - One\r\n2 - Two\r\nSelected Mode: 2 - Two\r\n\r\n3 - after the record",
      "",
  };
  for (const bool showAll : {false, true}) {
    for (const std::string& reply : replies) {
      SCOPED_TRACE(reply + (showAll ? " (Show ALL)" : ""));
      f.cbShow.SetChecked(showAll);
      // Read before the page's pass, which stores the mode this reply marks.
      const ModeListing listing = ListModes(CrLfLines(reply), showAll, [&](const ModeEntry& m) {
        return HiddenInList(f.settings, m.id, m.description, m.line);
      });
      Parse(reply);
      ASSERT_EQ(static_cast<int>(listing.rows.size()), f.lvModes.Count());
      for (int i = 0; i < f.lvModes.Count(); ++i) {
        const ui::TListItem& item = f.lvModes.Item(i);
        const ModeRow& row = listing.rows[static_cast<std::size_t>(i)];
        EXPECT_EQ(row.number, item.Caption());
        EXPECT_EQ(row.id, item.SubItems().at(0));
        EXPECT_EQ(row.description, item.SubItems().at(1));
        EXPECT_EQ(row.state, item.StateIndex()) << row.id;
      }
      EXPECT_EQ(listing.running, f.Modules->session->RunningMode());
    }
  }
}

}  // namespace
}  // namespace bx
