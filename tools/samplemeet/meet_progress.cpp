// A meet in progress: the later events wait for their results, which come in race by race.
#include <sqlite3.h>

#include <QVariant>
#include <algorithm>
#include <set>

#include "samplemeet/sample_meet.h"

namespace kvsys::samplemeet {

namespace {

const QString kResults = QStringLiteral("記録マスター");

class Connection {
 public:
  explicit Connection(const QString& path) {
    if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
      error_ = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : "cannot open");
    } else {
      // The program may be reading the meet meanwhile.
      sqlite3_busy_timeout(db_, 10000);
    }
  }
  ~Connection() { sqlite3_close(db_); }
  bool Ok() const { return error_.isEmpty(); }
  const QString& Error() const { return error_; }
  bool Exec(const QString& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK) {
      return true;
    }
    error_ = QString::fromUtf8(message ? message : sqlite3_errmsg(db_));
    sqlite3_free(message);
    return false;
  }
  std::vector<int> Ints(const QString& sql) {
    std::vector<int> values;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
      error_ = QString::fromUtf8(sqlite3_errmsg(db_));
      return values;
    }
    while (sqlite3_step(st) == SQLITE_ROW) values.push_back(sqlite3_column_int(st, 0));
    sqlite3_finalize(st);
    return values;
  }

 private:
  sqlite3* db_ = nullptr;
  QString error_;
};

// A finished race leaves no entry open: one without a time did not start.
QVariant FinishedStatus(const std::vector<QVariant>& row, int goal, int status) {
  const bool no_time = row[static_cast<size_t>(goal)].toString().trimmed().isEmpty();
  if (no_time && row[static_cast<size_t>(status)].toInt() == 0) return 1;
  return row[static_cast<size_t>(status)];
}

}  // namespace

void HoldBackResults(MeetTables& meet, int done) {
  Table& results = *meet.Find(kResults);
  Table planned{kPlannedResults,
                {{QStringLiteral("競技番号")},
                 {QStringLiteral("組")},
                 {QStringLiteral("水路")},
                 {QStringLiteral("選手番号")},
                 {QStringLiteral("ゴール"), ColumnType::Text},
                 {QStringLiteral("事由入力ステータス")},
                 {QStringLiteral("新記録印刷マーク"), ColumnType::Text}},
                {}};
  const int event = results.ColumnIndex(QStringLiteral("競技番号"));
  const int goal = results.ColumnIndex(QStringLiteral("ゴール"));
  const int status = results.ColumnIndex(QStringLiteral("事由入力ステータス"));
  const int mark = results.ColumnIndex(QStringLiteral("新記録印刷マーク"));
  std::set<int> events;
  for (const auto& row : results.rows) events.insert(row[static_cast<size_t>(event)].toInt());
  // The first events of the programme have been swum.
  std::set<int> swum;
  for (int number : events) {
    if (static_cast<int>(swum.size()) >= done) break;
    swum.insert(number);
  }
  for (auto& row : results.rows) {
    if (swum.count(row[static_cast<size_t>(event)].toInt())) continue;
    planned.rows.push_back(
        {row[static_cast<size_t>(event)],
         row[static_cast<size_t>(results.ColumnIndex(QStringLiteral("組")))],
         row[static_cast<size_t>(results.ColumnIndex(QStringLiteral("水路")))],
         row[static_cast<size_t>(results.ColumnIndex(QStringLiteral("選手番号")))],
         row[static_cast<size_t>(goal)], FinishedStatus(row, goal, status),
         row[static_cast<size_t>(mark)]});
    // An entry waiting for its race: no time, no status.
    row[static_cast<size_t>(goal)] = QString();
    row[static_cast<size_t>(status)] = 0;
    row[static_cast<size_t>(mark)] = QString();
  }
  meet.tables.push_back(planned);
}

std::vector<int> AdvanceMeet(const QString& path, int count, QString* error) {
  std::vector<int> filled;
  Connection db(path);
  if (!db.Ok()) {
    if (error) *error = db.Error();
    return filled;
  }
  const std::vector<int> waiting = db.Ints(
      QStringLiteral("SELECT DISTINCT 競技番号 FROM %1 ORDER BY 競技番号").arg(kPlannedResults));
  if (!db.Ok()) {
    if (error) *error = QStringLiteral("この大会には書き込む予定の結果がありません。");
    return filled;
  }
  for (int event : waiting) {
    if (static_cast<int>(filled.size()) >= count) break;
    // A finished race is written whole, as the results system writes it.
    const QString number = QString::number(event);
    const bool ok =
        db.Exec(QStringLiteral("BEGIN IMMEDIATE")) &&
        db.Exec(QStringLiteral("UPDATE %1 SET ゴール = p.ゴール, 事由入力ステータス = "
                               "p.事由入力ステータス, 新記録印刷マーク = p.新記録印刷マーク FROM "
                               "%2 AS p WHERE %1.競技番号 = %3 AND p.競技番号 = %3 AND "
                               "p.組 = %1.組 AND p.水路 = %1.水路 AND p.選手番号 = %1.選手番号")
                    .arg(kResults, kPlannedResults, number)) &&
        db.Exec(
            QStringLiteral("DELETE FROM %1 WHERE 競技番号 = %2").arg(kPlannedResults, number)) &&
        db.Exec(QStringLiteral("COMMIT"));
    if (!ok) {
      if (error) *error = db.Error();
      db.Exec(QStringLiteral("ROLLBACK"));
      return filled;
    }
    filled.push_back(event);
  }
  return filled;
}

}  // namespace kvsys::samplemeet
