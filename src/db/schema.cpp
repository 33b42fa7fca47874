#include "db/schema.h"

#include <QFile>
#include <QFileInfo>

#include "db/sql_text.h"
#include "db/sqlite_connection.h"

namespace kvsys {

void CreateDatabase(const QString& path) {
  if (path.isEmpty()) throw DbError(dberr::kInvalidPath);
  if (QFileInfo::exists(path)) {
    throw DbError(dberr::kDatabaseExists, DbErrorText(dberr::kDatabaseExists), path);
  }
  {
    // NewOnly: a file that appeared meanwhile is never overwritten.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      const int number = QFileInfo::exists(path) ? dberr::kDatabaseExists : dberr::kInvalidPath;
      throw DbError(number, DbErrorText(number), path);
    }
  }
  sqlite3* db = nullptr;
  try {
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) throw detail::SqliteError(db, rc);
    sqlite3_extended_result_codes(db, 1);
    detail::Exec(db, QStringLiteral("PRAGMA journal_mode = DELETE"));
    // Writing the header makes the file a database of its own (an empty file is refused).
    detail::Exec(db, QStringLiteral("PRAGMA application_id = 1263948633"));
    sqlite3_close_v2(db);
  } catch (const DbError& e) {
    sqlite3_close_v2(db);
    QFile::remove(path);
    throw DbError(dberr::kInvalidPath, DbErrorText(dberr::kInvalidPath), e.detail());
  }
}

QString Int16Column(const QString& name, const QString& default_sql) {
  const QString q = QuoteIdentifier(name);
  QString def = q + QStringLiteral(" SMALLINT");
  if (!default_sql.isEmpty()) def += QStringLiteral(" DEFAULT ") + default_sql;
  return def + QStringLiteral(" CHECK (") + q + QStringLiteral(" BETWEEN -32768 AND 32767)");
}

}  // namespace kvsys
