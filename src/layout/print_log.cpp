// The print log in KVSYS.mdb: what came out, where and when, and the claims of desks.
#include "layout/print_log.h"

#include <signal.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>

#include "common/text_util.h"
#include "db/database.h"
#include "db/recordset.h"
#include "layout/store_transaction.h"
#include "results/meet_settings.h"

namespace kvsys {

namespace {

// Columns in table order, after 番号.
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
      QStringLiteral("状態")};
  return columns;
}

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QVariantList Values(const PrintLogRow& r) {
  return {
      r.meet.file,   r.meet.name,    r.meet.first_day, r.key.event, r.event_text,
      r.stage,       r.key.class_no, r.class_name,     r.key.heat,  r.key.relay ? 1 : 0,
      r.key.entrant, r.name,         r.affiliation,    r.rank,      r.record,
      r.layout,      r.copies,       r.host,           r.pid,       r.time.toString(kTimeFormat),
      r.output,      r.where,        r.page,           r.job,       r.state};
}

PrintLogRow ReadRow(const Recordset& rs) {
  const auto text = [&rs](const char* name) {
    return rs.Field(QString::fromUtf8(name)).toString();
  };
  const auto number = [&rs](const char* name) {
    return rs.Field(QString::fromUtf8(name)).toLongLong();
  };
  PrintLogRow r;
  r.id = number("番号");
  r.meet = {text("大会ファイル"), text("大会名"), text("大会開始日")};
  r.key = {static_cast<int>(number("競技番号")), static_cast<int>(number("クラス番号")),
           static_cast<int>(number("組")), number("リレー") != 0,
           static_cast<int>(number("選手番号"))};
  r.event_text = text("種目");
  r.stage = text("予決");
  r.class_name = text("クラス");
  r.name = text("氏名");
  r.affiliation = text("所属");
  r.rank = text("順位");
  r.record = text("記録");
  r.layout = static_cast<int>(number("レイアウト"));
  r.copies = static_cast<int>(number("部数"));
  r.host = text("端末");
  r.pid = number("プロセス");
  r.time = QDateTime::fromString(text("時刻"), kTimeFormat);
  r.output = text("出力");
  r.where = text("出力先");
  r.page = static_cast<int>(number("ページ"));
  r.job = static_cast<int>(number("ジョブ"));
  r.state = text("状態");
  return r;
}

const QString kMeetWhere =
    QStringLiteral(" WHERE 大会ファイル = ? AND 大会名 = ? AND 大会開始日 = ?");

QVariantList MeetParams(const LoggedMeet& meet) {
  return {meet.file, meet.name, meet.first_day};
}

}  // namespace

LoggedMeet LoggedMeetOf(const QString& path, const MeetSettings& meet) {
  return {QFileInfo(path).fileName(), TrimBlanks(meet.大会名1), TrimBlanks(meet.始期間)};
}

PrintLog::PrintLog(Database& db) : db_(db) {
  Ensure();
}

QString PrintLog::HostName() {
  return QSysInfo::machineHostName();
}

void PrintLog::Ensure() {
  if (db_.TableExists(kPrintLogTable)) return;
  StoreTransaction tx(db_);
  QStringList defs = {QStringLiteral("番号 INTEGER PRIMARY KEY AUTOINCREMENT")};
  for (const QString& c : Columns()) defs << c;
  db_.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
                  .arg(kPrintLogTable, defs.join(QStringLiteral(", "))));
  // Claims and the print list look certificates up by meet and event.
  db_.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS 印刷履歴_種目 ON %1 "
                             "(大会ファイル, 大会名, 大会開始日, 競技番号)")
                  .arg(kPrintLogTable));
  tx.Commit();
}

qint64 PrintLog::Insert(const PrintLogRow& row, bool want_id) {
  QStringList marks;
  for (qsizetype i = 0; i < Columns().size(); ++i) marks << QStringLiteral("?");
  db_.ExecuteWithParams(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(kPrintLogTable, Columns().join(QStringLiteral(", ")),
                                 marks.join(QStringLiteral(", "))),
                        Values(row));
  if (!want_id) return 0;
  auto rs = db_.OpenRecordset(QStringLiteral("SELECT last_insert_rowid()"), dbOpenSnapshot);
  return rs->Field(0).toLongLong();
}

void PrintLog::Add(std::vector<PrintLogRow>& rows) {
  if (rows.empty()) return;
  StoreTransaction tx(db_);
  for (PrintLogRow& row : rows) {
    row.host = HostName();
    row.pid = QCoreApplication::applicationPid();
    if (!row.time.isValid()) row.time = QDateTime::currentDateTime();
    if (row.state.isEmpty()) row.state = kLogOut;
    Insert(row, false);
  }
  tx.Commit();
}

