#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "platform/fake/MemoryRegistry.h"

namespace bx {
namespace {

struct SettingsTest : ::testing::Test {
  MemoryRegistry reg;
  Settings s{reg};
  std::string Recent(int n) {
    return reg.ReadString(Hive::CurrentUser, std::string(kSettingsKey) + "\\Ports", "Port" + std::to_string(n))
        .value_or("<missing>");
  }
};

TEST_F(SettingsTest, IntReadWritesTheDefaultIntoThePerUserHiveOnly) {
  EXPECT_EQ(s.ReadSettingInt("SortCol", 0), 0);
  EXPECT_EQ(reg.ReadInteger(Hive::CurrentUser, kSettingsKey, "SortCol"), 0);
  EXPECT_FALSE(reg.ReadValue(Hive::LocalMachine, kSettingsKey, "SortCol"));
  s.WriteSettingInt("SortCol", 2);
  EXPECT_EQ(reg.ReadInteger(Hive::LocalMachine, kSettingsKey, "SortCol"), 2);
  EXPECT_EQ(s.ReadSettingInt("SortCol", 0), 2);
}

TEST_F(SettingsTest, StringDefaultZeroIsNotWrittenButEmptyIs) {
  const int before = reg.WriteCount();
  EXPECT_EQ(s.ReadSettingString("Network", "Net5", "0"), "0");
  EXPECT_EQ(reg.WriteCount(), before);
  EXPECT_EQ(s.ReadSettingString("Hide", "01", ""), "");
  EXPECT_EQ(reg.ReadString(Hive::CurrentUser, std::string(kSettingsKey) + "\\Hide", "01"), "");
}

TEST_F(SettingsTest, TypeMismatchAndWriteFailureRaiseTheUserMessages) {
  reg.WriteString(Hive::CurrentUser, kSettingsKey, "SortCol", "abc");
  try {
    s.ReadSettingInt("SortCol", 0);
    FAIL();
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'SortCol'");
  }
  reg.FailWrites(Hive::LocalMachine, "WinTop");
  try {
    s.WriteSettingInt("WinTop", 5);
    FAIL();
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'WinTop'");
  }
  EXPECT_EQ(reg.ReadInteger(Hive::CurrentUser, kSettingsKey, "WinTop"), 5);  // per-user first
}

TEST_F(SettingsTest, RememberPortMovesAnEntryToTheFront) {
  s.RememberPort("COM7 2222");
  s.RememberPort("COM5 1234");
  s.RememberPort("COM3 1111");
  s.RememberPort("COM5 1234");
  EXPECT_EQ(Recent(0), "COM5 1234");
  EXPECT_EQ(Recent(1), "COM3 1111");
  EXPECT_EQ(Recent(2), "COM7 2222");
  EXPECT_EQ(Recent(3), "<missing>");
  EXPECT_EQ(reg.ReadString(Hive::LocalMachine, kSettingsKey, "Port"), "COM5 1234");
  // Only the whole entry counts as the same: a new serial on the same port is new.
  s.RememberPort("COM5 9999");
  EXPECT_EQ(Recent(0), "COM5 9999");
  EXPECT_EQ(Recent(1), "COM5 1234");
}

TEST_F(SettingsTest, TenEntriesAtMostTheOldestDropsOut) {
  for (int i = 0; i < 11; ++i) s.RememberPort("COM" + std::to_string(i) + " " + std::to_string(100 + i));
  EXPECT_EQ(Recent(0), "COM10 110");
  EXPECT_EQ(Recent(9), "COM1 101");
  EXPECT_EQ(s.RecentPortRank("COM0"), -1);
  EXPECT_EQ(s.RecentPortRank("COM1"), 9);
}

TEST_F(SettingsTest, RankComparesThePortPartOnlyAndStopsAtAnEmptyEntry) {
  s.RememberPort("COM5 1234");
  s.RememberPort("COM3 1111");
  EXPECT_EQ(s.RecentPortRank("COM5"), 1);
  EXPECT_EQ(s.RecentPortRank("COM"), -1);
  s.WriteSettingString("Ports", "Port0", "");
  EXPECT_EQ(s.RecentPortRank("COM5"), -1);
}

}  // namespace
}  // namespace bx
