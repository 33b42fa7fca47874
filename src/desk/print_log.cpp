// The print log in KVSYS.mdb: its tables, the rows of a meet and what a run reads of them.
#include "desk/print_log.h"

#include <QFileInfo>
#include <QSysInfo>

#include "common/text_util.h"
#include "db/database.h"
#include "db/recordset.h"
#include "desk/print_log_sql.h"
#include "layout/store_transaction.h"
#include "results/meet_settings.h"

namespace kvsys {

namespace logsql {

const QStringList& Columns() {
  static const QStringList columns = {
      QStringLiteral("大会ファイル"), QStringLiteral("大会名"),   QStringLiteral("大会開始日"),
      QStringLiteral("競技番号"),     QStringLiteral("種目"),     QStringLiteral("予決"),
      QStringLiteral("クラス番号"),   QStringLiteral("クラス"),   QStringLiteral("組"),
      QStringLiteral("リレー"),       QStringLiteral("選手番号"), QStringLiteral("氏名"),
      QStringLiteral("所属"),         QStringLiteral("順位"),     QStringLiteral("記録"),
      QStringLiteral("レイアウト"),   QStringLiteral("部数"),     QStringLiteral("端末"),
      QStringLiteral("プロセス"),     QStringLiteral("時刻"),     QStringLiteral("出力"),
      QStringLiteral("出力先"),       QStringLiteral("ページ"),   QStringLiteral("ジョブ"),
      QStringLiteral("状態"),         QStringLiteral("同番号順"), QStringLiteral("起動"),
      QStringLiteral("大会番号"),     QStringLiteral("更新"),     QStringLiteral("自動"),
      QStringLiteral("授与"),         QStringLiteral("授与端末")};
  return columns;
}

QVariantList Values(const PrintLogRow& r, qint64 meet_number) {
  return {r.meet.file,
          r.meet.name,
          r.meet.first_day,
          r.key.event,
          r.event_text,
          r.stage,
          r.key.class_no,
          r.class_name,
          r.key.heat,
          r.key.relay ? 1 : 0,
          r.key.entrant,
          r.name,
          r.affiliation,
          r.rank,
          r.record,
          r.layout,
          r.copies,
          r.host,
          r.pid,
          r.time.toString(kTimeFormat),
          r.output,
          r.where,
          r.page,
          r.job,
          r.state,
          r.key.occurrence,
          r.started,
          meet_number,
          0,
          r.automatic ? 1 : 0,
          r.handed.isValid() ? r.handed.toString(kTimeFormat) : QString(),
          r.handed_by};
}

QDateTime ParseTime(const QString& text) {
  // The desk's clock as it wrote it ("yyyy-MM-dd HH:mm:ss"), read without a time-zone lookup
  // or a format parser for every row.
  if (text.size() != 19) return {};
  const auto digits = [&text](int at, int count) {
    int n = 0;
    for (int i = at; i < at + count; ++i) {
      const int d = text[i].digitValue();
      if (d < 0) return -1;
      n = n * 10 + d;
    }
    return n;
  };
  const QDate date(digits(0, 4), digits(5, 2), digits(8, 2));
  const QTime time(digits(11, 2), digits(14, 2), digits(17, 2));
  if (!date.isValid() || !time.isValid()) return {};
  return QDateTime(date, time, Qt::UTC);
}

QString SelectRows() {
  static const QString select = QStringLiteral("SELECT 番号, %1 FROM %2")
                                    .arg(Columns().join(QStringLiteral(", ")), kPrintLogTable);
  return select;
}

PrintLogRow ReadRow(const Recordset& rs) {
  // By position, in the order SelectRows names them: a long log is read row after row.
  const auto text = [&rs](int i) { return rs.Field(i).toString(); };
  const auto number = [&rs](int i) { return rs.Field(i).toLongLong(); };
  const auto whole = [&rs](int i) { return static_cast<int>(rs.Field(i).toLongLong()); };
  PrintLogRow r;
  r.id = number(0);
  r.meet = {text(1), text(2), text(3)};
  r.key = {whole(4), whole(7), whole(9), number(10) != 0, whole(11), std::max(1, whole(26))};
  r.event_text = text(5);
  r.stage = text(6);
  r.class_name = text(8);
  r.name = text(12);
  r.affiliation = text(13);
  r.rank = text(14);
  r.record = text(15);
  r.layout = whole(16);
  r.copies = whole(17);
  r.host = text(18);
  r.pid = number(19);
  r.time = ParseTime(text(20));
  r.output = text(21);
  r.where = text(22);
  r.page = whole(23);
  r.job = whole(24);
  r.state = text(25);
  r.started = text(27);
  r.renewal = number(29);
  r.automatic = number(30) != 0;
  r.handed = ParseTime(text(31));
  r.handed_by = text(32);
  return r;
}

QString InList(const std::vector<qint64>& numbers) {
  QStringList items;
  for (qint64 n : numbers) items << QString::number(n);
  return QStringLiteral("(%1)").arg(items.join(QLatin1Char(',')));
}

}  // namespace logsql

using namespace logsql;

namespace {

QString MeetTag(const LoggedMeet& meet) {
  return meet.file + QLatin1Char('\t') + meet.name + QLatin1Char('\t') + meet.first_day;
}

}  // namespace

PrintLog::PrintLog(Database& db, LogEnvironment env) : db_(db), env_(std::move(env)) {
  Ensure();
  self_started_ = env_.started(env_.pid());
}

PrintLog::~PrintLog() = default;
PrintLog::PrintLog(PrintLog&&) noexcept = default;

void PrintLog::KeepLeases() {
  if (!keeper_) keeper_ = std::make_unique<LeaseKeeper>(db_.Name());
}

CertificateLogOpener PrintLogOpener(Database& db) {
  return [&db] { return std::make_unique<PrintLog>(db); };
}

QString PrintLog::HostName() {
  return QSysInfo::machineHostName();
}

void PrintLog::Ensure() {
  const auto has = [this](const QString& column) {
    return db_.ColumnNames(kPrintLogTable).contains(column);
  };
  const auto current = [&] {
    return db_.TableExists(kPrintLogMeetTable) && db_.TableExists(kCeremonySheetTable) &&
           has(QStringLiteral("大会番号")) && has(QStringLiteral("授与"));
  };
  if (current()) return;
  StoreTransaction tx(db_);
  if (current()) return;  // another desk made them meanwhile
  db_.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (番号 INTEGER PRIMARY KEY "
                             "AUTOINCREMENT, 大会ファイル, 大会名, 大会開始日)")
                  .arg(kPrintLogMeetTable));
  if (!db_.TableExists(kPrintLogTable)) {
    QStringList defs = {QStringLiteral("番号 INTEGER PRIMARY KEY AUTOINCREMENT")};
    for (const QString& c : Columns()) defs << c;
    db_.Execute(QStringLiteral("CREATE TABLE %1 (%2)")
                    .arg(kPrintLogTable, defs.join(QStringLiteral(", "))));
  } else if (!has(QStringLiteral("授与")) && has(QStringLiteral("大会番号"))) {
    // Written before certificates were marked as handed over.
    for (const char* column : {"授与 DEFAULT ''", "授与端末 DEFAULT ''"}) {
      db_.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                      .arg(kPrintLogTable, QString::fromUtf8(column)));
    }
  } else if (!has(QStringLiteral("大会番号"))) {
    // A log of an older version: its rows keep their meets, one for each name and first day.
    for (const char* column :
         {"同番号順 DEFAULT 1", "起動 DEFAULT ''", "大会番号", "更新 DEFAULT 0", "自動 DEFAULT 0",
          "授与 DEFAULT ''", "授与端末 DEFAULT ''"}) {
      db_.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                      .arg(kPrintLogTable, QString::fromUtf8(column)));
    }
    db_.Execute(QStringLiteral("INSERT INTO %1 (大会ファイル, 大会名, 大会開始日) SELECT DISTINCT "
                               "大会ファイル, 大会名, 大会開始日 FROM %2")
                    .arg(kPrintLogMeetTable, kPrintLogTable));
    db_.Execute(QStringLiteral("UPDATE %2 SET 大会番号 = (SELECT m.番号 FROM %1 m WHERE "
                               "m.大会ファイル IS %2.大会ファイル AND m.大会名 IS %2.大会名 AND "
                               "m.大会開始日 IS %2.大会開始日)")
                    .arg(kPrintLogMeetTable, kPrintLogTable));
    db_.Execute(QStringLiteral("DROP INDEX IF EXISTS 印刷履歴_種目"));
  }
  // Each ceremony sheet made: the log's last row then, so that the next sheet can take the
  // events printed since (row numbers, not another desk's clock).
  db_.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (番号 INTEGER PRIMARY KEY "
                             "AUTOINCREMENT, 大会番号, 最終行, 時刻, 端末)")
                  .arg(kCeremonySheetTable));
  // A certificate is looked up by its key (claims, what a run finds printed), a meet's rows
  // are read in order, and the claims alone are read to settle them.
  db_.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS 印刷履歴_賞状 ON %1 (大会番号, 競技番号, "
                             "クラス番号, 組, リレー, 選手番号, 同番号順, 状態)")
                  .arg(kPrintLogTable));
  db_.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS 印刷履歴_大会 ON %1 (大会番号, 番号)")
                  .arg(kPrintLogTable));
  db_.Execute(
      QStringLiteral("CREATE INDEX IF NOT EXISTS 印刷履歴_確保 ON %1 (番号) WHERE 状態 = '%2'")
          .arg(kPrintLogTable, kLogClaimed));
  tx.Commit();
}

