#pragma once

#include <QDateTime>
#include <QString>
#include <map>
#include <set>
#include <vector>

namespace kvsys {

class Database;

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

}  // namespace kvsys
