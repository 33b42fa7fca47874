#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "certificate/layout_check.h"
#include "certificate/layout_for_meet.h"
#include "certificate/print_run.h"
#include "certificate/run_log.h"
#include "print/document_output.h"
#include "print/output_settings.h"
#include "print/warning_label.h"

namespace kvsys {

class Dialogs;
class PrintSurface;

inline const QString kPdfInsteadQuestion = QStringLiteral("PDFファイルに出力しますか？");
inline const QString kLayoutCheckMessage =
    QStringLiteral("印刷する賞状に、用紙からはみ出す項目か重なる項目があります。");
inline const QString kPrintAnywayQuestion = QStringLiteral("このまま印刷しますか？");

// The question before printing certificates that the log holds already.
QString ReprintQuestion(int printed);

// What a run from its first certificate does with items that would run off the sheet or over
// each other (the layout check): nothing, ask whether to print anyway, or only tell.
enum class LayoutCheck { kNone, kAsk, kTell };

// What a run from its first certificate does with certificates the print log holds already:
// print them again without a word, ask (all, only the new ones, or nothing), or print them again
// and say how many.
enum class Reprints { kSilent, kAsk, kTell };

// An output of the caller's instead of the workstation's (the print tool's command line).
using OutputFactory = std::function<std::unique_ptr<DocumentOutput>()>;

// What a run draws: the layout and table, and where its progress goes.
struct DrawInputs {
  const CertificateLayout& layout;
  RecipientTable& table;
  const PrintOptions& options;
  WarningLabel& label;
  PrintRunObserver& observer;
  int total = 0;
  // Layout problems found while drawing, when they are told after the run rather than asked
  // about before it.
  RunLayoutCheck* found = nullptr;
};

// How a print job ended and what came out of it.
struct PrintJobResult {
  RunOutcome outcome = RunOutcome::kNothingToPrint;
  int first = 0;           // the table entry printing began at; 0 when nothing was to be printed
  int last = 0;            // the entry it was to end at (copies: the number asked for)
  int output = 0;          // certificates (copies) that came out
  int next = 0;            // the entry a resumed run starts at; 0 when there is none
  int skipped = 0;         // certificates left out as printed already (only the new ones)
  int held_elsewhere = 0;  // left out as another desk kept printing them (only the new ones)
  bool to_pdf = false;     // PDF files, whatever the settings' target
  bool new_only = false;   // only certificates the log did not hold
  OutputPlace written;     // where they came out
  QString error;           // why the output stopped, as the operator was told
  QString log_error;       // why the print log missed certificates that came out
};

// How one run prints, given whole to the run that uses it, so that no run inherits another's.
struct RunOptions {
  // Items that would run off the sheet or over each other, for a run from its first
  // certificate.
  LayoutCheck layout_check = LayoutCheck::kNone;
  // Run shows the check before printing (CheckBeforePrinting) as a table to print from or go
  // back; its layout findings (when layout_check is not kNone) stand for the layout question.
  bool pre_print_check = false;
  Reprints reprints = Reprints::kSilent;
  // Only certificates the log does not hold: each is claimed in the log before it is drawn, so
  // that two desks never print the same one.
  bool new_only = false;
  RunLogTarget log;
  // The caller's output instead of the workstation's; the run then asks nothing of it.
  OutputFactory output;
  // PDF files whatever the workstation's target, without asking.
  bool pdf_only = false;
  // The certificates sorted by affiliation (所属, then event and rank) and written as one PDF
  // file per club (ClubPdfOutput), in club_folder or, when that is empty, the workstation's PDF
  // folder; an output of the caller's (a dump) gets them as well.
  bool by_affiliation = false;
  QString club_folder;
  // The meet printed, and the layout the operator was shown (none: not compared): Run names a
  // layout made for another meet, or decided or saved elsewhere since, before it prints.
  SelectedMeet meet;
  const CertificateLayout* shown_layout = nullptr;
};

// What Run says first about the layout it loaded (LayoutChangedNotice, LayoutMeetNotice).
QStringList RunLayoutNotices(const RunOptions& run, const CertificateLayout& loaded);

// One print job, wherever a run starts (the print list, the preview, the print tool): it
// chooses the output (the workstation's settings, asking whether PDF files will do when the
// printer cannot take the run; or the caller's), draws the certificates to it, finishes it on
// every ending that keeps output (done, 中止, a failure after others came out), and says what
// came out, where, and where a resumed run starts. No widgets: questions go through Dialogs.
// Every run is told how to print by its RunOptions; the job keeps nothing from one run to the
// next.
class PrintJob {
 public:
  PrintJob(Dialogs& dialogs, QString ini_path, QString program_folder);

