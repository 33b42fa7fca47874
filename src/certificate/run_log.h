#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "certificate/certificate_log.h"
#include "print/document_output.h"

namespace kvsys {

class Dialogs;
struct Recipient;
struct RecipientTable;

inline const QString kLogOffMessage = QStringLiteral(
    "印刷履歴に記録できなくなりました。印刷は続けますが、ここから先の賞状は履歴に残りません。");
inline const QString kNewOnlyStoppedMessage = QStringLiteral(
    "印刷履歴に記録できないため、未印刷の賞状だけを選んで印刷することができません。"
    "印刷を止めました。");

struct RecipientSource;

// The key and log row of a certificate that comes out.
CertificateKey KeyOf(const RecipientSource& source);
PrintLogRow LogRowOf(const Recipient& r, const LoggedMeet& meet, int layout);

// What one run writes to the print log, as its contract says: the certificates of a batch
// claimed before they are drawn, where each will appear recorded before it does, and marked out
// once it has. A log that cannot be written stops a run of only the new ones at once (it
// could print what another desk printed); any other run is told at once and goes on without
// the log. While the run lives, its claims are renewed from a thread of their own.
class RunLog {
 public:
  // Nothing is logged when the target has no log.
  RunLog(const RunLogTarget& target, int layout, bool new_only, Dialogs& dialogs);
  ~RunLog();
  bool Active() const { return log_ != nullptr; }
  // A run of only the new ones whose log failed: it must not print more.
  bool Stopped() const { return new_only_ && !log_ && !error.isEmpty(); }

  // Claims the entries of the table about to be drawn; each one's fate (all claimed without a
  // log). False when the log failed under a run of only the new ones.
  bool Claim(const RecipientTable& table, const std::vector<int>& entries,
             std::vector<ClaimFate>& fates);
  // Before an entry is drawn to an output that sends at once: where it goes. False when the
  // log failed under a run of only the new ones.
  bool Sending(int entry, const std::vector<DocumentPlace>& plan);
  // The entry was drawn: out there, or held by the output until it publishes.
  void Drawn(int entry, const DocumentPlace& at);
  void NotDrawn(int entry);

  // The held certificates out: where each will appear recorded, the output's batch (or, when
  // finishing, the whole output) published, and they marked out. False when the output could
  // not be finished or published (*error says why); *not_out: how many held did not come out.
  bool PublishHeld(DocumentOutput& output, DocumentOutput::Holding holding, bool finishing,
                   int* not_out, QString* error);
  // Claims of entries that were never drawn (the run stopped) are given back.
  void ReleaseUndrawn();

  // One row for a document written outside a run (copies of the one on show).
  void AddOut(const Recipient& r, const DocumentPlace& at, int copies);

  // Why the log missed certificates that came out (empty when it did not), and whether the
  // operator was told already.
  QString error;
  bool told = false;

 private:
  void Failed(const QString& why);
  // The entry's claim, no longer held by the run; nullopt without one (or without a log).
  std::optional<qint64> TakeClaim(int entry);
  // A write to the log; a failure is Failed.
  void Write(const std::function<void()>& write);
  std::vector<LogPlace> PlacesOf(const std::vector<DocumentPlace>& places) const;
  void Lost(const std::vector<qint64>& ids);

  Dialogs& dialogs_;
  LoggedMeet meet_;
  int layout_ = 0;
  bool new_only_ = false;
  bool automatic_ = false;
  std::unique_ptr<CertificateLog> log_;
  const RecipientTable* table_ = nullptr;
  std::map<int, qint64> claims_;  // entry -> claim, until out or released
  std::vector<int> held_;         // entries drawn into the output, not yet out
};

}  // namespace kvsys
