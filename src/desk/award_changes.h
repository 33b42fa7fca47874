#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "certificate/print_run.h"
#include "desk/print_log.h"

namespace kvsys {

// Today's certificates of some events, collected one way (class-wise or not, a heat), every rank
// and open entrant included: a comparison takes them instead of collecting those events again.
struct KnownResults {
  const PrintRequest* request = nullptr;  // its events, class and heat choices
  const RecipientTable* table = nullptr;
  int count = 0;
};

// How a printed certificate stands against today's results.
enum class AwardChange {
  kSame,
  kChanged,     // its rank, record, name or affiliation differ now
  kNowOutside,  // the recipient is no longer within the rank limit (or has no result now)
  kNowInside,   // within the limit now, and never printed
};

struct AwardComparison {
  AwardChange change = AwardChange::kSame;
  PrintLogRow logged;  // the row printed last (kNowInside: today's certificate, id 0)
  Recipient today;     // empty for kNowOutside
  QString what;        // what differs, as the operator reads it: "順位 １→２"
};

// The mark a change shows in a list: "" / "変更" / "圏外" / "圏内".
QString ChangeMark(AwardChange change);

// Compares the printed certificates of a meet (the log's rows) with today's results, event by
// event as they were printed (class-wise, heat), with the decided layout's rank limits: for each
// certificate the row printed last, and the certificates that are within the limit now but were
// never printed. The context's layout and recipient table are left alone. nullopt when the
// results could not be read (the context's dialogs were told).
// has_classes: the meet's クラス分け.
std::optional<std::vector<AwardComparison>> CompareWithResults(const std::vector<PrintLogRow>& rows,
                                                               PrintRunContext& context,
                                                               bool has_classes,
                                                               const KnownResults& known = {});

// A certificate handed over (授与済) whose result then changed or went outside the limit: it is
// to be taken back (回収) and replaced by today's certificate.
bool IsRecall(const AwardComparison& c);
// The mark of a comparison in a list: "回収" for a recall, else ChangeMark.
QString ComparisonMark(const AwardComparison& c);

// Only those that differ, the recalls first.
std::vector<AwardComparison> ChangedOnly(std::vector<AwardComparison> all);

// A comparison as a tab-separated line: the mark, what differs, then the row's columns.
QString ComparisonLine(const AwardComparison& c);

}  // namespace kvsys