  // Where a run would go now; pdf_only: PDF files whatever the target.
  OutputDestination Destination(bool pdf_only = false);

  // 印刷(F5) of the print list: the printer-or-PDF question (not when the preview is asked
  // for), the recipients collected, then the preview opened (request.preview with
  // open_preview) or, after the check before printing when it is on, every certificate printed
  // with the decided layout. Without open_preview a preview run writes PDF files.
  PrintJobResult Run(const RunOptions& run, const PrintRequest& request, PrintRunContext& context,
                     WarningLabel& label, const std::function<void()>& open_preview = {});
  // Certificates first to last (0 = RecipientCount) of a table already collected, with a
  // layout already loaded (the preview's, as adjusted on screen). A run from the first
  // certificate is checked first, as its layout_check and reprints say.
  PrintJobResult Print(const RunOptions& run, const CertificateLayout& layout,
                       RecipientTable& table, const PrintOptions& options, WarningLabel& label,
                       PrintRunObserver& observer, int first = 1, int last = 0);
  // The same with the context's table and the layout the run read (LoadRunLayout, by the
  // collection).
  PrintJobResult PrintDecided(const RunOptions& run, PrintRunContext& context, WarningLabel& label,
                              int first = 1, int last = 0) {
    return Print(run, context.layout, context.recipients, context.options, label, context.observer,
                 first, last);
  }
  // One document, copies times (the certificate on show in the preview: who, logged once with
  // its copies).
  PrintJobResult PrintCopies(const RunOptions& run, const PrintDocument& doc, int copies,
                             PrintRunObserver& observer, const Recipient* who = nullptr,
                             int layout = 0);
  // Documents in order, to where a run goes, none of them logged (a calibration sheet). last:
  // where the last one came out.
  PrintJobResult PrintDocuments(const RunOptions& run,
                                const std::vector<const PrintDocument*>& docs,
                                PrintRunObserver& observer, DocumentPlace* last = nullptr);

 private:
  // Whether the run goes to PDF files; nullopt when the operator keeps it from a printer that
  // cannot take it.
  std::optional<bool> ChooseOutput(const RunOptions& run);
  // table: the run's, for club files (none: one document's copies, never by club).
  std::unique_ptr<DocumentOutput> MakeOutputFor(const RunOptions& run, bool to_pdf,
                                                const RecipientTable* table = nullptr,
                                                int first = 1, int last = 0);
  // Print with the output already chosen: every run that draws a table comes through here.
  PrintJobResult PrintChosen(RunOptions run, const CertificateLayout& layout, RecipientTable& table,
                             const PrintOptions& options, WarningLabel& label,
                             PrintRunObserver& observer, int first, int last, bool to_pdf,
                             bool check_layout = true);
  PrintJobResult DrawTable(const RunOptions& run, const CertificateLayout& layout,
                           RecipientTable& table, const PrintOptions& options, WarningLabel& label,
                           PrintRunObserver& observer, int first, int last, bool to_pdf,
                           bool tell_layout = false);
  // The layout check over the certificates to print; false when the operator declines.
  bool CheckLayout(LayoutCheck check, const CertificateLayout& layout, RecipientTable& table,
                   const PrintOptions& options, int first, int last);
  void TellLayoutProblems(const QStringList& problems);
  // Finishes an output that kept something (its held certificates out and logged first) and
  // tells the operator what could not be.
  void Finish(DocumentOutput& output, DocumentOutput::Holding holding, RunLog& log,
              PrintJobResult& result);
  // Claims and draws the entries of one batch; false when the run ends there. Entries another
  // desk holds are added to pending.
  bool DrawBatch(const std::vector<int>& entries, PrintSurface& surface, DocumentOutput& output,
                 DocumentOutput::Holding holding, RunLog& log, const DrawInputs& in,
                 PrintJobResult& result, std::vector<int>& pending);
  // The reprint question of a run from its first certificate; false when the operator keeps
  // the run from starting. run.new_only is set when only the new ones are to be printed.
  bool AskReprints(RunOptions& run, const RecipientTable& table, int first, int last);
  // Tells the operator that the log missed what came out (unless told already).
  void ReportLog(const RunLog& log, PrintJobResult& result);

  Dialogs& dialogs_;
  QString ini_path_;
  QString program_folder_;
};

// What a job did, for the line under a window's buttons: how many came out (of how many, when
// it stopped) and where.
QString DescribeJobResult(const PrintJobResult& result);

}  // namespace kvsys
