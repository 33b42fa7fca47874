#pragma once

// SQLite reached directly, beside the engine: to build and damage files, to hold a lock like
// another workstation or program, and to check what was stored without the code under test.

#include <sqlite3.h>

#include <QString>
#include <QVariant>
#include <optional>
#include <ostream>
#include <vector>

#include "db/db_error.h"
#include "db/jet_file.h"

namespace kvsys::test {

// A connection of its own on a file, closed with the object. It waits for locks as another
// workstation would.
class RawDb {
 public:
  explicit RawDb(const QString& path, bool create = false);
  ~RawDb();
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  // Runs SQL text (several statements); a failure fails the test with SQLite's message.
  // Returns SQLite's result code.
  int Exec(const QString& sql);
  // The first column of the first row; a null QVariant when there is none.
  QVariant Scalar(const QString& sql);
  int Count(const QString& table, int number);  // rows of the table with that layout number
  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// An in-memory SQLite database, closed with the object.
class MemoryDb : public RawDb {
 public:
  MemoryDb() : RawDb(QStringLiteral(":memory:"), true) {}
};

// Runs SQL on a file (created when missing) through a connection of its own.
void ExecSql(const QString& path, const QString& sql);

// One value with its SQLite storage class, so integers, texts, nulls and empty texts differ.
struct Cell {
  int type = SQLITE_NULL;
  QVariant value;
  bool operator==(const Cell& o) const { return type == o.type && value == o.value; }
};
using Rows = std::vector<std::vector<Cell>>;

// Every row of a query; a query that fails fails the test.
Rows Select(sqlite3* db, const QString& sql);

inline Cell Int(qlonglong v) {
  return {SQLITE_INTEGER, v};
}
inline Cell Text(const QString& v) {
  return {SQLITE_TEXT, v};
}
inline Cell Real(double v) {
  return {SQLITE_FLOAT, v};
}
inline Cell Null() {
  return {};
}

inline void PrintTo(const Cell& c, std::ostream* os) {
  *os << (c.type == SQLITE_NULL ? "NULL" : c.value.toString().toStdString()) << "/" << c.type;
}

// The error a load raises, or nothing when it succeeds.
inline std::optional<DbError> LoadError(const QString& path, sqlite3* target,
                                        const JetReadLimits& limits = {}) {
  try {
    LoadJetFile(path, target, limits);
  } catch (const DbError& e) {
    return e;
  }
  return std::nullopt;
}

}  // namespace kvsys::test
