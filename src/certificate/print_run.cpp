// The print run: from the chosen events to a table of recipients, then one certificate each.
#include "certificate/print_run.h"

#include <algorithm>
#include <climits>
#include <map>

#include "certificate/affiliation.h"
#include "common/text_util.h"
#include "common/wait_cursor.h"
#include "db/database.h"
#include "db/recordset.h"
#include "layout/layout_store.h"
#include "results/classes.h"
#include "results/results_error.h"

namespace kvsys {

namespace {

int Int(const QVariant& v) {
  return ToInt16(v).value_or(0);
}

QString Text(const QVariant& v) {
  return NullTo(v, kNullToText, 0).toString();
}

QString RelayMembers(const Recordset& rs) {
  QStringList names;
  for (int leg = 1; leg <= 4; ++leg) {
    names << TrimBlanks(Text(rs.Field(QStringLiteral("選手マスター_%1.氏名").arg(leg))));
  }
  return names.join(QStringLiteral("・"));
}

class Collector {
 public:
  Collector(const PrintRequest& request, PrintRunContext& context)
      : request_(request), c_(context) {}

  CollectResult Run();

 private:
  // Where a result row stands in its event's ranking.
  struct Ranked {
    QString event_name;
    QString class_name;
    int class_no = 0;  // class-wise: the class ranked within
    int rank = 0;
    bool open = false;
    int occurrence = 1;
  };
  // Reads one event; false when the collection ends here (full or cancelled).
  bool CollectEvent(const ProgramEvent& event, int limit);
  // The certificate of the row, into entry result_.count of the table.
  void Fill(const Recordset& row, const ProgramEvent& event, bool relay, const Ranked& at);
  // The table is full: the rest are only counted, and the first of them named, so that the
  // operator knows what was left out and where a run of the rest starts.
  void LeftOut(const Recordset& row, bool relay, const Ranked& at);

