#include "platform/posix/SqliteRegistry.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "core/Bytes.h"
#include "platform/posix/SqliteDb.h"

namespace bx {

namespace {

// Format 1: keys by hive and folded full path, values by key and folded name. Folded
// means A-Z upper-cased, so ORDER BY on a folded column is the registry's
// case-insensitive order. Names and string data are BLOBs: any byte, zero included.
constexpr int64_t kFormat = 1;
const char* const kCreateSchema = R"sql(
CREATE TABLE keys(
  hive INTEGER NOT NULL,
  path BLOB NOT NULL,
  parent BLOB,
  name BLOB NOT NULL,
  last_write INTEGER NOT NULL,
  PRIMARY KEY(hive, path)) WITHOUT ROWID;
CREATE INDEX keys_by_parent ON keys(hive, parent, path);
CREATE TABLE vals(
  hive INTEGER NOT NULL,
  path BLOB NOT NULL,
  fold BLOB NOT NULL,
  name BLOB NOT NULL,
  type INTEGER NOT NULL,
  data,
  PRIMARY KEY(hive, path, fold)) WITHOUT ROWID;
PRAGMA user_version = 1;
)sql";

// The classic type numbers, so that a store read with other tools makes sense.
constexpr int64_t kString = 1;   // REG_SZ
constexpr int64_t kInteger = 4;  // REG_DWORD

constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

int64_t HiveId(Hive h) { return h == Hive::CurrentUser ? 1 : 2; }

std::string Fold(const std::string& path) { return UpperAscii(NormalizeKeyPath(path)); }

std::string ParentOf(const std::string& fold) {
  const auto slash = fold.rfind('\\');
  return slash == std::string::npos ? std::string() : fold.substr(0, slash);
}

bool IsBusy(int code) { return code == SQLITE_BUSY || code == SQLITE_LOCKED; }

bool IsDamage(int code) { return code == SQLITE_NOTADB || code == SQLITE_CORRUPT || code == SQLITE_FORMAT; }

// What became of the store, and what the user can do about it: by the system's error
// where there was one (SQLite calls a full disk and a file size limit both an I/O error),
// else by SQLite's primary code.
const char* Plight(int code, int systemError) {
  switch (systemError) {
    case ENOSPC:
    case EDQUOT:
      return "is on a full disk; free some space and try again";
    case EFBIG:
      return "has reached the largest file size allowed to this user; raise the limit or free space";
    case EROFS:
      return "is on a read-only file system; mount it writable or move the store";
    case EACCES:
    case EPERM:
      return "refused access; check the permissions of the file and its folder";
    default:
      break;
  }
  switch (code) {
    case SQLITE_READONLY:
      return "is read-only; make the file and its folder writable for your user";
    case SQLITE_CANTOPEN:
      return "cannot be opened; check that its folder exists and that you may write to it";
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return "refused access; check the permissions of the file and its folder";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL:  // lost the race for the locks to others again and again
      return "is locked by another program, perhaps another copy of this one; close it and try again";
    case SQLITE_FULL:
      return "is on a full disk; free some space and try again";
    case SQLITE_IOERR:
      return "could not be read or written (a disk error); check the disk";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return "is damaged; move it away to start with empty settings";
    case SQLITE_NOMEM:
      return "ran out of memory; close some programs and try again";
    default:
      return "failed";
  }
}

// "is read-only; make the file ... (attempt to write a readonly database)": what the user
// can do, then SQLite's and the system's own words.
std::string Trouble(const sqlite::Failure& f) {
  std::string words = f.what();
  if (f.SystemError() != 0) words += std::string(": ") + std::strerror(f.SystemError());
  return std::string(Plight(f.Code(), f.SystemError())) + " (" + words + ")";
}

}  // namespace

