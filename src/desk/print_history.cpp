// The print history: what came out for the meet, what changed since, and reprints.
#include "desk/print_history.h"

#include <QColor>
#include <QStandardItemModel>
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "db/database.h"
#include "desk/award_status.h"
#include "desk/print_log.h"
#include "results/results_error.h"

namespace kvsys {

namespace {

// The change first: the output column is long, and at a narrow screen the last columns are
// out of sight.
const QStringList kHeaders = {
    QStringLiteral("変化"),     QStringLiteral("競技No."), QStringLiteral("種目"),
    QStringLiteral("クラス"),   QStringLiteral("順位"),    QStringLiteral("氏名"),
    QStringLiteral("所属"),     QStringLiteral("記録"),    QStringLiteral("回数"),
    QStringLiteral("最終印刷"), QStringLiteral("出力先"),  QStringLiteral("状態")};

QStandardItem* Item(const QString& text, bool right = false) {
  auto* item = new QStandardItem(text);
  item->setEditable(false);
  if (right) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

// A printed certificate that is wrong now stands out in red; one still to print in amber. The
// text is set dark too, so that a dark theme does not put light text on the light colour.
std::optional<QColor> RowColour(AwardChange change) {
  switch (change) {
    case AwardChange::kChanged:
    case AwardChange::kNowOutside:
      return QColor(255, 196, 196);
    case AwardChange::kNowInside:
      return QColor(255, 232, 160);
    case AwardChange::kSame:
      break;
  }
  return std::nullopt;
}

}  // namespace

PrintHistorySession::PrintHistorySession(PrintListRecords records, Dialogs& dialogs,
                                         QObject* model_owner)
    : r_(std::move(records)),
      dialogs_(dialogs),
      model_(new QStandardItemModel(model_owner)),
      job_(dialogs, r_.ini_path, r_.program_folder),
      table_(std::make_unique<RecipientTable>()) {
  model_->setHorizontalHeaderLabels(kHeaders);
}

PrintHistorySession::~PrintHistorySession() = default;

LoggedMeet PrintHistorySession::MeetOfLog() const {
  return LoggedMeetOf(r_.results_db ? r_.results_db->Name() : QString(), r_.meet);
}

bool PrintHistorySession::Load() {
  entries_.clear();
  Fill();
  if (!r_.layout_db || !r_.results_db) return false;
  const std::shared_ptr<Database> layout_db = r_.layout_db;
  const std::shared_ptr<Database> results_db = r_.results_db;
  std::vector<PrintLogRow> rows;
  try {
    PrintLog log(*layout_db);
    rows = log.Rows(MeetOfLog());
    FollowPrinterJobs(log, rows);
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPrintHistoryTitle, kTargetLayoutDb);
    return false;
  }
  PrintRunObserver quiet;
  PrintRunContext context{*layout_db,           *results_db, r_.state, dialogs_, r_.prn,
                          r_.meet.選手使用所属, r_.layout,   *table_,  quiet};
  std::optional<std::vector<AwardComparison>> compared;
  try {
    compared = CompareWithResults(rows, context, r_.meet.クラス分け);
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPrintHistoryTitle, kTargetResults);
    return false;
  }
  if (!compared) return false;
  std::map<CertificateKey, int> times;
  for (const PrintLogRow& row : rows) {
    if (row.Printed()) times[row.key] += std::max(row.copies, 1);
  }
  for (AwardComparison& c : *compared) {
    const int n = c.change == AwardChange::kNowInside ? 0 : times[c.logged.key];
    entries_.push_back({std::move(c), n});
  }
  // Certificates to take back first, then what today's results change, then by event as printed and
  // today's rank; those now outside the limit last in their event.
  const auto order = [](const HistoryEntry& e) {
    const AwardComparison& c = e.comparison;
    const int rank = c.change == AwardChange::kNowOutside ? 99999 : c.today.Source.rank;
    return std::tuple(!IsRecall(c), c.change == AwardChange::kSame, c.logged.key.event,
                      c.logged.key.class_no, c.logged.key.heat, rank);
  };
  std::stable_sort(
      entries_.begin(), entries_.end(),
      [&order](const HistoryEntry& a, const HistoryEntry& b) { return order(a) < order(b); });
  Fill();
  return true;
}

void PrintHistorySession::SetChangedOnly(bool on) {
  if (on == changed_only_) return;
  changed_only_ = on;
  Fill();
}

