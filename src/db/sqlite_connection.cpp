#include "db/sqlite_connection.h"

#include <QFileInfo>

#include "db/sql_text.h"

namespace kvsys::detail {

namespace {

int NumberFor(int rc, const QString& message) {
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return dberr::kLocked;
    case SQLITE_READONLY:
      return dberr::kReadOnly;
    case SQLITE_CONSTRAINT:
      switch (rc) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
        case SQLITE_CONSTRAINT_ROWID:
          return dberr::kDuplicateKey;
        case SQLITE_CONSTRAINT_NOTNULL:
          return dberr::kNullNotAllowed;
        case SQLITE_CONSTRAINT_CHECK:
          return dberr::kNumericOverflow;
        default:
          return dberr::kEngineFailure;
      }
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_PROTOCOL:
    case SQLITE_CANTOPEN:
      return dberr::kDiskError;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return dberr::kNotADatabase;
    case SQLITE_NOMEM:
    case SQLITE_TOOBIG:
      return dberr::kResourceExceeded;
    case SQLITE_MISMATCH:
      return dberr::kTypeConversion;
    case SQLITE_RANGE:
      return dberr::kInvalidArgument;
    case SQLITE_ERROR:
      if (message.startsWith(QLatin1String("no such table"))) return dberr::kNoSuchTable;
      if (message.startsWith(QLatin1String("no such column"))) return dberr::kUnknownColumn;
      if (message.startsWith(QLatin1String("ambiguous column"))) return dberr::kAmbiguousColumn;
      if (message.contains(QLatin1String("syntax error")) ||
          message.startsWith(QLatin1String("incomplete input")) ||
          message.startsWith(QLatin1String("unrecognized token"))) {
        return dberr::kSqlSyntax;
      }
      return dberr::kEngineFailure;
    default:
      return dberr::kEngineFailure;
  }
}

// True when the database holds no table at all: its file was emptied (cut to 0 bytes, say)
// after it was opened.
bool HasNoTables(sqlite3* db) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &stmt, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(stmt);
    return false;
  }
  const bool empty = sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int64(stmt, 0) == 0;
  sqlite3_finalize(stmt);
  return empty;
}

// The file's name for the operator: a meet file replaced or damaged while the program has it
// open fails in the middle of some read, and "which database" is the first question.
QString FileText(sqlite3* db, const QString& what) {
  const char* path = db ? sqlite3_db_filename(db, "main") : nullptr;
  if (!path || !*path) return QString();  // a memory database (a Jet file's copy)
  return QStringLiteral("データベースファイル（%1）")
             .arg(QFileInfo(QString::fromUtf8(path)).fileName()) +
         what;
}

}  // namespace

DbError SqliteError(sqlite3* db, int rc) {
  QString message =
      db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
  const int ext = db ? sqlite3_extended_errcode(db) : rc;
  // The connection's last error is the one we were given unless a later call replaced it.
  const int code = (ext & 0xff) == (rc & 0xff) ? ext : rc;
  const int number = NumberFor(code, message);
  if (number == dberr::kNoSuchTable && db && HasNoTables(db)) {
    const QString named = FileText(db, QStringLiteral("が空か、壊れています。"));
    return DbError(
        dberr::kNotADatabase,
        named.isEmpty() ? QStringLiteral("データベースファイルが空か、壊れています。") : named,
        message);
  }
  QString named;
  if (number == dberr::kNotADatabase) {
    named = FileText(db, QStringLiteral("の形式を認識できません。"));
  } else if (number == dberr::kDiskError) {
    named = FileText(
        db, QStringLiteral("を読み書きできません（ディスクまたはネットワークのエラー）。"));
  }
  return DbError(number, named.isEmpty() ? DbErrorText(number) : named, message);
}

DbError WithDataRead(const DbError& error, const QString& sql) {
  if (error.number() != dberr::kNotADatabase && error.number() != dberr::kDiskError) return error;
  // A recordset is also opened on a table by its name alone.
  const QString table = SingleTableName(sql);
  const QStringList tables = table.isEmpty() ? TablesNamed(sql) : QStringList{table};
  if (tables.isEmpty()) return error;
  return DbError(
      error.number(),
      error.text() + QStringLiteral("\r読み込み中のデータ：") + tables.join(QStringLiteral("、")),
      error.detail());
}

Connection::Connection(sqlite3* db, const QString& name, bool read_only)
    : db_(db), name_(name), read_only_(read_only) {}

Connection::~Connection() {
  Close();
}

sqlite3* Connection::Handle() const {
  if (!db_) throw DbError(dberr::kObjectClosed);
  return db_;
}

Statement& Connection::Prepared(const QString& text, QString (*dialect)(const QString&)) {
  const auto it = prepared_.find(text);
  if (it != prepared_.end()) return *it->second;
  // A handful of texts repeat; anything else is let go rather than kept forever.
  if (prepared_.size() >= 64) prepared_.clear();
  auto statement = std::make_unique<Statement>(Handle(), dialect(text));
  return *prepared_.emplace(text, std::move(statement)).first->second;
}