std::vector<qint64> PrintLog::MeetNumbers(const LoggedMeet& meet) {
  std::vector<qint64> numbers;
  auto rs = db_.OpenRecordsetWithParams(
      QStringLiteral("SELECT 番号, 大会ファイル, 大会名, 大会開始日 FROM %1 WHERE 大会ファイル = ?")
          .arg(kPrintLogMeetTable),
      {meet.file}, dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    const LoggedMeet known{rs->Field(1).toString(), rs->Field(2).toString(),
                           rs->Field(3).toString()};
    if (SameMeet(known, meet)) numbers.push_back(rs->Field(0).toLongLong());
  }
  return numbers;
}

qint64 PrintLog::MeetNumber(const LoggedMeet& meet) {
  const QString tag = MeetTag(meet);
  if (const auto it = meets_.find(tag); it != meets_.end()) return it->second;
  qint64 number = 0;
  bool exact = false;
  auto rs = db_.OpenRecordsetWithParams(
      QStringLiteral("SELECT 番号, 大会ファイル, 大会名, 大会開始日 FROM %1 WHERE 大会ファイル = ? "
                     "ORDER BY 番号 DESC")
          .arg(kPrintLogMeetTable),
      {meet.file}, dbOpenSnapshot);
  for (; !rs->Eof() && !exact; rs->MoveNext()) {
    const LoggedMeet known{rs->Field(1).toString(), rs->Field(2).toString(),
                           rs->Field(3).toString()};
    if (known == meet) {
      number = rs->Field(0).toLongLong();
      exact = true;
    } else if (number == 0 && SameMeet(known, meet)) {
      number = rs->Field(0).toLongLong();
    }
  }
  if (number == 0) {
    db_.ExecuteWithParams(
        QStringLiteral("INSERT INTO %1 (大会ファイル, 大会名, 大会開始日) VALUES (?, ?, ?)")
            .arg(kPrintLogMeetTable),
        {meet.file, meet.name, meet.first_day});
    number = db_.LastInsertId();
  } else if (!exact) {
    // Corrected texts: the meet is known by them from now on.
    db_.ExecuteWithParams(QStringLiteral("UPDATE %1 SET 大会名 = ?, 大会開始日 = ? WHERE 番号 = ?")
                              .arg(kPrintLogMeetTable),
                          {meet.name, meet.first_day, number});
  }
  meets_[tag] = number;
  return number;
}