  const PrintRequest& request_;
  PrintRunContext& c_;
  CollectResult result_;
};

CollectResult Collector::Run() {
  RankLimits limits;
  // The layout is read once, so that every certificate of a run comes from one layout even
  // when another workstation decides another one meanwhile.
  try {
    if (!LoadRunLayout(c_.layout_db, c_.state, c_.dialogs, c_.layout, &limits, request_.layout)) {
      result_.outcome = c_.layout.CurrentLayoutNumber == 0 ? CollectOutcome::kNoDecision
                                                           : CollectOutcome::kNoSettings;
      return result_;
    }
  } catch (const DbError& e) {
    ReportDbError(c_.dialogs, c_.state, e, kPrintTitle, kTargetLayoutDb);
    result_.outcome = CollectOutcome::kFailed;
    return result_;
  }
  try {
    for (const ProgramEvent& event : request_.events) {
      const int limit = limits.ForStage(event.stage);
      if (limit <= 0) continue;
      if (!CollectEvent(event, limit)) break;
    }
  } catch (const DbError& e) {
    ReportDbError(c_.dialogs, c_.state, e, kPrintTitle, kTargetResults);
    result_.outcome = CollectOutcome::kFailed;
  }
  return result_;
}

bool Collector::CollectEvent(const ProgramEvent& event, int limit) {
  const bool relay = IsRelayStroke(event.stroke);
  const ResultsFilter filter{request_.heat, request_.exclude_open, request_.class_wise,
                             request_.class_no};
  auto rs = c_.results_db.OpenRecordset(ResultsQuery(event.number, relay, filter), dbOpenSnapshot,
                                        dbReadOnly);
  Ranked at;
  at.event_name = MakeEventName(event);
  at.class_name = TrimBlanks(event.class_name);
  int previous_class = INT_MIN;
  QString previous_goal;
  // Rows of one entrant met so far: each result row is a certificate of its own.
  std::map<int, int> rows_of;
  // p counts positions, so a row that is not printed still takes its place in the ranking.
  for (int p = 0; !rs->Eof(); rs->MoveNext(), ++p) {
    const QString goal = Text(rs->Field(QStringLiteral("ゴール")));
    if (request_.class_wise) {
      const int klass = Int(rs->Field(QStringLiteral("クラス番号")));
      if (klass != previous_class) {
        at.class_name = TrimBlanks(GetClassName(c_.results_db, c_.state, c_.dialogs, klass));
        at.class_no = previous_class = klass;
        p = 0;
        rows_of.clear();
      }
    }
    at.occurrence = ++rows_of[Int(rs->Field(QStringLiteral("選手番号")))];
    if (p == 0 || goal != previous_goal) at.rank = p + 1;
    previous_goal = goal;
    if (at.rank > limit) {
      if (request_.class_wise) continue;  // the next class starts at rank 1 again
      break;
    }
    at.open = Int(rs->Field(QStringLiteral("事由入力ステータス"))) == 4;
    if (!Wanted(request_, at.rank, at.open)) continue;

    ++result_.count;
    c_.observer.Collected(result_.count);
    if (result_.count > RecipientTable::kCapacity) {
      LeftOut(*rs, relay, at);
    } else {
      Fill(*rs, event, relay, at);
    }
    if (c_.observer.CancelRequested()) {
      result_.outcome = CollectOutcome::kCancelled;
      return false;
    }
  }
  return true;
}

void Collector::LeftOut(const Recordset& row, bool relay, const Ranked& at) {
  if (result_.outcome == CollectOutcome::kFull) return;
  result_.outcome = CollectOutcome::kFull;
  Recipient first;
  first.Name = Text(row.Field(relay ? QStringLiteral("チーム名") : QStringLiteral("氏名")));
  first.EventName = at.event_name;
  first.ClassName = at.class_name;
  first.RankText = MakeRankText(at.rank, at.open);
  result_.first_left_out = RecipientLabel(CleanRecipient(std::move(first)));
}

void Collector::Fill(const Recordset& row, const ProgramEvent& event, bool relay,
                     const Ranked& at) {
  c_.recipients.CurrentRecipient = static_cast<int16_t>(result_.count);
  Recipient& r = c_.recipients[result_.count];
  const int entrant = Int(row.Field(QStringLiteral("選手番号")));
  if (relay) {
    r.Name = Text(row.Field(QStringLiteral("チーム名")));
    r.Affiliation = RelayMembers(row);
  } else {
    r.Name = Text(row.Field(QStringLiteral("氏名")));
    const QString column = AffiliationColumn(Int(row.Field(QStringLiteral("主所属"))),
                                             request_.PrnShozNo, c_.meet_affiliation);
    r.Affiliation = column.isEmpty() ? QString() : Text(row.Field(column));
  }
  r.EventName = at.event_name;
  r.ClassName = at.class_name;
  r.RankText = MakeRankText(at.rank, at.open);
  const QString mark = Text(row.Field(QStringLiteral("新記録印刷マーク")));
  r.Source = {event.number,
              event.stage,
              request_.class_wise ? at.class_no : 0,
              request_.heat,
              relay,
              entrant,
              at.rank,
              at.open,
              at.occurrence,
              CutRecordMark(mark)};
  r.RecordText = MakeRecordText(Text(row.Field(QStringLiteral("ゴール"))), mark);
  r = CleanRecipient(std::move(r));
}

void ShowCancelled(Dialogs& dialogs) {
  dialogs.MsgBox(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
}

}  // namespace

bool Wanted(const PrintRequest& request, int rank, bool open) {
  if (open && request.exclude_open) return false;
  if (request.rank_only != 0 && request.rank_only != rank) return false;
  return request.skip_up_to == 0 || request.skip_up_to < rank;
}

bool LoadRunLayout(Database& layout_db, DbErrorState& state, Dialogs& dialogs,
                   CertificateLayout& layout, RankLimits* limits, int number) {
  // One read: another workstation saving a layout meanwhile cannot give texts of one version
  // and positions of the other.
  ReadTransaction snapshot(layout_db);
  LayoutStore store(layout_db, dialogs, state);
  layout.CurrentLayoutNumber = static_cast<int16_t>(number != 0 ? number : store.DecidedLayout());
  if (layout.CurrentLayoutNumber == 0) return false;
  const std::optional<LayoutSettings> settings = store.ReadSettings(layout.CurrentLayoutNumber);
  if (!settings) return false;
  layout.Name = store.LayoutName(layout.CurrentLayoutNumber).value_or(QString());
  layout.MeetNo = static_cast<int16_t>(store.LayoutMeet(layout.CurrentLayoutNumber));
  if (limits) {
    *limits = {settings->rank_heats, settings->rank_timed_final, settings->rank_final,
               settings->rank_b_final};
  }
  ApplyPrintSettings(layout, *settings);
  LoadLayout(layout_db, layout);
  LoadShowFlags(layout_db, layout);
  return true;
}

CollectResult CollectRecipients(const PrintRequest& request, PrintRunContext& context) {
  return Collector(request, context).Run();
}

SideCollection::SideCollection(const PrintRunContext& beside)
    : table_(std::make_unique<RecipientTable>()),
      context_{beside.layout_db, beside.results_db, beside.state,
               beside.dialogs,   beside.options,    beside.meet_affiliation,
               layout_,          *table_,           quiet_} {}

CollectResult SideCollection::Collect(const PrintRequest& request) {
  return CollectRecipients(request, context_);
}

QString TableFullMessage(const CollectResult& collected) {
  return kTableFullMessage + QStringLiteral("\r\r印刷されない賞状：%1枚（%2 から）")
                                 .arg(collected.LeftOut())
                                 .arg(collected.first_left_out);
}

std::optional<RunOutcome> CollectForRun(const PrintRequest& request, PrintRunContext& context,
                                        CollectResult* collected_out) {
  Dialogs& dialogs = context.dialogs;
  RecipientTable& table = context.recipients;
  table.CurrentRecipient = 0;
  if (request.events.empty()) {
    dialogs.MsgBox(kNoSelectionMessage, MsgButtons::Ok, MsgIcon::Information, kNoSelectionTitle);
    return RunOutcome::kNoSelection;
  }

  WaitCursor wait;
  const CollectResult collected = CollectRecipients(request, context);
  if (collected_out) *collected_out = collected;
  wait.Restore();
  // Nothing of a run that ended early is left for the preview to show.
  table.RecipientCount = 0;
  switch (collected.outcome) {
    case CollectOutcome::kCancelled:
      ShowCancelled(dialogs);
      return RunOutcome::kCancelled;
    case CollectOutcome::kFailed:
      return RunOutcome::kFailed;
    case CollectOutcome::kNoDecision:
      dialogs.MsgBox(kNoDecisionMessage);
      return RunOutcome::kNothingToPrint;
    case CollectOutcome::kNoSettings:
      dialogs.MsgBox(kNoSettingsMessage, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
      return RunOutcome::kNothingToPrint;
    case CollectOutcome::kFull:
      dialogs.MsgBox(TableFullMessage(collected));
      table.RecipientCount = RecipientTable::kCapacity;
      break;
    case CollectOutcome::kDone:
      table.RecipientCount = static_cast<int16_t>(collected.count);
      break;
  }
  if (table.RecipientCount == 0) {
    dialogs.MsgBox(kNothingToPrintMessage);
    return RunOutcome::kNothingToPrint;
  }
  if (request.calling_order) PutInCallingOrder(table, request.call_from);
  return std::nullopt;
}

}  // namespace kvsys