void Connection::Close() {
  prepared_.clear();
  if (db_) {
    // Statements never outlive a call but the kept ones, finalized just now, so close_v2 has
    // nothing left to wait for.
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

void Connection::SetBusyTimeoutMs(int ms) {
  if (db_) sqlite3_busy_timeout(db_, ms);
}

Statement::Statement(sqlite3* db, const QString& sql, bool single_only) : db_(db) {
  utf8_ = sql.toUtf8();
  const char* tail = nullptr;
  const int rc =
      sqlite3_prepare_v2(db, utf8_.constData(), static_cast<int>(utf8_.size()) + 1, &stmt_, &tail);
  if (rc != SQLITE_OK) throw SqliteError(db, rc);
  if (!stmt_) throw DbError(dberr::kSqlSyntax, DbErrorText(dberr::kSqlSyntax), sql);
  if (single_only && tail) {
    const QString rest = QString::fromUtf8(tail);
    for (const SqlToken& t : TokenizeSql(rest)) {
      const bool harmless = t.kind == SqlToken::kSpace || t.kind == SqlToken::kComment ||
                            (t.kind == SqlToken::kPunct && rest.at(t.start) == QLatin1Char(';'));
      if (!harmless) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw DbError(dberr::kTextAfterStatement, DbErrorText(dberr::kTextAfterStatement), rest);
      }
    }
  }
}

Statement::~Statement() {
  sqlite3_finalize(stmt_);
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

void Statement::Bind(int index, const QVariant& v) {
  int rc = SQLITE_OK;
  if (v.metaType() == QMetaType::fromType<Utf8Text>()) {
    const QByteArray& t = static_cast<const Utf8Text*>(v.constData())->bytes;
    rc = sqlite3_bind_text64(stmt_, index, t.isNull() ? "" : t.constData(),
                             static_cast<sqlite3_uint64>(t.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
  } else if (v.isNull()) {
    rc = sqlite3_bind_null(stmt_, index);
  } else {
    switch (v.typeId()) {
      case QMetaType::Bool:
      case QMetaType::Int:
      case QMetaType::UInt:
      case QMetaType::LongLong:
      case QMetaType::Short:
      case QMetaType::UShort:
      case QMetaType::Char:
      case QMetaType::SChar:
      case QMetaType::UChar:
      case QMetaType::Long:
      case QMetaType::ULong:
        rc = sqlite3_bind_int64(stmt_, index, v.toLongLong());
        break;
      case QMetaType::ULongLong:
        rc = sqlite3_bind_int64(stmt_, index, static_cast<sqlite3_int64>(v.toULongLong()));
        break;
      case QMetaType::Double:
      case QMetaType::Float:
        rc = sqlite3_bind_double(stmt_, index, v.toDouble());
        break;
      case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        rc = sqlite3_bind_blob64(stmt_, index, b.constData(), static_cast<sqlite3_uint64>(b.size()),
                                 SQLITE_TRANSIENT);
        break;
      }
      default: {
        const QByteArray t = v.toString().toUtf8();
        rc = sqlite3_bind_text64(stmt_, index, t.constData(), static_cast<sqlite3_uint64>(t.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
      }
    }
  }
  if (rc != SQLITE_OK) throw SqliteError(db_, rc);
}

void Statement::BindAll(const QVariantList& values) {
  const int wanted = sqlite3_bind_parameter_count(stmt_);
  if (values.size() != wanted) {
    throw DbError(
        dberr::kInvalidArgument, DbErrorText(dberr::kInvalidArgument),
        QStringLiteral("statement takes %1 values, %2 given").arg(wanted).arg(values.size()));
  }
  for (int i = 0; i < wanted; ++i) Bind(i + 1, values[i]);
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw SqliteError(db_, rc);
}

QVariant Statement::Column(int index) const {
  return ColumnValue(stmt_, index);
}

void Exec(sqlite3* db, const QString& sql, const QVariantList& params) {
  Statement st(db, sql);
  st.BindAll(params);
  while (st.Step()) {
  }
}

WriteTransaction::WriteTransaction(sqlite3* db) : db_(db) {
  nested_ = !sqlite3_get_autocommit(db_);
  Exec(db_, nested_ ? QStringLiteral("SAVEPOINT kvsys_write") : QStringLiteral("BEGIN IMMEDIATE"));
  open_ = true;
}

WriteTransaction::~WriteTransaction() {
  if (!open_) return;
  if (nested_) {
    sqlite3_exec(db_, "ROLLBACK TO kvsys_write; RELEASE kvsys_write", nullptr, nullptr, nullptr);
  } else {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

void WriteTransaction::Commit() {
  Exec(db_, nested_ ? QStringLiteral("RELEASE kvsys_write") : QStringLiteral("COMMIT"));
  open_ = false;
}

}  // namespace kvsys::detail
