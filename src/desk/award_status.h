#pragma once

#include <QDateTime>
#include <QString>
#include <map>
#include <optional>

#include "certificate/print_run.h"
#include "desk/print_log.h"
#include "print/printer_queue.h"

namespace kvsys {

struct PrintJobResult;

// Where an event stands at the award desk.
struct EventAwardStatus {
  int printed = 0;     // certificates that came out, each once however often it came out
  int sheets = 0;      // the sheets they came out on: reprints and copies included
  QDateTime last;      // when the last of them came out
  QString host;        // at which desk
  int unprinted = 0;   // certificates the event earns now that never came out
  int changed = 0;     // printed ones that today's results change or put outside the limit
  int pending = 0;     // entries with neither a time nor a status that rules them out
  int unfinished = 0;  // printer jobs the printing service stopped or cancelled
  int handed = 0;      // certificates handed over at the ceremony (授与済)
  int recalls = 0;     // of those, ones whose result then changed: to be taken back (回収)
};

// Asks the printing service what became of this desk's printer jobs that the log holds as
// out, and records what it says in the rows and (record) in the log (completed, stopped,
// cancelled). Each queue is asked once.
class PrinterJobFollower {
 public:
  explicit PrinterJobFollower(PrintLog& log, bool record = true)
      : log_(log), host_(log.environment().host()), record_(record) {}
  void Follow(PrintLogRow& row);

 private:
  PrintLog& log_;
  QString host_;
  bool record_;
  std::map<QString, std::map<int, JobFate>> fates_;
};
void FollowPrinterJobs(PrintLog& log, std::vector<PrintLogRow>& rows);

// The print list's column: "印刷済 4件（12枚） 10:42 desk1　未印刷 1　変更あり 1　結果待ち 2"
// (件 counts certificates, 枚 the sheets when reprints made more; parts left out when they are
// nothing).
inline const QString kAwardStatusHeader = QStringLiteral("印刷状況");
QString AwardStatusText(const EventAwardStatus& status);

// The status of the request's events: the certificates the request earns now (its ranks,
// class-wise and heat choices) against the log of the meet, the changes since printing, and
// the results still pending. The context's layout and recipient table are left alone. nullopt
// after a reported error.
std::optional<std::map<int, EventAwardStatus>> ReadAwardStatus(const PrintRequest& request,
                                                               PrintRunContext& context,
                                                               const LoggedMeet& meet,
                                                               bool has_classes);

// The line after a run of the print list: what came out and, when less came out than was
// collected, why (printed already, or another desk was printing them).
QString DescribeDeskRun(const PrintJobResult& result);

}  // namespace kvsys
