#include "raw_db.h"

#include <gtest/gtest.h>

#include <QFile>

namespace kvsys::test {

RawDb::RawDb(const QString& path, bool create) {
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path.toStdString();
  }
  sqlite3_busy_timeout(db_, 5000);
}

RawDb::~RawDb() {
  sqlite3_close_v2(db_);
}

int RawDb::Exec(const QString& sql) {
  char* message = nullptr;
  const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    ADD_FAILURE() << (message ? message : sqlite3_errstr(rc)) << " in " << sql.toStdString();
  }
  sqlite3_free(message);
  return rc;
}

QVariant RawDb::Scalar(const QString& sql) {
  const Rows rows = Select(db_, sql);
  return rows.empty() || rows[0].empty() ? QVariant() : rows[0][0].value;
}

int RawDb::Count(const QString& table, int number) {
  return Scalar(QStringLiteral("SELECT count(*) FROM \"%1\" WHERE SaveNumber = %2")
                    .arg(table)
                    .arg(number))
      .toInt();
}

void ExecSql(const QString& path, const QString& sql) {
  RawDb(path, true).Exec(sql);
}

Rows Select(sqlite3* db, const QString& sql) {
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
          c.value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                      sqlite3_column_bytes(stmt, i));
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

}  // namespace kvsys::test
