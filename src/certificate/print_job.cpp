// The one print job: output chosen, certificates drawn to it, output finished, outcome told.
#include "certificate/print_job.h"

#include <QDir>
#include <algorithm>

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

QString LogOutputName(const OutputPlace& place) {
  switch (place.kind) {
    case OutputPlace::Kind::kPrinter:
      return kLogPrinter;
    case OutputPlace::Kind::kPdfFile:
    case OutputPlace::Kind::kPdfFolder:
      return kLogPdf;
    case OutputPlace::Kind::kNothing:
      break;
  }
  return QString();
}

// What one run writes to the print log: a claim before each certificate is drawn (only the new
// ones), a row as each comes out, and the rows of a file that gathers the run once that file is
// there. A log that cannot be written stops logging, never the printing (unless the run relies
// on claims); the operator is told.
class RunLog {
 public:
  RunLog(Database* db, const LoggedMeet& meet, int layout) : meet_(meet), layout_(layout) {
    if (!db) return;
    try {
      log_.emplace(*db);
    } catch (const DbError& e) {
      error = e.text();
    }
  }
  bool Active() const { return log_.has_value(); }

  // Before r is drawn: false when it is printed already or another desk holds it. Raises
  // DbError when the claim cannot be written.
  bool Claim(const Recipient& r) {
    claim_ = 0;
    if (!log_ || !r.Source.FromMeet()) return true;
    claim_ = log_->Claim(LogRowOf(r, meet_, layout_));
    return claim_ != 0;
  }
  // The claimed certificate was not drawn.
  void NotOut() {
    if (claim_ != 0) Write([&] { log_->Release(claim_); });
    claim_ = 0;
  }
  void CameOut(const Recipient& r, const DocumentPlace& at, int copies = 1) {
    if (!log_) return;
    // Only a record of the drawing was kept (a dump): no certificate came out.
    if (!at.held && at.place.kind == OutputPlace::Kind::kNothing) {
      NotOut();
      return;
    }
    PrintLogRow row = LogRowOf(r, meet_, layout_);
    row.copies = copies;
    row.output = LogOutputName(at.place);
    row.where = at.place.where;
    row.page = at.page;
    row.job = at.job;
    if (at.held) {
      held_.push_back({row, claim_});
    } else if (claim_ != 0) {
      Write([&] { log_->MarkOut(claim_, row.output, row.where, row.page, row.job); });
    } else {
      std::vector<PrintLogRow> rows{row};
      Write([&] { log_->Add(rows); });
    }
    claim_ = 0;
  }
  // The output finished: the held certificates came out in written, or (kept false) did not.
  void Finished(bool kept, const OutputPlace& written) {
    if (!log_) return;
    std::vector<PrintLogRow> rows;
    for (Held& h : held_) {
      if (!kept) {
        if (h.claim != 0) Write([&] { log_->Release(h.claim); });
      } else if (h.claim != 0) {
        Write([&] { log_->MarkOut(h.claim, h.row.output, written.where, h.row.page); });
      } else {
        h.row.where = written.where;
        rows.push_back(h.row);
      }
    }
    held_.clear();
    Write([&] { log_->Add(rows); });
  }

  QString error;

 private:
  struct Held {
    PrintLogRow row;
    qint64 claim = 0;
  };
  void Write(const std::function<void()>& write) {
    if (!log_) return;
    try {
      write();
    } catch (const DbError& e) {
      error = e.text();
      log_.reset();
    }
  }

  LoggedMeet meet_;
  int layout_ = 0;
  std::optional<PrintLog> log_;
  qint64 claim_ = 0;
  std::vector<Held> held_;
};

}  // namespace

CertificateKey KeyOf(const RecipientSource& source) {
  return {source.event, source.class_no, source.heat, source.relay, source.entrant};
}

