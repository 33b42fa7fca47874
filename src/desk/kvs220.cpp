#include "desk/kvs220.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QListWidgetItem>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "certificate/choice_combo_ui.h"
#include "certificate/run_labels_ui.h"
#include "common/wait_cursor.h"
#include "common/window_ui.h"
#include "db/work_table_model.h"

namespace kvsys {

namespace {

constexpr int kClassColumn = 5;  // クラス in the grid

// Without a preview window (a print list standing alone) a preview run still leaves the
// certificates to look at.
const QString kPreviewNote =
    QStringLiteral("プレビュー画面を開けないため、ﾌﾟﾚﾋﾞｭｰ出力はPDFファイルへの出力になります。");

}  // namespace

KVS220::KVS220(PrintListRecords records, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), session_(std::move(records), dialogs, this) {
  setObjectName(QStringLiteral("KVS220"));
  setWindowTitle(QStringLiteral("賞状印刷処理"));
  BuildControls();
  LayOutControls();
  ConnectControls();
  UpdatePreviewNote();
}

KVS220::~KVS220() {
  ReleaseControls(this);
}

void KVS220::BuildControls() {
  BuildEventControls();
  BuildChoiceControls();
  BuildRunControls();
  // A watcher is blind on network shares: the file is looked at every few seconds as well.
  meet_watch_ = new MeetFileWatch(3000, this);
}

void KVS220::BuildEventControls() {
  Combo1 = Named(new QComboBox(this), "Combo1");
  Combo1->setMinimumContentsLength(18);
  Check1 = Named(new QCheckBox(QStringLiteral("すべて選択"), this), "Check1");
  cmdUnprinted = Named(new QPushButton(QStringLiteral("未印刷を選択"), this), "cmdUnprinted");
  cmdSinceSheet =
      Named(new QPushButton(QStringLiteral("前回の表彰以降を選択"), this), "cmdSinceSheet");
  cmdSinceSheet->setToolTip(QStringLiteral("前回の表彰進行表のあとに賞状を印刷した種目を選びます"));
  chkAuto = Named(new QCheckBox(QStringLiteral("自動印刷"), this), "chkAuto");
  lblAuto = Named(new QLabel(QStringLiteral(" 自動印刷中：結果がそろった種目を印刷します "), this),
                  "lblAuto");
  lblAuto->setStyleSheet(
      QStringLiteral("QLabel { background: #c62828; color: white; font-weight: bold; }"));
  lblAuto->setVisible(false);
  lblFresh = Named(new QLabel(this), "lblFresh");
  lstAuto = Named(new QListWidget(this), "lstAuto");
  // A dozen lines: a morning's events stay in sight without scrolling.
  lstAuto->setMaximumHeight(lstAuto->fontMetrics().lineSpacing() * 12 + 2 * lstAuto->frameWidth());
  lstAuto->setVisible(false);

  PROG_GRID = Named(new QTableView(this), "PROG_GRID");
  PROG_GRID->setModel(session_.Model());
  PROG_GRID->setSelectionBehavior(QAbstractItemView::SelectRows);
  PROG_GRID->setSelectionMode(QAbstractItemView::ExtendedSelection);
  PROG_GRID->setEditTriggers(QAbstractItemView::NoEditTriggers);
  PROG_GRID->verticalHeader()->setDefaultSectionSize(22);
  // 組数 stays beside its numbers on a wide screen.
  PROG_GRID->horizontalHeader()->setStretchLastSection(false);
  // Every column readable without scrolling: the words are short, the list is long.
  PROG_GRID->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  PROG_GRID->setMinimumWidth(520);
  // Tab leaves the grid without touching the chosen events; the arrows move within it.
  PROG_GRID->setTabKeyNavigation(false);
  // The row number would only repeat 競技No.
  PROG_GRID->verticalHeader()->setVisible(false);
}

void KVS220::BuildChoiceControls() {
  // Ranks are typed as digits only; an empty box means "not used".
  auto* digits =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), this);
  Text1 = Named(new QLineEdit(this), "Text1");
  Text1->setValidator(digits);
  Text1->setMaximumWidth(60);
  Text2 = Named(new QLineEdit(this), "Text2");
  Text2->setValidator(digits);
  Text2->setMaximumWidth(60);

  chkKumi = Named(new QCheckBox(QStringLiteral("組指定"), this), "chkKumi");
  cmbKumi = Named(new QComboBox(this), "cmbKumi");
  Label5 = Named(new QLabel(QStringLiteral("組内順位になります。"), this), "Label5");
  chkClass = Named(new QCheckBox(QStringLiteral("クラス別"), this), "chkClass");
  cmbClass = Named(new QComboBox(this), "cmbClass");
  cmbClass->setMinimumContentsLength(14);
  cmbShoz = Named(new QComboBox(this), "cmbShoz");
  Combo2 = Named(new QComboBox(this), "Combo2");
  Combo2->setMinimumContentsLength(16);
  lblCurR = Named(new QLabel(this), "lblCurR");
  lblCurR->setFrameShape(QFrame::Panel);
  lblCurR->setFrameShadow(QFrame::Sunken);
}

