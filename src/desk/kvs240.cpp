#include "desk/kvs240.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "certificate/run_labels_ui.h"
#include "common/wait_cursor.h"
#include "common/window_ui.h"

namespace kvsys {

KVS240::KVS240(PrintListRecords records, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), session_(std::move(records), dialogs, this) {
  setObjectName(QStringLiteral("KVS240"));
  setWindowTitle(kPrintHistoryTitle);
  BuildControls();
  LayOutControls();
  ConnectControls();
}

void KVS240::BuildControls() {
  grdHistory = Named(new QTableView(this), "grdHistory");
  grdHistory->setModel(session_.Model());
  grdHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdHistory->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grdHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdHistory->setTabKeyNavigation(false);
  grdHistory->verticalHeader()->setVisible(false);
  grdHistory->verticalHeader()->setDefaultSectionSize(22);
  grdHistory->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  grdHistory->horizontalHeader()->setStretchLastSection(true);

  lblSummary = Named(new QLabel(this), "lblSummary");
  lblSummary->setWordWrap(true);
  chkChangedOnly =
      Named(new QCheckBox(QStringLiteral("変化のある賞状だけ"), this), "chkChangedOnly");
  lblCompletedNote = Named(new QLabel(kCompletedNote, this), "lblCompletedNote");
  lblCompletedNote->setWordWrap(true);
  spnCopies = Named(new QSpinBox(this), "spnCopies");
  spnCopies->setRange(1, 99);
  barRun = Named(new QProgressBar(this), "barRun");
  barRun->setRange(0, 1);
  barRun->setValue(0);
  lblWarning = Named(new QLabel(this), "lblWarning");
  lblWarning->setVisible(false);
  lblResult = Named(new QLabel(this), "lblResult");
  lblResult->setWordWrap(true);
  cmdRefresh = Named(new QPushButton(QStringLiteral("更新(F4)"), this), "cmdRefresh");
  cmdReprint = Named(new QPushButton(QStringLiteral("再印刷(F5)"), this), "cmdReprint");
  cmdHanded = Named(new QPushButton(QStringLiteral("授与済(F6)"), this), "cmdHanded");
  cmdEventHanded =
      Named(new QPushButton(QStringLiteral("種目を授与済(F7)"), this), "cmdEventHanded");
  cmdNotHanded = Named(new QPushButton(QStringLiteral("授与取消(F8)"), this), "cmdNotHanded");
  cmdCancel = Named(new QPushButton(QStringLiteral("中止(F9)"), this), "cmdCancel");
  cmdClose = Named(new QPushButton(QStringLiteral("閉じる(F10)"), this), "cmdClose");
  cmdCancel->setEnabled(false);
}

void KVS240::LayOutControls() {
  auto* copies = new QHBoxLayout;
  copies->addWidget(Named(new QLabel(QStringLiteral("部数"), this), "lblCopies"));
  copies->addWidget(spnCopies);
  copies->addWidget(barRun, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(lblResult, 1);
  for (QPushButton* b :
       {cmdRefresh, cmdReprint, cmdHanded, cmdEventHanded, cmdNotHanded, cmdCancel, cmdClose}) {
    b->setMinimumSize(110, 36);
    buttons->addWidget(b);
  }
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(lblSummary, 1);
  top->addWidget(chkChangedOnly);
  layout->addLayout(top);
  layout->addWidget(grdHistory, 1);
  layout->addWidget(lblCompletedNote);
  layout->addLayout(copies);
  layout->addWidget(lblWarning);
  layout->addLayout(buttons);
  resize(980, 600);
}

void KVS240::ConnectControls() {
  connect(chkChangedOnly, &QCheckBox::toggled, this, &KVS240::ChangedOnlyToggled);
  connect(cmdRefresh, &QPushButton::clicked, this, &KVS240::Refresh);
  connect(cmdReprint, &QPushButton::clicked, this, &KVS240::Reprint);
  connect(cmdHanded, &QPushButton::clicked, this, [this] { MarkHanded(true, false); });
  connect(cmdEventHanded, &QPushButton::clicked, this, [this] { MarkHanded(true, true); });
  connect(cmdNotHanded, &QPushButton::clicked, this, [this] { MarkHanded(false, false); });
  connect(cmdCancel, &QPushButton::clicked, this, &KVS240::Cancel);
  connect(cmdClose, &QPushButton::clicked, this, &KVS240::CloseWindow);
  InstallKeyPreview(this, &KVS240::HandleKey);
}

KVS240::~KVS240() {
  ReleaseControls(this);
}

void KVS240::Refresh() {
  if (run_.Running()) return;
  WaitCursor wait;
  session_.Load();
  const int lines = static_cast<int>(session_.Entries().size());
  const int changed = session_.ChangedCount();
  lblSummary->setText(
      lines == 0 ? QStringLiteral("この大会の印刷履歴はありません。")
                 : QStringLiteral("%1 件（うち今の結果と違うもの %2 件：回収・変更・圏外・圏内）")
                       .arg(lines)
                       .arg(changed));
  if (lines > 0 && !grdHistory->currentIndex().isValid()) {
    grdHistory->setCurrentIndex(session_.Model()->index(0, 0));
  }
  grdHistory->setFocus(Qt::OtherFocusReason);
}

void KVS240::SetRunning(bool running) {
  cmdCancel->setEnabled(running);
  // The rows chosen are the run's: the grid stays as it is until the run ends.
  for (QWidget* w : std::initializer_list<QWidget*>{grdHistory, chkChangedOnly, spnCopies,
                                                    cmdRefresh, cmdReprint, cmdHanded,
                                                    cmdEventHanded, cmdNotHanded, cmdClose}) {
    w->setEnabled(!running);
  }
}

void KVS240::ChangedOnlyToggled(bool on) {
  if (run_.Running()) return;
  session_.SetChangedOnly(on);
  if (session_.Model()->rowCount() > 0) grdHistory->setCurrentIndex(session_.Model()->index(0, 0));
}

void KVS240::Reprint() {
  if (run_.Running()) return;
  std::vector<int> rows;
  for (const QModelIndex& index : grdHistory->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  if (rows.empty()) {
    dialogs_.MsgBox(QStringLiteral("再印刷する行を選択してください。"), MsgButtons::Ok,
                    MsgIcon::Information, kPrintHistoryTitle);
    return;
  }
  run_.Begin();
  SetRunning(true);
  LabelWarning warning(lblWarning);
  const PrintJobResult result = session_.Reprint(rows, spnCopies->value(), warning, *this);
  const bool close = run_.End();
  SetRunning(false);
  lblResult->setText(DescribeJobResult(result));
  if (close) {
    CloseWindow();
    return;
  }
  Refresh();
}

void KVS240::MarkHanded(bool handed, bool whole_events) {
  if (run_.Running()) return;
  std::vector<int> rows;
  for (const QModelIndex& index : grdHistory->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  if (rows.empty()) {
    dialogs_.MsgBox(QStringLiteral("授与済にする賞状の行を選択してください。"), MsgButtons::Ok,
                    MsgIcon::Information, kPrintHistoryTitle);
    return;
  }
  WaitCursor wait;
  const std::optional<int> changed = session_.MarkHanded(rows, handed, whole_events);
  if (!changed) return;
  lblResult->setText(handed ? QStringLiteral("%1枚を授与済にしました。").arg(*changed)
                            : QStringLiteral("%1枚の授与済を取り消しました。").arg(*changed));
  Refresh();
}

void KVS240::Cancel() {
  run_.Cancel();
}

void KVS240::CloseWindow() {
  CloseForm(this);
}

void KVS240::closeEvent(QCloseEvent* event) {
  if (HeldForRun(event, run_)) return;
  event->accept();
}

bool KVS240::HandleKey(QKeyEvent* event) {
  const auto close = [this] { CloseWindow(); };
  return RunKeyAction(event, {{Qt::Key_F4, [this] { Refresh(); }},
                              {Qt::Key_F5, [this] { Reprint(); }},
                              {Qt::Key_F6, [this] { MarkHanded(true, false); }},
                              {Qt::Key_F7, [this] { MarkHanded(true, true); }},
                              {Qt::Key_F8, [this] { MarkHanded(false, false); }},
                              {Qt::Key_F9, [this] { Cancel(); }},
                              {Qt::Key_F10, close},
                              {Qt::Key_Escape, close}});
}

void KVS240::Printing(int done, int total) {
  ShowRunProgress(barRun, run_, done, total);
}

bool KVS240::CancelRequested() {
  return run_.CancelRequested();
}

}  // namespace kvsys
