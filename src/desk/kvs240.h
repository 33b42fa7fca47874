#pragma once

#include <QWidget>

#include "common/run_flag.h"
#include "desk/print_history.h"

class QCheckBox;
class QKeyEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

namespace kvsys {

class Dialogs;

// 印刷履歴: the meet's printed certificates by event, what today's results changed since, and
// reprints of the chosen lines. A sub-window of the main window.
class KVS240 : public QWidget, private PrintRunObserver {
  Q_OBJECT

 public:
  KVS240(PrintListRecords records, Dialogs& dialogs, QWidget* parent = nullptr);
  ~KVS240() override;

  bool Running() const { return run_.Running(); }
  PrintHistorySession& Session() { return session_; }

 public slots:
  // 更新(F4): reads the log and today's results again.
  void Refresh();
  // 再印刷(F5): the chosen lines, 部数 copies each.
  void Reprint();
  // 授与済(F6), 種目を授与済(F7), 授与取消(F8): the chosen lines' certificates (or their
  // events') handed over at the ceremony, or not.
  void MarkHanded(bool handed, bool whole_events);
  void Cancel();
  void CloseWindow();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Printing(int done, int total) override;
  bool CancelRequested() override;
  void BuildControls();
  void LayOutControls();
  void ConnectControls();
  bool HandleKey(QKeyEvent* event);
  void SetRunning(bool running);
  void ChangedOnlyToggled(bool on);

  Dialogs& dialogs_;
  PrintHistorySession session_;
  RunFlag run_;

  QTableView* grdHistory;
  QLabel* lblSummary;
  QCheckBox* chkChangedOnly;  // only the lines today's results change
  QLabel* lblCompletedNote;
  QSpinBox* spnCopies;
  QProgressBar* barRun;
  QLabel* lblWarning;  // what a certificate being drawn ran into
  QLabel* lblResult;   // how the last reprint ended
  QPushButton* cmdRefresh;
  QPushButton* cmdReprint;
  QPushButton* cmdHanded;
  QPushButton* cmdEventHanded;
  QPushButton* cmdNotHanded;
  QPushButton* cmdCancel;
  QPushButton* cmdClose;
};

}  // namespace kvsys
