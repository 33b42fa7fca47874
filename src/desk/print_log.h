#pragma once

#include <QDateTime>
#include <QString>
#include <compare>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "certificate/certificate_log.h"

namespace kvsys {

class Database;
class Recordset;

// The print log: one row per certificate that came out (or is about to), in a table of
// KVSYS.mdb of its own, so that every desk sharing the program folder knows what was printed,
// where and when.
//
// The contract every desk keeps:
// - 確保 (claimed): a live desk is printing the certificate. The row is written before the
//   certificate is drawn. Its 出力先 and ページ, once set, say where it will appear; they are set
//   before it does (a PDF file is published only after its rows say so). The claim is a lease:
//   the desk renews 更新 every kLeaseRenewMs while its process lives, also while a file is being
//   finished and while a question is open.
// - 出力 (out): the certificate came out at 出力先 (page ページ). It is never printed again by a
//   run of only the new ones. 完了, 停止, 取消 follow a printer job as its service reports.
// - 不明 (unknown): a certificate that was being handed to a printer when its desk ended; it may
//   or may not have come out. It counts as taken (never printed again by itself) and is shown
//   so that the operator looks at the printer's tray.
// - A claim ends when its desk has ended: on this host when the process (told apart from a
//   later process with the same id by its start time and the machine's boot) is gone; of
//   another host when the observing desk has seen its 更新 unchanged for kLeaseExpireMs of its
//   own clock. Clocks of two machines are never compared.
// - Settling an ended claim: without 出力先 it did not come out (the row is removed); with a
//   PDF file that is there it came out (出力); with a PDF file that is not there it did not
//   (removed); with a printer it is 不明. Every desk settles when a run starts and when a
//   claim stands in its way; only the claims are read for it.
// - A kill leaves at most the certificates of one batch claimed, each settled as above; a lock
//   or a full disk that keeps a write out raises DbError and leaves the table as it was before
//   that write (each write is one transaction); a desk that finds a claim of its own gone (taken
//   by another desk after its lease expired) is told by the call that marks it.
// - A damaged KVSYS.mdb is refused before anything is written (OpenLayoutDbForWriting).
inline const QString kPrintLogTable = QStringLiteral("印刷履歴");
inline const QString kPrintLogMeetTable = QStringLiteral("印刷大会");
inline const QString kCeremonySheetTable = QStringLiteral("表彰進行表");

// What the log needs of its process and machine; tests give their own.
struct LogEnvironment {
  std::function<QString()> host;
  std::function<qint64()> pid;
  // The start of a running process of this host ("boot/start time"); empty when none runs.
  std::function<QString(qint64 pid)> started;
  std::function<qint64()> now_ms;  // a clock of this desk that never goes back
  // Whether a file is there (a PDF a claim names).
  std::function<bool(const QString&)> file_exists;

  static LogEnvironment System();
};

// The log of a layout database. The tables are made on first use, in one transaction, in an
// older file too. Every call raises DbError; each write is one transaction and leaves nothing
// half-written.
class LeaseKeeper;

class PrintLog : public CertificateLog {
 public:
  explicit PrintLog(Database& db, LogEnvironment env = LogEnvironment::System());
  ~PrintLog() override;
  PrintLog(PrintLog&&) noexcept;

  // Rows that came out, in one transaction; their host, process and time are set.
  void Add(std::vector<PrintLogRow>& rows) override;
  // Claims the certificates in one write transaction before they are drawn. With new_only a
  // certificate printed already, or held by another live desk, is not claimed (its fate says
  // which); ended claims met on the way are settled first.
  void Claim(std::vector<ClaimItem>& items, bool new_only) override;
  // Where claimed certificates will appear (before they do), or (MarkOut) that they came out
  // there, in one transaction. Returns the ids that are no longer this desk's claims (taken by
  // another desk after the lease expired); the rest are written.
  std::vector<qint64> Place(const std::vector<LogPlace>& places) override;
  std::vector<qint64> MarkOut(const std::vector<LogPlace>& places) override;
  // The claimed certificates did not come out.
  void Release(const std::vector<qint64>& ids) override;
  // What the printing service said of the job of a row.
  void SetState(qint64 id, const QString& state);
  // Marks these certificates of the meet as handed over at the ceremony (授与済), with the time
  // and this desk, or takes the mark back: on the copy of each printed last. Returns how many
  // changed; one transaction.
  int MarkHanded(const LoggedMeet& meet, const std::set<CertificateKey>& keys, bool handed);
  // The number of the log's last row (0 when empty).
  qint64 LastRow();
  // A ceremony sheet of the meet was made when the log's last row was last_row.
  void RecordSheet(const LoggedMeet& meet, qint64 last_row);
  // The events with certificates that came out after the meet's last ceremony sheet (every
  // printed event when there was none).
  std::set<int> EventsSinceLastSheet(const LoggedMeet& meet);
  // Renews the leases of this process's claims; the number of claims renewed.
  int Renew();
  // Settles the claims of desks that ended (see the contract); the number settled.
  int Settle() override;
  // Renews this process's claims from a thread of its own until the log is destroyed.
  void KeepLeases() override;

