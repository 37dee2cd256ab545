#pragma once
// A thin RAII layer over the SQLite C API for the settings store: one connection,
// prepared statements that give their locks back when a query ends, and a write
// transaction that rolls back unless it was committed.
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace bx::sqlite {

// Any SQLite failure; Code() is the primary result code (SQLITE_BUSY, SQLITE_READONLY...),
// SystemError() the errno of the system call that failed under it (0: none).
class Failure : public std::runtime_error {
 public:
  Failure(int code, const std::string& what, int systemError = 0)
      : std::runtime_error(what), code_(code), systemError_(systemError) {}
  int Code() const { return code_; }
  int SystemError() const { return systemError_; }

 private:
  int code_;
  int systemError_;
};

class Connection {
 public:
  Connection(const std::string& file, int flags);  // throws Failure
  sqlite3* Handle() const { return db_.get(); }
  void Exec(const char* sql);            // throws Failure
  [[noreturn]] void Fail(int rc) const;  // throws Failure with SQLite's message

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
};

class Statement {
 public:
  Statement(Connection& c, const char* sql);  // throws Failure, e.g. when a table is missing

  Statement& Bind(int index, std::string_view bytes);  // as a BLOB: any byte, zero included
  Statement& Bind(int index, int64_t value);
  bool Step();  // true while a row is ready; throws Failure
  void Run();   // steps to the end
  std::string Bytes(int column) const;
  int64_t Int(int column) const;
  bool IsNull(int column) const;
  int Type(int column) const { return sqlite3_column_type(stmt_.get(), column); }
  void Reset();

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
  };
  Connection& conn_;
  std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
};

// Scope of one use of a cached statement: a SELECT left unreset would keep its read
// snapshot open, so the statement is reset however the scope ends.
class Query {
 public:
  explicit Query(Statement& s) : s_(s) {}
  ~Query() { s_.Reset(); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  Statement* operator->() { return &s_; }

 private:
  Statement& s_;
};

// BEGIN IMMEDIATE takes the write lock up front, so a read-modify-write (creating the
// missing parents of a key) cannot interleave with another process's. Inside a
// transaction that is open already, it is a savepoint of that one: its changes are
// rolled back alone, and they are kept only when the outer transaction commits.
class WriteTransaction {
 public:
  explicit WriteTransaction(Connection& c);  // throws Failure after the busy timeout
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit();  // throws Failure; the destructor then rolls back

 private:
  Connection& conn_;
  bool nested_;
  bool done_ = false;
};

}  // namespace bx::sqlite
