#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "certificate/certificate_log.h"
#include "certificate/print_run.h"

namespace kvsys {

// What the operator reads before a run prints, one row per chosen event: how many certificates,
// what may surprise (more certificates than the limit, a relay member without a name), what is
// not final yet (entries without a time) and what the layout does on the sheet.
struct PrePrintCheckRow {
  int event = 0;       // 競技番号
  QString event_name;  // "男子50m自由形"
  QString class_name;  // the grid's クラス
  QString stage;       // 予決
  int certificates = 0;
  int printed = 0;  // of those, the ones the log holds (printed, or being printed elsewhere)
  // Ranks shared past the limit, each "3位 2名" (class-wise: the class first).
  QStringList ties;
  int relay_missing = 0;  // relay teams printed with a member's name missing
  int pending = 0;        // entries with neither a time nor a status that rules them out
  int open_inside = 0;    // open entrants printed (inside the limit)
  QStringList layout;     // items off the sheet or overlapping, as DescribeRunCheck says them
};

struct PrePrintCheck {
  // Read first: the layout is another meet's, or not the one the operator was shown.
  QStringList notices;
  std::vector<PrePrintCheckRow> rows;
  int certificates = 0;
  int printed = 0;
};

// The check of a run whose recipients were just collected into context.recipients
// (RecipientCount of them) for request. with_layout: also draw each certificate to find items
// that run off the sheet or over each other. log: the print log and the meet, whose
// certificates are said apart as printed (the reprint question may leave them out); a log that
// cannot be read leaves them uncounted, as the run does not need it. nullopt after a database
// error of the results or the layout, which is reported.
std::optional<PrePrintCheck> CheckBeforePrinting(const PrintRequest& request,
                                                 PrintRunContext& context, bool with_layout,
                                                 const RunLogTarget* log = nullptr);

inline const QString kCheckPrintButton = QStringLiteral("印刷");
inline const QString kCheckBackButton = QStringLiteral("戻る");
// The title over the table: "印刷前の確認（賞状 12 枚）", "印刷前の確認（賞状 12 枚、うち印刷済み
// 8 枚）", with the notices on the lines after it.
QString PrePrintCheckTitle(const PrePrintCheck& check);

// The table as shown: its column names and its cells.
QStringList PrePrintCheckHeaders();
std::vector<QStringList> PrePrintCheckCells(const PrePrintCheck& check);
// The header line and one line a row, cells separated by tabs.
QStringList PrePrintCheckLines(const PrePrintCheck& check);

}  // namespace kvsys
