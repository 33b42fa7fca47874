#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "certificate/print_resume.h"
#include "certificate/print_run.h"
#include "certificate/recipient.h"
#include "common/print_options.h"
#include "db/db_error.h"
#include "layout/certificate_layout.h"
#include "print/print_surface.h"
#include "results/meet_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace kvsys {

class Database;
class Dialogs;
class WorkTableModel;

// The records of the application the print list works with, by reference: the databases are
// read through the references each time, so the window follows the application's connections.
struct PrintListRecords {
  DbErrorState& state;
  std::shared_ptr<Database>& layout_db;
  std::shared_ptr<Database>& results_db;
  PrintOptions& prn;
  const MeetSettings& meet;
  CertificateLayout& layout;
  RecipientTable& recipients;
  QString ini_path;        // KVSYS.ini, where PrnShozNo and the output settings are kept
  QString program_folder;  // a relative PDF folder is taken from here
  QStringList fonts;       // installed font names, as the main window lists them
};

// The print list: the meet day, the events of that day, what to print of them and the print
// run itself. A sub-window of the main window.
class KVS220 : public QWidget, private PrintRunObserver {
  Q_OBJECT

 public:
  KVS220(PrintListRecords records, Dialogs& dialogs, QWidget* parent = nullptr);
  ~KVS220() override;

  // Loading the window: the class choice, the day list (which builds the event list), the
  // font, heat and affiliation lists.
  void Open();
  // Activation: keeps 全体フォント to one row and shows its font and the decided layout's name.
  void Activate();

  // 印刷(F5), 中止(F9), 閉じる(F10).
  void Print();
  void Cancel();
  void CloseWindow();
  // 続きから印刷(F6): after a run stopped while printing, prints from the next certificate.
  void ContinuePrint();

  // The preview window, once there is one: called instead of printing when ﾌﾟﾚﾋﾞｭｰ出力 is
  // ticked. Without it a preview run prints to PDF files and the window says so.
  void SetPreviewOpener(std::function<void()> opener);

  int EventCount() const { return event_count_; }
  bool Running() const { return running_; }
  WorkTableModel* GridModel() const { return model_; }
  PrintSurface& Surface() { return VSP220; }

  QComboBox* Combo1;
  QTableView* PROG_GRID;
  QCheckBox* Check1;
  QLineEdit* Text1;
  QLineEdit* Text2;
  QCheckBox* chkKumi;
  QComboBox* cmbKumi;
  QLabel* Label5;
  QCheckBox* chkClass;
  QComboBox* cmbClass;
  QComboBox* cmbShoz;
  QComboBox* Combo2;
  QLabel* lblCurR;
  QCheckBox* PRV_CHK;
  QLabel* lblPreviewNote;
  QLineEdit* Text3;
  QProgressBar* ProgressBar1;
  QLabel* Label7;
  QLabel* lblRunState;  // after a stop: what was output, and who comes next
  QLabel* lblOutput;    // where 印刷 sends the certificates: the printer or the PDF folder
  QPushButton* cmdResume;
  QPushButton* SSCommand4;
  QPushButton* SSCommand2;
  QPushButton* SSCommand3;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // PrintRunObserver
  void Collected(int count) override;
  void Printing(int done, int total) override;
  bool CancelRequested() override;

  void BuildControls();
  // F5, F9, F10 and Esc; false for any other key.
  bool HandleKey(int key);
  void DayChosen(int index);
  void AffiliationChosen(int index);
  void FontChosen(int index);
  void SetRunning(bool running);
  PrintRequest MakeRequest() const;
  std::vector<ProgramEvent> SelectedEvents() const;
  void UpdatePreviewNote();
  // Shows where a run would go now; the printer's problem when it has one.
  void ShowDestination();
  // Before a run that prints: a printer that cannot take it is reported, and the run goes on
  // to PDF files only when the operator says so (to_pdf set). false: the run does not start.
  bool PrinterOrPdfChosen(bool* to_pdf);
  // Draws the collected table from entry first (with the output the settings choose), then
  // says where the run stopped when it did not reach the end.
  RunOutcome PrintTable(const PrintRequest* request, int first, bool to_pdf);
  void ShowRunState();

  PrintListRecords r_;
  Dialogs& dialogs_;
  WorkTableModel* model_;
  PrintSurface VSP220;
  std::function<void()> preview_opener_;
  PrintResume resume_;
  bool resume_pdf_for_preview_ = false;  // the stopped run wrote PDF files for the preview
  bool resume_to_pdf_ = false;           // the stopped run wrote PDF files, whatever the reason
  QString last_pdf_;                     // the PDF file or folder the last run wrote to
  int event_count_ = 0;
  bool loading_ = false;  // controls are being filled: their handlers do nothing
  bool running_ = false;  // a print run is collecting or printing
  bool cancel_ = false;   // 中止 was pressed
  bool close_after_run_ = false;
};

}  // namespace kvsys
