#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "StoreFixture.h"
#include "core/Bytes.h"
#include "platform/RegistryExport.h"
#include "platform/fake/MemoryRegistry.h"
#include "platform/posix/SqliteRegistry.h"
#include "support/RegistryContract.h"

namespace bxtest {

struct SqliteRegistryMaker {
  bxtest::TempFolder folder;
  std::unique_ptr<bx::Registry> Make() { return std::make_unique<bx::SqliteRegistry>(folder.File("r.sqlite3")); }
};

}  // namespace bxtest

INSTANTIATE_TYPED_TEST_SUITE_P(SqliteRegistry, RegistryContract, ::testing::Types<bxtest::SqliteRegistryMaker>);

namespace {

using bx::Hive;
using bx::SqliteRegistry;

uint64_t FileTimeNow() {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return 116444736000000000ULL + std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100;
}

TEST(SqliteRegistry, ReopenKeepsValuesSpellingOrderAndTimes) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("deep/er/registry.sqlite3");  // the folders are made
  uint64_t t = 0;
  {
    SqliteRegistry r(file);
    r.WriteString(Hive::CurrentUser, "SOFTWARE\\Classes\\.rfw", "", "Brevantix_Firmware");
    r.WriteString(Hive::LocalMachine, "SOFTWARE\\dulMAR Company ::.\\Ports", "Port0", std::string("/dev/x\0y", 8));
    r.WriteInteger(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.", "WinTop", -7);
    r.CreateKey(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.\\Empty");
    r.CreateKey(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.\\aLpha");
    t = *r.LastWriteTime(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.");
  }
  SqliteRegistry r(file);
  EXPECT_EQ(r.ReadString(Hive::CurrentUser, "software\\classes\\.RFW", ""), "Brevantix_Firmware");
  EXPECT_EQ(r.ReadString(Hive::LocalMachine, "SOFTWARE\\dulMAR Company ::.\\Ports", "port0"),
            std::string("/dev/x\0y", 8));
  EXPECT_EQ(r.ReadInteger(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.", "WINTOP"), -7);
  EXPECT_THAT(r.SubKeys(Hive::CurrentUser, "software\\DULMAR company ::."), ::testing::ElementsAre("aLpha", "Empty"));
  EXPECT_EQ(r.LastWriteTime(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::."), t);
  EXPECT_FALSE(r.KeyExists(Hive::LocalMachine, "SOFTWARE\\Classes"));
}

TEST(SqliteRegistry, LastWriteTimeIsTheRealClockAndStrictlyIncreasing) {
  bxtest::TempFolder tmp;
  SqliteRegistry r(tmp.File("r.sqlite3"));
  const uint64_t before = FileTimeNow();
  r.CreateKey(Hive::CurrentUser, "K");
  uint64_t last = *r.LastWriteTime(Hive::CurrentUser, "K");
  EXPECT_GE(last, before);
  EXPECT_LE(last, FileTimeNow());
  for (int i = 0; i < 200; ++i) {
    r.WriteInteger(Hive::CurrentUser, "K", "n", i);
    const uint64_t t = *r.LastWriteTime(Hive::CurrentUser, "K");
    ASSERT_GT(t, last) << "write " << i;
    last = t;
  }
  EXPECT_LE(last, FileTimeNow() + 1000);  // at most a few ticks ahead
}

TEST(SqliteRegistry, ScanThreadsReadWhileTheMainThreadWrites) {
  bxtest::TempFolder tmp;
  SqliteRegistry r(tmp.File("r.sqlite3"));
  r.WriteInteger(Hive::LocalMachine, "Watched", "n", 0);
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i)
    readers.emplace_back([&] {
      int seen = 0;
      while (!stop) {
        const int n = r.ReadInteger(Hive::LocalMachine, "Watched", "n").value_or(-1);
        if (n < seen || r.SubKeys(Hive::LocalMachine, "Watched").size() > 1) ++bad;
        seen = n;
      }
    });
  for (int i = 1; i <= 100; ++i) {
    r.WriteInteger(Hive::LocalMachine, "Watched", "n", i);
    if (i == 50) r.CreateKey(Hive::LocalMachine, "Watched\\Sub");
  }
  stop = true;
  for (auto& t : readers) t.join();
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(r.ReadInteger(Hive::LocalMachine, "Watched", "n"), 100);
}

// The export walks the store through the interface alone; the same writes must give
// the same text as the in-memory registry, order and spelling included.
TEST(SqliteRegistry, ExportMatchesTheInMemoryRegistry) {
  bxtest::TempFolder tmp;
  SqliteRegistry store(tmp.File("r.sqlite3"));
  bx::MemoryRegistry memory;
  for (bx::Registry* r : {static_cast<bx::Registry*>(&store), static_cast<bx::Registry*>(&memory)}) {
    r->WriteString(Hive::LocalMachine, "SOFTWARE\\Classes\\.rfw", "", "Brevantix_Firmware");
    r->WriteString(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.\\Ports", "Port0", "/dev/ttyACM0 1234");
    r->WriteInteger(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.", "SortDir", 1);
    r->WriteString(Hive::CurrentUser, "software\\DULMAR company ::.", "path", "C:\\\\\"x\"");
    r->CreateKey(Hive::CurrentUser, "SOFTWARE\\_last");
    r->CreateKey(Hive::CurrentUser, "SOFTWARE\\a.b\\c");
  }
  EXPECT_EQ(bx::ExportRegedit4(store), bx::ExportRegedit4(memory));
}

// Not a pass/fail figure: it shows what a start (about 20 writes) and a pass-thru
// registration (about 60) cost on this disk.
TEST(SqliteRegistry, WriteRate) {
  bxtest::TempFolder tmp;
  SqliteRegistry r(tmp.File("r.sqlite3"));
  constexpr int kWrites = 200;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kWrites; ++i)
    r.WriteString(Hive::CurrentUser, bx::Format("SOFTWARE\\Rate\\K%d", i % 7), bx::Format("V%d", i), "data");
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double rate = kWrites / s;
  std::printf("settings store: %.0f durable writes/s (%.1f ms each) in %s\n", rate, 1000 / rate, tmp.Path().c_str());
  RecordProperty("writes_per_second", static_cast<int>(rate));
  EXPECT_EQ(r.ValueNames(Hive::CurrentUser, "SOFTWARE\\Rate\\K0").size(), (kWrites + 6) / 7u);
}

}  // namespace