void PrintHistorySession::Fill() {
  model_->removeRows(0, model_->rowCount());
  shown_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) {
    const HistoryEntry& e = entries_[i];
    if (changed_only_ && e.comparison.change == AwardChange::kSame) continue;
    shown_.push_back(i);
    const PrintLogRow& row = e.comparison.logged;
    const bool printed = e.times > 0;
    QString what = ComparisonMark(e.comparison);
    if (!e.comparison.what.isEmpty()) what += QStringLiteral("：") + e.comparison.what;
    const QList<QStandardItem*> items{
        Item(what),
        Item(QString::number(row.key.event), true),
        Item(row.event_text),
        Item(row.class_name),
        Item(row.rank),
        Item(row.name),
        Item(row.affiliation),
        Item(row.record),
        Item(QString::number(e.times), true),
        Item(printed ? row.time.toString(QStringLiteral("MM/dd HH:mm ")) + row.host : QString()),
        Item(!printed       ? QString()
             : row.page > 1 ? row.where + QStringLiteral("（%1ページ）").arg(row.page)
                            : row.where),
        Item(!printed ? QStringLiteral("未印刷")
             : row.Handed()
                 ? row.state + QStringLiteral("・授与済 ") +
                       row.handed.toString(QStringLiteral("MM/dd HH:mm ")) + row.handed_by
                 : row.state)};
    if (const std::optional<QColor> colour = IsRecall(e.comparison)
                                                 ? std::optional(QColor(255, 120, 120))
                                                 : RowColour(e.comparison.change)) {
      for (QStandardItem* item : items) {
        item->setBackground(*colour);
        item->setForeground(QColor(Qt::black));
      }
    }
    model_->appendRow(items);
  }
}

std::optional<int> PrintHistorySession::MarkHanded(const std::vector<int>& rows, bool handed,
                                                   bool whole_events) {
  if (!r_.layout_db) return std::nullopt;
  std::set<int> events;
  std::set<CertificateKey> keys;
  for (int row : rows) {
    if (row < 0 || static_cast<size_t>(row) >= shown_.size()) continue;
    const HistoryEntry& e = entries_[shown_[static_cast<size_t>(row)]];
    if (e.times > 0) keys.insert(e.comparison.logged.key);
    events.insert(e.comparison.logged.key.event);
  }
  if (whole_events) {
    for (const HistoryEntry& e : entries_) {
      if (e.times > 0 && events.count(e.comparison.logged.key.event)) {
        keys.insert(e.comparison.logged.key);
      }
    }
  }
  int changed = 0;
  try {
    PrintLog log(*r_.layout_db);
    changed = log.MarkHanded(MeetOfLog(), keys, handed);
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPrintHistoryTitle, kTargetLayoutDb);
    return std::nullopt;
  }
  Load();
  return changed;
}

int PrintHistorySession::ChangedCount() const {
  return static_cast<int>(std::count_if(
      entries_.begin(), entries_.end(),
      [](const HistoryEntry& e) { return e.comparison.change != AwardChange::kSame; }));
}

PrintJobResult PrintHistorySession::Reprint(const std::vector<int>& rows, int copies,
                                            WarningLabel& label, PrintRunObserver& observer) {
  if (!r_.layout_db || !r_.results_db || rows.empty()) return {};
  const std::shared_ptr<Database> layout_db = r_.layout_db;
  copies = std::clamp(copies, 1, 99);
  int count = 0;
  int outside = 0;
  for (const int row : rows) {
    if (row < 0 || row >= static_cast<int>(shown_.size())) continue;
    const AwardComparison& c = entries_[shown_[static_cast<size_t>(row)]].comparison;
    // Today's results are printed: a recipient no longer within the limit has none.
    if (c.change == AwardChange::kNowOutside) {
      ++outside;
      continue;
    }
    for (int n = 0; n < copies && count < RecipientTable::kCapacity; ++n) {
      (*table_)[++count] = c.today;
    }
  }
  if (outside > 0) {
    dialogs_.MsgBox(
        QStringLiteral("今の結果では順位の範囲外になった %1 件は印刷しません。").arg(outside),
        MsgButtons::Ok, MsgIcon::Information, kPrintHistoryTitle);
  }
  if (count == 0) return {};
  table_->RecipientCount = static_cast<int16_t>(count);
  try {
    if (!LoadRunLayout(*layout_db, r_.state, dialogs_, r_.layout)) {
      dialogs_.MsgBox(r_.layout.CurrentLayoutNumber == 0 ? kNoDecisionMessage : kNoSettingsMessage,
                      MsgButtons::Ok, MsgIcon::Exclamation, kPrintHistoryTitle);
      return {};
    }
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPrintHistoryTitle, kTargetLayoutDb);
    return {};
  }
  RunOptions run;
  run.output = output_;
  run.log = {PrintLogOpener(*layout_db), MeetOfLog(), false};
  return job_.Print(run, r_.layout, *table_, r_.prn, label, observer);
}

}  // namespace kvsys