  // The rows of a meet, oldest first, read a page at a time.
  void ForEachRow(const LoggedMeet& meet, const std::function<void(const PrintLogRow&)>& each);
  std::vector<PrintLogRow> Rows(const LoggedMeet& meet);
  // The rows of a meet as PrintLogLine writes them, in UTF-8 without the line break, oldest
  // first, a page at a time (a long log is written at the speed of the disk, not of decoding
  // every value).
  void ForEachLine(const LoggedMeet& meet, const std::function<void(const QByteArray&)>& each);
  // This desk's printer jobs of a meet whose fate the printing service may tell still.
  std::vector<PrintLogRow> OpenPrinterJobs(const LoggedMeet& meet);
  // The certificates of these events and entrants of a meet (all when empty) that count as
  // printed, are unknown, or are claimed by a live desk.
  std::set<CertificateKey> Taken(const LoggedMeet& meet, const std::set<int>& events,
                                 const std::set<int>& entrants) override;
  std::set<CertificateKey> Taken(const LoggedMeet& meet) { return Taken(meet, {}, {}); }
  // The row that came out last of each certificate of a meet (claims and certificates of no
  // meet left out), oldest first.
  std::vector<PrintLogRow> LatestPerCertificate(const LoggedMeet& meet);
  // The events of a meet with a row of any state (automatic_only: printed by following it).
  std::set<int> EventsLogged(const LoggedMeet& meet, bool automatic_only = false);

  // For tests: the lease's expiry as this desk measures it.
  void SetLeaseExpiryMs(qint64 ms) { expire_ms_ = ms; }

  const LogEnvironment& environment() const { return env_; }
  static QString HostName();

 private:
  void Ensure();
  // The meet's number for rows written now, made when it has none (in a write transaction).
  qint64 MeetNumber(const LoggedMeet& meet);
  // Every number the meet has had (sightings before a correction was known as one meet).
  std::vector<qint64> MeetNumbers(const LoggedMeet& meet);
  // The meet's rows in order, read page rows at a time.
  void ForEachPage(const LoggedMeet& meet, int page,
                   const std::function<void(const Recordset&)>& each);
  bool Own(const PrintLogRow& row) const;
  bool ClaimAlive(const PrintLogRow& row);
  // Settles an ended claim inside a write transaction; whether it came out.
  bool SettleRow(const PrintLogRow& row);
  std::vector<qint64> WritePlaces(const std::vector<LogPlace>& places, bool out);
  qint64 Insert(const PrintLogRow& row, qint64 meet_number);

  Database& db_;
  LogEnvironment env_;
  QString self_started_;
  qint64 expire_ms_ = kLeaseExpireMs;
  std::map<QString, qint64> meets_;  // meets resolved for writing, by their texts
  // Claims of other hosts as this desk saw them: their 更新 and since when (its clock).
  struct Sighting {
    qint64 renewal = 0;
    qint64 since_ms = 0;
  };
  std::map<qint64, Sighting> sightings_;
  std::unique_ptr<LeaseKeeper> keeper_;
};

// Opens the print log of a layout database for a run.
CertificateLogOpener PrintLogOpener(Database& db);

// Keeps this process's claims alive from a thread of its own, on a connection of its own, while
// the process runs (a question left open, a long file being finished).
class LeaseKeeper {
 public:
  explicit LeaseKeeper(QString database_path, int every_ms = kLeaseRenewMs);
  ~LeaseKeeper();
  LeaseKeeper(const LeaseKeeper&) = delete;
  LeaseKeeper& operator=(const LeaseKeeper&) = delete;

 private:
  struct Thread;
  std::unique_ptr<Thread> thread_;
};

// One row as a tab-separated line (tabs and line breaks in texts become blanks), and the line
// of column names before it.
QString PrintLogHeaderLine();
QString PrintLogLine(const PrintLogRow& row);

}  // namespace kvsys
