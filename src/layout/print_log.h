#pragma once

#include <QDateTime>
#include <QString>
#include <compare>
#include <set>
#include <vector>

namespace kvsys {

class Database;
struct MeetSettings;

// The print log: one row per certificate that came out, in a table of KVSYS.mdb of its own,
// so that every desk sharing the program folder knows what was printed, where and when.
inline const QString kPrintLogTable = QStringLiteral("印刷履歴");

// States of a row.
inline const QString kLogClaimed = QStringLiteral("確保");    // a desk is about to print it
inline const QString kLogOut = QStringLiteral("出力");        // handed to the printer, or in a PDF
inline const QString kLogCompleted = QStringLiteral("完了");  // the printing service finished
inline const QString kLogStopped = QStringLiteral("停止");    // the service stopped the job
inline const QString kLogCancelled = QStringLiteral("取消");  // the job was cancelled

// A meet as the log knows it: the path may differ between workstations, the file name, the
// meet's name and its first day do not.
struct LoggedMeet {
  QString file;
  QString name;
  QString first_day;

  bool operator==(const LoggedMeet&) const = default;
};

// The meet of the results file at path with these settings.
LoggedMeet LoggedMeetOf(const QString& path, const MeetSettings& meet);

// Which certificate a row is: printed twice, it has the same key.
struct CertificateKey {
  int event = 0;     // 競技番号; 0 for certificates that come from no meet
  int class_no = 0;  // class-wise runs
  int heat = 0;      // heat runs
  bool relay = false;
  int entrant = 0;  // 選手番号 or チーム番号

  auto operator<=>(const CertificateKey&) const = default;
};

struct PrintLogRow {
  qint64 id = 0;
  LoggedMeet meet;
  CertificateKey key;
  QString event_text;
  QString stage;
  QString class_name;
  QString name;
  QString affiliation;
  QString rank;
  QString record;
  int layout = 0;
  int copies = 1;
  QString host;
  qint64 pid = 0;
  QDateTime time;  // when it came out (claimed: when claimed)
  QString output;  // "プリンタ" or "PDF"
  QString where;   // the queue, or the PDF file
  int page = 0;    // the page in that file
  int job = 0;     // the printing service's job
  QString state;

  // Whether the certificate counts as printed (not a claim, not stopped or cancelled).
  bool Printed() const { return state == kLogOut || state == kLogCompleted; }
};

inline const QString kLogPrinter = QStringLiteral("プリンタ");
inline const QString kLogPdf = QStringLiteral("PDF");

// The log of a layout database. The table is made on first use, in one transaction, in an
// older file too. Every call raises DbError; writes leave nothing half-written.
class PrintLog {
 public:
  explicit PrintLog(Database& db);

  // Rows that came out, in one transaction; their host, process and time are set.
  void Add(std::vector<PrintLogRow>& rows);
  // Claims the certificate for this process before it is drawn, in one write transaction, so
  // that two desks never print the same one: 0 when it is printed already or another live desk
  // has claimed it, else the id of the claim. A claim whose process has ended (on this host) or
  // that has made no progress for the claim timeout (another host) is released first.
  qint64 Claim(PrintLogRow row);
  // The claimed certificate came out there.
  void MarkOut(qint64 id, const QString& output, const QString& where, int page, int job = 0);
  // The claimed certificate did not come out.
  void Release(qint64 id);
  // What the printing service said of the job of a row.
  void SetState(qint64 id, const QString& state);

  // The rows of a meet, oldest first.
  std::vector<PrintLogRow> Rows(const LoggedMeet& meet);
  // The certificates of a meet that count as printed, or are claimed by a live desk.
  std::set<CertificateKey> Taken(const LoggedMeet& meet);

  // Seconds without progress after which a claim of another host counts as abandoned.
  void SetClaimTimeout(int seconds) { claim_timeout_ = seconds; }

  static QString HostName();

 private:
  void Ensure();
  bool ClaimAlive(const QString& host, qint64 pid, const QDateTime& time) const;
  // The new row's id when asked for.
  qint64 Insert(const PrintLogRow& row, bool want_id);

  Database& db_;
  int claim_timeout_ = 120;
};

// One row as a tab-separated line (tabs and line breaks in texts become blanks), and the line
// of column names before it.
QString PrintLogHeaderLine();
QString PrintLogLine(const PrintLogRow& row);

}  // namespace kvsys
