#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "certificate/print_run.h"
#include "common/run_flag.h"
#include "preview/preview_session.h"
#include "preview/print_options_logic.h"
#include "preview/underlay.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

namespace kvsys {

class AdjustPanel;
class Dialogs;
class PageView;

// The preview of a print run: one certificate at a time, printed as often as asked, with the
// print options panel. A sub-window of the main window, opened by the print run.
class KVPreview : public QWidget, private PrintRunObserver {
  Q_OBJECT

 public:
  KVPreview(PreviewRecords records, Dialogs& dialogs, QWidget* parent = nullptr);
  ~KVPreview() override;

  // Loading: copies the run, loads the decided layout, sets the caption and draws the first
  // certificate. False (after a message) when the layout could not be read.
  bool Open();
  // Activation: the options into the panel (under the activation guard), the count, and the
  // certificate of the page box drawn again when anything it depends on changed.
  void Activate();

  bool Running() const { return run_.Running(); }
  // The main window going away closes the preview without the question about unsaved
  // adjustments (the databases are closed by then).
  void CloseWithoutQuestion() { ask_unsaved_ = false; }
  // Whether the run's shared table is being filled by a print run now (then closing leaves it).
  void SetTableInUse(std::function<bool()> in_use) { table_in_use_ = std::move(in_use); }
  PreviewSession& Session() { return session_; }
  PageView* View() const { return VSPRN; }

 public slots:
  void Print();     // 印刷(F5): the certificate on show, Text11 times
  void PrintAll();  // すべて印刷: every certificate of the run, as the options stand now
  void Cancel();    // 中止 of すべて印刷
  void CloseWindow();

 signals:
  void closed();  // the operator (or the main window) closed the preview

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void FirstPage();
  void PreviousPage();
  void NextPage();
  void LastPage();
  // The view's own keys and wheel: 0 to 3 as the page buttons |<, <, >, >|.
  void ViewNavigated(int move);
  void ShowZoom(double percent);
  void OpenOptions();
  void CloseOptions();
  // 「プリンタの位置合わせ」: the calibration of the queue 印刷 goes to, and its sheet.
  void ShowCalibration();
  // A click on the certificate chooses the item there (add: Shift, to those chosen).
  void SheetClicked(QPoint twips, bool add);
  // An arrow key on the view moves the chosen items (0 to 3: left, right, up, down).
  void ArrowMoved(int move, bool large);
  // The saved layout of a list entry into the panel.
  void LoadListed(QListWidgetItem* item);
  void ListedReached(QListWidgetItem* item);
  void ReloadLayout();  // 元に戻す
  void LatticeXEdited();
  void LatticeYEdited();
  void DonoEdited();
  void ChooseUnderlayFile();  // 台紙画像…: the layout on show gets a picture of its own
  void ClearUnderlay();       // 台紙画像なし: the layout on show gets none
  void UnderlayToggled(bool shown);

 private:
  // PrintRunObserver, for すべて印刷.
  void Printing(int done, int total) override;
  bool CancelRequested() override;

  void BuildControls();
  void BuildOptionControls();
  void LayOutControls();
  // The rows above the side panel (page, copies, run, zoom, the run's lines).
  QVBoxLayout* LayOutRunRows();
  // The saved layouts and the adjustment panel, as one scrolling page.
  QWidget* LayOutAdjustments();
  QScrollArea* SidePanel(QWidget* page, const char* name);
  void LayOutOptions();
  void ConnectControls();
  bool HandleKey(QKeyEvent* event);
  // The layout adjustments: the list of saved layouts, the layout on show into the panel, the
  // outlines of the chosen and the misplaced items, the change of the decided layout.
  void FillLayoutList();
  void LayoutReplaced();
  void ShowOutlines();
  void ChangeLayout();
  void SetAdjustEnabled();
  // The picture of the blank stock for the layout on show, into the view.
  void ShowUnderlay();
  QString UnderlayPath();
  void ShowDestination();
  void PageTyped();
  void Move(PageMove move);
  void ApplyNav(const NavState& nav);
  void DrawPage(int page);
  void Redraw();  // the page on show again, after an option changed
  void FillOptions();
  void FlagToggled(PrintFlag flag, bool checked);
  void ShowOptions(bool show);
  void SetRunning(bool running);
  // Runs a print job (印刷 or すべて印刷) with the window at rest, then says what came out.
  void RunJob(const std::function<PrintJobResult()>& job);

  QStackedWidget* side_pages_ = nullptr;  // the adjustments, or the options while they are open
  Dialogs& dialogs_;
  PreviewSession session_;
  PrintOptionsLogic options_;
  std::function<bool()> table_in_use_;
  QString ini_path_;
  QString program_folder_;
  UnderlayPictures own_underlays_;  // when the records bring none
  UnderlayPictures& underlays_;
  NavState nav_;
  bool setting_page_ = false;  // the window itself writes the page box
  bool opened_ = false;
  RunFlag run_;  // 印刷 or すべて印刷 is printing
  bool unloaded_ = false;
  bool ask_unsaved_ = true;  // closing asks first when the adjustments are not saved

  PageView* VSPRN;
  QLineEdit* Text12;
  QLineEdit* Text11;
  QLineEdit* Text15;
  QPushButton* Command1;
  QPushButton* Command2;
  QPushButton* Command3;
  QPushButton* Command4;
  QLabel* Label13;
  QLabel* lblMes;
  QLabel* lblOutput;    // where 印刷 sends the certificates
  QLabel* lblRunState;  // what the last 印刷 or すべて印刷 put out, and where
  QPushButton* SSCommand1;
  QPushButton* SSCommand2;
  QPushButton* cmdPrintAll;
  QPushButton* cmdStop;
  QProgressBar* ProgressBar1;
  QPushButton* cmdFit;
  QPushButton* cmdActual;
  QLabel* lblZoom;
  QPushButton* Command6;
  QGroupBox* Frame3;
  std::array<QCheckBox*, kOptionBoxCount> option_boxes{};  // in the order of OptionBoxes()
  QLineEdit* txtLatticeX;
  QLineEdit* txtLatticeY;
  QLineEdit* txtDono;
  QPushButton* Command5;
  QPushButton* cmdCalibration;  // プリンタの位置合わせ
  AdjustPanel* Frame1;
  QLabel* lblLayoutNote;  // items past the sheet's edge or over each other
  QListWidget* List1;
  QPushButton* SSCommand13;
  QPushButton* SSCommand7;
  QCheckBox* chkUnderlay;
  QPushButton* cmdUnderlay;
  QPushButton* cmdNoUnderlay;
  QLabel* lblUnderlay;  // the picture's file name
};

}  // namespace kvsys
