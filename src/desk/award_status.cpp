// What the award desk sees per event: printed, changed since, still to print, still to swim.
#include "desk/award_status.h"

#include <algorithm>
#include <memory>
#include <set>

#include "certificate/print_job.h"
#include "db/database.h"
#include "db/recordset.h"
#include "desk/award_changes.h"
#include "desk/meet_follow.h"
#include "print/printer_queue.h"
#include "results/results_error.h"

namespace kvsys {

QString AwardStatusText(const EventAwardStatus& s) {
  QStringList parts;
  // Said first: a certificate handed over with a wrong result is the desk's most urgent task.
  if (s.recalls > 0) parts << QStringLiteral("回収 %1").arg(s.recalls);
  if (s.printed > 0) {
    // Reprints add sheets, not certificates: both are said when they differ.
    const QString sheets =
        s.sheets > s.printed ? QStringLiteral("（%1枚）").arg(s.sheets) : QString();
    parts << QStringLiteral("印刷済 %1件%2 %3 %4")
                 .arg(s.printed)
                 .arg(sheets, s.last.toString(QStringLiteral("HH:mm")), s.host);
  }
  if (s.handed > 0) parts << QStringLiteral("授与済 %1").arg(s.handed);
  if (s.unprinted > 0) parts << QStringLiteral("未印刷 %1").arg(s.unprinted);
  if (s.unfinished > 0) parts << QStringLiteral("未完了ジョブ %1").arg(s.unfinished);
  if (s.changed > 0) parts << QStringLiteral("変更あり %1").arg(s.changed);
  if (s.pending > 0) parts << QStringLiteral("結果待ち %1").arg(s.pending);
  return parts.join(QStringLiteral("　"));
}

void PrinterJobFollower::Follow(PrintLogRow& row) {
  // Only this desk's printing service knows its jobs; a stopped job may still go on.
  const bool open = row.state == kLogOut || row.state == kLogStopped;
  if (!open || row.output != kLogPrinter || row.job <= 0 || row.host != host_) return;
  if (!fates_.count(row.where)) fates_[row.where] = OwnJobFates(row.where);
  const auto fate = fates_[row.where].find(row.job);
  if (fate == fates_[row.where].end() || fate->second == JobFate::kActive) return;
  const QString state = fate->second == JobFate::kCompleted ? kLogCompleted
                        : fate->second == JobFate::kStopped ? kLogStopped
                                                            : kLogCancelled;
  if (state == row.state) return;
  row.state = state;
  if (record_) log_.SetState(row.id, row.state);
}

void FollowPrinterJobs(PrintLog& log, std::vector<PrintLogRow>& rows) {
  PrinterJobFollower follower(log);
  for (PrintLogRow& row : rows) follower.Follow(row);
}

std::optional<std::map<int, EventAwardStatus>> ReadAwardStatus(const PrintRequest& request,
                                                               PrintRunContext& context,
                                                               const LoggedMeet& meet,
                                                               bool has_classes) {
  std::map<int, EventAwardStatus> status;
  std::vector<PrintLogRow> rows;
  std::set<CertificateKey> taken;
  try {
    PrintLog log(context.layout_db);
    rows = log.Rows(meet);
    FollowPrinterJobs(log, rows);
    for (const PrintLogRow& row : rows) {
      if (row.state == kLogStopped || row.state == kLogCancelled)
        status[row.key.event].unfinished += 1;
      if (!row.Printed()) continue;
      EventAwardStatus& s = status[row.key.event];
      s.sheets += std::max(row.copies, 1);
      if (!s.last.isValid() || row.time >= s.last) {
        s.last = row.time;
        s.host = row.host;
      }
      if (taken.insert(row.key).second) s.printed += 1;
    }
  } catch (const DbError& e) {
    ReportDbError(context.dialogs, context.state, e, kPrintTitle, kTargetLayoutDb);
    return std::nullopt;
  }
  try {
    for (const auto& [event, progress] : ReadEventProgress(context.results_db)) {
      if (progress.pending > 0) status[event].pending = progress.pending;
    }
  } catch (const DbError& e) {
    ReportDbError(context.dialogs, context.state, e, kPrintTitle, kTargetResults);
    return std::nullopt;
  }
  // What the events earn now, every rank and open entrant, in one collection into a table of
  // the status's own; the request's rank and open choices are applied here by the run's own
  // rule, so that the same collection serves the comparison with the log.
  SideCollection side(context);
  PrintRequest every = request;
  every.rank_only = 0;
  every.skip_up_to = 0;
  every.exclude_open = false;
  const CollectResult collected = side.Collect(every);
  if (collected.outcome == CollectOutcome::kFailed) return std::nullopt;
  const int count = std::min(collected.count, RecipientTable::kCapacity);
  for (int i = 1; i <= count; ++i) {
    const RecipientSource& source = side.Table()[i].Source;
    if (!Wanted(request, source.rank, source.open)) continue;
    if (taken.count(KeyOf(source)) == 0) status[source.event].unprinted += 1;
  }
  const KnownResults known{collected.outcome == CollectOutcome::kDone ? &every : nullptr,
                           &side.Table(), count};
  const std::optional<std::vector<AwardComparison>> compared =
      CompareWithResults(rows, context, has_classes, known);
  if (!compared) return std::nullopt;
  // A recipient newly within the limit has no certificate to be wrong: it is counted as
  // unprinted above, not as a change.
  for (const AwardComparison& c : *compared) {
    if (c.change == AwardChange::kChanged || c.change == AwardChange::kNowOutside) {
      status[c.logged.key.event].changed += 1;
    }
    if (c.change != AwardChange::kNowInside && c.logged.Handed()) {
      status[c.logged.key.event].handed += 1;
    }
    if (IsRecall(c)) status[c.logged.key.event].recalls += 1;
  }
  return status;
}

QString DescribeDeskRun(const PrintJobResult& result) {
  QString text = DescribeJobResult(result);
  if (text.isEmpty() || result.skipped <= 0) return text;
  // Before the line that says where they came out.
  const qsizetype place = text.indexOf(QLatin1Char('\n'));
  text.insert(
      place < 0 ? text.size() : place,
      QStringLiteral("印刷済みの%1枚は、この端末では出力していません。").arg(result.skipped));
  return text;
}

}  // namespace kvsys