qint64 PrintLog::Insert(const PrintLogRow& row, qint64 meet_number) {
  static const QString sql = [] {
    QStringList marks;
    for (qsizetype i = 0; i < Columns().size(); ++i) marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(kPrintLogTable, Columns().join(QStringLiteral(", ")),
             marks.join(QStringLiteral(", ")));
  }();
  db_.ExecuteWithParams(sql, Values(row, meet_number));
  return db_.LastInsertId();
}

void PrintLog::Add(std::vector<PrintLogRow>& rows) {
  if (rows.empty()) return;
  StoreTransaction tx(db_);
  const QDateTime now = QDateTime::currentDateTime();
  // Asked once: each asks the system, and a run adds thousands of rows.
  const QString host = env_.host();
  const qint64 pid = env_.pid();
  for (PrintLogRow& row : rows) {
    row.host = host;
    row.pid = pid;
    row.started = self_started_;
    if (!row.time.isValid()) row.time = now;
    if (row.state.isEmpty()) row.state = kLogOut;
    row.id = Insert(row, row.meet.file.isEmpty() ? 0 : MeetNumber(row.meet));
  }
  tx.Commit();
}

void PrintLog::ForEachPage(const LoggedMeet& meet, int page,
                           const std::function<void(const Recordset&)>& each) {
  const std::vector<qint64> numbers = MeetNumbers(meet);
  if (numbers.empty()) return;
  // A page at a time: a long log never sits in memory whole.
  const QString sql =
      SelectRows() + QStringLiteral(" WHERE 大会番号 IN %1 AND 番号 > ? ORDER BY 番号 LIMIT %2")
                         .arg(InList(numbers))
                         .arg(page);
  qint64 after = 0;
  for (;;) {
    auto rs = db_.OpenRecordsetWithParams(sql, {after}, dbOpenSnapshot);
    int read = 0;
    for (; !rs->Eof(); rs->MoveNext(), ++read) {
      after = rs->Field(0).toLongLong();
      each(*rs);
    }
    if (read < page) return;
  }
}

