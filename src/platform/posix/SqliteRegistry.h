#pragma once
// The persistent registry on Linux: both hives in one SQLite database file of the user.
//
// Every change is one write transaction (WAL journal, synchronous=FULL), so a write that
// has returned survives the process being killed and the machine losing power, and a
// write that fails leaves the store as it was. Several processes may use one file at
// once: writers queue on the database lock (busy timeout) instead of failing. One
// connection serves all threads of a process, guarded by a mutex.
//
// A file that is damaged, is not a database, or holds some other program's tables is
// never repaired or replaced: the constructor throws RegistryOpenError naming it.
#include <memory>
#include <mutex>
#include <string>

#include "platform/Registry.h"

namespace bx {

namespace sqlite {
class Connection;
class Failure;
class Statement;
}  // namespace sqlite

class SqliteRegistry : public Registry {
 public:
  // Writers of another process hold the lock for one short transaction; waiting this long
  // means the other side is stuck, and the operation is reported as failed.
  static constexpr int kBusyTimeoutMs = 5000;

  // Opens or creates the store; creates the file's folder when missing. Tests give a
  // shorter busy time-out. Throws RegistryOpenError.
  explicit SqliteRegistry(std::string file, int busyTimeoutMs = kBusyTimeoutMs);
  // A store in memory holding what `file` holds now (empty when there is no such file),
  // read without writing anything beside it: for a store that cannot be written (a
  // read-only or full disk). Its writes last as long as the object. Throws
  // RegistryOpenError as the constructor does.
  static std::unique_ptr<SqliteRegistry> CopyInMemory(const std::string& file);
  ~SqliteRegistry() override;
  SqliteRegistry(const SqliteRegistry&) = delete;
  SqliteRegistry& operator=(const SqliteRegistry&) = delete;

  const std::string& File() const { return file_; }
  // SQLite's reason for the last failed operation, for diagnostics; empty when none.
  std::string LastError();

  bool KeyExists(Hive hive, const std::string& path) override;
  // The messages of the errors below go on after the quoted name or path with the store's
  // file and the cause in words the user can act on: "Failed to set data for 'WinTop':
  // the settings store /home/ann/.config/.../registry.sqlite3 is read-only; make the file
  // and its folder writable for your user (attempt to write a readonly database)".
  //
  // Throws RegistryError("Failed to create key '<path>'...") when the store is not writable.
  void CreateKey(Hive hive, const std::string& path) override;
  // false also when the store refused the change.
  bool DeleteKey(Hive hive, const std::string& path) override;
  // Throws RegistryError("Failed to get data for '<name>'...") when the store cannot be read.
  std::optional<RegValue> ReadValue(Hive hive, const std::string& path, const std::string& name) override;
  // Throws RegistryError("Failed to set data for '<name>'...").
  void WriteValue(Hive hive, const std::string& path, const std::string& name, const RegValue& value) override;
  bool DeleteValue(Hive hive, const std::string& path, const std::string& name) override;
  // The enumerations and the last-write time throw RegistryError("Failed to read key
  // '<path>'...") when the store cannot be read, rather than pass a failure off as "empty".
  std::vector<std::string> SubKeys(Hive hive, const std::string& path) override;
  std::vector<std::string> ValueNames(Hive hive, const std::string& path) override;
  std::optional<uint64_t> LastWriteTime(Hive hive, const std::string& path) override;
  // BEGIN IMMEDIATE ... COMMIT around `body`, which holds the store's write lock from its
  // first read; the writes in it are savepoints of that transaction, and other threads of
  // the process wait for it. A store still busy after the busy time-out is waited for
  // again, a bounded number of times; then RegistryError("Failed to save the settings...").
  void Transact(const std::function<void()>& body) override;
  // How often a transaction waits out the busy time-out before it is reported as failed.
  static constexpr int kTransactAttempts = 3;

 private:
  struct Statements;
  struct InMemory {};
  SqliteRegistry(std::string file, InMemory);
  void Open();
  void CopyFrom(const std::string& file);
  void CheckReadable();
  void PrepareSchema();
  bool EnsureKey(int64_t hive, const std::vector<std::string>& parts, uint64_t now);
  void Touch(int64_t hive, const std::string& fold, uint64_t now);
  uint64_t Now();
  std::string Damaged(const std::string& reason) const;
  // The message of a failed operation: `what` ("Failed to set data for 'Path'"), then
  // the store's file and what the user can do about the cause. Keeps the cause.
  std::string Failed(const std::string& what, const sqlite::Failure& f);
  // The names a listing statement gives for one key (subkeys or values).
  std::vector<std::string> Names(sqlite::Statement& statement, Hive hive, const std::string& path);

  std::string file_;
  int busyTimeoutMs_;
  std::recursive_mutex mu_;  // held through a transaction, whose writes lock it again
  std::unique_ptr<sqlite::Connection> db_;
  std::unique_ptr<Statements> st_;
  std::string lastError_;
  bool inMemory_ = false;
};

}  // namespace bx