void KVS220::BuildRunControls() {
  PRV_CHK = Named(new QCheckBox(QStringLiteral("ﾌﾟﾚﾋﾞｭｰ出力"), this), "PRV_CHK");
  chkCalling = Named(new QCheckBox(QStringLiteral("表彰順に印刷"), this), "chkCalling");
  chkCalling->setToolTip(
      QStringLiteral("種目ごとに表彰の呼び出し順（KVSYS.ini の [Ceremony] CallFrom："
                     "Last = 下位から〔既定〕、First = 上位から）で印刷します"));
  chkClubs = Named(new QCheckBox(QStringLiteral("所属別にPDF"), this), "chkClubs");
  lblPreviewNote = Named(new QLabel(kPreviewNote, this), "lblPreviewNote");
  lblPreviewNote->setWordWrap(true);
  Text3 = Named(new QLineEdit(QStringLiteral("0"), this), "Text3");
  Text3->setReadOnly(true);
  Text3->setAlignment(Qt::AlignRight);
  Text3->setMaximumWidth(80);
  ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
  ProgressBar1->setRange(0, 1);
  ProgressBar1->setValue(0);
  ProgressBar1->setFormat(QStringLiteral("%v / %m"));
  ProgressBar1->setTextVisible(false);  // a count only once a run has one
  Label7 = Named(new QLabel(this), "Label7");
  Label7->setStyleSheet(QStringLiteral("color: red;"));
  Label7->setWordWrap(true);
  Label7->setVisible(false);
  lblResult = Named(new QLabel(this), "lblResult");
  lblResult->setWordWrap(true);
  lblResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblResult->setVisible(false);
  lblRunState = Named(new QLabel(this), "lblRunState");
  lblRunState->setWordWrap(true);
  lblRunState->setVisible(false);
  lblOutput = Named(new QLabel(this), "lblOutput");
  lblOutput->setWordWrap(true);
  lblOutput->setTextInteractionFlags(Qt::TextSelectableByMouse);
  cmdResume = Named(new QPushButton(QStringLiteral("続きから印刷(F6)"), this), "cmdResume");
  cmdResume->setEnabled(false);
  cmdCeremony = Named(new QPushButton(QStringLiteral("表彰進行表(F7)"), this), "cmdCeremony");
  cmdCeremony->setEnabled(false);
  SSCommand4 = Named(new QPushButton(QStringLiteral("印刷(F5)"), this), "SSCommand4");
  SSCommand2 = Named(new QPushButton(QStringLiteral("中止(F9)"), this), "SSCommand2");
  SSCommand3 = Named(new QPushButton(QStringLiteral("閉じる(F10)"), this), "SSCommand3");
  SSCommand4->setEnabled(false);
  SSCommand2->setEnabled(false);
}