void PrintLog::ForEachRow(const LoggedMeet& meet,
                          const std::function<void(const PrintLogRow&)>& each) {
  ForEachPage(meet, 2000, [&each](const Recordset& rs) { each(ReadRow(rs)); });
}

void PrintLog::ForEachLine(const LoggedMeet& meet,
                           const std::function<void(const QByteArray&)>& each) {
  QByteArray line;
  ForEachPage(meet, 5000, [&](const Recordset& rs) {
    // Straight from the bytes as stored, as PrintLogLine writes a row (tabs and line breaks are
    // single bytes in UTF-8, so they are replaced in place).
    line.clear();
    rs.AppendFieldText(0, line);
    for (int c = 1; c <= kPrintedColumns; ++c) {
      line += '\t';
      const qsizetype from = line.size();
      rs.AppendFieldText(c, line);
      char* const end = line.data() + line.size();
      for (char* p = line.data() + from; p != end; ++p) {
        if (*p == '\t' || *p == '\r' || *p == '\n') *p = ' ';
      }
    }
    each(line);
  });
}

std::vector<PrintLogRow> PrintLog::OpenPrinterJobs(const LoggedMeet& meet) {
  std::vector<PrintLogRow> rows;
  const std::vector<qint64> numbers = MeetNumbers(meet);
  if (numbers.empty()) return rows;
  auto rs = db_.OpenRecordsetWithParams(
      SelectRows() +
          QStringLiteral(" WHERE 大会番号 IN %1 AND 出力 = ? AND 端末 = ? AND ジョブ > 0 "
                         "AND 状態 IN (?, ?) ORDER BY 番号")
              .arg(InList(numbers)),
      {kLogPrinter, env_.host(), kLogOut, kLogStopped}, dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) rows.push_back(ReadRow(*rs));
  return rows;
}

std::vector<PrintLogRow> PrintLog::Rows(const LoggedMeet& meet) {
  std::vector<PrintLogRow> rows;
  ForEachRow(meet, [&rows](const PrintLogRow& row) { rows.push_back(row); });
  return rows;
}