struct SqliteRegistry::Statements {
  explicit Statements(sqlite::Connection& c)
      : findKey(c, "SELECT last_write FROM keys WHERE hive=?1 AND path=?2"),
        insertKey(c, "INSERT OR IGNORE INTO keys(hive, path, parent, name, last_write) VALUES(?1, ?2, ?3, ?4, ?5)"),
        touchKey(c, "UPDATE keys SET last_write=max(?3, last_write + 1) WHERE hive=?1 AND path=?2"),
        subKeys(c, "SELECT name FROM keys WHERE hive=?1 AND parent=?2 ORDER BY path"),
        deleteKeys(c, "DELETE FROM keys WHERE hive=?1 AND (path=?2 OR (path>=?3 AND path<?4))"),
        deleteKeyValues(c, "DELETE FROM vals WHERE hive=?1 AND (path=?2 OR (path>=?3 AND path<?4))"),
        readValue(c, "SELECT type, data FROM vals WHERE hive=?1 AND path=?2 AND fold=?3"),
        writeValue(c,
                   "INSERT INTO vals(hive, path, fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5, ?6) "
                   "ON CONFLICT(hive, path, fold) DO UPDATE SET type=excluded.type, data=excluded.data"),
        deleteValue(c, "DELETE FROM vals WHERE hive=?1 AND path=?2 AND fold=?3"),
        valueNames(c, "SELECT name FROM vals WHERE hive=?1 AND path=?2 ORDER BY fold") {}

  sqlite::Statement findKey, insertKey, touchKey, subKeys, deleteKeys, deleteKeyValues;
  sqlite::Statement readValue, writeValue, deleteValue, valueNames;
};

SqliteRegistry::SqliteRegistry(std::string file, int busyTimeoutMs)
    : file_(std::move(file)), busyTimeoutMs_(busyTimeoutMs) {
  Open();
}

SqliteRegistry::SqliteRegistry(std::string file, InMemory)
    : file_(std::move(file)), busyTimeoutMs_(kBusyTimeoutMs), inMemory_(true) {
  Open();
}

std::unique_ptr<SqliteRegistry> SqliteRegistry::CopyInMemory(const std::string& file) {
  return std::unique_ptr<SqliteRegistry>(new SqliteRegistry(file, InMemory{}));
}

SqliteRegistry::~SqliteRegistry() = default;

