#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "certificate/print_job.h"
#include "desk/award_changes.h"
#include "desk/print_list_session.h"

class QObject;
class QStandardItemModel;

namespace kvsys {

// One line of the print history: a certificate as it was printed last (how often, where, when)
// against today's results, or one that today's results bring and that never came out.
struct HistoryEntry {
  AwardComparison comparison;
  int times = 0;  // how many times it came out (copies included)
};

inline const QString kPrintHistoryTitle = QStringLiteral("印刷履歴");
// What a printing service's "completed" means, wherever it is shown.
inline const QString kCompletedNote = QStringLiteral(
    "「完了」は印刷サービスがプリンタへ渡し終えたことを示します（用紙に出たことではありません）。");

// The print history below its window: the meet's log by event with what today's results
// changed, and reprints of chosen lines with today's results and the decided layout. No widgets.
class PrintHistorySession {
 public:
  // The grid's model is made a child of model_owner.
  PrintHistorySession(PrintListRecords records, Dialogs& dialogs, QObject* model_owner);
  ~PrintHistorySession();

  // Reads the log and today's results into the grid, the lines that today's results change
  // first (and coloured); false after a reported error.
  bool Load();
  QStandardItemModel* Model() const { return model_; }
  // Every line, in the grid's order (the grid may show only the changed ones).
  const std::vector<HistoryEntry>& Entries() const { return entries_; }
  // How many lines are marked as changed.
  int ChangedCount() const;
  // Whether the grid shows only the lines marked as changed (kept through Load).
  void SetChangedOnly(bool on);
  bool ChangedOnly() const { return changed_only_; }

  // Prints the lines of the grid's rows again, copies each, with today's results and the
  // decided layout; every certificate is logged. Lines no longer within the rank limit are left
  // out (told).
  PrintJobResult Reprint(const std::vector<int>& rows, int copies, WarningLabel& label,
                         PrintRunObserver& observer);
  // 授与済: marks the certificates of the grid's rows (whole_events: of every line of their
  // events) as handed over at the ceremony, or takes the mark back, then reads the log again.
  // How many changed; nullopt after a reported error.
  std::optional<int> MarkHanded(const std::vector<int>& rows, bool handed, bool whole_events);
  // Where its runs go instead of the workstation's output (tests, the print tool).
  void SetOutput(OutputFactory output) { output_ = std::move(output); }

 private:
  LoggedMeet MeetOfLog() const;
  // Fills the grid with the entries the filter lets through.
  void Fill();

  PrintListRecords r_;
  Dialogs& dialogs_;
  QStandardItemModel* model_;
  PrintJob job_;
  OutputFactory output_;
  std::vector<HistoryEntry> entries_;
  std::vector<size_t> shown_;  // the entry of each row of the grid
  bool changed_only_ = false;
  std::unique_ptr<RecipientTable> table_;
};

}  // namespace kvsys
