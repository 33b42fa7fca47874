#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "certificate/print_run.h"
#include "layout/print_log.h"

namespace kvsys {

class Database;
class PrintJob;
class WarningLabel;

// Where one event's race stands in the results file.
struct EventProgress {
  int entries = 0;  // rows of the event
  int pending = 0;  // rows with neither a time nor a status that rules them out

  // Every entry has its result: the awards can be given.
  bool Complete() const { return entries > 0 && pending == 0; }
};

// Every event's progress, in one read of the results. Raises DbError.
std::map<int, EventProgress> ReadEventProgress(Database& results_db);

// What tells that a file changed: its size and time. A watcher alone is blind on network
// shares, so the file is looked at as well.
struct FileStamp {
  qint64 size = -1;
  QDateTime modified;

  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const QString& path);

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
  std::vector<int> newly;  // events complete since the last look, in number order
  QStringList printed;  // a line per chosen event printed ("10:42:05 競技番号 6 …：3 枚")
  QStringList changes;  // printed results that differ now, each said once
  // The first look of a printing follower: events complete already, not begun by a follower,
  // with the certificates of each the log does not hold (left to the operator).
  std::map<int, int> left_unprinted;
};

// Follows a meet as its results come in, for the print tool and the print list alike: looks at
// the meet file, reads every event's progress when it changed, prints the chosen events that
// became complete since (only what the print log does not hold, each claimed first, so desks
// following one meet share the work) and says which printed results changed, never printing
// them again by itself. The first look notes what is complete already: it finishes the events
// a follower of this meet had begun to print (stopped or killed), and says which of the others
// have certificates not printed. A file that came to hold another meet prints nothing.
class MeetFollower {
 public:
  MeetFollower(QString meet_path, LoggedMeet meet, bool has_classes)
      : path_(std::move(meet_path)), meet_(std::move(meet)), has_classes_(has_classes) {}

  // Called before the meet is read again after its file changed: a Jet meet is read whole
  // when it is opened, so it must be opened again.
  void SetReopen(std::function<void()> reopen) { reopen_ = std::move(reopen); }
  // Forgets what was complete: the next look notes what is complete then, printing none of it.
  void Restart() { watch_ = CompletionWatch(); }
  bool Started() const { return watch_.Started(); }
  const std::map<int, EventProgress>& Progress() const { return progress_; }

  // base: the chosen events and how they are printed. context: made after any reopening.
  // job: where the newly complete events are printed (as set for only new certificates and
  // without questions); none notes them only. A read that fails (the results system writing
  // at that moment) is tried again at the next look.
  FollowLook Look(const PrintRequest& base, const std::function<PrintRunContext()>& context,
                  PrintJob* job, WarningLabel& label, bool pdf_only = false);

 private:
  QString path_;
  LoggedMeet meet_;
  bool has_classes_;
  // The chosen complete events a follower had begun, to print; the others are said in lines.
  std::vector<int> Resume(const PrintRequest& base, PrintRunContext& read,
                          std::map<int, int>& left);

  std::function<void()> reopen_;
  bool other_meet_ = false;
  CompletionWatch watch_;
  FileStamp seen_;
  std::map<int, EventProgress> progress_;
  std::set<QString> announced_;
};

}  // namespace kvsys
