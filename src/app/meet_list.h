#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "app/app_state.h"

class QFileInfo;

namespace kvsys {

class Dialogs;

// Replacement names of the meet list.
inline const QString kNoMeetName = QStringLiteral("(大会名１が未登録)");
inline const QString kMeetInMaintenance =
    QStringLiteral("(現在リザルト側でデータの保守中につき使用できません)");

inline const QString kNoMeetFoundText = QStringLiteral("競泳ＤＢ（SWIM.mdb）が見つかりません｡ ");

// Ver.4.6 folders taken from one listing, at most.
constexpr int kMaxMeetFolders = 100;

// The name column of a meet that could not be read, with the reason.
inline const QString kUnreadableMeetMark = QStringLiteral("（読み込めません）");

// One row of a listing.
struct ListedMeet {
  QVariant number;  // flda
  QString path;
  QString name;  // FLDB
  QString first_day;
  QString last_day;
  QString unreadable;  // why the meet could not be read; empty when it was read
};

// Names and dates of Jet meets already read, by path, size and modification time: reading a
// Jet file takes a helper process, and a folder of meets is listed at every start. Meets read
// are kept in the file (when one is given) for the next start; meets that could not be read
// are kept for this process only, as the cause may pass.
class MeetListCache {
 public:
  explicit MeetListCache(QString file = QString());

  std::optional<ListedMeet> Find(const QFileInfo& file) const;
  void Store(const QFileInfo& file, const ListedMeet& meet);
  // Writes the meets read to the file when something changed; false when it could not.
  bool Save();

  int Hits() const { return hits_; }
  int Misses() const { return misses_; }

 private:
  struct Entry {
    qint64 size = 0;
    qint64 modified_ms = 0;
    ListedMeet meet;
  };
  QString file_;
  QHash<QString, Entry> entries_;
  bool changed_ = false;
  mutable int hits_ = 0;
  mutable int misses_ = 0;
};

// What a listing may use and report besides the work table.
struct MeetListHooks {
  MeetListCache* cache = nullptr;
  // Before meet done + 1 of total is read (file is its file name).
  std::function<void(int done, int total, const QString& file)> progress;
  std::vector<ListedMeet>* listed = nullptr;  // the rows written, in order
};

// Fills the work table KVSSEL with the meets of the folder in the layout of
// state.ResultVersion. The folder gets a trailing separator. A meet that cannot be read is
// listed with the reason in its name column; one bad file never hides the others. When a
// meet was found, DB_Path is written and state.DbFolder becomes the folder. Returns whether a
// meet was found and recorded; every failure has been shown to the operator.
bool ListMeets(AppState& state, Dialogs& dialogs, QString& folder, const MeetListHooks& hooks = {});

// The meet selection's report of a failed open or listing: a lock error, a missing file
// (with the caller's not-found text) or any other error with its number.
void ReportMeetSelectionError(AppState& state, Dialogs& dialogs, const DbError& e,
                              const QString& not_found_text);

// The path of a file in a folder, matched without regard to case as the results system's
// Windows file names are ("Swim01.mdb" is found as "SWIM01.mdb"); empty when none exists.
QString FindFileNoCase(const QString& folder, const QString& name);

}  // namespace kvsys

namespace kvsys {

enum class SelectOutcome { Selected, Stay, Exit };

// Opens the chosen meet as state.ResultsDb (list number flda, shown name meet_name). Stay:
// a message told why not; Exit: the results system holds the meet exclusively and the
// program ends as its exit button does.
SelectOutcome SelectMeet(AppState& state, Dialogs& dialogs, const QVariant& flda,
                         const QString& meet_name);

}  // namespace kvsys
