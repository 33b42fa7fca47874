#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "common/run_flag.h"
#include "desk/print_list_session.h"

class QCheckBox;
class QGridLayout;
class QListWidget;
class QTimer;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace kvsys {

class Dialogs;
class WorkTableModel;

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

  // The preview window, once there is one: called instead of printing when ﾌﾟﾚﾋﾞｭｰ出力 is
  // ticked. Without it a preview run prints to PDF files and the window says so.
  void SetPreviewOpener(std::function<void()> opener);

  int EventCount() const { return session_.EventCount(); }
  bool Running() const { return run_.Running(); }
  WorkTableModel* GridModel() const { return session_.Model(); }
  PrintListSession& Session() { return session_; }

 public slots:
  // 印刷(F5), 中止(F9), 閉じる(F10).
  void Print();
  void Cancel();
  void CloseWindow();
  // 続きから印刷(F6): after a run stopped while printing, prints from the next certificate.
  void ContinuePrint();
  // 表彰進行表(F7): the ceremony sheet of the chosen events, to where 印刷 sends certificates.
  void PrintCeremonySheet();
  void SelectSinceLastSheet();
  // Chooses these rows of the event list alone.
  void SelectRows(const std::vector<int>& rows);
  // A look at the meet file (every few seconds, and when a watcher sees it change); prints
  // the events that became complete when 自動印刷 is on.
  void FollowMeet();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void DayChosen(int index);
  void SelectUnprinted();
  void AutoPrintToggled(bool on);
  void AffiliationChosen(int index);
  void FontChosen(int index);
  void UpdatePreviewNote();
  // Shows where a run would go now; the printer's problem when it has one.
  void ShowDestination();

 private:
  // PrintRunObserver
  void Collected(int count) override;
  void Printing(int done, int total) override;
  bool CancelRequested() override;

  void BuildControls();
  // The day, the choice of events and the grid; the ranks, heats, classes and layout; the
  // run's buttons and lines.
  void BuildEventControls();
  void BuildChoiceControls();
  void BuildRunControls();
  void LayOutControls();
  QGridLayout* LayOutChoices();
  void ConnectControls();
  // F5, F6, F9, F10 and Esc; false for any other key.
  bool HandleKey(QKeyEvent* event);
  // The status column for the choices on show.
  void RefreshStatus();
  // notice: a line the operator must act on (a result changed after printing), coloured.
  void AddAutoLine(const QString& line, bool notice = false);
  void SetRunning(bool running);
  PrintListChoices Choices() const;
  // Runs the print job (a new run, or going on after a stop), then shows how it ended.
  void RunJob(const std::function<PrintJobResult(WarningLabel&)>& job);
  void ShowRunState();

  Dialogs& dialogs_;
  PrintListSession session_;
  RunFlag run_;
  bool loading_ = false;  // controls are being filled: their handlers do nothing
  MeetFileWatch* meet_watch_ = nullptr;

  QComboBox* Combo1;
  QTableView* PROG_GRID;
  QCheckBox* Check1;
  QPushButton* cmdUnprinted;  // 未印刷を選択: the events with certificates never printed
  QPushButton* cmdSinceSheet;  // 前回の表彰以降: the events printed since the last ceremony sheet
  QCheckBox* chkAuto;    // 自動印刷: each event printed as soon as its results are complete
  QLabel* lblAuto;       // shown while auto printing is on
  QLabel* lblFresh;      // how many events became complete since the list opened
  QListWidget* lstAuto;  // what auto printing printed, and what changed after printing
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
  QCheckBox* chkCalling;  // 表彰順に印刷: each event's certificates in the calling order
  QCheckBox* chkClubs;    // 所属別にPDF: one PDF file per club, sorted by affiliation
  QLabel* lblPreviewNote;
  QLineEdit* Text3;
  QProgressBar* ProgressBar1;
  QLabel* Label7;
  QLabel* lblResult;    // after a whole run: how many came out, and why the others did not
  QLabel* lblRunState;  // after a stop: what was output, and who comes next
  QLabel* lblOutput;    // where 印刷 sends the certificates: the printer or the PDF folder
  QPushButton* cmdResume;
  QPushButton* cmdCeremony;  // 表彰進行表(F7)
  QPushButton* SSCommand4;
  QPushButton* SSCommand2;
  QPushButton* SSCommand3;
};

}  // namespace kvsys