std::set<CertificateKey> PrintLog::Taken(const LoggedMeet& meet, const std::set<int>& events,
                                         const std::set<int>& entrants) {
  std::set<CertificateKey> keys;
  const std::vector<qint64> numbers = MeetNumbers(meet);
  if (numbers.empty()) return keys;
  QString where = QStringLiteral(" WHERE 大会番号 IN %1").arg(InList(numbers));
  if (!events.empty()) {
    where += QStringLiteral(" AND 競技番号 IN ") +
             InList(std::vector<qint64>(events.begin(), events.end()));
  }
  if (!entrants.empty()) {
    where += QStringLiteral(" AND 選手番号 IN ") +
             InList(std::vector<qint64>(entrants.begin(), entrants.end()));
  }
  const auto key_of = [](const Recordset& rs) {
    return CertificateKey{static_cast<int>(rs.Field(0).toLongLong()),
                          static_cast<int>(rs.Field(1).toLongLong()),
                          static_cast<int>(rs.Field(2).toLongLong()),
                          rs.Field(3).toLongLong() != 0,
                          static_cast<int>(rs.Field(4).toLongLong()),
                          std::max(1, static_cast<int>(rs.Field(5).toLongLong()))};
  };
  {
    auto rs = db_.OpenRecordsetWithParams(
        QStringLiteral(
            "SELECT DISTINCT 競技番号, クラス番号, 組, リレー, 選手番号, 同番号順 FROM %1")
                .arg(kPrintLogTable) +
            where + QStringLiteral(" AND 状態 IN (?, ?, ?)"),
        {kLogOut, kLogCompleted, kLogUnknown}, dbOpenSnapshot);
    for (; !rs->Eof(); rs->MoveNext()) keys.insert(key_of(*rs));
  }
  std::vector<PrintLogRow> claims;
  {
    auto rs = db_.OpenRecordset(
        SelectRows() + where + QStringLiteral(" AND 状態 = '%1'").arg(kLogClaimed), dbOpenSnapshot);
    for (; !rs->Eof(); rs->MoveNext()) claims.push_back(ReadRow(*rs));
  }
  for (const PrintLogRow& claim : claims) {
    if (ClaimAlive(claim)) keys.insert(claim.key);
  }
  return keys;
}

std::vector<PrintLogRow> PrintLog::LatestPerCertificate(const LoggedMeet& meet) {
  std::vector<PrintLogRow> rows;
  const std::vector<qint64> numbers = MeetNumbers(meet);
  if (numbers.empty()) return rows;
  auto rs = db_.OpenRecordsetWithParams(
      SelectRows() +
          QStringLiteral(" WHERE 番号 IN (SELECT MAX(番号) FROM %1 WHERE 大会番号 IN %2 AND "
                         "競技番号 <> 0 AND 状態 <> ? GROUP BY 競技番号, クラス番号, 組, リレー, "
                         "選手番号, 同番号順) ORDER BY 番号")
              .arg(kPrintLogTable, InList(numbers)),
      {kLogClaimed}, dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) rows.push_back(ReadRow(*rs));
  return rows;
}

std::set<int> PrintLog::EventsLogged(const LoggedMeet& meet, bool automatic_only) {
  std::set<int> events;
  const std::vector<qint64> numbers = MeetNumbers(meet);
  if (numbers.empty()) return events;
  auto rs =
      db_.OpenRecordset(QStringLiteral("SELECT DISTINCT 競技番号 FROM %1 WHERE 大会番号 IN %2%3")
                            .arg(kPrintLogTable, InList(numbers),
                                 automatic_only ? QStringLiteral(" AND 自動 = 1") : QString()),
                        dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) events.insert(static_cast<int>(rs->Field(0).toLongLong()));
  return events;
}

qint64 PrintLog::LastRow() {
  auto rs = db_.OpenRecordset(QStringLiteral("SELECT MAX(番号) FROM %1").arg(kPrintLogTable),
                              dbOpenSnapshot);
  return rs->Eof() ? 0 : rs->Field(0).toLongLong();
}

