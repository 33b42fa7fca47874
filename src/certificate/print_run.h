#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "certificate/calling_order.h"
#include "certificate/program_list.h"
#include "certificate/recipient.h"
#include "certificate/recipient_selection.h"
#include "common/dialogs.h"
#include "common/print_options.h"
#include "db/db_error.h"
#include "layout/certificate_layout.h"

namespace kvsys {

class Database;

// Messages and titles of the print run.
inline const QString kPrintTitle = QStringLiteral("賞状印刷");
inline const QString kNoSelectionMessage = QStringLiteral("印刷する種目を選択してください。");
inline const QString kNoSelectionTitle = QStringLiteral("印刷データ未選択");
inline const QString kTableFullMessage = QStringLiteral(
    "レコードの保持数は　9999人　までです。最大数を超えました。選択種目を確認してください。");
inline const QString kNothingToPrintMessage = QStringLiteral("印刷対象がありません。");
inline const QString kCancelledMessage = QStringLiteral("中止しました");
inline const QString kCancelledTitle = QStringLiteral("印刷中止");
inline const QString kNoDecisionMessage = QStringLiteral("表示内容を決定してください。");
inline const QString kNoSettingsMessage = QStringLiteral(
    "選択レイアウトの印刷設定が存在しません。賞状設定で印刷設定を登録してください。");
inline const QString kTargetResults = QStringLiteral("(対象：大会記録データ)");
inline const QString kTargetLayoutDb = QStringLiteral("(対象：KVSYS.mdb)");

// What the operator asked the print list for.
struct PrintRequest {
  std::vector<ProgramEvent> events;  // the chosen events, in the order they were chosen
  int rank_only = 0;                 // 順位指定: only this rank; 0 = every rank
  int skip_up_to = 0;                // 除外順位: not the ranks up to this one; 0 = none
  int heat = 0;                      // 組指定: this heat only (ranks within it); 0 = all
  bool class_wise = false;           // クラス別: ranked within each class
  int class_no = 0;                  // class-wise: this class; 0 = every class
  bool exclude_open = false;         // print option Open: no open entrants
  int16_t PrnShozNo = 4;             // which affiliation name (1 to 3, 4 = the swimmer's own)
  bool preview = false;              // ﾌﾟﾚﾋﾞｭｰ出力
  int layout = 0;                    // a saved layout for this run only; 0 = the decided one
  // 表彰順: each event's certificates in the ceremony's calling order, the stack in hand-out
  // order; otherwise by rank as collected.
  bool calling_order = false;
  CallFrom call_from = CallFrom::kLast;
};

// Whether the request asks for the certificate of a rank (順位指定, 除外順位) and, for an open
// entrant, whether it takes them at all. One rule for the run and the status: it is applied after
// ranking and moves no one's rank (open entrants rank after every other entrant).
bool Wanted(const PrintRequest& request, int rank, bool open);

// What a running print run tells its window, and asks of it once per recipient.
class PrintRunObserver {
 public:
  virtual ~PrintRunObserver() = default;
  // A recipient was collected; count is the counter shown in Text3.
  virtual void Collected(int count) { (void)count; }
  // Certificate done + 1 of total is about to be drawn.
  virtual void Printing(int done, int total) {
    (void)done;
    (void)total;
  }
  // Lets the window process pending events; true when 中止 was pressed meanwhile.
  virtual bool CancelRequested() { return false; }
};

// The records and connections a print run works with.
struct PrintRunContext {
  Database& layout_db;
  Database& results_db;
  DbErrorState& state;
  Dialogs& dialogs;
  const PrintOptions& options;  // drawing options
  int16_t meet_affiliation;     // the meet's 選手使用所属
  CertificateLayout& layout;    // Texts, PaperSize and CurrentLayoutNumber are set here
  RecipientTable& recipients;
  PrintRunObserver& observer;
};

enum class CollectOutcome {
  kDone,        // every chosen event was read
  kFull,        // more than 9999 recipients: the table holds the first 9999
  kCancelled,   // 中止 was pressed
  kNoDecision,  // no layout is decided
  kNoSettings,  // the decided layout has no print settings row
  kFailed,      // a database error, already reported
};

struct CollectResult {
  CollectOutcome outcome = CollectOutcome::kDone;
  int count = 0;  // the counter (Text3): every recipient the request earns, past 9999 too
  // When full: how many the table could not take, and the first of them (RecipientLabel),
  // where a run of the rest starts.
  int LeftOut() const {
    return outcome == CollectOutcome::kFull ? count - RecipientTable::kCapacity : 0;
  }
  QString first_left_out;
};

// A collection beside a run, into a table and layout of its own and with no observer, so that
// the run's table, layout and window are left as they are (the status, the changes since
// printing).
class SideCollection {
 public:
  explicit SideCollection(const PrintRunContext& beside);
  CollectResult Collect(const PrintRequest& request);
  const RecipientTable& Table() const { return *table_; }

 private:
  std::unique_ptr<RecipientTable> table_;
  CertificateLayout layout_;
  PrintRunObserver quiet_;
  PrintRunContext context_;
};

// The table-full message, with how many were left out and where the rest starts.
QString TableFullMessage(const CollectResult& collected);

// Fills the recipient table from entry 1 with the certificates the request earns: for each
// event the results ranked by time (equal times share a rank, the next takes its position),
// within the rank limit of the event's stage in the decided layout, less the ranks skipped.
// Copies the layout's texts and paper size into the layout record. A database error is
// reported under "賞状印刷" and ends the collection.
CollectResult CollectRecipients(const PrintRequest& request, PrintRunContext& context);

enum class RunOutcome {
  kNoSelection,     // no event chosen
  kNothingToPrint,  // nothing earned a certificate, or the layout could not be used
  kPrinted,         // every certificate was drawn to the surface's output
  kPreview,         // the preview was opened on the collected table
  kCancelled,       // 中止, while collecting or printing
  kFailed,          // a database or output error, reported
  kNotStarted,      // the operator kept the run from a printer that cannot take it
  kDeclined,        // the operator chose not to print after the layout check or the check
                    // before printing
};

// Reads the decided layout (or saved layout `number`) whole into the layout record, in one read
// of the layout database: its number, name and meet, print-settings texts and paper size, items
// and show flags; false when no layout is decided or it has no print settings row. Raises
// DbError.
bool LoadRunLayout(Database& layout_db, DbErrorState& state, Dialogs& dialogs,
                   CertificateLayout& layout, RankLimits* limits = nullptr, int number = 0);

// The first half of the print run of 印刷(F5) (the print job does the rest): collects the
// recipients and tells the operator what the collection met (no event chosen, table full, nothing
// to print, cancel). nullopt when there is something to print: RecipientCount then holds how many;
// otherwise how the run ended.
// collected, when given, receives what the collection met (a full table, say).
std::optional<RunOutcome> CollectForRun(const PrintRequest& request, PrintRunContext& context,
                                        CollectResult* collected = nullptr);

}  // namespace kvsys