PrintLogRow LogRowOf(const Recipient& r, const LoggedMeet& meet, int layout) {
  PrintLogRow row;
  row.meet = meet;
  row.key = KeyOf(r.Source);
  row.event_text = r.EventName;
  row.stage = TrimBlanks(r.Source.stage);
  row.class_name = r.ClassName;
  row.name = r.Name;
  row.affiliation = r.Affiliation;
  row.rank = r.RankText;
  row.record = r.RecordText;
  row.layout = layout;
  return row;
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

std::optional<bool> PrintJob::ChooseOutput(bool pdf_only) {
  if (factory_ || pdf_only) return pdf_only;
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

std::unique_ptr<DocumentOutput> PrintJob::MakeOutputFor(bool to_pdf) {
  if (factory_) return factory_();
  return MakeOutput(LoadOutputSettings(dialogs_, ini_path_, program_folder_), to_pdf);
}

PrintJobResult PrintJob::Run(const PrintRequest& request, PrintRunContext& context,
                             WarningLabel& label, const std::function<void()>& open_preview) {
  const bool previewing = request.preview && open_preview;
  bool to_pdf = request.preview;
  // Asked before the collection, which may take a while; an empty choice is told first.
  if (!previewing && !request.events.empty()) {
    const std::optional<bool> chosen = ChooseOutput(to_pdf);
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
  if (pre_print_check_) {
    const std::optional<PrePrintCheck> check =
        CheckBeforePrinting(request, context, check_ != LayoutCheck::kNone);
    if (!check) return Outcome(RunOutcome::kFailed);
    if (!dialogs_.ConfirmTable(PrePrintCheckTitle(*check), PrePrintCheckHeaders(),
                               PrePrintCheckCells(*check), kCheckPrintButton, kCheckBackButton)) {
      return Outcome(RunOutcome::kDeclined);
    }
    // The table showed the layout's findings: the operator is not asked again.
    check_layout = false;
  }
  // The output was chosen before the collection: the printer is not asked about again.
  return PrintChosen(context, label, 1, 0, to_pdf, check_layout);
}

PrintJobResult PrintJob::PrintDecided(PrintRunContext& context, WarningLabel& label, int first,
                                      int last, bool pdf_only) {
  const std::optional<bool> to_pdf = ChooseOutput(pdf_only);
  if (!to_pdf) return Outcome(RunOutcome::kNotStarted);
  return PrintChosen(context, label, first, last, *to_pdf);
}

PrintJobResult PrintJob::PrintChosen(PrintRunContext& context, WarningLabel& label, int first,
                                     int last, bool to_pdf, bool check_layout) {
  if (check_layout && first <= 1 &&
      !CheckLayout(context.layout, context.recipients, context.options, first, last)) {
    return Outcome(RunOutcome::kDeclined);
  }
  const bool new_only = new_only_;
  if (first <= 1 && !AskReprints(context.recipients, first, last, new_only_)) {
    return Outcome(RunOutcome::kNotStarted);
  }
  PrintJobResult result = DrawTable(context.layout, context.recipients, context.options, label,
                                    context.observer, first, last, to_pdf);
  new_only_ = new_only;  // the answer holds for this run only
  return result;
}

PrintJobResult PrintJob::Print(const CertificateLayout& layout, RecipientTable& table,
                               const PrintOptions& options, WarningLabel& label,
                               PrintRunObserver& observer, int first, int last, bool pdf_only) {
  const std::optional<bool> to_pdf = ChooseOutput(pdf_only);
  if (!to_pdf) return Outcome(RunOutcome::kNotStarted);
  return DrawTable(layout, table, options, label, observer, first, last, *to_pdf);
}

PrintJobResult PrintJob::DrawTable(const CertificateLayout& layout, RecipientTable& table,
                                   const PrintOptions& options, WarningLabel& label,
                                   PrintRunObserver& observer, int first, int last, bool to_pdf) {
  PrintJobResult result;
  result.to_pdf = to_pdf;
  result.new_only = new_only_;
  result.first = std::max(first, 1);
  result.last = last <= 0 || last > table.RecipientCount ? table.RecipientCount : last;
  const int total = std::max(result.last - result.first + 1, 0);
  RunLog log(log_db_, meet_, layout.CurrentLayoutNumber);
  if (new_only_ && !log.Active()) {
    // Without the log two desks could print the same certificate.
    result.outcome = RunOutcome::kFailed;
    result.next = result.first;
    result.error = kLogFailedMessage + QLatin1Char('\r') + log.error;
    dialogs_.MsgBox(result.error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
    return result;
  }
  const std::unique_ptr<DocumentOutput> output = MakeOutputFor(to_pdf);
  PrintSurface surface(output.get());
  result.outcome = RunOutcome::kPrinted;
  for (int i = result.first; i <= result.last; ++i) {
    observer.Printing(i - result.first, total);
    if (observer.CancelRequested()) {
      result.outcome = RunOutcome::kCancelled;
      result.next = i;
      break;
    }
    if (new_only_) {
      try {
        if (!log.Claim(table[i])) {
          ++result.skipped;
          continue;
        }
      } catch (const DbError& e) {
        result.outcome = RunOutcome::kFailed;
        result.next = i;
        result.error = kLogFailedMessage + QLatin1Char('\r') + e.text();
        break;
      }
    }
    table.CurrentRecipient = static_cast<int16_t>(i);
    surface.SetDocumentName(CertificateName(i, table[i]));
    if (DrawCertificate(surface, DrawMode::kPrinting, label, layout, table, options, dialogs_) ==
        DrawResult::kDrawn) {
      ++result.output;
      log.CameOut(table[i], output->LastWritten());
    } else {
      log.NotOut();
      if (surface.Error() != kSurfaceOk) {
        // The operator must know that the output stopped: the run ends at the first
        // certificate that was not written.
        result.outcome = RunOutcome::kFailed;
        result.next = i;
        result.error = FailedMessage(i, surface.ErrorText());
        break;
      }
    }
  }
  if (result.outcome == RunOutcome::kPrinted) observer.Printing(total, total);
  Finish(*output, result);
  log.Finished(result.output > 0, result.written);
  ReportLog(log.error, result);
  return result;
}

PrintJobResult PrintJob::PrintCopies(const PrintDocument& doc, int copies,
                                     PrintRunObserver& observer, const Recipient* who, int layout) {
  const std::optional<bool> to_pdf = ChooseOutput(false);
  if (!to_pdf) return Outcome(RunOutcome::kNotStarted);
  PrintJobResult result;
  result.to_pdf = *to_pdf;
  result.first = 1;
  result.last = std::max(copies, 0);
  result.outcome = RunOutcome::kPrinted;
  const std::unique_ptr<DocumentOutput> output = MakeOutputFor(*to_pdf);
  for (int n = 1; n <= result.last; ++n) {
    observer.Printing(n - 1, result.last);
    if (observer.CancelRequested()) {
      result.outcome = RunOutcome::kCancelled;
      break;
    }
    QString why;
    if (!output->Ready(&why) || !output->Write(doc, &why)) {
      // A copy that did not come out must not pass for printed.
      result.outcome = RunOutcome::kFailed;
      result.error = FailedMessage(n, why);
      break;
    }
    ++result.output;
  }
  if (result.outcome == RunOutcome::kPrinted) observer.Printing(result.last, result.last);
  Finish(*output, result);
  if (who && result.output > 0) {
    // One row for the copies of the certificate; a held file is there once finished.
    RunLog log(log_db_, meet_, layout);
    DocumentPlace at = output->LastWritten();
    at.held = false;
    if (at.place.where.isEmpty()) at.place = result.written;
    log.CameOut(*who, at, result.output);
    ReportLog(log.error, result);
  }
  return result;
}

bool PrintJob::CheckLayout(const CertificateLayout& layout, RecipientTable& table,
                           const PrintOptions& options, int first, int last) {
  if (check_ == LayoutCheck::kNone) return true;
  WaitCursor wait;
  const QStringList problems =
      DescribeRunCheck(CheckRunLayout(layout, table, options, first, last));
  wait.Restore();
  if (problems.isEmpty()) return true;
  if (check_ == LayoutCheck::kTell) {
    for (const QString& line : problems) {
      dialogs_.MsgBox(line, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
    }
    return true;
  }
  const QString text = kLayoutCheckMessage + QStringLiteral("\r\r") +
                       problems.join(QLatin1Char('\r')) + QStringLiteral("\r\r") +
                       kPrintAnywayQuestion;
  return dialogs_.MsgBox(text, MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2) ==
         Answer::Yes;
}

bool PrintJob::AskReprints(const RecipientTable& table, int first, int last, bool& new_only) {
  if (!log_db_ || reprints_ == Reprints::kSilent || new_only) return true;
  int printed = 0;
  try {
    const std::set<CertificateKey> taken = PrintLog(*log_db_).Taken(meet_);
    const int end = last <= 0 || last > table.RecipientCount ? table.RecipientCount : last;
    for (int i = std::max(first, 1); i <= end; ++i) {
      const RecipientSource& source = table[i].Source;
      if (source.FromMeet() && taken.count(KeyOf(source)) != 0) ++printed;
    }
  } catch (const DbError&) {
    // The run itself does not need the log; it says afterwards that it could not log.
    return true;
  }
  if (printed == 0) return true;
  if (reprints_ == Reprints::kTell) {
    dialogs_.MsgBox(QStringLiteral("印刷済みの賞状 %1 枚をもう一度印刷します。").arg(printed),
                    MsgButtons::Ok, MsgIcon::Information, kPrintTitle);
    return true;
  }
  switch (dialogs_.MsgBox(ReprintQuestion(printed), MsgButtons::YesNoCancel, MsgIcon::Question,
                          kPrintTitle, 2)) {
    case Answer::Yes:
      return true;
    case Answer::No:
      new_only = true;
      return true;
    default:
      return false;
  }
}

void PrintJob::ReportLog(const QString& error, PrintJobResult& result) {
  if (error.isEmpty()) return;
  result.log_error = kLogFailedMessage + QLatin1Char('\r') + error;
  dialogs_.MsgBox(result.log_error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
}

void PrintJob::Finish(DocumentOutput& output, PrintJobResult& result) {
  if (result.outcome == RunOutcome::kCancelled) {
    dialogs_.MsgBox(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  } else if (result.outcome == RunOutcome::kFailed) {
    dialogs_.MsgBox(result.error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
  }
  // What came out before a stop or a failure is kept: a file that gathers the run is put
  // under its name now. A run that wrote nothing leaves nothing.
  if (result.output > 0) {
    QString error;
    if (!output.Finish(&error)) {
      dialogs_.MsgBox(error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
      result.outcome = RunOutcome::kFailed;
      result.error = error;
      // The file that was to hold them is not there: nothing of this run came out.
      if (output.WrittenTo().kind == OutputPlace::Kind::kNothing) {
        result.output = 0;
        result.next = result.first;
      }
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
