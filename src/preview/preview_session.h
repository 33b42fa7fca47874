#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "certificate/draw_certificate.h"
#include "certificate/print_job.h"
#include "certificate/print_run.h"
#include "certificate/recipient.h"
#include "common/print_options.h"
#include "db/db_error.h"
#include "layout/certificate_layout.h"
#include "layout/layout_store.h"
#include "preview/layout_adjustment.h"
#include "print/print_surface.h"
#include "print/warning_label.h"

namespace kvsys {

class Database;
class Dialogs;
class UnderlayPictures;

inline const QString kPreviewCaption = QStringLiteral("プレビュー画面");
inline const QString kNoRecordMessage = QStringLiteral("レコードがありません");
inline const QString kPageHint = QStringLiteral("ページ数を入力してください。");
inline const QString kCopiesMessage = QStringLiteral("枚数を指定してください");
inline const QString kReplacePreviewMessage = QStringLiteral(
    "表示中のプレビュー画面を閉じて、今回の印刷データを表示します。よろしいですか？");
inline const QString kPreviewBusyMessage =
    QStringLiteral("プレビュー画面で印刷中です。印刷が終わってから、もう一度実行してください。");
inline const QString kPreviewTitle = QStringLiteral("プレビュー");
inline const QString kUnsavedAdjustmentsQuestion =
    QStringLiteral("レイアウトの調整が保存されていません。保存せずに閉じますか？");

// Which of the buttons around the page box may be pressed.
struct NavState {
  bool first = false;     // Command1 "|<"
  bool previous = false;  // Command2 "<"
  bool next = false;      // Command3 ">"
  bool last = false;      // Command4 ">|"
  bool print = false;     // SSCommand1, すべて印刷 and the adjustment buttons
  bool hint = false;      // Text15 shows kPageHint

  bool operator==(const NavState&) const = default;
};

// What a page entry leads to.
struct PageStep {
  bool no_record = false;  // kNoRecordMessage is shown first
  QString page_text;       // what the page box holds afterwards
  int page = 0;            // the certificate to draw; 0 = nothing is drawn
  NavState nav;
};

// The buttons for a valid page of count certificates. With one certificate there is nowhere
// to move, whatever the page.
NavState NavForPage(int page, int count);
// The buttons right after opening, before a page was entered: first and previous disabled.
NavState NavAtOpen(int count);

// A change of the page box: an empty box disables moving and printing and shows the hint; 0,
// a number below 1 or above the count shows kNoRecordMessage and is corrected to 1 or to the
// count, which is then drawn.
PageStep EnterPage(const QString& text, int count);

enum class PageMove { First, Previous, Next, Last };
// The text a navigation button puts into the page box.
QString MovePage(PageMove move, const QString& page_text, int count);

// The copies asked for in Text11; nullopt for an empty box or 0 (kCopiesMessage).
std::optional<int> CopiesToPrint(const QString& text);

// "25ﾃﾞｰﾀ"
QString CountLabel(int count);
// The layout's name, two blanks and "プレビュー画面".
QString PreviewCaptionFor(const QString& layout_name);

// What a preview works on: the run's layout and recipients are copied when it opens, so a print
// run started meanwhile (which refills the shared table and reloads the shared layout) does not
// change the certificates on show. Options are the workstation's shared record.
struct PreviewRecords {
  DbErrorState& state;
  std::shared_ptr<Database>& layout_db;
  PrintOptions& prn;
  const CertificateLayout& run_layout;  // Texts and PaperSize of the run
  RecipientTable& recipients;           // the run's table; entries 1-9999 cleared at unload
  QString ini_path;
  QString program_folder;
  QStringList font_names = {};  // the main window's list of installed fonts
  LoggedMeet meet = {};         // the log's name of the meet; none: nothing is logged
  // The pictures of the blank stock read in this program run; none: the preview reads its own.
  UnderlayPictures* underlays = nullptr;
};

// The preview's certificates: which one is drawn into the held document, printing it, printing
// them all. No widgets.
class PreviewSession {
 public:
  PreviewSession(PreviewRecords records, Dialogs& dialogs);

  // Copies the run, reads the decided layout number and loads that layout with its show flags.
  // A database error is reported and gives false (nothing to show).
  bool Open();
  // The name of the layout in use ("" when it has none).
  const QString& LayoutName() const { return layout_name_; }

  int Count() const { return table_.RecipientCount; }
  const RecipientTable& Table() const { return table_; }
  CertificateLayout& Layout() { return layout_; }
  PrintOptions& Options() { return r_.prn; }

  // Draws certificate page (1 to Count()) in preview mode; false when it is out of range or
  // nothing could be drawn.
  bool Draw(int page, WarningLabel& label);
  // Whether drawing page now would give another document than the one on show (a page, option
  // or layout changed since the last draw).
  bool NeedsRedraw(int page) const;
  int PageOnShow() const { return drawn_page_; }
  const PrintDocument* Held() const { return surface_.HeldDocument(); }
  PrintSurface& Surface() { return surface_; }
  // Where each item of the certificate on show landed (page 1 of the held document).
  const std::vector<ItemPlacement>& Placements() const { return placements_; }

  // The layout adjustments on the layout on show; nullptr until Open succeeded.
  LayoutAdjuster* Adjuster() { return adjuster_.get(); }
  // The saved layouts for the list; a database error is reported and gives none.
  std::vector<SavedLayout> SavedLayouts();
  const QStringList& FontNames() const { return r_.font_names; }

  // 印刷: the document on show, copies times, as one print job.
  PrintJobResult PrintCopies(int copies, PrintRunObserver& observer);

  // すべて印刷: every certificate of the run, drawn anew with the options and layout as they
  // stand now, as one print job.
  PrintJobResult PrintAll(WarningLabel& label, PrintRunObserver& observer);

  // The calibration sheet of every paper size, to where 印刷 goes (a printer with its
  // calibration), logged nowhere.
  PrintJobResult PrintCalibrationSheets(PrintRunObserver& observer);
  // The workstation's printer queue, whose calibration 印刷 applies (PDF files: when asked
  // for); empty when there is no printer.
  QString CalibratedQueue();
  const QString& SettingsFile() const { return r_.ini_path; }

  // Closing: entries 1 to 9999 of the run's table are emptied (entry 0 is not), unless a print
  // run is filling that table right now; the preview's own copy goes with it.
  void Unload(bool table_in_use);

  // Where 印刷 and すべて印刷 send the certificates instead of the workstation's output.
  void SetOutput(OutputFactory output) { output_ = std::move(output); }
  // Where they would go now.
  OutputDestination Destination() { return job_.Destination(); }

 private:
  // How 印刷 and すべて印刷 print: logged when the preview shows a meet's certificates.
  RunOptions Printing() const;
  PreviewRecords r_;
  Dialogs& dialogs_;
  RecipientTable table_;
  CertificateLayout layout_;
  QString layout_name_;
  PrintSurface surface_;
  PrintJob job_;
  OutputFactory output_;
  std::unique_ptr<LayoutStore> store_;
  std::unique_ptr<LayoutAdjuster> adjuster_;
  std::vector<ItemPlacement> placements_;

  // What the document on show was drawn from.
  int drawn_page_ = 0;
  PrintOptions drawn_options_;
  CertificateLayout drawn_layout_;
};

}  // namespace kvsys