// The file read-only, and with its WAL as it stands; where the folder allows no shared
// memory file beside it, as a file nobody changes (immutable), which reads the database
// file alone.
void SqliteRegistry::CopyFrom(const std::string& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return;
  std::string uri = "file:";
  for (const char c : file) {
    if (c == '%' || c == '?' || c == '#')
      uri += Format("%%%02x", static_cast<unsigned char>(c));
    else
      uri += c;
  }
  std::unique_ptr<sqlite::Connection> source;
  for (const char* query : {"?mode=ro", "?mode=ro&immutable=1"}) {
    try {
      source = std::make_unique<sqlite::Connection>(uri + query, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
      sqlite::Statement probe(*source, "SELECT count(*) FROM sqlite_schema");
      probe.Step();
      break;
    } catch (const sqlite::Failure& f) {
      source.reset();
      if (IsDamage(f.Code())) throw RegistryOpenError(Damaged(f.what()));
    }
  }
  if (!source) throw RegistryOpenError("The settings store " + file_ + " cannot be read.");
  sqlite3_backup* b = sqlite3_backup_init(db_->Handle(), "main", source->Handle(), "main");
  if (!b) db_->Fail(sqlite3_errcode(db_->Handle()));
  const int rc = sqlite3_backup_step(b, -1);
  sqlite3_backup_finish(b);
  if (rc != SQLITE_DONE)
    throw RegistryOpenError("The settings store " + file_ + " cannot be read (" + sqlite3_errstr(rc) + ").");
}

std::string SqliteRegistry::LastError() {
  std::lock_guard g(mu_);
  return lastError_;
}

std::string SqliteRegistry::Failed(const std::string& what, const sqlite::Failure& f) {
  lastError_ = f.what();
  return what + ": the settings store " + file_ + " " + Trouble(f);
}

std::string SqliteRegistry::Damaged(const std::string& reason) const {
  return "The settings store " + file_ + " is damaged or is not a settings database (" + reason +
         "). It was left untouched; move it away to start with empty settings.";
}

void SqliteRegistry::Open() {
  std::error_code ec;
  const auto folder = std::filesystem::path(file_).parent_path();
  if (!folder.empty() && !inMemory_) std::filesystem::create_directories(folder, ec);  // a failure shows in the open
  try {
    db_ = std::make_unique<sqlite::Connection>(inMemory_ ? ":memory:" : file_,
                                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3_busy_timeout(db_->Handle(), busyTimeoutMs_);
    if (inMemory_) CopyFrom(file_);
    CheckReadable();
    PrepareSchema();
    st_ = std::make_unique<Statements>(*db_);
  } catch (const sqlite::Failure& f) {
    if (db_) sqlite3_db_config(db_->Handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    if (IsDamage(f.Code()) || f.Code() == SQLITE_ERROR) throw RegistryOpenError(Damaged(f.what()));
    throw RegistryOpenError("The settings store " + file_ + " " + Trouble(f) + ".");
  } catch (const RegistryOpenError&) {
    // Closing must not checkpoint a journal into a file that is not ours to change.
    if (db_) sqlite3_db_config(db_->Handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    throw;
  }
}

// A real read of the schema fails on a file that is not a database; quick_check walks
// every page of the (small) store and finds damage inside one.
void SqliteRegistry::CheckReadable() {
  sqlite::Statement schema(*db_, "SELECT count(*) FROM sqlite_schema");
  schema.Step();
  sqlite::Statement check(*db_, "PRAGMA quick_check");
  std::string problems;
  while (check.Step()) {
    const std::string row = check.Bytes(0);
    if (row == "ok") continue;
    if (!problems.empty()) problems += "; ";
    problems += row;
    if (problems.size() > 200) break;
  }
  if (!problems.empty()) throw RegistryOpenError(Damaged(problems));
}

void SqliteRegistry::PrepareSchema() {
  // One statement reads both in one snapshot: read apart, another process creating the
  // store in between would make a new store look like another program's tables.
  sqlite::Statement state(
      *db_, "SELECT (SELECT user_version FROM pragma_user_version), (SELECT count(*) FROM sqlite_schema)");
  state.Step();
  const int64_t format = state.Int(0);
  const int64_t objects = state.Int(1);
  state.Reset();
  if (format > kFormat)
    throw RegistryOpenError("The settings store " + file_ + " was written by a newer version of the program (format " +
                            std::to_string(format) + ", this one knows up to " + std::to_string(kFormat) +
                            "). It was left untouched.");
  if (format == 0 && objects > 0) throw RegistryOpenError(Damaged("it holds tables of another program"));

  // Only a store known to be ours is switched to WAL; on a read-only file the switch
  // fails and reads still work, so the result is not checked.
  sqlite3_exec(db_->Handle(), "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  // FULL syncs the WAL at every commit: a returned write survives a power cut, not just
  // a killed process, at one fdatasync per write.
  db_->Exec("PRAGMA synchronous=FULL");

  if (format == 0) {
    sqlite::WriteTransaction t(*db_);
    // Another process may have created the store while this one waited for the lock.
    sqlite::Statement again(*db_, "PRAGMA user_version");
    again.Step();
    const bool fresh = again.Int(0) == 0;
    again.Reset();
    if (fresh) {
      db_->Exec(kCreateSchema);
      const uint64_t now = Now();
      sqlite::Statement root(*db_,
                             "INSERT INTO keys(hive, path, parent, name, last_write) VALUES(?1, x'', NULL, x'', ?2)");
      for (Hive h : {Hive::CurrentUser, Hive::LocalMachine}) {
        root.Bind(1, HiveId(h)).Bind(2, static_cast<int64_t>(now));
        root.Run();
        root.Reset();
      }
    }
    t.Commit();
  }
}

uint64_t SqliteRegistry::Now() {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return kUnixEpochAsFileTime +
         static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100);
}

// Moves a key's last-write time to now, or one tick past its old time when the clock has
// not moved since (several writes within one 100 ns tick, or a clock set back).
void SqliteRegistry::Touch(int64_t hive, const std::string& fold, uint64_t now) {
  sqlite::Query q(st_->touchKey);
  q->Bind(1, hive).Bind(2, fold).Bind(3, static_cast<int64_t>(now));
  q->Run();
}

// Creates the missing keys along the path, each touching its parent. Inside a write
// transaction. Returns whether the last one was created.
bool SqliteRegistry::EnsureKey(int64_t hive, const std::vector<std::string>& parts, uint64_t now) {
  std::string fold;
  bool created = false;
  for (const auto& part : parts) {
    const std::string parent = fold;
    fold += (fold.empty() ? "" : "\\") + UpperAscii(part);
    sqlite::Query q(st_->insertKey);
    q->Bind(1, hive).Bind(2, fold).Bind(3, parent).Bind(4, part).Bind(5, static_cast<int64_t>(now));
    q->Run();
    created = sqlite3_changes(db_->Handle()) > 0;
    if (created) Touch(hive, parent, now);
  }
  return created;
}

bool SqliteRegistry::KeyExists(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  const std::string fold = Fold(path);
  if (fold.empty()) return true;
  try {
    sqlite::Query q(st_->findKey);
    q->Bind(1, HiveId(hive)).Bind(2, fold);
    return q->Step();
  } catch (const sqlite::Failure& f) {
    throw RegistryError(Failed("Failed to read key '" + NormalizeKeyPath(path) + "'", f));
  }
}

void SqliteRegistry::CreateKey(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  try {
    sqlite::WriteTransaction t(*db_);
    EnsureKey(HiveId(hive), SplitKeyPath(path), Now());
    t.Commit();
  } catch (const sqlite::Failure& f) {
    throw RegistryError(Failed("Failed to create key '" + NormalizeKeyPath(path) + "'", f));
  }
}

bool SqliteRegistry::DeleteKey(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  const std::string fold = Fold(path);
  if (fold.empty()) return false;
  const int64_t h = HiveId(hive);
  try {
    sqlite::WriteTransaction t(*db_);
    {
      sqlite::Query q(st_->findKey);
      q->Bind(1, h).Bind(2, fold);
      if (!q->Step()) return false;
    }
    // Every path below the key starts with fold + '\'; ']' is the byte after '\'.
    for (sqlite::Statement* s : {&st_->deleteKeyValues, &st_->deleteKeys}) {
      sqlite::Query q(*s);
      q->Bind(1, h).Bind(2, fold).Bind(3, fold + "\\").Bind(4, fold + "]");
      q->Run();
    }
    Touch(h, ParentOf(fold), Now());
    t.Commit();
    return true;
  } catch (const sqlite::Failure& f) {
    lastError_ = f.what();
    return false;
  }
}

std::optional<RegValue> SqliteRegistry::ReadValue(Hive hive, const std::string& path, const std::string& name) {
  std::lock_guard g(mu_);
  int64_t type = 0;
  RegValue v;
  try {
    sqlite::Query q(st_->readValue);
    q->Bind(1, HiveId(hive)).Bind(2, Fold(path)).Bind(3, UpperAscii(name));
    if (!q->Step()) return std::nullopt;
    type = q->Int(0);
    if (type == kString) v = RegValue::String(q->Bytes(1));
    // Kept as 32 bits, whether written signed or (by another tool) as an unsigned DWORD.
    if (type == kInteger) v = RegValue::Integer(static_cast<int32_t>(static_cast<uint32_t>(q->Int(1))));
  } catch (const sqlite::Failure& f) {
    throw RegistryError(Failed("Failed to get data for '" + name + "'", f));
  }
  if (type != kString && type != kInteger) throw RegistryError("Invalid data type for '" + name + "'");
  return v;
}

void SqliteRegistry::WriteValue(Hive hive, const std::string& path, const std::string& name, const RegValue& value) {
  std::lock_guard g(mu_);
  const int64_t h = HiveId(hive);
  const auto parts = SplitKeyPath(path);
  const std::string fold = Fold(path);
  try {
    sqlite::WriteTransaction t(*db_);
    const uint64_t now = Now();  // taken under the lock, so times follow the commit order
    EnsureKey(h, parts, now);
    {
      sqlite::Query q(st_->writeValue);
      q->Bind(1, h).Bind(2, fold).Bind(3, UpperAscii(name)).Bind(4, name);
      if (value.type == RegValue::Type::String)
        q->Bind(5, kString).Bind(6, value.text);
      else
        q->Bind(5, kInteger).Bind(6, static_cast<int64_t>(value.number));
      q->Run();
    }
    Touch(h, fold, now);
    t.Commit();
  } catch (const sqlite::Failure& f) {
    throw RegistryError(Failed("Failed to set data for '" + name + "'", f));
  }
}

bool SqliteRegistry::DeleteValue(Hive hive, const std::string& path, const std::string& name) {
  std::lock_guard g(mu_);
  const int64_t h = HiveId(hive);
  const std::string fold = Fold(path);
  try {
    sqlite::WriteTransaction t(*db_);
    {
      sqlite::Query q(st_->deleteValue);
      q->Bind(1, h).Bind(2, fold).Bind(3, UpperAscii(name));
      q->Run();
    }
    if (sqlite3_changes(db_->Handle()) == 0) return false;
    Touch(h, fold, Now());
    t.Commit();
    return true;
  } catch (const sqlite::Failure& f) {
    lastError_ = f.what();
    return false;
  }
}

std::vector<std::string> SqliteRegistry::Names(sqlite::Statement& statement, Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  std::vector<std::string> out;
  try {
    sqlite::Query q(statement);
    q->Bind(1, HiveId(hive)).Bind(2, Fold(path));
    while (q->Step()) out.push_back(q->Bytes(0));
  } catch (const sqlite::Failure& f) {
    throw RegistryError(Failed("Failed to read key '" + NormalizeKeyPath(path) + "'", f));
  }
  return out;
}

std::vector<std::string> SqliteRegistry::SubKeys(Hive hive, const std::string& path) {
  return Names(st_->subKeys, hive, path);
}

std::vector<std::string> SqliteRegistry::ValueNames(Hive hive, const std::string& path) {
  return Names(st_->valueNames, hive, path);
}

void SqliteRegistry::Transact(const std::function<void()>& body) {
  std::lock_guard g(mu_);
  if (!sqlite3_get_autocommit(db_->Handle())) {  // inside another transaction: part of it
    body();
    return;
  }
  for (int attempt = 1;; ++attempt) {
    std::optional<sqlite::WriteTransaction> t;
    try {
      t.emplace(*db_);
    } catch (const sqlite::Failure& f) {
      if (IsBusy(f.Code()) && attempt < kTransactAttempts) continue;
      throw RegistryError(Failed("Failed to save the settings", f));
    }
    body();  // a throw rolls back in the transaction's destructor
    try {
      t->Commit();
      return;
    } catch (const sqlite::Failure& f) {
      if (IsBusy(f.Code()) && attempt < kTransactAttempts) continue;
      throw RegistryError(Failed("Failed to save the settings", f));
    }
  }
}

std::optional<uint64_t> SqliteRegistry::LastWriteTime(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  try {
    sqlite::Query q(st_->findKey);
    q->Bind(1, HiveId(hive)).Bind(2, Fold(path));
    if (!q->Step()) return std::nullopt;
    return static_cast<uint64_t>(q->Int(0));
  } catch (const sqlite::Failure& f) {
    throw RegistryError(Failed("Failed to read key '" + NormalizeKeyPath(path) + "'", f));
  }
}

}  // namespace bx