void PrintLog::RecordSheet(const LoggedMeet& meet, qint64 last_row) {
  StoreTransaction tx(db_);
  db_.ExecuteWithParams(
      QStringLiteral("INSERT INTO %1 (大会番号, 最終行, 時刻, 端末) VALUES (?, ?, ?, ?)")
          .arg(kCeremonySheetTable),
      {MeetNumber(meet), last_row, QDateTime::currentDateTime().toString(kTimeFormat),
       env_.host()});
  tx.Commit();
}

std::set<int> PrintLog::EventsSinceLastSheet(const LoggedMeet& meet) {
  std::set<int> events;
  const std::vector<qint64> numbers = MeetNumbers(meet);
  if (numbers.empty()) return events;
  auto rs = db_.OpenRecordsetWithParams(
      QStringLiteral("SELECT DISTINCT 競技番号 FROM %1 WHERE 大会番号 IN %2 AND 競技番号 <> 0 "
                     "AND 状態 IN (?, ?) AND 番号 > (SELECT IFNULL(MAX(最終行), 0) FROM %3 "
                     "WHERE 大会番号 IN %2)")
          .arg(kPrintLogTable, InList(numbers), kCeremonySheetTable),
      {kLogOut, kLogCompleted}, dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) events.insert(static_cast<int>(rs->Field(0).toLongLong()));
  return events;
}

int PrintLog::MarkHanded(const LoggedMeet& meet, const std::set<CertificateKey>& keys,
                         bool handed) {
  const std::vector<qint64> numbers = MeetNumbers(meet);
  if (numbers.empty() || keys.empty()) return 0;
  // The copy printed last is the one handed over; a certificate never printed has none.
  std::vector<qint64> ids;
  {
    auto rs = db_.OpenRecordsetWithParams(
        QStringLiteral("SELECT MAX(番号), 競技番号, クラス番号, 組, リレー, 選手番号, 同番号順 "
                       "FROM %1 WHERE 大会番号 IN %2 AND 状態 IN (?, ?) GROUP BY 競技番号, "
                       "クラス番号, 組, リレー, 選手番号, 同番号順")
            .arg(kPrintLogTable, InList(numbers)),
        {kLogOut, kLogCompleted}, dbOpenSnapshot);
    for (; !rs->Eof(); rs->MoveNext()) {
      const auto whole = [&rs](int i) { return static_cast<int>(rs->Field(i).toLongLong()); };
      const CertificateKey key{whole(1),      whole(2), whole(3),
                               whole(4) != 0, whole(5), std::max(1, whole(6))};
      if (keys.count(key)) ids.push_back(rs->Field(0).toLongLong());
    }
  }
  // A certificate marked already keeps the time it was first handed over.
  const QString sql = QStringLiteral("UPDATE %1 SET 授与 = ?, 授与端末 = ? WHERE 番号 = ? AND %2")
                          .arg(kPrintLogTable, handed ? QStringLiteral("IFNULL(授与, '') = ''")
                                                      : QStringLiteral("IFNULL(授与, '') <> ''"));
  const QString now = QDateTime::currentDateTime().toString(kTimeFormat);
  StoreTransaction tx(db_);
  int marked = 0;
  for (qint64 id : ids) {
    db_.ExecuteWithParams(sql, {handed ? now : QString(), handed ? env_.host() : QString(), id});
    marked += db_.RowsAffected();
  }
  tx.Commit();
  return marked;
}

void PrintLog::SetState(qint64 id, const QString& state) {
  StoreTransaction tx(db_);
  db_.ExecuteWithParams(QStringLiteral("UPDATE %1 SET 状態 = ? WHERE 番号 = ?").arg(kPrintLogTable),
                        {state, id});
  tx.Commit();
}

QString PrintLogHeaderLine() {
  QStringList names = {QStringLiteral("番号")};
  names << Columns().mid(0, kPrintedColumns);
  return names.join(QLatin1Char('\t'));
}

QString PrintLogLine(const PrintLogRow& row) {
  QStringList fields = {QString::number(row.id)};
  for (const QVariant& v : Values(row, 0).mid(0, kPrintedColumns)) {
    QString text = v.toString();
    for (QChar& c : text) {
      if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    }
    fields << text;
  }
  return fields.join(QLatin1Char('\t'));
}

}  // namespace kvsys
