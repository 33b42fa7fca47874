#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "certificate/print_job.h"
#include "certificate/print_run.h"
#include "common/line_dialogs.h"
#include "desk/print_log.h"

namespace kvsys {

class Database;
class WarningLabel;

// Where one event's race stands in the results file.
struct EventProgress {
  int entries = 0;     // rows of the event
  int pending = 0;     // rows with neither a time nor a status that rules them out
  size_t results = 0;  // a digest of its rows (when asked): another value means a result changed

  // Every entry has its result: the awards can be given.
  bool Complete() const { return entries > 0 && pending == 0; }
};

// Every event's progress, in one read of the results (pending as PendingCondition says);
// digest: with the digest of each event's rows (only a hold needs it). Raises DbError.
std::map<int, EventProgress> ReadEventProgress(Database& results_db, bool exclude_open = false,
                                               bool digest = false);

// What a file looks like from outside: size and time, and while it is young (just changed) a
// digest of its content. A watcher alone is blind on network shares, so the file is looked at
// as well; a write in place that keeps the size within the clock's resolution (FAT and shares
// keep 1–2 s) changes only the content.
struct FileSignature {
  qint64 size = -1;
  QDateTime modified;
  QByteArray content;  // empty when not read: equal to any

  bool Same(const FileSignature& other) const;
};

// Whether a followed file changed since it was last read, and whether the change has settled:
// a file is read only after it looked the same for kSettleMs, so a write in progress (the
// results system writing a race) is not read half done. now_ms: a steady clock in ms.
class FileChangeWatch {
 public:
  static constexpr qint64 kSettleMs = 500;
  // How long after a change the content is compared too; well past any clock's resolution.
  static constexpr qint64 kYoungMs = 10000;

  explicit FileChangeWatch(QString path, std::function<qint64()> now_ms = {});
  enum class Seen {
    kSame,      // as last read
    kSettling,  // changed, not yet still for kSettleMs: look again soon
    kChanged,   // changed and still: read it, then call Read
  };
  Seen Look();
  // The file as the last look saw it was read.
  void Read();

 private:
  FileSignature SignatureNow(bool with_content) const;

  QString path_;
  std::function<qint64()> now_ms_;
  bool read_once_ = false;
  FileSignature read_;
  FileSignature seen_;
  qint64 seen_at_ = -1;  // when seen_ was first seen; -1 when nothing new is seen
  qint64 young_until_ = 0;
};

// When a followed meet file is to be looked at, for the print list and the print tool alike:
// when the file system says it changed, every interval (a network share says nothing), and
// once more soon after a look that found it still being written (LookSoon). Due is emitted;
// what the look finds is FileChangeWatch's to say.
class MeetFileWatch : public QObject {
  Q_OBJECT

 public:
  explicit MeetFileWatch(int interval_ms, QObject* parent = nullptr);
  // Follows path from now on (none: only the interval), and is due at once.
  void Watch(const QString& path);
  // A look found the file settling: due again once it may have settled.
  void LookSoon();

 signals:
  void Due();

 private:
  void Rewatch();

  QString path_;
  QFileSystemWatcher watcher_;
  QTimer* interval_;
};

// The events that became complete since the last look. The first look only sets what was
// complete already, so following a meet never prints a backlog by surprise.
class CompletionWatch {
 public:
  // Events complete now and not before, in number order; empty on the first look.
  std::vector<int> Look(const std::map<int, EventProgress>& now);
  bool Started() const { return started_; }

