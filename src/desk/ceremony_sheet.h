#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <set>

#include "certificate/calling_order.h"
#include "certificate/certificate_log.h"
#include "certificate/print_job.h"
#include "certificate/print_run.h"
#include "print/print_document.h"

namespace kvsys {

// The ceremony sheet (表彰進行表): for the announcer, each event's recipients in calling order
// with the rank as printed, name, affiliation (a relay's members), record and mark, and which
// certificates are not printed yet. A4 portrait, from the run's own collection.
struct CeremonySheetInput {
  QString meet_name;
  CallFrom from = CallFrom::kLast;
  QDateTime made;
  // The certificates the print log holds as printed or being printed; nullptr when the log was
  // not read (nothing is then said about printing).
  const std::set<CertificateKey>* taken = nullptr;
};

struct CeremonySheet {
  PrintDocument doc;
  int events = 0;  // groups: an event, or a class or heat of it
  int recipients = 0;
  int unprinted = 0;  // of those, not printed yet (when the log was read)
};

CeremonySheet ComposeCeremonySheet(const RecipientTable& table, const CeremonySheetInput& in);

// This workstation's calling order: KVSYS.ini [Ceremony] CallFrom=First or Last (the default).
CallFrom ReadCallFrom(const QString& ini_path);
QString CallFromText(CallFrom from);

// The sheet of a request's certificates: collected as a print run collects them, the log read
// for what is printed, then printed as one document to the run's output (printer or PDF).
PrintJobResult PrintCeremonySheet(PrintJob& job, const RunOptions& run, const PrintRequest& request,
                                  PrintRunContext& context, const QString& meet_name,
                                  CallFrom from);

// The events printed since the meet's last ceremony sheet (all printed ones before the first);
// raises DbError.
std::set<int> EventsSinceLastSheet(Database& layout_db, const LoggedMeet& meet);

// 授与済: marks the request's certificates (collected as a run collects them) as handed over in
// the print log, or takes the mark back. How many changed; nullopt when nothing could be marked
// (the context's dialogs were told why).
std::optional<int> MarkHandedOver(const PrintRequest& request, PrintRunContext& context,
                                  const LoggedMeet& meet, bool handed);

}  // namespace kvsys
