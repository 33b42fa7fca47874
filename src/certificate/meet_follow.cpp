// Following a meet as its results come in.
#include "certificate/meet_follow.h"

#include <QFileInfo>
#include <QTime>
#include <algorithm>

#include "certificate/award_changes.h"
#include "certificate/print_job.h"
#include "certificate/recipient_selection.h"
#include "common/text_util.h"
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

std::optional<LoggedMeet> MeetOfFile(Database& results_db, const QString& file) {
  auto rs = results_db.OpenRecordset(QStringLiteral("SELECT 大会名1, 始期間 FROM 大会設定"),
                                     dbOpenSnapshot, dbReadOnly);
  if (rs->Eof()) return std::nullopt;
  return LoggedMeet{file, TrimBlanks(rs->Field(0).toString()), TrimBlanks(rs->Field(1).toString())};
}

std::vector<int> MeetFollower::Resume(const PrintRequest& base, PrintRunContext& read,
                                      std::map<int, int>& left) {
  std::vector<int> resumed;
  PrintRequest complete = base;
  complete.events.clear();
  for (const ProgramEvent& event : base.events) {
    const auto progress = progress_.find(event.number);
    if (progress != progress_.end() && progress->second.Complete()) {
      complete.events.push_back(event);
    }
  }
  if (complete.events.empty()) return resumed;
  // Quietly: a layout that cannot print is said when something is to be printed.
  const CollectResult collected = CollectRecipients(complete, read);
  if (collected.outcome != CollectOutcome::kDone && collected.outcome != CollectOutcome::kFull) {
    return resumed;
  }
  read.recipients.RecipientCount =
      static_cast<int16_t>(std::min(collected.count, RecipientTable::kCapacity));
  PrintLog log(read.layout_db);
  const std::set<CertificateKey> taken = log.Taken(meet_);
  std::map<int, int> missing;
  for (int i = 1; i <= read.recipients.RecipientCount; ++i) {
    const RecipientSource& source = read.recipients[i].Source;
    if (taken.count(KeyOf(source)) == 0) missing[source.event] += 1;
  }
  // What a follower began is finished; the rest is the operator's to print.
  const std::set<int> started = log.EventsLogged(meet_, true);
  for (const auto& [event, n] : missing) {
    if (started.count(event) != 0) {
      resumed.push_back(event);
    } else {
      left[event] = n;
    }
  }
  return resumed;
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
    // A file that now holds another meet is not printed under this one's name.
    if (const std::optional<LoggedMeet> now = MeetOfFile(read.results_db, meet_.file);
        now && !SameMeet(meet_, *now)) {
      if (!other_meet_) {
        look.printed << QStringLiteral(
                            "大会ファイルが別の大会（%1 %2）になりました。印刷しません。")
                            .arg(now->name, now->first_day);
      }
      other_meet_ = true;
      seen_ = stamp;
      return look;
    }
    other_meet_ = false;
    const bool first = !watch_.Started();
    progress_ = ReadEventProgress(read.results_db);
    seen_ = stamp;
    look.read = true;
    look.newly = watch_.Look(progress_);
    if (first && job) look.newly = Resume(base, read, look.left_unprinted);
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
      if (printed.held_elsewhere > 0) {
        line += QStringLiteral("（他の端末が印刷中 %1 枚）").arg(printed.held_elsewhere);
      }
      look.printed << line;
    }
    PrintRunObserver quiet;
    PrintRunContext compare{read.layout_db, read.results_db, read.state,
                            read.dialogs,   read.options,    read.meet_affiliation,
                            read.layout,    read.recipients, quiet};
    const std::optional<std::vector<AwardComparison>> compared = CompareWithResults(
        PrintLog(read.layout_db).LatestPerCertificate(meet_), compare, has_classes_);
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
