// A store that cannot be trusted or written: the user gets a message naming the file,
// and the file is never changed behind their back.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "StoreFixture.h"
#include "core/Bytes.h"
#include "platform/posix/SqliteRegistry.h"
#include "support/RegistryContract.h"

namespace {

using bx::Hive;
using bx::SqliteRegistry;
using ::testing::HasSubstr;

void RawExec(const std::string& file, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

// Opening `file` must fail with a message naming it and containing `reason`, and leave
// every byte as it was.
void ExpectRefused(const std::string& file, const std::string& reason) {
  const std::string before = bxtest::ReadFileBytes(file);
  ASSERT_FALSE(before.empty());
  try {
    SqliteRegistry r(file);
    ADD_FAILURE() << "opened " << file;
  } catch (const bx::RegistryOpenError& e) {
    EXPECT_THAT(e.what(), HasSubstr("The settings store " + file + " "));
    EXPECT_THAT(e.what(), HasSubstr(reason));
  }
  EXPECT_TRUE(bxtest::ReadFileBytes(file) == before) << "the file was changed";
}

void MakeStore(const std::string& file, int values) {
  SqliteRegistry r(file);
  for (int i = 0; i < values; ++i)
    r.WriteString(Hive::CurrentUser, bx::Format("SOFTWARE\\K%02d", i % 13), bx::Format("V%d", i),
                  std::string(600, 'd'));
}

TEST(SqliteRegistryOpen, FileThatIsNotADatabaseIsRefusedAndKept) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  bxtest::WriteFileBytes(file, "[Settings]\nWinTop=10\nWinLeft=20\n" + std::string(2000, '#'));
  ExpectRefused(file, "is damaged or is not a settings database (file is not a database). It was left untouched");
}

TEST(SqliteRegistryOpen, DamagedPagesAreRefusedAndKept) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  MakeStore(file, 60);
  std::string bytes = bxtest::ReadFileBytes(file);
  ASSERT_GT(bytes.size(), 4u * 4096);
  for (std::size_t i = 4096; i < 3 * 4096; ++i) bytes[i] = static_cast<char>(i * 37);
  bxtest::WriteFileBytes(file, bytes);
  ExpectRefused(file, "is damaged or is not a settings database");
}

TEST(SqliteRegistryOpen, AnotherProgramsDatabaseIsRefusedAndKept) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  RawExec(file, "CREATE TABLE bookmarks(url TEXT); INSERT INTO bookmarks VALUES('x')");
  ExpectRefused(file, "it holds tables of another program");
}

TEST(SqliteRegistryOpen, StoreOfANewerFormatIsRefusedAndKept) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  MakeStore(file, 3);
  RawExec(file, "PRAGMA user_version=7");
  ExpectRefused(file, "newer version of the program (format 7");
}

TEST(SqliteRegistryOpen, EmptyFileBecomesAnEmptyStore) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  bxtest::WriteFileBytes(file, "");
  SqliteRegistry r(file);
  r.WriteInteger(Hive::CurrentUser, "K", "v", 1);
  EXPECT_EQ(r.ReadInteger(Hive::CurrentUser, "K", "v"), 1);
}

// Runs the checks in a child as a user without write access to the file (root ignores
// file modes, so a root test drops to "nobody"); returns what went wrong, or "".
std::string InChildWithoutWriteAccess(const std::function<std::string()>& checks) {
  bxtest::Child child([&](int fd) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
    const std::string problems = checks();
    if (write(fd, problems.data(), problems.size()) < 0) return 3;
    return 0;
  });
  std::string problems;
  char buf[256];
  while (child.Read(buf, 1, std::chrono::seconds(20))) problems += buf[0];
  const int code = child.Wait(std::chrono::seconds(20));
  return code == 0 ? problems : problems + " (child exit " + std::to_string(code) + ")";
}

