#pragma once

// Helpers of the Jet-file tests: the shared fixtures and plain SQLite reads.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

#include "db/db_error.h"
#include "db/jet_file.h"
#include "db_test_support.h"

namespace kvsys::test {

inline QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An in-memory SQLite database, closed with the object.
class MemoryDb {
 public:
  MemoryDb() { sqlite3_open(":memory:", &db_); }
  ~MemoryDb() { sqlite3_close(db_); }
  MemoryDb(const MemoryDb&) = delete;
  MemoryDb& operator=(const MemoryDb&) = delete;
  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// One value with its SQLite storage class, so integers, texts, nulls and empty texts differ.
struct Cell {
  int type = SQLITE_NULL;
  QVariant value;
  bool operator==(const Cell& o) const { return type == o.type && value == o.value; }
};
using Rows = std::vector<std::vector<Cell>>;

inline Rows Select(sqlite3* db, const QString& sql) {
  Rows rows;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql.toStdString();
    return rows;
  }
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    std::vector<Cell> row;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      Cell c;
      c.type = sqlite3_column_type(stmt, i);
      switch (c.type) {
        case SQLITE_INTEGER:
          c.value = static_cast<qlonglong>(sqlite3_column_int64(stmt, i));
          break;
        case SQLITE_FLOAT:
          c.value = sqlite3_column_double(stmt, i);
          break;
        case SQLITE_TEXT:
          c.value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
          break;
        case SQLITE_BLOB:
          c.value = QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)),
                               sqlite3_column_bytes(stmt, i));
          break;
        default:
          break;
      }
      row.push_back(c);
    }
    rows.push_back(row);
  }
  sqlite3_finalize(stmt);
  return rows;
}

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