bool PrintLog::ClaimAlive(const QString& host, qint64 pid, const QDateTime& time) const {
  if (host == HostName()) {
    // Signal 0 only asks whether the process is there.
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
  }
  return time.isValid() && time.secsTo(QDateTime::currentDateTime()) < claim_timeout_;
}

qint64 PrintLog::Claim(PrintLogRow row) {
  StoreTransaction tx(db_);
  const QString where = kMeetWhere + QStringLiteral(
                                         " AND 競技番号 = ? AND クラス番号 = ? AND 組 = ? AND "
                                         "リレー = ? AND 選手番号 = ?");
  QVariantList params = MeetParams(row.meet);
  params << row.key.event << row.key.class_no << row.key.heat << (row.key.relay ? 1 : 0)
         << row.key.entrant;
  std::vector<qint64> abandoned;
  {
    auto rs = db_.OpenRecordsetWithParams(
        QStringLiteral("SELECT * FROM %1").arg(kPrintLogTable) + where, params, dbOpenSnapshot);
    for (; !rs->Eof(); rs->MoveNext()) {
      const PrintLogRow taken = ReadRow(*rs);
      if (taken.Printed()) return 0;
      if (taken.state != kLogClaimed) continue;
      if (ClaimAlive(taken.host, taken.pid, taken.time)) return 0;
      abandoned.push_back(taken.id);
    }
  }
  for (qint64 id : abandoned) {
    db_.ExecuteWithParams(QStringLiteral("DELETE FROM %1 WHERE 番号 = ?").arg(kPrintLogTable),
                          {id});
  }
  row.host = HostName();
  row.pid = QCoreApplication::applicationPid();
  row.time = QDateTime::currentDateTime();
  row.state = kLogClaimed;
  const qint64 id = Insert(row, true);
  tx.Commit();
  return id;
}

void PrintLog::MarkOut(qint64 id, const QString& output, const QString& where, int page, int job) {
  StoreTransaction tx(db_);
  db_.ExecuteWithParams(
      QStringLiteral("UPDATE %1 SET 状態 = ?, 出力 = ?, 出力先 = ?, ページ = ?, ジョブ = ?, "
                     "時刻 = ? WHERE 番号 = ?")
          .arg(kPrintLogTable),
      {kLogOut, output, where, page, job, QDateTime::currentDateTime().toString(kTimeFormat), id});
  tx.Commit();
}

void PrintLog::Release(qint64 id) {
  StoreTransaction tx(db_);
  db_.ExecuteWithParams(
      QStringLiteral("DELETE FROM %1 WHERE 番号 = ? AND 状態 = ?").arg(kPrintLogTable),
      {id, kLogClaimed});
  tx.Commit();
}

void PrintLog::SetState(qint64 id, const QString& state) {
  StoreTransaction tx(db_);
  db_.ExecuteWithParams(QStringLiteral("UPDATE %1 SET 状態 = ? WHERE 番号 = ?").arg(kPrintLogTable),
                        {state, id});
  tx.Commit();
}

std::vector<PrintLogRow> PrintLog::Rows(const LoggedMeet& meet) {
  std::vector<PrintLogRow> rows;
  auto rs = db_.OpenRecordsetWithParams(QStringLiteral("SELECT * FROM %1").arg(kPrintLogTable) +
                                            kMeetWhere + QStringLiteral(" ORDER BY 番号"),
                                        MeetParams(meet), dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) rows.push_back(ReadRow(*rs));
  return rows;
}

std::set<CertificateKey> PrintLog::Taken(const LoggedMeet& meet) {
  std::set<CertificateKey> keys;
  for (const PrintLogRow& row : Rows(meet)) {
    if (row.Printed() || (row.state == kLogClaimed && ClaimAlive(row.host, row.pid, row.time))) {
      keys.insert(row.key);
    }
  }
  return keys;
}

QString PrintLogHeaderLine() {
  return QStringLiteral("番号\t") + Columns().join(QLatin1Char('\t'));
}

QString PrintLogLine(const PrintLogRow& row) {
  QStringList fields = {QString::number(row.id)};
  for (const QVariant& v : Values(row)) {
    QString text = v.toString();
    for (QChar& c : text) {
      if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    }
    fields << text;
  }
  return fields.join(QLatin1Char('\t'));
}

}  // namespace kvsys