 private:
  bool started_ = false;
  std::set<int> complete_;
};

// The meet a results file holds now, by its texts; nullopt when it says none. Raises DbError.
std::optional<LoggedMeet> MeetOfFile(Database& results_db, const QString& file);

// What one look at a followed meet found and did.
struct FollowLook {
  bool read = false;       // the meet was read: its file changed, or this was the first look
  bool settling = false;   // the file is being written: look again in a moment
  std::vector<int> newly;  // events complete since the last look, in number order
  // A line per chosen event printed, or what stopped it ("10:42:05 競技番号 6 男子50m自由形
  // 決勝：3 枚"), each message of a run on a line of its own.
  QStringList printed;
  QStringList changes;  // printed results that differ now, each said once, with its time
  // The first look of a printing follower: events complete already, not begun by a follower,
  // with the certificates of each the log does not hold (left to the operator).
  std::map<int, int> left_unprinted;
};

// "競技番号 6 男子50m自由形 決勝 10歳以下": the event as a follower's line names it.
QString FollowedEventText(const ProgramEvent& event);

// KVSYS.ini [Prn] of a workstation: its protest period in minutes (0 or missing: none).
inline const QString kAutoPrintHoldKey = QStringLiteral("AutoPrintHold");
inline constexpr int kMaxHoldMinutes = 600;

// How a following desk prints: the workstation's output (KVSYS.ini), or the caller's.
struct FollowPrinting {
  QString ini_path;
  QString program_folder;
  OutputFactory output;  // none: the workstation's
  // The protest period: an event is printed only this long after its last result came in, and
  // a change meanwhile starts it again. 0: at once.
  int hold_minutes = 0;
  // The meet followed: a layout made for another one is said in the lines.
  SelectedMeet meet;
};

// Follows a meet as its results come in, for the print tool and the print list alike: looks at
// the meet file, reads every event's progress once a change settled, queues the chosen events
// that became complete since and prints them (only what the print log does not hold, each
// claimed first, so desks following one meet share the work) and says which printed results
// changed, never printing them again by itself. An event leaves the queue only when its run
// printed everything or it earns nothing; a read or run that fails is tried again at the next
// look. Nobody watches: the runs ask nothing, their messages become lines. The first look
// notes what is complete already: it finishes the events a follower of this meet had begun to
// print (stopped or killed), and says which of the others have certificates not printed. A
// file that came to hold another meet prints nothing.
class MeetFollower {
 public:
  MeetFollower(QString meet_path, LoggedMeet meet, bool has_classes, FollowPrinting printing,
               std::function<qint64()> now_ms = {});

  // Called before the meet is read again after its file changed: a Jet meet is read whole
  // when it is opened, so it must be opened again.
  void SetReopen(std::function<void()> reopen) { reopen_ = std::move(reopen); }
  // Forgets what was complete and queued: the next look notes what is complete then, printing
  // none of it.
  void Restart();
  bool Started() const { return watch_.Started(); }
  const std::map<int, EventProgress>& Progress() const { return progress_; }
  // The events waiting to be printed, in number order.
  std::vector<int> Queued() const { return {queue_.begin(), queue_.end()}; }
  // The queued events still in their protest period, with the milliseconds left.
  std::map<int, qint64> Holding() const;
  // Where its runs would go now (asked once when printing is turned on, never during a run).
  OutputDestination Destination(bool pdf_only) { return job_.Destination(pdf_only); }

  // base: the chosen events and how they are printed. context: made after any reopening; its
  // dialogs are not used. print: the queued events are printed (else only noted). pdf_only:
  // PDF files whatever the workstation's target.
  FollowLook Look(const PrintRequest& base, const std::function<PrintRunContext()>& context,
                  bool print, WarningLabel& label, bool pdf_only = false);

 private:
  // The chosen complete events a follower had begun, to print; the others are said in lines.
  std::vector<int> Resume(const PrintRequest& base, PrintRunContext& read,
                          std::map<int, int>& left);
  void PrintQueued(const PrintRequest& base, PrintRunContext& read, WarningLabel& label,
                   bool pdf_only, FollowLook& look);
  // One queued event's run; true when it is done (everything printed, or nothing earned).
  bool PrintEvent(const RunOptions& run, const PrintRequest& base, const ProgramEvent& event,
                  PrintRunContext& read, WarningLabel& label, QStringList& lines);
  QString Now() const;
  // Starts the protest period of newly queued events, and again for those whose results
  // changed during it; said in lines.
  void Hold(const PrintRequest& base, FollowLook& look);

  QString path_;
  LoggedMeet meet_;
  bool has_classes_;
  LineDialogs dialogs_;
  PrintJob job_;
  RunOptions run_;  // how its runs print; the log is set for each
  std::function<qint64()> now_ms_;
  std::function<void()> reopen_;
  bool other_meet_ = false;
  bool read_before_ = false;  // the meet was read once: a later read opens it again
  CompletionWatch watch_;
  FileChangeWatch file_;
  std::map<int, EventProgress> progress_;
  std::set<int> queue_;
  qint64 hold_ms_ = 0;
  // Per queued event in its hold: when its last result came in, and what its rows were then.
  std::map<int, std::pair<qint64, size_t>> held_;
  std::map<int, QString> told_;  // per queued event, what was said of its last failed run
  SelectedMeet selected_;
  // The layout the last run printed with, and what was said of it: a layout decided or saved
  // elsewhere meanwhile, or made for another meet, is said once.
  std::optional<CertificateLayout> last_layout_;
  QString layout_told_;
  QString read_failure_told_;
  std::set<QString> announced_;
};

}  // namespace kvsys
