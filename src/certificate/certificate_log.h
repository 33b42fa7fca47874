#pragma once

#include <QDateTime>
#include <QString>
#include <compare>
#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace kvsys {

struct MeetSettings;

// What a print run needs of the print log: the certificates it claims, places and marks out,
// and what the log holds of a meet. The award desk keeps the log (its tables, its contract
// between desks) and hands a run the means to open it.

// States of a logged certificate.
inline const QString kLogClaimed = QStringLiteral("確保");    // a desk is about to print it
inline const QString kLogOut = QStringLiteral("出力");        // handed to the printer, or in a PDF
inline const QString kLogCompleted = QStringLiteral("完了");  // the printing service finished
inline const QString kLogStopped = QStringLiteral("停止");    // the service stopped the job
inline const QString kLogCancelled = QStringLiteral("取消");  // the job was cancelled
inline const QString kLogUnknown = QStringLiteral("不明");    // its desk ended while sending it

// A claim is a lease: its desk renews it this often, and another desk takes it as ended when it
// has seen no renewal for this long.
inline constexpr int kLeaseRenewMs = 5000;
inline constexpr int kLeaseExpireMs = 30000;

inline const QString kLogPrinter = QStringLiteral("プリンタ");
inline const QString kLogPdf = QStringLiteral("PDF");

// A meet as the log knows it: the path may differ between workstations; the file name and the
// meet's texts as they were when printed.
struct LoggedMeet {
  QString file;
  QString name;
  QString first_day;

  bool operator==(const LoggedMeet&) const = default;
};

// The meet of the results file at path with these settings.
LoggedMeet LoggedMeetOf(const QString& path, const MeetSettings& meet);
// Whether two sightings are one meet: the same file, and the same first day, or the same name
// with a first day moved by a month at most (a corrected name or date keeps the meet; a file
// that now holds another meet does not).
bool SameMeet(const LoggedMeet& a, const LoggedMeet& b);

// Which certificate a row is: printed twice, it has the same key. One result row earns one
// certificate: the occurrence tells apart two rows of one entrant in one event.
struct CertificateKey {
  int event = 0;     // 競技番号; 0 for certificates that come from no meet
  int class_no = 0;  // class-wise runs
  int heat = 0;      // heat runs
  bool relay = false;
  int entrant = 0;     // 選手番号 or チーム番号
  int occurrence = 1;  // the entrant's n-th result row of the event, in ranking order

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
  QString started;     // the process's start (boot and start time), to tell a reused id
  qint64 renewal = 0;  // how often its desk renewed the claim
  QDateTime time;      // when it came out (claimed: when claimed), as that desk's clock said
  QString output;      // kLogPrinter or kLogPdf
  QString where;       // the queue, or the PDF file
  int page = 0;        // the page in that file
  int job = 0;         // the printing service's job
  QString state;
  bool automatic = false;  // printed by following the meet, not by an operator's run
  QDateTime handed;        // when it was handed over at the ceremony (授与済), as that desk said
  QString handed_by;       // at which desk
  bool Handed() const { return handed.isValid(); }

  // Whether the certificate counts as printed (not a claim, not stopped or cancelled).
  bool Printed() const { return state == kLogOut || state == kLogCompleted; }
};

// Where a claimed certificate will appear, or came out.
struct LogPlace {
  qint64 id = 0;
  QString output;
  QString where;
  int page = 0;
  int job = 0;
};

// What a claim found.
enum class ClaimFate {
  kClaimed,  // this desk holds it now (id set)
  kPrinted,  // it is printed already (only the new ones)
  kHeld,     // another live desk holds it (only the new ones)
};

struct ClaimItem {
  PrintLogRow row;  // meet, key and texts
  ClaimFate fate = ClaimFate::kClaimed;
  qint64 id = 0;
};

// The log as a run writes and reads it. Every call raises DbError; each write is one
// transaction and leaves nothing half-written.
class CertificateLog {
 public:
  virtual ~CertificateLog() = default;

  // Settles the claims of desks that ended; the number settled.
  virtual int Settle() = 0;
  // Keeps this process's claims alive from a thread of its own while the log is open.
  virtual void KeepLeases() = 0;
  // Claims the certificates before they are drawn. With new_only a certificate printed
  // already, or held by another live desk, is not claimed (its fate says which).
  virtual void Claim(std::vector<ClaimItem>& items, bool new_only) = 0;
  // Where claimed certificates will appear (before they do), or (MarkOut) that they came out
  // there. Returns the ids that are no longer this desk's claims; the rest are written.
  virtual std::vector<qint64> Place(const std::vector<LogPlace>& places) = 0;
  virtual std::vector<qint64> MarkOut(const std::vector<LogPlace>& places) = 0;
  // The claimed certificates did not come out.
  virtual void Release(const std::vector<qint64>& ids) = 0;
  // Rows that came out; their host, process and time are set.
  virtual void Add(std::vector<PrintLogRow>& rows) = 0;
  // The certificates of these events and entrants of a meet (all when empty) that count as
  // printed, are unknown, or are claimed by a live desk.
  virtual std::set<CertificateKey> Taken(const LoggedMeet& meet, const std::set<int>& events,
                                         const std::set<int>& entrants) = 0;
};

// Opens the log for a run (raises DbError when it cannot).
using CertificateLogOpener = std::function<std::unique_ptr<CertificateLog>()>;

// Where a run logs every certificate that comes out (a preview's drawing never is). Without an
// opener nothing is logged.
struct RunLogTarget {
  CertificateLogOpener open;
  LoggedMeet meet;
  bool automatic = false;  // the rows say the meet was being followed (a restarted follower
                           // finishes them)

  bool Logged() const { return static_cast<bool>(open); }
  // What the log holds of these events and entrants of the meet; raises DbError.
  std::set<CertificateKey> Taken(const std::set<int>& events, const std::set<int>& entrants) const {
    return open()->Taken(meet, events, entrants);
  }
};

}  // namespace kvsys
