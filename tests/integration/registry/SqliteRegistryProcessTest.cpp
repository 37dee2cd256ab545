// Several processes on one store: a writer killed at any instant, and writers racing.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "StoreFixture.h"
#include "core/Bytes.h"
#include "settings/Settings.h"
#include "platform/posix/SqliteRegistry.h"
#include "support/RegistryContract.h"

namespace {

using bx::Hive;
using bx::SqliteRegistry;
using namespace std::chrono_literals;

// Each round forks a writer that reports every write that has returned, kills it with
// SIGKILL after a different number of reports (so the kill lands at a different point of
// a transaction each time) and checks that the store opens, is sound and holds every
// reported write. Each write also creates a key now and then, so parents are created
// inside the killed transactions too.
TEST(SqliteRegistryProcesses, KillNineDuringAWriteLoopLosesNoReturnedWrite) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  for (int round = 0; round < 4; ++round) {
    const std::string key = bx::Format("SOFTWARE\\Loop\\R%d", round);
    bxtest::Child writer([&](int fd) {
      SqliteRegistry r(file);
      for (int i = 0; i < 100000; ++i) {
        r.WriteInteger(Hive::CurrentUser, key + bx::Format("\\K%03d", i / 8), bx::Format("V%05d", i), i * 7);
        if (write(fd, &i, sizeof i) != sizeof i) return 3;
      }
      return 0;
    });
    const int killAfter = 30 + round * 45;
    int reported = -1, n = 0;
    while (reported + 1 < killAfter && writer.Read(&n, sizeof n, 20s)) reported = n;
    ASSERT_EQ(reported + 1, killAfter) << "the writer stopped early";
    writer.Kill();
    while (writer.Read(&n, sizeof n, 5s)) reported = n;  // reports still in the pipe
    ASSERT_EQ(writer.Wait(10s), 128 + SIGKILL);

    ASSERT_EQ(bxtest::IntegrityCheck(file), "ok") << "round " << round;
    SqliteRegistry r(file);
    int present = 0;
    for (int i = 0; i <= reported + 1; ++i) {
      const auto v = r.ReadInteger(Hive::CurrentUser, key + bx::Format("\\K%03d", i / 8), bx::Format("V%05d", i));
      if (i <= reported) {
        ASSERT_EQ(v, i * 7) << "round " << round << " write " << i << " of " << reported;
      }
      present += v.has_value();
    }
    // The write in progress at the kill is there whole or not at all.
    EXPECT_TRUE(present == reported + 1 || present == reported + 2);
    EXPECT_EQ(r.SubKeys(Hive::CurrentUser, key).size(), static_cast<std::size_t>((present + 7) / 8));
  }
}

// Two processes open a store that does not exist yet at the same moment (both try to
// create it) and write 300 values each, into keys both of them create.
TEST(SqliteRegistryProcesses, TwoWritersAtOnceLoseNothing) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("new/registry.sqlite3");
  constexpr int kWrites = 300;
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  std::vector<std::unique_ptr<bxtest::Child>> writers;
  for (int w = 0; w < 2; ++w)
    writers.push_back(std::make_unique<bxtest::Child>([&, w](int) {
      char c;
      if (read(go[0], &c, 1) != 1) return 2;
      SqliteRegistry r(file);
      for (int i = 0; i < kWrites; ++i) {
        try {
          r.WriteString(Hive::CurrentUser, bx::Format("SOFTWARE\\Shared\\Sub%d", i % 10), bx::Format("W%d_%03d", w, i),
                        bx::Format("%d", i));
        } catch (const bx::RegistryError& e) {
          std::fprintf(stderr, "writer %d: %s (%s)\n", w, e.what(), r.LastError().c_str());
          return 1;
        }
      }
      return 0;
    }));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(write(go[1], "gg", 2), 2);
  close(go[0]);
  close(go[1]);
  for (auto& w : writers) EXPECT_EQ(w->Wait(60s), 0);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("two writers: %d writes in %.2f s\n", 2 * kWrites, s);

  SqliteRegistry r(file);
  const auto subs = r.SubKeys(Hive::CurrentUser, "SOFTWARE\\Shared");
  ASSERT_EQ(subs.size(), 10u);
  std::size_t values = 0;
  for (const auto& sub : subs) values += r.ValueNames(Hive::CurrentUser, "SOFTWARE\\Shared\\" + sub).size();
  EXPECT_EQ(values, 2u * kWrites);
  for (int w = 0; w < 2; ++w)
    for (int i = 0; i < kWrites; ++i)
      ASSERT_EQ(
          r.ReadString(Hive::CurrentUser, bx::Format("SOFTWARE\\Shared\\Sub%d", i % 10), bx::Format("W%d_%03d", w, i)),
          bx::Format("%d", i));
}

// Two processes remember five ports each at the same moment: the recent-port list is read
// and shifted in one transaction per entry, so it ends with all ten, each once.
TEST(SqliteRegistryProcesses, TwoProcessesRememberingPortsAtOnceKeepEachOthersEntries) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  { SqliteRegistry create(file); }
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  std::vector<std::unique_ptr<bxtest::Child>> children;
  for (int w = 0; w < 2; ++w)
    children.push_back(std::make_unique<bxtest::Child>([&, w](int) {
      char c;
      if (read(go[0], &c, 1) != 1) return 2;
      SqliteRegistry r(file);
      bx::Settings settings(r);
      for (int i = 0; i < 5; ++i) settings.RememberPort(bx::Format("/dev/ttyP%d%d %d", w, i, 1000 + i));
      return 0;
    }));
  ASSERT_EQ(write(go[1], "gg", 2), 2);
  close(go[0]);
  close(go[1]);
  for (auto& c : children) EXPECT_EQ(c->Wait(60s), 0);

  SqliteRegistry r(file);
  bx::Settings settings(r);
  std::set<std::string> entries;
  for (int n = 0; n <= 9; ++n) entries.insert(settings.RecentPortEntry(n));
  EXPECT_EQ(entries.size(), 10u);
  for (int w = 0; w < 2; ++w)
    for (int i = 0; i < 5; ++i) EXPECT_EQ(entries.count(bx::Format("/dev/ttyP%d%d %d", w, i, 1000 + i)), 1u);
}

}  // namespace
