#include "samplemeet/meet_tables.h"

#include <sqlite3.h>

#include <QByteArray>
#include <QStringList>

namespace kvsys::samplemeet {

int Table::ColumnIndex(const QString& column) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].name == column) return static_cast<int>(i);
  }
  return -1;
}

QVariant Table::Value(size_t row, const QString& column) const {
  const int index = ColumnIndex(column);
  if (index < 0 || row >= rows.size()) return {};
  return rows[row][static_cast<size_t>(index)];
}

Table* MeetTables::Find(const QString& name) {
  for (Table& table : tables) {
    if (table.name == name) return &table;
  }
  return nullptr;
}

const Table* MeetTables::Find(const QString& name) const {
  return const_cast<MeetTables*>(this)->Find(name);
}

namespace {

Column Int(const char* name, bool key = false) {
  return {QString::fromUtf8(name), ColumnType::Integer, key};
}
Column Text(const char* name) {
  return {QString::fromUtf8(name), ColumnType::Text, false};
}

QString Quoted(const QString& name) {
  QString escaped = name;
  escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + escaped + QLatin1Char('"');
}

class Statement {
 public:
  Statement(sqlite3* db, const QString& sql) {
    const QByteArray utf8 = sql.toUtf8();
    rc_ = sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &stmt_, nullptr);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool ok() const { return rc_ == SQLITE_OK && stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_ERROR;
};

bool Exec(sqlite3* db, const QString& sql, QString* error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK) {
    return true;
  }
  if (error) *error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
  sqlite3_free(message);
  return false;
}

bool Bind(sqlite3_stmt* stmt, int index, const QVariant& value) {
  if (!value.isValid() || value.isNull()) return sqlite3_bind_null(stmt, index) == SQLITE_OK;
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::Bool:
      return sqlite3_bind_int64(stmt, index, value.toLongLong()) == SQLITE_OK;
    case QMetaType::Double:
      return sqlite3_bind_double(stmt, index, value.toDouble()) == SQLITE_OK;
    default: {
      const QByteArray utf8 = value.toString().toUtf8();
      return sqlite3_bind_text(stmt, index, utf8.constData(), static_cast<int>(utf8.size()),
                               SQLITE_TRANSIENT) == SQLITE_OK;
    }
  }
}

bool WriteTable(sqlite3* db, const Table& table, QString* error) {
  QStringList defs;
  QStringList names;
  QStringList marks;
  for (const Column& column : table.columns) {
    QString def =
        Quoted(column.name) +
        (column.type == ColumnType::Integer ? QStringLiteral(" INTEGER") : QStringLiteral(" TEXT"));
    if (column.primary_key) def += QStringLiteral(" PRIMARY KEY");
    defs << def;
    names << Quoted(column.name);
    marks << QStringLiteral("?");
  }
  if (!Exec(db, QStringLiteral("CREATE TABLE %1 (%2)").arg(Quoted(table.name), defs.join(u", ")),
            error)) {
    return false;
  }
  if (table.rows.empty()) return true;
  Statement insert(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(Quoted(table.name), names.join(u", "), marks.join(u", ")));
  if (!insert.ok()) {
    if (error) *error = QString::fromUtf8(sqlite3_errmsg(db));
    return false;
  }
  for (const auto& row : table.rows) {
    for (size_t i = 0; i < table.columns.size(); ++i) {
      const QVariant value = i < row.size() ? row[i] : QVariant();
      Bind(insert.get(), static_cast<int>(i) + 1, value);
    }
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
      if (error) {
        *error = QStringLiteral("%1: %2").arg(table.name, QString::fromUtf8(sqlite3_errmsg(db)));
      }
      return false;
    }
    sqlite3_reset(insert.get());
    sqlite3_clear_bindings(insert.get());
  }
  return true;
}

}  // namespace

MeetTables EmptyResultsSchema() {
  MeetTables meet;
  meet.tables.push_back({QStringLiteral("大会設定"),
                         {Text("大会名1"),
                          Text("大会名2"),
                          Text("始期間"),
                          Text("終期間"),
                          Int("クラス分け"),
                          Int("選手使用所属"),
                          Text("開催地"),
                          Text("備考"),
                          Int("タッチ板"),
                          Int("団体名"),
                          Int("選手エントリーチェック"),
                          Int("プール"),
                          Int("大会名印刷"),
                          Int("備考欄"),
                          Int("プールコンディション"),
                          Int("学校"),
                          Int("ラップ"),
                          Int("使用水路予選"),
                          Int("使用水路タイム決勝"),
                          Int("使用水路決勝"),
                          Text("新記録上段"),
                          Text("新記録下段"),
                          Int("印刷用競技番号"),
                          Int("組内最少人数")},
                         {}});
  meet.tables.push_back({QStringLiteral("レーンボックス"),
                         {Int("番号", true), Int("レーンボックス"), Int("班組使用水路")},
                         {}});
  meet.tables.push_back({QStringLiteral("クラス"), {Int("番号", true), Text("クラス名称")}, {}});
  meet.tables.push_back({QStringLiteral("プログラム"),
                         {Int("競技番号", true), Int("性別"), Int("種目"), Int("距離"), Int("予決"),
                          Int("組"), Int("クラス番号"), Text("日付")},
                         {}});
  meet.tables.push_back({QStringLiteral("選手マスター"),
                         {Int("選手番号", true), Text("氏名"), Int("主所属"), Text("所属名称１"),
                          Text("所属名称２"), Text("所属名称３")},
                         {}});
  meet.tables.push_back(
      {QStringLiteral("チームマスター"), {Int("チーム番号", true), Text("チーム名")}, {}});
  meet.tables.push_back(
      {QStringLiteral("記録マスター"),
       {Int("競技番号"), Int("組"), Int("水路"), Int("クラス番号"), Int("選手番号"), Text("ゴール"),
        Int("事由入力ステータス"), Int("第１泳者"), Int("第２泳者"), Int("第３泳者"),
        Int("第４泳者"), Text("新記録印刷マーク")},
       {}});
  return meet;
}

bool WriteTablesToSqlite(const QString& path, const MeetTables& meet, QString* error) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    if (error) *error = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close(db);
    return false;
  }
  // The caller writes into a fresh temporary file and discards it on failure, so no journal
  // is needed; no time stamps or random salts reach the file, which keeps it reproducible.
  bool ok = Exec(db, QStringLiteral("PRAGMA journal_mode=OFF"), error) &&
            Exec(db, QStringLiteral("PRAGMA synchronous=OFF"), error) &&
            Exec(db, QStringLiteral("BEGIN"), error);
  for (size_t i = 0; ok && i < meet.tables.size(); ++i) {
    ok = WriteTable(db, meet.tables[i], error);
  }
  // The results system looks results up by event; so does the print run, once per event.
  for (size_t i = 0; ok && i < meet.tables.size(); ++i) {
    if (meet.tables[i].name == QStringLiteral("記録マスター")) {
      ok = Exec(db, QStringLiteral("CREATE INDEX 記録マスター_競技番号 ON 記録マスター (競技番号)"),
                error);
    }
  }
  ok = ok && Exec(db, QStringLiteral("COMMIT"), error);
  if (sqlite3_close(db) != SQLITE_OK && ok) {
    if (error) *error = QStringLiteral("データベースを閉じられません。");
    ok = false;
  }
  return ok;
}

}  // namespace kvsys::samplemeet
