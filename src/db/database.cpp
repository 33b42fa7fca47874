#include "db/database.h"

#include "db/recordset_data.h"
#include "db/sql_text.h"
#include "db/sqlite_connection.h"

namespace kvsys {

Database::Database(Passkey, std::shared_ptr<detail::Connection> connection)
    : conn_(std::move(connection)) {}

Database::~Database() {
  Close();
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& source, int type, int options) {
  return OpenRecordsetWithParams(source, {}, type, options);
}

std::unique_ptr<Recordset> Database::OpenRecordsetWithParams(const QString& sql,
                                                             const QVariantList& params, int type,
                                                             int options) {
  try {
    return std::unique_ptr<Recordset>(
        new Recordset(detail::LoadRecordset(conn_, sql, params, type, options)));
  } catch (const DbError& e) {
    throw detail::WithDataRead(e, sql);
  }
}

void Database::Execute(const QString& sql, int options) {
  ExecuteWithParams(sql, {}, options);
}

void Database::ExecuteWithParams(const QString& sql, const QVariantList& params, int options) {
  try {
    ExecuteStatement(sql, params, options);
  } catch (const DbError& e) {
    throw detail::WithDataRead(e, sql);
  }
}

void Database::ExecuteStatement(const QString& sql, const QVariantList& params, int /*options*/) {
  sqlite3* db = conn_->Handle();
  rows_affected_ = 0;
  detail::Statement& st = conn_->Prepared(sql, &ToSqliteDialect);
  // Reset however the call ends: a kept statement must not hold a lock until its next use.
  struct ResetAfter {
    detail::Statement& st;
    ~ResetAfter() { st.Reset(); }
  } reset_after{st};
  const bool reads_only = sqlite3_stmt_readonly(st.get()) != 0;
  if (reads_only && sqlite3_column_count(st.get()) > 0) {
    throw DbError(dberr::kSelectNotExecutable, DbErrorText(dberr::kSelectNotExecutable), sql);
  }
  if (!reads_only && conn_->ReadOnly()) throw DbError(dberr::kReadOnly);
  st.BindAll(params);
  const sqlite3_int64 before = sqlite3_total_changes64(db);
  while (st.Step()) {
  }
  rows_affected_ = static_cast<int>(sqlite3_total_changes64(db) - before);
}

int Database::RowsAffected() const {
  return rows_affected_;
}

qint64 Database::LastInsertId() const {
  return sqlite3_last_insert_rowid(conn_->Handle());
}

void Database::Close() {
  if (conn_) conn_->Close();
}

bool Database::IsOpen() const {
  return conn_ && conn_->IsOpen();
}

QString Database::Name() const {
  return conn_->Name();
}

bool Database::IsReadOnly() const {
  conn_->Handle();
  return conn_->ReadOnly();
}

bool Database::TableExists(const QString& table) {
  detail::Statement st(conn_->Handle(),
                       QStringLiteral("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') "
                                      "AND name = ? COLLATE NOCASE"));
  st.Bind(1, table);
  return st.Step();
}

QStringList Database::TableNames() {
  detail::Statement st(conn_->Handle(),
                       QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', "
                                      "'view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                                      "ORDER BY rowid"));
  QStringList out;
  while (st.Step()) out << st.Column(0).toString();
  return out;
}

QStringList Database::ColumnNames(const QString& table) {
  detail::Statement st(conn_->Handle(),
                       QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"));
  st.Bind(1, table);
  QStringList out;
  while (st.Step()) out << st.Column(0).toString();
  return out;
}

QString Database::IntegrityProblem() {
  QStringList found;
  try {
    detail::Statement st(conn_->Handle(), QStringLiteral("PRAGMA quick_check(5)"));
    while (st.Step()) found << st.Column(0).toString();
  } catch (const DbError& e) {
    // Damage the check itself trips over is damage too.
    if (e.number() != dberr::kNotADatabase) throw;
    return e.text();
  }
  if (found == QStringList{QStringLiteral("ok")}) return QString();
  return found.join(QLatin1Char('\n'));
}

void Database::SetBusyTimeoutMs(int ms) {
  conn_->SetBusyTimeoutMs(ms);
}

void Database::BeginTrans() {
  sqlite3* db = conn_->Handle();
  if (!sqlite3_get_autocommit(db)) throw DbError(dberr::kInvalidOperation);
  detail::Exec(db, conn_->ReadOnly() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
}

void Database::BeginReadTrans() {
  sqlite3* db = conn_->Handle();
  if (!sqlite3_get_autocommit(db)) throw DbError(dberr::kInvalidOperation);
  detail::Exec(db, QStringLiteral("BEGIN DEFERRED"));
}

ReadTransaction::ReadTransaction(Database& db) : db_(db) {
  if (db_.InTransaction()) return;
  db_.BeginReadTrans();
  open_ = true;
}

ReadTransaction::~ReadTransaction() {
  if (!open_) return;
  try {
    db_.CommitTrans();  // nothing was written: this only lets go of the read lock
  } catch (...) {
    // A closed connection holds no lock any more.
  }
}

void Database::CommitTrans() {
  sqlite3* db = conn_->Handle();
  if (sqlite3_get_autocommit(db)) throw DbError(dberr::kInvalidOperation);
  detail::Exec(db, QStringLiteral("COMMIT"));
}

void Database::Rollback() {
  sqlite3* db = conn_->Handle();
  if (sqlite3_get_autocommit(db)) throw DbError(dberr::kInvalidOperation);
  detail::Exec(db, QStringLiteral("ROLLBACK"));
}

bool Database::InTransaction() const {
  return conn_->IsOpen() && !sqlite3_get_autocommit(conn_->Handle());
}

}  // namespace kvsys
