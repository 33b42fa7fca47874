// The preview's certificates: page rules, drawing the one on show, printing it and the run.
#include "preview/preview_session.h"

#include <algorithm>

#include "certificate/draw_certificate.h"
#include "common/dialogs.h"
#include "common/text_util.h"
#include "db/database.h"
#include "db/db_error_report.h"
#include "desk/print_log.h"
#include "layout/layout_store.h"
#include "print/calibration_sheet.h"
#include "print/output_settings.h"

namespace kvsys {

NavState NavForPage(int page, int count) {
  NavState nav;
  nav.print = true;
  if (count <= 1) return nav;
  nav.first = nav.previous = page > 1;
  nav.next = nav.last = page < count;
  return nav;
}

NavState NavAtOpen(int count) {
  NavState nav;
  nav.print = count >= 1;
  nav.next = nav.last = count > 1;
  return nav;
}

PageStep EnterPage(const QString& text, int count) {
  PageStep step;
  const QString trimmed = TrimBlanks(text);
  if (trimmed.isEmpty() || count < 1) {
    step.page_text = trimmed.isEmpty() ? QString() : text;
    step.nav.hint = trimmed.isEmpty();
    return step;
  }
  const int value = ToLong(trimmed);
  int page = value;
  if (value < 1) {
    step.no_record = true;
    page = 1;
  } else if (value > count) {
    step.no_record = true;
    page = count;
  }
  step.page_text = step.no_record ? QString::number(page) : text;
  step.page = page;
  step.nav = NavForPage(page, count);
  return step;
}

QString MovePage(PageMove move, const QString& page_text, int count) {
  const int value = ToLong(TrimBlanks(page_text));
  switch (move) {
    case PageMove::First:
      return QStringLiteral("1");
    case PageMove::Previous:
      return QString::number(value - 1);
    case PageMove::Next:
      return QString::number(value + 1);
    case PageMove::Last:
      return QString::number(count);
  }
  return page_text;
}

std::optional<int> CopiesToPrint(const QString& text) {
  const int copies = ToLong(TrimBlanks(text));
  if (copies <= 0) return std::nullopt;
  return copies;
}

QString CountLabel(int count) {
  return QString::number(count) + QStringLiteral("ﾃﾞｰﾀ");
}

QString PreviewCaptionFor(const QString& layout_name) {
  return layout_name + QStringLiteral("  ") + kPreviewCaption;
}

PreviewSession::PreviewSession(PreviewRecords records, Dialogs& dialogs)
    : r_(std::move(records)), dialogs_(dialogs), job_(dialogs, r_.ini_path, r_.program_folder) {}

bool PreviewSession::Open() {
  table_ = r_.recipients;
  layout_ = r_.run_layout;
  if (!r_.layout_db) return false;
  try {
    // The run's layout as the run read it, whole: read again now it could be another version
    // than the texts collected with it.
    LayoutStore store(*r_.layout_db, dialogs_, r_.state);
    layout_name_ = store.LayoutName(layout_.CurrentLayoutNumber).value_or(QString());
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPreviewTitle, kTargetLayoutDb);
    return false;
  }
  store_ = std::make_unique<LayoutStore>(*r_.layout_db, dialogs_, r_.state);
  adjuster_ = std::make_unique<LayoutAdjuster>(layout_, *r_.layout_db, *store_, dialogs_, r_.state);
  adjuster_->RememberAsRead();
  return true;
}

std::vector<SavedLayout> PreviewSession::SavedLayouts() {
  if (!store_) return {};
  try {
    return store_->ListLayouts();
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPreviewTitle, kTargetLayoutDb);
    return {};
  }
}

bool PreviewSession::Draw(int page, WarningLabel& label) {
  if (page < 1 || page > Count()) return false;
  table_.CurrentRecipient = static_cast<int16_t>(page);
  // Remembered before drawing: a message box of the drawing must not make the next activation
  // draw (and show it) again.
  drawn_page_ = page;
  drawn_options_ = r_.prn;
  drawn_layout_ = layout_;
  placements_.clear();
  // Printed, it is named as the print list names this certificate.
  surface_.SetDocumentName(CertificateName(page, table_[page]));
  return DrawCertificate(surface_, DrawMode::kPreview, label, layout_, table_, r_.prn, dialogs_,
                         &placements_) == DrawResult::kDrawn;
}

bool PreviewSession::NeedsRedraw(int page) const {
  return page != drawn_page_ || !(drawn_options_ == r_.prn) || !(drawn_layout_ == layout_) ||
         !surface_.HeldDocument();
}

RunOptions PreviewSession::Printing() const {
  // What is shown is never logged; what is printed from here is.
  RunOptions run;
  run.output = output_;
  if (r_.layout_db && !r_.meet.file.isEmpty())
    run.log = {PrintLogOpener(*r_.layout_db), r_.meet, false};
  return run;
}

PrintJobResult PreviewSession::PrintCopies(int copies, PrintRunObserver& observer) {
  const PrintDocument* held = surface_.HeldDocument();
  if (!held) return {};
  return job_.PrintCopies(Printing(), *held, copies, observer, &table_[drawn_page_],
                          layout_.CurrentLayoutNumber);
}

PrintJobResult PreviewSession::PrintAll(WarningLabel& label, PrintRunObserver& observer) {
  const int16_t on_show = table_.CurrentRecipient;
  const PrintJobResult result = job_.Print(Printing(), layout_, table_, r_.prn, label, observer);
  table_.CurrentRecipient = on_show;
  return result;
}

QString PreviewSession::CalibratedQueue() {
  return WorkstationQueue(LoadOutputSettings(dialogs_, r_.ini_path, r_.program_folder));
}

PrintJobResult PreviewSession::PrintCalibrationSheets(PrintRunObserver& observer) {
  const OutputSettings settings = LoadOutputSettings(dialogs_, r_.ini_path, r_.program_folder);
  // What the sheets go out with: the printer's calibration, or PDF files' when asked for.
  QString queue;
  PrinterCalibration calibration;
  if (settings.target == OutputTarget::Printer && !output_) {
    queue = WorkstationQueue(settings);
    calibration = LoadCalibration(r_.ini_path, queue, nullptr);
  } else if (!output_) {
    const PdfCalibration pdf = PdfCalibrationOf(settings);
    queue = pdf.queue;
    calibration = pdf.calibration;
  }
  const std::vector<PrintDocument> sheets = DrawCalibrationSheets(queue, calibration);
  std::vector<const PrintDocument*> docs;
  for (const PrintDocument& sheet : sheets) docs.push_back(&sheet);
  RunOptions run;
  run.output = output_;
  return job_.PrintDocuments(run, docs, observer);
}

void PreviewSession::Unload(bool table_in_use) {
  if (!table_in_use) r_.recipients.ClearEntries();
  table_.ClearEntries();
}

}  // namespace kvsys
