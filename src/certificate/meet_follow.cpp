// Following a meet as its results come in.
#include "certificate/meet_follow.h"

#include <QFileInfo>
#include <QTime>
#include <algorithm>

#include "certificate/award_changes.h"
#include "certificate/print_job.h"
#include "certificate/recipient_selection.h"
#include "db/database.h"
#include "db/recordset.h"

namespace kvsys {

std::map<int, EventProgress> ReadEventProgress(Database& results_db) {
  std::map<int, EventProgress> progress;
  auto rs = results_db.OpenRecordset(
      QStringLiteral(
          "SELECT 競技番号, count(*), sum(CASE WHEN (ゴール IS NULL OR trim(ゴール) = '') "
          "AND (事由入力ステータス = 0 OR 事由入力ステータス = 4) THEN 1 ELSE 0 END) "
          "FROM 記録マスター GROUP BY 競技番号"),
      dbOpenSnapshot, dbReadOnly);
  for (; !rs->Eof(); rs->MoveNext()) {
    progress[rs->Field(0).toInt()] = {rs->Field(1).toInt(), rs->Field(2).toInt()};
  }
  return progress;
}

FileStamp StampOf(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return {};
  return {info.size(), info.lastModified()};
}

std::vector<int> CompletionWatch::Look(const std::map<int, EventProgress>& now) {
  std::vector<int> newly;
  std::set<int> complete;
  for (const auto& [event, progress] : now) {
    if (!progress.Complete()) continue;
    complete.insert(event);
    if (started_ && complete_.count(event) == 0) newly.push_back(event);
  }
  // An event whose result was taken back is new again once it is complete again.
  complete_ = std::move(complete);
  started_ = true;
  return newly;
}

FollowLook MeetFollower::Look(const PrintRequest& base,
                              const std::function<PrintRunContext()>& context, PrintJob* job,
                              WarningLabel& label, bool pdf_only) {
  FollowLook look;
  const FileStamp stamp = StampOf(path_);
  if (watch_.Started() && stamp == seen_) return look;
  try {
    if (watch_.Started() && reopen_) reopen_();
    PrintRunContext read = context();
    progress_ = ReadEventProgress(read.results_db);
    seen_ = stamp;
    look.read = true;
    look.newly = watch_.Look(progress_);
    for (const int number : look.newly) {
      const auto event =
          std::find_if(base.events.begin(), base.events.end(),
                       [number](const ProgramEvent& e) { return e.number == number; });
      if (!job || event == base.events.end() || read.observer.CancelRequested()) continue;
      PrintRequest request = base;
      request.events = {*event};
      // An event that earns nothing (the collection says so) is still named as done.
      const std::optional<RunOutcome> ended = CollectForRun(request, read);
      if (ended && *ended != RunOutcome::kNothingToPrint) continue;
      const PrintJobResult printed =
          ended ? PrintJobResult() : job->PrintDecided(read, label, 1, 0, pdf_only);
      QString line = QStringLiteral("%1 競技番号 %2 %3：%4 枚")
                         .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")))
                         .arg(number)
                         .arg(MakeEventName(*event))
                         .arg(printed.output);
      if (printed.skipped > 0) line += QStringLiteral("（印刷済み %1 枚）").arg(printed.skipped);
      look.printed << line;
    }
    PrintRunObserver quiet;
    PrintRunContext compare{read.layout_db, read.results_db, read.state,
                            read.dialogs,   read.options,    read.meet_affiliation,
                            read.layout,    read.recipients, quiet};
    const std::optional<std::vector<AwardComparison>> compared =
        CompareWithResults(PrintLog(read.layout_db).Rows(meet_), compare, has_classes_);
    for (const AwardComparison& c :
         compared ? ChangedOnly(*compared) : std::vector<AwardComparison>{}) {
      if (c.change == AwardChange::kNowInside) continue;  // printed when its event completes
      const QString line = QStringLiteral("印刷後の%1 競技番号 %2 %3 %4 %5")
                               .arg(ChangeMark(c.change))
                               .arg(c.logged.key.event)
                               .arg(c.logged.event_text, c.logged.name, c.what);
      if (announced_.insert(line).second) look.changes << line;
    }
  } catch (const DbError&) {
    // Read while the results system was writing: looked at again next time.
  }
  return look;
}

}  // namespace kvsys
