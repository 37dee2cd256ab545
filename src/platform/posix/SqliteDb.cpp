#include "platform/posix/SqliteDb.h"

namespace bx::sqlite {

Connection::Connection(const std::string& file, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
  db_.reset(raw);  // a failed open still hands out a handle that must be closed
  if (rc != SQLITE_OK) {
    const std::string msg = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
    throw Failure(rc, msg);
  }
}

void Connection::Exec(const char* sql) {
  const int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
}

void Connection::Fail(int rc) const {
  // The connection's message can be stale when the failing call does not set one.
  const std::string msg = sqlite3_errcode(db_.get()) == rc ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(rc);
  // The system's error is kept only where a system call is the cause: the connection
  // keeps it from the last one that failed, which may be long ago.
  const int code = rc & 0xFF;
  const bool fromSystem =
      code == SQLITE_IOERR || code == SQLITE_FULL || code == SQLITE_CANTOPEN || code == SQLITE_READONLY;
  throw Failure(code, msg, fromSystem ? sqlite3_system_errno(db_.get()) : 0);
}

Statement::Statement(Connection& c, const char* sql) : conn_(c) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v3(c.Handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
  stmt_.reset(raw);
  if (rc != SQLITE_OK) c.Fail(rc);
}

Statement& Statement::Bind(int index, std::string_view bytes) {
  // A null pointer would bind SQL NULL; the empty name must stay an empty BLOB.
  const int rc = bytes.empty() ? sqlite3_bind_zeroblob(stmt_.get(), index, 0)
                               : sqlite3_bind_blob64(stmt_.get(), index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) conn_.Fail(rc);
  return *this;
}

Statement& Statement::Bind(int index, int64_t value) {
  const int rc = sqlite3_bind_int64(stmt_.get(), index, value);
  if (rc != SQLITE_OK) conn_.Fail(rc);
  return *this;
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  conn_.Fail(rc);
}

void Statement::Run() {
  while (Step()) {
  }
}

std::string Statement::Bytes(int column) const {
  const void* p = sqlite3_column_blob(stmt_.get(), column);
  const int n = sqlite3_column_bytes(stmt_.get(), column);
  return p && n > 0 ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_.get(), column); }

bool Statement::IsNull(int column) const { return sqlite3_column_type(stmt_.get(), column) == SQLITE_NULL; }

void Statement::Reset() {
  sqlite3_reset(stmt_.get());
  sqlite3_clear_bindings(stmt_.get());
}

// Inside an open transaction the write is part of it: the outer one commits or rolls back.
WriteTransaction::WriteTransaction(Connection& c) : conn_(c), nested_(!sqlite3_get_autocommit(c.Handle())) {
  c.Exec(nested_ ? "SAVEPOINT bx_write" : "BEGIN IMMEDIATE");
}

WriteTransaction::~WriteTransaction() {
  // After SQLITE_FULL or an I/O error SQLite may already have rolled back on its own.
  if (done_ || sqlite3_get_autocommit(conn_.Handle())) return;
  sqlite3_exec(conn_.Handle(), nested_ ? "ROLLBACK TO bx_write; RELEASE bx_write" : "ROLLBACK", nullptr, nullptr,
               nullptr);
}

void WriteTransaction::Commit() {
  conn_.Exec(nested_ ? "RELEASE bx_write" : "COMMIT");
  done_ = true;
}

}  // namespace bx::sqlite
