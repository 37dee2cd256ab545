// A store that cannot be trusted or written: the user gets a message naming the file,
// and the file is never changed behind their back.
#include <fcntl.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>

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

// A failure keeps its classic start ("Failed to set data for 'Path'") and goes on with
// the store and what the user can do about the cause. Returns what is wrong, or "".
std::string MessageProblems(const std::string& message, const std::string& what, const std::string& file,
                            const std::string& plight) {
  const std::string start = what + ": the settings store " + file + " " + plight;
  if (message.rfind(start, 0) == 0 && message.find(" (", start.size()) != std::string::npos) return "";
  return "message \"" + message + "\" should start \"" + start + "\" and give the cause; ";
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
        p += MessageProblems(e.what(), "Failed to set data for 'Path'", file, "is read-only");
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
        p += MessageProblems(e.what(), "Failed to create key 'SOFTWARE\\Other'", file, "is read-only");
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

// A write that does not fit fails with a message that says why, and every write before
// it is kept: on a disk that is full (a small tmpfs in a mount namespace of the child's
// own, which needs root: skipped with the reason where there is none to be had) and under
// a file size limit (which SQLite calls a disk error).
struct FullWriteCase {
  const char* name;
  std::function<bool(const std::string& folder)> confine;  // in the child
  const char* plight;
  bool limitOnlyInChild;  // the store is the parent's to open afterwards
};
const FullWriteCase kFullWriteCases[] = {
    {"FullDisk",
     [](const std::string& folder) {
       return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
              mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") == 0;
     },
     "is on a full disk; free some space and try again", false},
    {"FileSizeLimit",
     [](const std::string&) {
       std::signal(SIGXFSZ, SIG_IGN);
       const rlimit lim{256 * 1024, 256 * 1024};
       return setrlimit(RLIMIT_FSIZE, &lim) == 0;
     },
     "could not be read or written (a disk error)", true},
};

class SqliteRegistryFullWrite : public ::testing::TestWithParam<FullWriteCase> {};

TEST_P(SqliteRegistryFullWrite, FailsTheWriteAndKeepsTheStoreSound) {
  const FullWriteCase& c = GetParam();
  constexpr int kCannotConfine = 77;
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  bxtest::Child child([&](int fd) {
    if (!c.confine(tmp.Path().string())) {
      const std::string why = std::strerror(errno);
      if (write(fd, why.data(), why.size()) < 0) return kCannotConfine;  // the reason is a courtesy
      return kCannotConfine;
    }
    std::string p;
    int last = -1;
    bool failed = false;
    {
      SqliteRegistry r(file);
      for (int i = 0; i < 2000 && !failed; ++i) {
        try {
          r.WriteString(Hive::CurrentUser, "SOFTWARE\\Big", bx::Format("V%04d", i), std::string(3000, 'z'));
          last = i;
        } catch (const bx::RegistryError& e) {
          failed = true;
          p += MessageProblems(e.what(), bx::Format("Failed to set data for 'V%04d'", i), file, c.plight);
        }
      }
    }
    if (!failed) p += "the limit was never hit; ";
    if (last < 5) p += "too few writes before the limit; ";
    if (bxtest::IntegrityCheck(file) != "ok") p += "the store is damaged; ";
    SqliteRegistry again(file);
    if (again.ValueNames(Hive::CurrentUser, "SOFTWARE\\Big").size() != static_cast<std::size_t>(last + 1))
      p += "writes before the failure were lost; ";
    if (again.ReadString(Hive::CurrentUser, "SOFTWARE\\Big", bx::Format("V%04d", last)) != std::string(3000, 'z'))
      p += "the last write before the failure was lost; ";
    return write(fd, p.data(), p.size()) == static_cast<ssize_t>(p.size()) ? 0 : 3;
  });
  std::string problems;
  char ch = 0;
  while (child.Read(&ch, 1, std::chrono::seconds(30))) problems += ch;
  const int code = child.Wait(std::chrono::seconds(30));
  if (code == kCannotConfine) GTEST_SKIP() << "no mount namespace to be had here: " << problems;
  EXPECT_EQ(code, 0);
  EXPECT_EQ(problems, "");
  if (c.limitOnlyInChild) {  // outside the child there is room again
    SqliteRegistry r(file);
    r.WriteInteger(Hive::CurrentUser, "SOFTWARE\\Big", "after", 1);
    EXPECT_EQ(r.ReadInteger(Hive::CurrentUser, "SOFTWARE\\Big", "after"), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, SqliteRegistryFullWrite, ::testing::ValuesIn(kFullWriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SqliteRegistryWrite, LockedStoreSaysSoAndWorksOnceLetGo) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  SqliteRegistry r(file, /*busyTimeoutMs=*/100);
  r.WriteString(Hive::CurrentUser, "SOFTWARE\\S", "Path", "/old");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  try {
    r.WriteString(Hive::CurrentUser, "SOFTWARE\\S", "Path", "/new");
    ADD_FAILURE() << "written";
  } catch (const bx::RegistryError& e) {
    EXPECT_EQ(MessageProblems(e.what(), "Failed to set data for 'Path'", file,
                              "is locked by another program, perhaps another copy of this one; close it and try again"),
              "");
  }
  EXPECT_EQ(r.ReadString(Hive::CurrentUser, "SOFTWARE\\S", "Path"), "/old");
  sqlite3_close(other);
  r.WriteString(Hive::CurrentUser, "SOFTWARE\\S", "Path", "/new");
  EXPECT_EQ(r.ReadString(Hive::CurrentUser, "SOFTWARE\\S", "Path"), "/new");
}

// A read that fails (here for want of memory, in a child held to what it has) says so,
// instead of passing for a missing value.
TEST(SqliteRegistryRead, AReadThatFailsSaysWhy) {
  bxtest::TempFolder tmp;
  const std::string file = tmp.File("registry.sqlite3");
  {
    SqliteRegistry r(file);
    r.WriteString(Hive::CurrentUser, "SOFTWARE\\S", "Big", std::string(1 << 20, 'b'));
  }
  bxtest::Child child([&](int fd) {
    SqliteRegistry r(file);
    sqlite3_hard_heap_limit64(sqlite3_memory_used() + 64 * 1024);
    std::string p;
    try {
      r.ReadString(Hive::CurrentUser, "SOFTWARE\\S", "Big");
      p = "read; ";
    } catch (const bx::RegistryError& e) {
      p = MessageProblems(e.what(), "Failed to get data for 'Big'", file, "ran out of memory");
    }
    return write(fd, p.data(), p.size()) == static_cast<ssize_t>(p.size()) ? 0 : 3;
  });
  std::string problems;
  char ch = 0;
  while (child.Read(&ch, 1, std::chrono::seconds(20))) problems += ch;
  EXPECT_EQ(child.Wait(std::chrono::seconds(20)), 0);
  EXPECT_EQ(problems, "");
}

}  // namespace