// The choices beside the event list: ranks, heats, classes, affiliation, font and layout.
QGridLayout* KVS220::LayOutChoices() {
  auto* options = new QGridLayout;
  int row = 0;
  options->addWidget(Named(new QLabel(QStringLiteral("順位指定"), this), "Label1"), row, 0);
  options->addWidget(Text1, row, 1);
  ++row;
  options->addWidget(Named(new QLabel(QStringLiteral("除外順位"), this), "Label2"), row, 0);
  auto* skip = new QHBoxLayout;
  skip->addWidget(Text2);
  skip->addWidget(Named(new QLabel(QStringLiteral("位まで"), this), "Label3"));
  skip->addStretch();
  options->addLayout(skip, row, 1);
  ++row;
  options->addWidget(chkKumi, row, 0);
  auto* heat = new QHBoxLayout;
  heat->addWidget(cmbKumi);
  heat->addWidget(Label5);
  heat->addStretch();
  options->addLayout(heat, row, 1);
  ++row;
  options->addWidget(chkClass, row, 0);
  options->addWidget(cmbClass, row, 1);
  ++row;
  options->addWidget(Named(new QLabel(QStringLiteral("賞状使用所属名指定"), this), "Label4"), row,
                     0);
  options->addWidget(cmbShoz, row, 1);
  ++row;
  options->addWidget(Named(new QLabel(QStringLiteral("フォント"), this), "Label9"), row, 0);
  options->addWidget(Combo2, row, 1);
  ++row;
  options->addWidget(Named(new QLabel(QStringLiteral("選択レイアウト名"), this), "Label6"), row, 0);
  options->addWidget(lblCurR, row, 1);
  ++row;
  options->addWidget(PRV_CHK, row, 0);
  options->addWidget(lblPreviewNote, row, 1);
  ++row;
  options->addWidget(chkCalling, row, 0, 1, 2);
  ++row;
  options->addWidget(chkClubs, row, 0);
  ++row;
  options->setRowStretch(row, 1);
  return options;
}

