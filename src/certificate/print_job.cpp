// The one print job: output chosen, certificates drawn to it, output finished, outcome told.
#include "certificate/print_job.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <utility>

#include "certificate/club_order.h"
#include "certificate/draw_certificate.h"
#include "certificate/layout_check.h"
#include "certificate/pre_print_check.h"
#include "common/dialogs.h"
#include "common/text_util.h"
#include "common/wait_cursor.h"
#include "db/database.h"
#include "layout/layout_store.h"
#include "print/print_surface.h"
#include "results/results_error.h"

namespace kvsys {

namespace {

QString FailedMessage(int number, const QString& why) {
  return QStringLiteral("%1枚目の賞状を出力できませんでした。").arg(number) + QLatin1Char('\r') +
         why;
}

// A job that ended before anything was drawn.
PrintJobResult Outcome(RunOutcome outcome) {
  PrintJobResult result;
  result.outcome = outcome;
  return result;
}

// Certificates claimed, drawn and (when the output holds them) published together: the log's
// writes and the files' syncs are shared by a batch. A run held whole until it ends (one
// file) publishes nothing per batch: its batches only share the claims' transaction.
constexpr int kBatch = 64;
constexpr int kHeldRunBatch = 1024;

}  // namespace

QStringList RunLayoutNotices(const RunOptions& run, const CertificateLayout& loaded) {
  QStringList notices;
  if (run.shown_layout) notices << LayoutChangedNotice(*run.shown_layout, loaded);
  notices << LayoutMeetNotice(loaded, run.meet);
  notices.removeAll(QString());
  return notices;
}

QString ReprintQuestion(int printed) {
  return QStringLiteral(
             "選択した種目には印刷済みの賞状が %1 枚あります。\r\r"
             "はい：すべて印刷　いいえ：未印刷の分だけ印刷　キャンセル")
      .arg(printed);
}

PrintJob::PrintJob(Dialogs& dialogs, QString ini_path, QString program_folder)
    : dialogs_(dialogs),
      ini_path_(std::move(ini_path)),
      program_folder_(std::move(program_folder)) {}

OutputDestination PrintJob::Destination(bool pdf_only) {
  return CheckOutputDestination(LoadOutputSettings(dialogs_, ini_path_, program_folder_), pdf_only);
}

std::optional<bool> PrintJob::ChooseOutput(const RunOptions& run) {
  // Club files are PDF files whatever the workstation's target.
  if (run.by_affiliation) return true;
  if (run.output || run.pdf_only) return run.pdf_only;
  const OutputSettings settings = LoadOutputSettings(dialogs_, ini_path_, program_folder_);
  if (settings.target == OutputTarget::Pdf) return false;
  const OutputDestination dest = CheckOutputDestination(settings);
  if (dest.problem.isEmpty()) return false;
  // Said once, before anything is drawn; PDF files only when the operator wants them.
  const Answer answer = dialogs_.MsgBox(
      dest.problem + QStringLiteral("\r\r") + kPdfInsteadQuestion + QStringLiteral("\r（") +
          QDir::toNativeSeparators(settings.pdf_folder) + QStringLiteral("）"),
      MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2);
  if (answer != Answer::Yes) return std::nullopt;
  return true;
}

std::unique_ptr<DocumentOutput> PrintJob::MakeOutputFor(const RunOptions& run, bool to_pdf,
                                                        const RecipientTable* table, int first,
                                                        int last) {
  if (run.by_affiliation && table) {
    // The clubs' covers are read from the table the run draws: the same certificates.
    const OutputSettings settings = LoadOutputSettings(dialogs_, ini_path_, program_folder_);
    const QString folder = run.club_folder.isEmpty() ? settings.pdf_folder : run.club_folder;
    auto clubs = std::make_unique<ClubPdfOutput>(folder, ClubCertificates(*table, first, last));
    clubs->SetPlacement(PdfCalibrationOf(settings).calibration.Twips());
    auto outputs = std::make_unique<MultiOutput>();
    outputs->Add(std::move(clubs));
    if (run.output) outputs->Add(run.output());
    return outputs;
  }
  if (run.output) return run.output();
  return MakeOutput(LoadOutputSettings(dialogs_, ini_path_, program_folder_), to_pdf);
}

PrintJobResult PrintJob::Run(const RunOptions& run, const PrintRequest& request,
                             PrintRunContext& context, WarningLabel& label,
                             const std::function<void()>& open_preview) {
  const bool previewing = request.preview && open_preview;
  bool to_pdf = request.preview || run.pdf_only;
  // Asked before the collection, which may take a while; an empty choice is told first.
  if (!previewing && !request.events.empty()) {
    RunOptions asked = run;
    asked.pdf_only = to_pdf;
    const std::optional<bool> chosen = ChooseOutput(asked);
    if (!chosen) return Outcome(RunOutcome::kNotStarted);
    to_pdf = *chosen;
  }
  if (const std::optional<RunOutcome> ended = CollectForRun(request, context))
    return Outcome(*ended);
  if (previewing) {
    open_preview();
    return Outcome(RunOutcome::kPreview);
  }
  bool check_layout = true;
  const QStringList notices = RunLayoutNotices(run, context.layout);
  if (run.pre_print_check) {
    std::optional<PrePrintCheck> check =
        CheckBeforePrinting(request, context, run.layout_check != LayoutCheck::kNone,
                            run.log.Logged() ? &run.log : nullptr);
    if (!check) return Outcome(RunOutcome::kFailed);
    check->notices = notices;
    if (!dialogs_.ConfirmTable(PrePrintCheckTitle(*check), PrePrintCheckHeaders(),
                               PrePrintCheckCells(*check), kCheckPrintButton, kCheckBackButton)) {
      return Outcome(RunOutcome::kDeclined);
    }
    // The table showed the layout's findings: the operator is not asked again.
    check_layout = false;
  } else if (!notices.isEmpty() &&
             dialogs_.MsgBox(notices.join(QStringLiteral("\r\r")) + QStringLiteral("\r\r") +
                                 kPrintAnywayQuestion,
                             MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle,
                             2) != Answer::Yes) {
    return Outcome(RunOutcome::kDeclined);
  }
  // The output was chosen before the collection: the printer is not asked about again.
  return PrintChosen(run, context.layout, context.recipients, context.options, label,
                     context.observer, 1, 0, to_pdf, check_layout);
}

PrintJobResult PrintJob::Print(const RunOptions& run, const CertificateLayout& layout,
                               RecipientTable& table, const PrintOptions& options,
                               WarningLabel& label, PrintRunObserver& observer, int first,
                               int last) {
  const std::optional<bool> to_pdf = ChooseOutput(run);
  if (!to_pdf) return Outcome(RunOutcome::kNotStarted);
  return PrintChosen(run, layout, table, options, label, observer, first, last, *to_pdf);
}

PrintJobResult PrintJob::PrintChosen(RunOptions run, const CertificateLayout& layout,
                                     RecipientTable& table, const PrintOptions& options,
                                     WarningLabel& label, PrintRunObserver& observer, int first,
                                     int last, bool to_pdf, bool check_layout) {
  // Sorted before anything counts entries; a resumed run finds the same order again (the sort
  // is stable).
  if (run.by_affiliation) SortByAffiliation(table);
  // Problems only told are found by the run's own drawing: no certificate is drawn twice.
  const bool tell_layout = check_layout && first <= 1 && run.layout_check == LayoutCheck::kTell;
  if (check_layout && first <= 1 && !tell_layout &&
      !CheckLayout(run.layout_check, layout, table, options, first, last)) {
    return Outcome(RunOutcome::kDeclined);
  }
  // The answer holds for this run only: run is its own copy.
  if (first <= 1 && !AskReprints(run, table, first, last)) return Outcome(RunOutcome::kNotStarted);
  return DrawTable(run, layout, table, options, label, observer, first, last, to_pdf, tell_layout);
}

PrintJobResult PrintJob::DrawTable(const RunOptions& run, const CertificateLayout& layout,
                                   RecipientTable& table, const PrintOptions& options,
                                   WarningLabel& label, PrintRunObserver& observer, int first,
                                   int last, bool to_pdf, bool tell_layout) {
  PrintJobResult result;
  result.to_pdf = to_pdf;
  result.new_only = run.new_only;
  result.first = std::max(first, 1);
  result.last = last <= 0 || last > table.RecipientCount ? table.RecipientCount : last;
  RunLayoutCheck found;
  const DrawInputs in{layout,
                      table,
                      options,
                      label,
                      observer,
                      std::max(result.last - result.first + 1, 0),
                      tell_layout ? &found : nullptr};
  RunLog log(run.log, layout.CurrentLayoutNumber, run.new_only, dialogs_);
  if (run.new_only && !log.Active()) {
    // Without the log two desks could print the same certificate.
    result.outcome = RunOutcome::kFailed;
    result.next = result.first;
    result.error = log.error;
    dialogs_.MsgBox(result.error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
    return result;
  }
  const std::unique_ptr<DocumentOutput> output =
      MakeOutputFor(run, to_pdf, &table, result.first, result.last);
  const DocumentOutput::Holding holding = output->HoldUntilPublished();
  PrintSurface surface(output.get());
  result.outcome = RunOutcome::kPrinted;
  std::vector<int> pending;
  const int size = holding == DocumentOutput::Holding::kRun ? kHeldRunBatch : kBatch;
  for (int i = result.first; i <= result.last; i += size) {
    std::vector<int> batch;
    for (int e = i; e <= std::min(result.last, i + size - 1); ++e) batch.push_back(e);
    if (!DrawBatch(batch, surface, *output, holding, log, in, result, pending)) break;
  }
  // Certificates another desk was printing: printed by it in the end, or (its claim ended)
  // printed here. A desk that keeps renewing them past the lease is left to print them.
  QElapsedTimer waiting;
  waiting.start();
  while (result.outcome == RunOutcome::kPrinted && !pending.empty() &&
         waiting.elapsed() < kLeaseExpireMs + kLeaseRenewMs) {
    for (int step = 0; step < 10 && !observer.CancelRequested(); ++step) QThread::msleep(100);
    if (observer.CancelRequested()) {
      result.outcome = RunOutcome::kCancelled;
      result.next = pending.front();
      break;
    }
    const std::vector<int> batch = std::exchange(pending, {});
    if (!DrawBatch(batch, surface, *output, holding, log, in, result, pending)) break;
    if (pending.size() < batch.size()) waiting.restart();
  }
  result.held_elsewhere = static_cast<int>(pending.size());
  if (tell_layout) TellLayoutProblems(DescribeRunCheck(found));
  if (result.outcome == RunOutcome::kPrinted) observer.Printing(in.total, in.total);
  Finish(*output, holding, log, result);
  ReportLog(log, result);
  return result;
}

bool PrintJob::DrawBatch(const std::vector<int>& entries, PrintSurface& surface,
                         DocumentOutput& output, DocumentOutput::Holding holding, RunLog& log,
                         const DrawInputs& in, PrintJobResult& result, std::vector<int>& pending) {
  const auto stop = [&result](RunOutcome outcome, int next, const QString& error) {
    result.outcome = outcome;
    result.next = next;
    result.error = error;
    return false;
  };
  std::vector<ClaimFate> fates;
  std::vector<ItemPlacement> placements;
  if (!log.Claim(in.table, entries, fates)) {
    return stop(RunOutcome::kFailed, entries.front(), log.error);
  }
  for (size_t k = 0; k < entries.size(); ++k) {
    const int i = entries[k];
    in.observer.Printing(i - result.first, in.total);
    if (in.observer.CancelRequested()) return stop(RunOutcome::kCancelled, i, QString());
    if (fates[k] == ClaimFate::kPrinted) {
      ++result.skipped;
      continue;
    }
    if (fates[k] == ClaimFate::kHeld) {
      pending.push_back(i);
      continue;
    }
    if (holding == DocumentOutput::Holding::kNone && !log.Sending(i, output.Plan())) {
      return stop(RunOutcome::kFailed, i, log.error);
    }
    in.table.CurrentRecipient = static_cast<int16_t>(i);
    surface.SetDocumentName(CertificateName(i, in.table[i]));
    if (DrawCertificate(surface, DrawMode::kPrinting, in.label, in.layout, in.table, in.options,
                        dialogs_, in.found ? &placements : nullptr) == DrawResult::kDrawn) {
      if (in.found) {
        const PrintDocument& doc = surface.Document();
        AddLayoutProblems(*in.found, FindLayoutProblems(placements, QSize(doc.width, doc.height)));
      }
      ++result.output;
      log.Drawn(i, output.LastWritten());
      if (log.Stopped()) return stop(RunOutcome::kFailed, i + 1, log.error);
      continue;
    }
    log.NotDrawn(i);
    if (surface.Error() != kSurfaceOk) {
      // The operator must know that the output stopped: the run ends at the first certificate
      // that was not written.
      return stop(RunOutcome::kFailed, i, FailedMessage(i, surface.ErrorText()));
    }
  }
  if (holding != DocumentOutput::Holding::kBatch) return true;
  int not_out = 0;
  QString error;
  const bool published = log.PublishHeld(output, holding, false, &not_out, &error);
  result.output -= not_out;
  if (published && not_out == 0) return true;
  // Nothing after a batch that did not come out whole.
  return stop(RunOutcome::kFailed, entries.front(), error);
}

PrintJobResult PrintJob::PrintDocuments(const RunOptions& run,
                                        const std::vector<const PrintDocument*>& docs,
                                        PrintRunObserver& observer, DocumentPlace* last) {
  const std::optional<bool> to_pdf = ChooseOutput(run);
  if (!to_pdf) return Outcome(RunOutcome::kNotStarted);
  PrintJobResult result;
  result.to_pdf = *to_pdf;
  result.first = 1;
  result.last = static_cast<int>(docs.size());
  result.outcome = RunOutcome::kPrinted;
  const std::unique_ptr<DocumentOutput> output = MakeOutputFor(run, *to_pdf);
  for (int n = 1; n <= result.last; ++n) {
    observer.Printing(n - 1, result.last);
    if (observer.CancelRequested()) {
      result.outcome = RunOutcome::kCancelled;
      break;
    }
    QString why;
    if (!output->Ready(&why) || !output->Write(*docs[static_cast<size_t>(n - 1)], &why)) {
      // A copy that did not come out must not pass for printed.
      result.outcome = RunOutcome::kFailed;
      result.error = FailedMessage(n, why);
      break;
    }
    ++result.output;
  }
  if (result.outcome == RunOutcome::kPrinted) observer.Printing(result.last, result.last);
  RunLog none(RunLogTarget(), 0, false, dialogs_);
  Finish(*output, DocumentOutput::Holding::kNone, none, result);
  if (last) *last = output->LastWritten();
  return result;
}

PrintJobResult PrintJob::PrintCopies(const RunOptions& run, const PrintDocument& doc, int copies,
                                     PrintRunObserver& observer, const Recipient* who, int layout) {
  DocumentPlace at;
  PrintJobResult result = PrintDocuments(
      run, std::vector<const PrintDocument*>(static_cast<size_t>(std::max(copies, 0)), &doc),
      observer, &at);
  if (who && result.output > 0) {
    // One row for the copies of the certificate; a held file is there once finished.
    RunLog log(run.log, layout, false, dialogs_);
    at.held = false;
    if (at.place.where.isEmpty()) at.place = result.written;
    log.AddOut(*who, at, result.output);
    ReportLog(log, result);
  }
  return result;
}

bool PrintJob::CheckLayout(LayoutCheck check, const CertificateLayout& layout,
                           RecipientTable& table, const PrintOptions& options, int first,
                           int last) {
  if (check == LayoutCheck::kNone) return true;
  WaitCursor wait;
  const QStringList problems =
      DescribeRunCheck(CheckRunLayout(layout, table, options, first, last));
  wait.Restore();
  if (problems.isEmpty()) return true;
  if (check == LayoutCheck::kTell) {
    TellLayoutProblems(problems);
    return true;
  }
  const QString text = kLayoutCheckMessage + QStringLiteral("\r\r") +
                       problems.join(QLatin1Char('\r')) + QStringLiteral("\r\r") +
                       kPrintAnywayQuestion;
  return dialogs_.MsgBox(text, MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2) ==
         Answer::Yes;
}

void PrintJob::TellLayoutProblems(const QStringList& problems) {
  for (const QString& line : problems) {
    dialogs_.MsgBox(line, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
  }
}

bool PrintJob::AskReprints(RunOptions& run, const RecipientTable& table, int first, int last) {
  if (!run.log.Logged() || run.reprints == Reprints::kSilent || run.new_only) return true;
  int printed = 0;
  try {
    const int end = last <= 0 || last > table.RecipientCount ? table.RecipientCount : last;
    std::set<int> events;
    std::set<int> entrants;
    for (int i = std::max(first, 1); i <= end; ++i) {
      if (!table[i].Source.FromMeet()) continue;
      events.insert(table[i].Source.event);
      entrants.insert(table[i].Source.entrant);
    }
    // Only the run's events and entrants are read, with the log's index.
    const std::set<CertificateKey> taken =
        events.empty() ? std::set<CertificateKey>() : run.log.Taken(events, entrants);
    for (int i = std::max(first, 1); i <= end; ++i) {
      const RecipientSource& source = table[i].Source;
      if (source.FromMeet() && taken.count(KeyOf(source)) != 0) ++printed;
    }
  } catch (const DbError&) {
    // The run itself does not need the log; it says afterwards that it could not log.
    return true;
  }
  if (printed == 0) return true;
  if (run.reprints == Reprints::kTell) {
    dialogs_.MsgBox(QStringLiteral("印刷済みの賞状 %1 枚をもう一度印刷します。").arg(printed),
                    MsgButtons::Ok, MsgIcon::Information, kPrintTitle);
    return true;
  }
  switch (dialogs_.MsgBox(ReprintQuestion(printed), MsgButtons::YesNoCancel, MsgIcon::Question,
                          kPrintTitle, 2)) {
    case Answer::Yes:
      return true;
    case Answer::No:
      run.new_only = true;
      return true;
    default:
      return false;
  }
}

void PrintJob::ReportLog(const RunLog& log, PrintJobResult& result) {
  if (log.error.isEmpty()) return;
  result.log_error = log.error;
  // A run of only the new ones that stopped for the log said so as its failure.
  if (log.told || result.error == log.error) return;
  dialogs_.MsgBox(result.log_error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
}

void PrintJob::Finish(DocumentOutput& output, DocumentOutput::Holding holding, RunLog& log,
                      PrintJobResult& result) {
  // What came out before a stop or a failure is kept, and out before anything is said: a file
  // that gathers the run is put under its name now. A run that wrote nothing leaves nothing.
  QString error;
  int not_out = 0;
  const bool finished =
      result.output <= 0 || log.PublishHeld(output, holding, true, &not_out, &error);
  log.ReleaseUndrawn();
  result.output -= not_out;
  if (result.outcome == RunOutcome::kCancelled) {
    dialogs_.MsgBox(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  } else if (result.outcome == RunOutcome::kFailed) {
    dialogs_.MsgBox(result.error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
  }
  if (!finished) {
    if (error != result.error) {
      dialogs_.MsgBox(error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
    }
    if (result.outcome != RunOutcome::kFailed) {
      result.outcome = RunOutcome::kFailed;
      result.error = error;
    }
    // The file that was to hold them is not there: nothing of this run came out.
    if (output.WrittenTo().kind == OutputPlace::Kind::kNothing) {
      result.output = 0;
      result.next = result.first;
    }
  }
  result.written = output.WrittenTo();
}

QString DescribeJobResult(const PrintJobResult& result) {
  QString text;
  switch (result.outcome) {
    case RunOutcome::kPrinted:
      text = QStringLiteral("%1枚を出力しました。").arg(result.output);
      break;
    case RunOutcome::kCancelled:
      text = QStringLiteral("中止しました。%1枚を出力しました（全%2枚）。")
                 .arg(result.output)
                 .arg(result.last - result.first + 1);
      break;
    case RunOutcome::kFailed:
      text = QStringLiteral("出力できなくなりました。%1枚を出力しました（全%2枚）。")
                 .arg(result.output)
                 .arg(std::max(result.last - result.first + 1, 0));
      break;
    default:
      return QString();
  }
  // Not a question: a run nobody watches (自動印刷) must not stop for it.
  if (result.held_elsewhere > 0) {
    text += QStringLiteral("他の端末が印刷中の%1枚は、この端末では出力していません。")
                .arg(result.held_elsewhere);
  }
  switch (result.written.kind) {
    case OutputPlace::Kind::kPdfFile:
    case OutputPlace::Kind::kPdfFolder:
      text += QStringLiteral("\nPDF：") + QDir::toNativeSeparators(result.written.where);
      break;
    case OutputPlace::Kind::kPrinter:
      text += QStringLiteral("\nプリンタ「%1」").arg(result.written.where);
      break;
    case OutputPlace::Kind::kNothing:
      break;
  }
  return text;
}

}  // namespace kvsys
