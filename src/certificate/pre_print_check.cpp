// The check before a run prints: per event what will come out and what the operator should know.
#include "certificate/pre_print_check.h"

#include <map>
#include <set>

#include "certificate/layout_check.h"
#include "certificate/recipient_selection.h"
#include "certificate/run_log.h"
#include "common/byte_text.h"
#include "common/text_util.h"
#include "common/wait_cursor.h"
#include "db/database.h"
#include "db/db_error_report.h"
#include "db/recordset.h"
#include "layout/layout_store.h"

namespace kvsys {

namespace {

// Entries that may still change the ranking. One read for all events: a query per event would
// scan the results once each.
std::map<int, int> PendingEntries(Database& results_db, const PrintRequest& request) {
  QString sql = QStringLiteral("SELECT 競技番号, COUNT(*) AS pending FROM 記録マスター WHERE ") +
                PendingCondition(request.exclude_open) + QLatin1Char(' ');
  // Only the heat or class the run ranks within can move its ranks.
  if (request.heat != 0) sql += QStringLiteral("AND 組 = %1 ").arg(request.heat);
  if (request.class_wise && request.class_no != 0) {
    sql += QStringLiteral("AND クラス番号 = %1 ").arg(request.class_no);
  }
  sql += QStringLiteral("GROUP BY 競技番号");
  std::map<int, int> pending;
  auto rs = results_db.OpenRecordset(sql, dbOpenSnapshot, dbReadOnly);
  for (; !rs->Eof(); rs->MoveNext()) {
    pending[rs->Field(0).toInt()] = rs->Field(1).toInt();
  }
  return pending;
}

// A relay's members are joined by "・"; a member without a row leaves an empty name between
// them (a name may hold "・" itself, which leaves no empty part).
bool MemberMissing(const Recipient& r) {
  const QStringList names = r.Affiliation.split(QStringLiteral("・"));
  for (const QString& name : names) {
    if (TrimBlanks(name).isEmpty()) return true;
  }
  return false;
}

struct EventRange {
  int first = 0;
  int last = 0;
};

// What the log holds of the run's certificates, read for its events and entrants only (with the
// log's index); empty without a log or when the log cannot be read (the run says so
// afterwards and prints without it).
std::set<CertificateKey> TakenOfRun(PrintRunContext& context, const RunLogTarget* log) {
  const RecipientTable& table = context.recipients;
  std::set<CertificateKey> taken;
  if (!log || table.RecipientCount <= 0) return taken;
  std::set<int> events;
  std::set<int> entrants;
  for (int i = 1; i <= table.RecipientCount; ++i) {
    if (!table[i].Source.FromMeet()) continue;
    events.insert(table[i].Source.event);
    entrants.insert(table[i].Source.entrant);
  }
  try {
    if (!events.empty()) taken = log->Taken(events, entrants);
  } catch (const DbError&) {
    // The run says afterwards that it could not log; it prints without the log.
  }
  return taken;
}

// The row of one event from its stretch of the table: certificates, ties past the limit, open
// entrants, relay members missing, what the log holds, what the drawing found, cut marks.
void CountEvent(const EventRange& range, const RecipientTable& table, const PrintRequest& request,
                int limit, const std::vector<LayoutProblems>& drawn,
                const std::set<CertificateKey>& taken, PrePrintCheckRow& row) {
  row.certificates = range.last - range.first + 1;
  // How many share each rank, class by class (class-wise ranks restart in each class).
  std::map<std::pair<int, int>, int> sharing;
  std::map<int, QString> class_names;
  for (int i = range.first; i <= range.last; ++i) {
    const Recipient& r = table[i];
    ++sharing[{r.Source.class_no, r.Source.rank}];
    class_names[r.Source.class_no] = r.ClassName;
    if (r.Source.open) ++row.open_inside;
    if (r.Source.relay && MemberMissing(r)) ++row.relay_missing;
    if (!taken.empty() && r.Source.FromMeet() && taken.count(KeyOf(r.Source)) != 0) {
      ++row.printed;
    }
  }
  // Those tied at the limit are all printed: more certificates than places.
  for (const auto& [key, count] : sharing) {
    const auto& [klass, rank] = key;
    if (count < 2 || rank + count - 1 <= limit) continue;
    QString text = QStringLiteral("%1位 %2名").arg(rank).arg(count);
    if (request.class_wise && !class_names[klass].isEmpty()) {
      text = class_names[klass] + u' ' + text;
    }
    row.ties << text;
  }
  if (static_cast<int>(drawn.size()) >= range.last) {
    RunLayoutCheck layout;
    for (int i = range.first; i <= range.last; ++i) {
      AddLayoutProblems(layout, drawn[static_cast<size_t>(i - 1)]);
    }
    row.layout = DescribeRunCheck(layout);
  }
  // A mark the record's field cuts prints as less than the results say.
  std::set<QString> cut;
  for (int i = range.first; i <= range.last; ++i) {
    const QString& mark = table[i].Source.cut_mark;
    if (mark.isEmpty() || !cut.insert(mark).second) continue;
    row.layout << QStringLiteral("新記録マーク「%1」は%2バイトまで（「%3」と印刷）")
                      .arg(mark)
                      .arg(kRecordMarkBytes)
                      .arg(TrimBlanks(LeftBytes(mark, kRecordMarkBytes)));
  }
}

}  // namespace

std::optional<PrePrintCheck> CheckBeforePrinting(const PrintRequest& request,
                                                 PrintRunContext& context, bool with_layout,
                                                 const RunLogTarget* log) {
  WaitCursor wait;
  PrePrintCheck check;
  std::map<int, int> pending;
  RankLimits limits;
  try {
    pending = PendingEntries(context.results_db, request);
  } catch (const DbError& e) {
    wait.Restore();
    ReportDbError(context.dialogs, context.state, e, kPrintTitle, kTargetResults);
    return std::nullopt;
  }
  try {
    // The limits the collection ranked with: the layout it read.
    LayoutStore store(context.layout_db, context.dialogs, context.state);
    if (const std::optional<LayoutSettings> s =
            store.ReadSettings(context.layout.CurrentLayoutNumber)) {
      limits = {s->rank_heats, s->rank_timed_final, s->rank_final, s->rank_b_final};
    }
  } catch (const DbError& e) {
    wait.Restore();
    ReportDbError(context.dialogs, context.state, e, kPrintTitle, kTargetLayoutDb);
    return std::nullopt;
  }

  const RecipientTable& table = context.recipients;
  // An event's certificates are one stretch of the table: the collection reads event by event.
  std::map<int, EventRange> ranges;
  for (int i = 1; i <= table.RecipientCount; ++i) {
    EventRange& range = ranges[table[i].Source.event];
    if (range.first == 0) range.first = i;
    range.last = i;
  }

  const std::set<CertificateKey> taken = TakenOfRun(context, log);

  // One drawing of the run (a surface for each event would cost as much again), split by event.
  std::vector<LayoutProblems> drawn;
  if (with_layout && table.RecipientCount > 0) {
    CheckRunLayout(context.layout, context.recipients, context.options, 1, table.RecipientCount,
                   &drawn);
  }

  std::set<int> seen;
  for (const ProgramEvent& event : request.events) {
    if (!seen.insert(event.number).second) continue;
    PrePrintCheckRow row;
    row.event = event.number;
    row.event_name = MakeEventName(event);
    row.class_name = TrimBlanks(event.class_name);
    row.stage = TrimBlanks(event.stage);
    const auto p = pending.find(event.number);
    if (p != pending.end()) row.pending = p->second;
    const auto found = ranges.find(event.number);
    if (found != ranges.end()) {
      CountEvent(found->second, table, request, limits.ForStage(event.stage), drawn, taken, row);
    }
    check.certificates += row.certificates;
    check.printed += row.printed;
    check.rows.push_back(std::move(row));
  }
  return check;
}

QString PrePrintCheckTitle(const PrePrintCheck& check) {
  QString title = check.printed == 0
                      ? QStringLiteral("印刷前の確認（賞状 %1 枚）").arg(check.certificates)
                      : QStringLiteral("印刷前の確認（賞状 %1 枚、うち印刷済み %2 枚）")
                            .arg(check.certificates)
                            .arg(check.printed);
  for (const QString& notice : check.notices)
    title += u'\n' + QString(notice).replace(u'\r', u'\n');
  return title;
}

QStringList PrePrintCheckHeaders() {
  return {QStringLiteral("競技No."),    QStringLiteral("種目"),     QStringLiteral("クラス"),
          QStringLiteral("予決"),       QStringLiteral("枚数"),     QStringLiteral("同順位"),
          QStringLiteral("泳者名なし"), QStringLiteral("記録待ち"), QStringLiteral("オープン"),
          QStringLiteral("レイアウト")};
}

std::vector<QStringList> PrePrintCheckCells(const PrePrintCheck& check) {
  // A zero is left blank, so that what needs attention stands out.
  const auto count = [](int n) { return n == 0 ? QString() : QString::number(n); };
  std::vector<QStringList> cells;
  for (const PrePrintCheckRow& row : check.rows) {
    // The printed ones inside the count's cell: the columns stay as a listing reads them.
    QString certificates = QString::number(row.certificates);
    if (row.printed > 0) certificates += QStringLiteral("（印刷済 %1）").arg(row.printed);
    cells.push_back({QString::number(row.event), row.event_name, row.class_name, row.stage,
                     certificates, row.ties.join(QStringLiteral("、")), count(row.relay_missing),
                     count(row.pending), count(row.open_inside),
                     row.layout.join(QStringLiteral("、"))});
  }
  return cells;
}

QStringList PrePrintCheckLines(const PrePrintCheck& check) {
  QStringList lines{PrePrintCheckHeaders().join(u'\t')};
  for (QStringList cells : PrePrintCheckCells(check)) {
    // A tab or line break inside a cell would split it.
    for (QString& cell : cells) {
      cell.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    }
    lines << cells.join(u'\t');
  }
  return lines;
}

}  // namespace kvsys