void KVS220::LayOutControls() {
  auto* top = new QHBoxLayout;
  top->addWidget(Named(new QLabel(QStringLiteral("開催日"), this), "Label8"));
  top->addWidget(Combo1);
  top->addSpacing(16);
  top->addWidget(Check1);
  top->addWidget(cmdUnprinted);
  top->addWidget(cmdSinceSheet);
  top->addSpacing(16);
  top->addWidget(chkAuto);
  top->addWidget(lblAuto);
  top->addStretch();
  top->addWidget(lblFresh);

  QGridLayout* options = LayOutChoices();

  // The choices keep the width they need; the grid takes the rest, so that the status column
  // reads whole on a screen 1280 pixels wide.
  auto* middle = new QHBoxLayout;
  middle->addWidget(PROG_GRID, 1);
  middle->addLayout(options, 0);

  auto* count = new QHBoxLayout;
  count->addWidget(Named(new QLabel(QStringLiteral("印刷件数"), this), "Label10"));
  count->addWidget(Text3);
  count->addWidget(ProgressBar1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(lblOutput, 1);
  for (QPushButton* b : {cmdResume, cmdCeremony, SSCommand4, SSCommand2, SSCommand3}) {
    b->setMinimumSize(110, 36);
    buttons->addWidget(b);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(middle, 1);
  layout->addWidget(lstAuto);
  layout->addLayout(count);
  layout->addWidget(lblResult);
  layout->addWidget(lblRunState);
  layout->addWidget(Label7);
  layout->addLayout(buttons);
  resize(900, 560);
}

void KVS220::ConnectControls() {
  connect(Combo1, &QComboBox::currentIndexChanged, this, &KVS220::DayChosen);
  connect(chkKumi, &QCheckBox::toggled, cmbKumi, &QWidget::setEnabled);
  connect(chkClass, &QCheckBox::toggled, cmbClass, &QWidget::setEnabled);
  connect(cmbShoz, &QComboBox::activated, this, &KVS220::AffiliationChosen);
  connect(Combo2, &QComboBox::activated, this, &KVS220::FontChosen);
  connect(PRV_CHK, &QCheckBox::toggled, this, &KVS220::UpdatePreviewNote);
  connect(PRV_CHK, &QCheckBox::toggled, this, &KVS220::ShowDestination);
  connect(chkClubs, &QCheckBox::toggled, this, [this](bool on) {
    session_.SetByAffiliation(on);
    ShowDestination();
  });
  connect(cmdUnprinted, &QPushButton::clicked, this, &KVS220::SelectUnprinted);
  connect(cmdSinceSheet, &QPushButton::clicked, this, &KVS220::SelectSinceLastSheet);
  connect(chkAuto, &QCheckBox::toggled, this, &KVS220::AutoPrintToggled);
  connect(meet_watch_, &MeetFileWatch::Due, this, &KVS220::FollowMeet);
  connect(SSCommand4, &QPushButton::clicked, this, &KVS220::Print);
  connect(SSCommand2, &QPushButton::clicked, this, &KVS220::Cancel);
  connect(SSCommand3, &QPushButton::clicked, this, &KVS220::CloseWindow);
  connect(cmdResume, &QPushButton::clicked, this, &KVS220::ContinuePrint);
  connect(cmdCeremony, &QPushButton::clicked, this, &KVS220::PrintCeremonySheet);

  // The window takes its function keys before the control that has the focus.
  InstallKeyPreview(this, &KVS220::HandleKey);
  CallOnActivation(this, [this] { Activate(); });
}

void KVS220::Open() {
  if (!session_.HasMeet()) return;  // no meet chosen: nothing to list
  loading_ = true;
  session_.Clear();

  const ClassChoices classes = session_.Classes();
  PROG_GRID->setColumnHidden(kClassColumn, !classes.applies);
  if (!classes.applies) chkClass->setChecked(false);
  chkClass->setEnabled(classes.applies);
  ShowClassChoices(cmbClass, classes, chkClass->isChecked());

  Combo1->clear();
  for (const DayEntry& day : session_.Days()) Combo1->addItem(day.text, day.data);

  Combo2->clear();
  Combo2->addItems(session_.Fonts());
  FillChoices(cmbKumi, PrintListSession::Heats());
  chkKumi->setChecked(false);
  cmbKumi->setEnabled(false);

  FillChoices(cmbShoz, PrintListSession::Affiliations());
  cmbShoz->setCurrentIndex(cmbShoz->findData(session_.Affiliation()));
  loading_ = false;

  // Choosing the first day builds the list.
  if (Combo1->count() > 0) {
    if (Combo1->currentIndex() == 0) {
      DayChosen(0);
    } else {
      Combo1->setCurrentIndex(0);
    }
  } else {
    SSCommand4->setEnabled(false);
    cmdCeremony->setEnabled(false);
  }
  ShowDestination();
  // Off each time the list opens: nothing is printed by surprise.
  chkAuto->setChecked(false);
  meet_watch_->Watch(session_.MeetPath());
  // The operator starts on the list with the first event chosen.
  PROG_GRID->setFocus(Qt::OtherFocusReason);
}

void KVS220::Activate() {
  if (run_.Running()) return;
  // The settings file or the printer may have changed while the window was in the back.
  ShowDestination();
  const std::optional<DecisionShown> shown = session_.Activate();
  if (!shown) return;
  loading_ = true;
  QStringList listed;
  for (int i = 0; i < Combo2->count(); ++i) listed << Combo2->itemText(i);
  if (listed != shown->fonts) {
    Combo2->clear();
    Combo2->addItems(shown->fonts);
  }
  Combo2->setCurrentIndex(Combo2->findText(shown->font));
  loading_ = false;
  // A layout of another meet is marked where the operator reads its name.
  lblCurR->setText(
      QStringLiteral("  ") + shown->layout_name +
      (shown->layout_mark.isEmpty() ? QString() : QStringLiteral("　※") + shown->layout_mark) +
      QStringLiteral("  "));
  lblCurR->setStyleSheet(shown->layout_mark.isEmpty() ? QString()
                                                      : QStringLiteral("color: #a00000;"));
  lblCurR->setToolTip(QString(shown->notice).replace(u'\r', u'\n'));
}

void KVS220::DayChosen(int index) {
  if (loading_ || run_.Running() || index < 0) return;
  const int count = session_.ChooseDay({Combo1->itemText(index), Combo1->itemData(index).toInt()});
  if (session_.Model()->rowCount() > 0) {
    PROG_GRID->setCurrentIndex(session_.Model()->index(0, 0));
    PROG_GRID->selectRow(0);
  }
  SSCommand4->setEnabled(count >= 1);
  cmdCeremony->setEnabled(count >= 1);
  RefreshStatus();
}

void KVS220::RefreshStatus() {
  WaitCursor wait;
  session_.RefreshStatus(Choices());
}

void KVS220::AddAutoLine(const QString& line, bool notice) {
  lstAuto->setVisible(true);
  auto* item = new QListWidgetItem(line, lstAuto);
  if (notice) {
    // A result changed after printing: the operator must act on it.
    item->setForeground(QColor(160, 0, 0));
    item->setBackground(QColor(255, 236, 200));
  }
  lstAuto->scrollToBottom();
}

void KVS220::FollowMeet() {
  if (loading_ || run_.Running() || !session_.HasMeet()) return;
  const bool auto_print = chkAuto->isChecked();
  run_.Begin();
  if (auto_print) SetRunning(true);
  LabelWarning warning(Label7);
  const FollowLook look = session_.Follow(Choices(), auto_print, warning, *this);
  const bool close = run_.End();
  if (auto_print) SetRunning(false);
  for (const QString& line : look.printed) AddAutoLine(line);
  for (const QString& line : look.changes) AddAutoLine(line, true);
  // A file being written is read once it held still.
  if (look.settling) meet_watch_->LookSoon();
  const int fresh = session_.FreshCount();
  QString text = fresh > 0 ? QStringLiteral("新着 %1 種目").arg(fresh) : QString();
  const std::map<int, qint64> holding = auto_print ? session_.Holding() : std::map<int, qint64>{};
  if (!holding.empty()) {
    // The first to be printed, and when.
    qint64 soonest = holding.begin()->second;
    for (const auto& [event, left] : holding) soonest = std::min(soonest, left);
    const qint64 seconds = (soonest + 999) / 1000;
    text += QStringLiteral("%1保留 %2 種目（次はあと %3 分 %4 秒）")
                .arg(text.isEmpty() ? QString() : QStringLiteral("　"))
                .arg(holding.size())
                .arg(seconds / 60)
                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
  }
  lblFresh->setText(text);
  if (close) CloseWindow();
}

void KVS220::AutoPrintToggled(bool on) {
  lblAuto->setVisible(on);
  if (!on || loading_) return;
  const std::optional<std::vector<int>> complete = session_.StartAutoPrint(Choices());
  if (!complete) {
    chkAuto->setChecked(false);
    return;
  }
  QStringList numbers;
  for (const int event : *complete) numbers << QString::number(event);
  AddAutoLine(QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) +
              QStringLiteral("自動印刷を始めました。") +
              (numbers.isEmpty()
                   ? QString()
                   : QStringLiteral("結果がそろっている種目（自動では印刷しません）：") +
                         numbers.join(QStringLiteral(", "))));
}

void KVS220::SelectUnprinted() {
  if (run_.Running()) return;
  // The log may have grown at another desk since the list was read.
  RefreshStatus();
  SelectRows(session_.UnprintedRows());
}

void KVS220::SelectSinceLastSheet() {
  if (run_.Running()) return;
  SelectRows(session_.SinceLastSheetRows());
}

void KVS220::SelectRows(const std::vector<int>& rows) {
  Check1->setChecked(false);
  PROG_GRID->clearSelection();
  for (const int row : rows) {
    PROG_GRID->selectionModel()->select(session_.Model()->index(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  if (!rows.empty()) {
    PROG_GRID->selectionModel()->setCurrentIndex(session_.Model()->index(rows.front(), 0),
                                                 QItemSelectionModel::NoUpdate);
  }
  PROG_GRID->setFocus(Qt::OtherFocusReason);
}

void KVS220::AffiliationChosen(int index) {
  if (loading_ || index < 0) return;
  session_.ChooseAffiliation(cmbShoz->itemData(index).toInt());
}

void KVS220::FontChosen(int index) {
  if (loading_ || index < 0) return;
  session_.ChooseFont(Combo2->itemText(index));
}

void KVS220::SetPreviewOpener(std::function<void()> opener) {
  session_.SetPreviewOpener(std::move(opener));
  UpdatePreviewNote();
}

void KVS220::UpdatePreviewNote() {
  lblPreviewNote->setVisible(!session_.HasPreviewWindow() && PRV_CHK->isChecked());
}

void KVS220::ShowDestination() {
  if (run_.Running()) return;
  const PrintListSession::DestinationText dest = session_.Destination(PRV_CHK->isChecked());
  ShowDestinationLine(lblOutput, dest.text, dest.problem);
}

PrintListChoices KVS220::Choices() const {
  PrintListChoices c;
  // In the order the rows were chosen.
  for (const QModelIndex& index : PROG_GRID->selectionModel()->selectedRows()) {
    c.rows.push_back(index.row());
  }
  c.rank_only = Text1->text();
  c.skip_up_to = Text2->text();
  if (chkKumi->isChecked()) c.heat = cmbKumi->currentData().toInt();
  c.class_wise = chkClass->isChecked() && chkClass->isEnabled();
  c.class_no = cmbClass->currentData().toInt();
  c.preview = PRV_CHK->isChecked();
  c.calling_order = chkCalling->isChecked();
  return c;
}

void KVS220::SetRunning(bool running) {
  SSCommand4->setEnabled(!running && session_.EventCount() >= 1);
  cmdCeremony->setEnabled(!running && session_.EventCount() >= 1);
  cmdResume->setEnabled(!running && session_.Resume().CanContinue());
  SSCommand2->setEnabled(running);
  // What the run was asked for stays as it was until it ends.
  for (QWidget* w : std::initializer_list<QWidget*>{
           Combo1, PROG_GRID, Check1, cmdUnprinted, cmdSinceSheet, chkAuto, Text1, Text2, chkKumi,
           cmbShoz, Combo2, PRV_CHK, chkCalling, chkClubs}) {
    w->setEnabled(!running);
  }
  const bool classes = session_.Meet().クラス分け;
  cmbKumi->setEnabled(!running && chkKumi->isChecked());
  chkClass->setEnabled(!running && classes);
  cmbClass->setEnabled(!running && classes && chkClass->isChecked());
}

void KVS220::Print() {
  if (run_.Running() || !SSCommand4->isEnabled() || !session_.HasMeet()) return;
  if (Check1->isChecked()) PROG_GRID->selectAll();
  const PrintRequest request = session_.MakeRequest(Choices());
  RunJob([&](WarningLabel& label) {
    Text3->setText(QStringLiteral("0"));
    ProgressBar1->setRange(0, 0);  // busy until the number of certificates is known
    const PrintJobResult result = session_.Print(request, label, *this);
    if (request.preview && !session_.HasPreviewWindow() && result.outcome == RunOutcome::kPrinted) {
      lblPreviewNote->setText(kPreviewNote + QStringLiteral("\n出力先：") +
                              QDir::toNativeSeparators(result.written.where));
    }
    return result;
  });
}

void KVS220::ContinuePrint() {
  if (run_.Running() || !session_.Resume().CanContinue() || !session_.HasMeet()) return;
  RunJob([this](WarningLabel& label) { return session_.Continue(label, *this); });
}

void KVS220::PrintCeremonySheet() {
  if (run_.Running() || !cmdCeremony->isEnabled() || !session_.HasMeet()) return;
  if (Check1->isChecked()) PROG_GRID->selectAll();
  PrintListChoices choices = Choices();
  choices.preview = false;  // the sheet has no preview: it goes where 印刷 sends certificates
  const PrintRequest request = session_.MakeRequest(choices);
  lblResult->setVisible(false);
  run_.Begin();
  SetRunning(true);
  const PrintJobResult result = session_.PrintCeremonySheet(request, *this);
  if (result.outcome == RunOutcome::kPrinted) {
    lblResult->setText(result.written.IsPdf()
                           ? QStringLiteral("表彰進行表を出力しました：") +
                                 QDir::toNativeSeparators(result.written.where)
                           : QStringLiteral("表彰進行表をプリンタに送りました。"));
    lblResult->setVisible(true);
  }
  const bool close = run_.End();
  SetRunning(false);
  ShowDestination();
  if (close) CloseWindow();
}

void KVS220::RunJob(const std::function<PrintJobResult(WarningLabel&)>& job) {
  lblResult->setVisible(false);
  lblRunState->setVisible(false);
  ProgressBar1->setTextVisible(true);
  run_.Begin();
  SetRunning(true);
  LabelWarning warning(Label7);
  const PrintJobResult result = job(warning);
  // A run stopped while printing keeps its bar: it shows how far it came.
  if (result.outcome != RunOutcome::kPrinted && !session_.Resume().CanContinue()) {
    ProgressBar1->setRange(0, 1);
  }
  if (result.outcome == RunOutcome::kPrinted) {
    // The bar ends at what came out: certificates left out as printed already, or left to the
    // desk printing them, did not (a stop says its own in lblRunState).
    ProgressBar1->setRange(0, std::max(result.last - result.first + 1, 1));
    ProgressBar1->setValue(result.output);
    lblResult->setText(DescribeDeskRun(result));
    lblResult->setVisible(true);
  }
  const bool close = run_.End();
  SetRunning(false);
  ShowRunState();
  ShowDestination();
  if (!close) RefreshStatus();
  if (close) CloseWindow();
}

void KVS220::ShowRunState() {
  const QString text = session_.RunState();
  lblRunState->setText(text);
  lblRunState->setVisible(!text.isEmpty());
  cmdResume->setEnabled(!run_.Running() && session_.Resume().CanContinue());
}

void KVS220::Cancel() {
  run_.Cancel();
}

void KVS220::CloseWindow() {
  CloseForm(this);
}

void KVS220::closeEvent(QCloseEvent* event) {
  if (HeldForRun(event, run_)) return;
  session_.Closing();
  event->accept();
}

bool KVS220::HandleKey(QKeyEvent* event) {
  const auto close = [this] { CloseWindow(); };
  return RunKeyAction(event, {{Qt::Key_F5, [this] { Print(); }},
                              {Qt::Key_F9, [this] { Cancel(); }},
                              {Qt::Key_F6, [this] { ContinuePrint(); }},
                              {Qt::Key_F7, [this] { PrintCeremonySheet(); }},
                              {Qt::Key_F10, close},
                              {Qt::Key_Escape, close}});
}

void KVS220::Collected(int count) {
  Text3->setText(QString::number(count));
}

void KVS220::Printing(int done, int total) {
  ShowRunProgress(ProgressBar1, run_, done, total);
}

bool KVS220::CancelRequested() {
  return run_.CancelRequested();
}

}  // namespace kvsys
