#pragma once

// The SQLite side of the engine: one connection, statements and the translation of SQLite's
// result codes into our error numbers. Used inside src/db only.

#include <sqlite3.h>

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>
#include <unordered_map>
#include <vector>

#include "db/db_error.h"

namespace kvsys::detail {

// The error for a failed SQLite call on db (db may be null for errors without a connection).
// A file that cannot be read any more (3343, 3043) is named.
DbError SqliteError(sqlite3* db, int rc);

// The error of a statement the caller asked for: a file that cannot be read any more also
// says which tables sql was reading; other errors are given back as they are.
DbError WithDataRead(const DbError& error, const QString& sql);

class Statement;

class Connection {
 public:
  Connection(sqlite3* db, const QString& name, bool read_only);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The handle; raises 3420 once the database is closed.
  sqlite3* Handle() const;
  bool IsOpen() const { return db_ != nullptr; }
  void Close();
  const QString& Name() const { return name_; }
  bool ReadOnly() const { return read_only_; }
  void SetBusyTimeoutMs(int ms);

  // The statement of text (SQLite's dialect of it made by dialect), prepared at its first use
  // and kept for the next, reset and without bindings: writes repeated a batch at a time (the
  // print log's) are prepared once. Kept statements hold no lock between calls.
  Statement& Prepared(const QString& text, QString (*dialect)(const QString&));

 private:
  sqlite3* db_;
  QString name_;
  bool read_only_;
  std::unordered_map<QString, std::unique_ptr<Statement>> prepared_;
};

// A prepared statement, finalized with the object so no read lock outlives its use.
class Statement {
 public:
  // Raises a DbError (3075, 3078, 3061, ...) when SQLite does not take the text. With
  // single_only, text after the first statement raises 3142.
  Statement(sqlite3* db, const QString& sql, bool single_only = true);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  sqlite3_stmt* get() const { return stmt_; }
  void Bind(int index, const QVariant& value);  // index from 1; Utf8Text binds as text
  void BindAll(const QVariantList& values);
  // True while a row is available; raises on failure.
  bool Step();
  QVariant Column(int index) const;
  // Back to before the first step, bindings cleared (a kept statement between its uses).
  void Reset();

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  QByteArray utf8_;
};

// A text bound as these UTF-8 bytes, unchanged: what a QString would give back can differ
// from what the file holds (a leading BOM, bad bytes), and a comparison must see the latter.
struct Utf8Text {
  QByteArray bytes;
};

// Runs a statement that returns no rows.
void Exec(sqlite3* db, const QString& sql, const QVariantList& params = {});

// The value in a column of the current row, in the types the engine hands out.
inline QVariant ColumnValue(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER: {
      const sqlite3_int64 v = sqlite3_column_int64(stmt, i);
      if (v >= INT32_MIN && v <= INT32_MAX) return QVariant(static_cast<int>(v));
      return QVariant(static_cast<qlonglong>(v));
    }
    case SQLITE_FLOAT:
      return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT: {
      const char* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      return QVariant(QString::fromUtf8(p, sqlite3_column_bytes(stmt, i)));
    }
    case SQLITE_BLOB: {
      const char* p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
      return QVariant(QByteArray(p, sqlite3_column_bytes(stmt, i)));
    }
    default:
      return QVariant();
  }
}

// Opens a transaction that takes the write lock at once, so a write either sees the row as it
// checks it or waits (busy timeout) and fails with 3260. Rolls back unless committed. Inside a
// transaction the caller opened (Database::BeginTrans) it is a savepoint of that transaction, so
// a failed write undoes only itself.
class WriteTransaction {
 public:
  explicit WriteTransaction(sqlite3* db);
  ~WriteTransaction();
  void Commit();

 private:
  sqlite3* db_;
  bool open_ = false;
  bool nested_ = false;
};

}  // namespace kvsys::detail