TEST(SqliteRegistryWrite, ReadOnlyStoreReadsButRefusesEveryChange) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  {
    SqliteRegistry r(file);
    r.WriteString(Hive::CurrentUser, "SOFTWARE\\S", "Path", "/old");
  }
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  ASSERT_EQ(chmod(tmp.Path().c_str(), 0777), 0);  // the folder stays the user's own
  const std::string before = bxtest::ReadFileBytes(file);
  const std::string problems = InChildWithoutWriteAccess([&]() -> std::string {
    std::string p;
    try {
      SqliteRegistry r(file);
      if (r.ReadString(Hive::CurrentUser, "SOFTWARE\\S", "Path") != "/old") p += "value not read; ";
      try {
        r.WriteString(Hive::CurrentUser, "SOFTWARE\\S", "Path", "/new");
        p += "write succeeded; ";
      } catch (const bx::RegistryError& e) {
        if (std::string(e.what()) != "Failed to set data for 'Path'") p += std::string("message: ") + e.what() + "; ";
        if (r.LastError().empty()) p += "no reason kept; ";
      }
      try {
        r.WriteInteger(Hive::LocalMachine, "SOFTWARE\\New", "WinTop", 1);
        p += "write into a new key succeeded; ";
      } catch (const bx::RegistryError&) {
      }
      try {
        r.CreateKey(Hive::CurrentUser, "SOFTWARE\\Other");
        p += "key created; ";
      } catch (const bx::RegistryError& e) {
        if (std::string(e.what()) != "Failed to create key 'SOFTWARE\\Other'") p += e.what();
      }
      if (r.DeleteValue(Hive::CurrentUser, "SOFTWARE\\S", "Path")) p += "delete reported done; ";
      if (r.DeleteKey(Hive::CurrentUser, "SOFTWARE\\S")) p += "key delete reported done; ";
      if (r.KeyExists(Hive::LocalMachine, "SOFTWARE\\New")) p += "new key exists; ";
      if (r.ReadString(Hive::CurrentUser, "SOFTWARE\\S", "Path") != "/old") p += "value changed; ";
    } catch (const std::exception& e) {
      p += std::string("unexpected: ") + e.what();
    }
    return p;
  });
  EXPECT_EQ(problems, "");
  EXPECT_TRUE(bxtest::ReadFileBytes(file) == before);
}

// A full disk, made by a file size limit in a child: the write that does not fit fails
// with the user's message, and every write before it is kept.
TEST(SqliteRegistryWrite, FullDiskFailsTheWriteAndKeepsTheStoreSound) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  { SqliteRegistry r(file); }
  bxtest::Child child([&](int fd) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lim{256 * 1024, 256 * 1024};
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return 2;
    SqliteRegistry r(file);
    for (int i = 0; i < 2000; ++i) {
      try {
        r.WriteString(Hive::CurrentUser, "SOFTWARE\\Big", bx::Format("V%04d", i), std::string(3000, 'z'));
      } catch (const bx::RegistryError& e) {
        const std::string msg = e.what();
        return msg == bx::Format("Failed to set data for 'V%04d'", i) ? 0 : 4;
      }
      if (write(fd, &i, sizeof i) != sizeof i) return 3;
    }
    return 5;  // the limit never hit
  });
  int last = -1, n = 0;
  while (child.Read(&n, sizeof n, std::chrono::seconds(30))) last = n;
  ASSERT_EQ(child.Wait(std::chrono::seconds(30)), 0);
  ASSERT_GT(last, 5);
  EXPECT_EQ(bxtest::IntegrityCheck(file), "ok");
  SqliteRegistry r(file);
  EXPECT_EQ(r.ValueNames(Hive::CurrentUser, "SOFTWARE\\Big").size(), static_cast<std::size_t>(last + 1));
  EXPECT_EQ(r.ReadString(Hive::CurrentUser, "SOFTWARE\\Big", bx::Format("V%04d", last)), std::string(3000, 'z'));
  r.WriteInteger(Hive::CurrentUser, "SOFTWARE\\Big", "after", 1);  // writable again with room
}

}  // namespace
