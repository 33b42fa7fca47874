#include "certificate/kvs220.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QVBoxLayout>

#include "certificate/combo_item_list_ui.h"
#include "certificate/program_list.h"
#include "common/dialogs.h"
#include "common/profile.h"
#include "common/text_util.h"
#include "common/window_ui.h"
#include "db/database.h"
#include "db/work_table.h"
#include "db/work_table_model.h"
#include "layout/layout_store.h"
#include "print/font_substitution.h"
#include "print/output_settings.h"
#include "results/classes.h"
#include "results/results_error.h"

namespace kvsys {

namespace {

// The grid's columns, in the order the operator reads them.
const QStringList kGridColumns{
    QStringLiteral("flda"), QStringLiteral("FLDB"), QStringLiteral("FLDC"), QStringLiteral("FLDG"),
    QStringLiteral("FLDD"), QStringLiteral("FLDE"), QStringLiteral("FLDF")};
const QStringList kGridHeaders{QStringLiteral("競技No."), QStringLiteral("性別"),
                               QStringLiteral("種目"),    QStringLiteral("予決"),
                               QStringLiteral("距離"),    QStringLiteral("クラス"),
                               QStringLiteral("組数")};
constexpr int kClassColumn = 5;

const QString kPreviewNote =
    QStringLiteral("プレビュー画面は準備中です。ﾌﾟﾚﾋﾞｭｰ出力はPDFファイルへの出力になります。");

// The window's warning line, as the drawing sees it.
class LabelWarning : public WarningLabel {
 public:
  explicit LabelWarning(QLabel* label) : label_(label) {}
  void SetWarningVisible(bool visible) override { label_->setVisible(visible); }
  void SetWarningCaption(const QString& caption) override { label_->setText(caption); }

 private:
  QLabel* label_;
};

int NumberIn(const QLineEdit* edit) {
  return TrimBlanks(edit->text()).toInt();
}

}  // namespace

KVS220::KVS220(PrintListRecords records, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), r_(std::move(records)), dialogs_(dialogs) {
  setObjectName(QStringLiteral("KVS220"));
  setWindowTitle(QStringLiteral("賞状印刷処理"));
  model_ = new WorkTableModel(kGridColumns, kGridHeaders, this);
  BuildControls();
}

KVS220::~KVS220() {
  ReleaseControls(this);
}

void KVS220::BuildControls() {
  Combo1 = Named(new QComboBox(this), "Combo1");
  Combo1->setMinimumContentsLength(18);
  Check1 = Named(new QCheckBox(QStringLiteral("すべて選択"), this), "Check1");

  PROG_GRID = Named(new QTableView(this), "PROG_GRID");
  PROG_GRID->setModel(model_);
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
  model_->SetRightAligned({0, 6});

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
  PRV_CHK = Named(new QCheckBox(QStringLiteral("ﾌﾟﾚﾋﾞｭｰ出力"), this), "PRV_CHK");
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
  Label7 = Named(new QLabel(this), "Label7");
  Label7->setStyleSheet(QStringLiteral("color: red;"));
  Label7->setWordWrap(true);
  Label7->setVisible(false);
  lblRunState = Named(new QLabel(this), "lblRunState");
  lblRunState->setWordWrap(true);
  lblRunState->setVisible(false);
  lblOutput = Named(new QLabel(this), "lblOutput");
  lblOutput->setWordWrap(true);
  lblOutput->setTextInteractionFlags(Qt::TextSelectableByMouse);
  cmdResume = Named(new QPushButton(QStringLiteral("続きから印刷(F6)"), this), "cmdResume");
  cmdResume->setEnabled(false);
  SSCommand4 = Named(new QPushButton(QStringLiteral("印刷(F5)"), this), "SSCommand4");
  SSCommand2 = Named(new QPushButton(QStringLiteral("中止(F9)"), this), "SSCommand2");
  SSCommand3 = Named(new QPushButton(QStringLiteral("閉じる(F10)"), this), "SSCommand3");
  SSCommand4->setEnabled(false);
  SSCommand2->setEnabled(false);

  auto* top = new QHBoxLayout;
  top->addWidget(Named(new QLabel(QStringLiteral("開催日"), this), "Label8"));
  top->addWidget(Combo1);
  top->addSpacing(16);
  top->addWidget(Check1);
  top->addStretch();

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
  options->setRowStretch(row, 1);

  auto* middle = new QHBoxLayout;
  middle->addWidget(PROG_GRID, 3);
  middle->addLayout(options, 2);

  auto* count = new QHBoxLayout;
  count->addWidget(Named(new QLabel(QStringLiteral("印刷件数"), this), "Label10"));
  count->addWidget(Text3);
  count->addWidget(ProgressBar1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(lblOutput, 1);
  for (QPushButton* b : {cmdResume, SSCommand4, SSCommand2, SSCommand3}) {
    b->setMinimumSize(110, 36);
    buttons->addWidget(b);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(middle, 1);
  layout->addLayout(count);
  layout->addWidget(lblRunState);
  layout->addWidget(Label7);
  layout->addLayout(buttons);
  resize(900, 560);

  connect(Combo1, &QComboBox::currentIndexChanged, this, &KVS220::DayChosen);
  connect(chkKumi, &QCheckBox::toggled, cmbKumi, &QWidget::setEnabled);
  connect(chkClass, &QCheckBox::toggled, cmbClass, &QWidget::setEnabled);
  connect(cmbShoz, &QComboBox::activated, this, &KVS220::AffiliationChosen);
  connect(Combo2, &QComboBox::activated, this, &KVS220::FontChosen);
  connect(PRV_CHK, &QCheckBox::toggled, this, &KVS220::UpdatePreviewNote);
  connect(PRV_CHK, &QCheckBox::toggled, this, &KVS220::ShowDestination);
  connect(SSCommand4, &QPushButton::clicked, this, &KVS220::Print);
  connect(SSCommand2, &QPushButton::clicked, this, &KVS220::Cancel);
  connect(SSCommand3, &QPushButton::clicked, this, &KVS220::CloseWindow);
  connect(cmdResume, &QPushButton::clicked, this, &KVS220::ContinuePrint);

  // The window takes its function keys before the control that has the focus.
  InstallKeyPreview(this, [this](QKeyEvent* e) { return HandleKey(e->key()); });
  CallOnActivation(this, [this] { Activate(); });
  UpdatePreviewNote();
}

void KVS220::Open() {
  if (!r_.layout_db || !r_.results_db) return;  // no meet chosen: nothing to list
  loading_ = true;
  event_count_ = 0;
  try {
    ClearTable(*r_.layout_db, QStringLiteral("KVS40"));
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kEventListTitle, kTargetEventList);
  }
  model_->Clear();

  if (r_.meet.クラス分け) {
    PROG_GRID->setColumnHidden(kClassColumn, false);
    chkClass->setEnabled(true);
    ComboItemList list(cmbClass);
    FillClassCombo(*r_.results_db, r_.state, dialogs_, list);
    if (cmbClass->count() > 0) cmbClass->setCurrentIndex(0);
    cmbClass->setEnabled(chkClass->isChecked());
  } else {
    PROG_GRID->setColumnHidden(kClassColumn, true);
    ComboItemList list(cmbClass);
    list.Clear();
    list.SetEnabled(false);
    list.SetGrey(true);
    chkClass->setChecked(false);
    chkClass->setEnabled(false);
  }

  Combo1->clear();
  for (const DayEntry& day : MeetDayEntries(r_.meet.始期間, r_.meet.終期間)) {
    Combo1->addItem(day.text, day.data);
  }

  Combo2->clear();
  Combo2->addItems(r_.fonts);

  cmbKumi->clear();
  for (int n = 1; n <= 99; ++n) cmbKumi->addItem(QStringLiteral("%1").arg(n, 2), n);
  chkKumi->setChecked(false);
  cmbKumi->setEnabled(false);

  cmbShoz->clear();
  const QString names[] = {QStringLiteral("所属名１"), QStringLiteral("所属名２"),
                           QStringLiteral("所属名３"), QStringLiteral("設定値")};
  for (int n = 1; n <= 4; ++n) cmbShoz->addItem(names[n - 1], n);
  cmbShoz->setCurrentIndex(cmbShoz->findData(static_cast<int>(r_.prn.PrnShozNo)));
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
  }
  ShowDestination();
  // The operator starts on the list with the first event chosen.
  PROG_GRID->setFocus(Qt::OtherFocusReason);
}

void KVS220::Activate() {
  if (running_) return;
  // The settings file or the printer may have changed while the window was in the back.
  ShowDestination();
  if (!r_.layout_db) return;
  try {
    LayoutStore store(*r_.layout_db, dialogs_, r_.state);
    const DecisionRow row = store.KeepOneDecisionRow(r_.fonts.value(0));
    loading_ = true;
    // A stored face that is not installed ("ＭＳ　明朝") is offered as it stands.
    const QStringList fonts = FontChoices(r_.fonts, row.font);
    QStringList listed;
    for (int i = 0; i < Combo2->count(); ++i) listed << Combo2->itemText(i);
    if (listed != fonts) {
      Combo2->clear();
      Combo2->addItems(fonts);
    }
    Combo2->setCurrentIndex(Combo2->findText(row.font));
    loading_ = false;
    const std::optional<QString> name = store.LayoutName(row.decided);
    lblCurR->setText(QStringLiteral("  ") + name.value_or(QString()) + QStringLiteral("  "));
  } catch (const DbError& e) {
    loading_ = false;
    ReportDbError(dialogs_, r_.state, e, kPrintTitle, kTargetLayoutDb);
  }
}

void KVS220::DayChosen(int index) {
  if (loading_ || running_ || index < 0) return;
  const DayEntry entry{Combo1->itemText(index), Combo1->itemData(index).toInt()};
  const QString filter = DayFilter(entry, r_.meet.始期間, r_.meet.終期間);
  event_count_ = SUB_ProgGridSet(*r_.results_db, *r_.layout_db, r_.meet.クラス分け, r_.state,
                                 dialogs_, filter);
  // After a failed rebuild the grid shows nothing rather than a list it cannot print.
  model_->Clear();
  if (event_count_ > 0) {
    try {
      model_->Refresh(*r_.layout_db, QStringLiteral("KVS40"));
    } catch (const DbError& e) {
      ReportDbError(dialogs_, r_.state, e, kEventListTitle, kTargetEventList);
      event_count_ = 0;
    }
  }
  if (model_->rowCount() > 0) {
    PROG_GRID->setCurrentIndex(model_->index(0, 0));
    PROG_GRID->selectRow(0);
  }
  SSCommand4->setEnabled(event_count_ >= 1);
}

void KVS220::AffiliationChosen(int index) {
  if (loading_ || index < 0) return;
  r_.prn.PrnShozNo = static_cast<int16_t>(cmbShoz->itemData(index).toInt());
  SetProfileEx(dialogs_, r_.ini_path, kPrnSection, QStringLiteral("PrnShozNo"),
               QString::number(r_.prn.PrnShozNo));
}

void KVS220::FontChosen(int index) {
  if (loading_ || index < 0 || !r_.layout_db) return;
  try {
    LayoutStore(*r_.layout_db, dialogs_, r_.state).SetDecisionFont(Combo2->itemText(index));
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPrintTitle, kTargetLayoutDb);
  }
}

void KVS220::SetPreviewOpener(std::function<void()> opener) {
  preview_opener_ = std::move(opener);
  UpdatePreviewNote();
}

void KVS220::UpdatePreviewNote() {
  lblPreviewNote->setVisible(!preview_opener_ && PRV_CHK->isChecked());
}

void KVS220::ShowDestination() {
  if (running_) return;
  const bool preview = PRV_CHK->isChecked();
  const OutputSettings settings = LoadOutputSettings(dialogs_, r_.ini_path, r_.program_folder);
  // A run with the preview prints nothing until the preview is told to.
  if (preview && preview_opener_) {
    lblOutput->setText(
        QStringLiteral("出力先：プレビュー画面") +
        (last_pdf_.isEmpty() ? QString() : QStringLiteral("\n前回のPDF出力：") + last_pdf_));
    lblOutput->setStyleSheet(QString());
    return;
  }
  const OutputDestination dest = CheckOutputDestination(settings, preview);
  QString text = QStringLiteral("出力先：") + dest.text;
  if (!dest.problem.isEmpty()) text += QStringLiteral("\n") + dest.problem;
  if (!last_pdf_.isEmpty()) text += QStringLiteral("\n前回のPDF出力：") + last_pdf_;
  lblOutput->setText(text);
  lblOutput->setStyleSheet(dest.problem.isEmpty() ? QString() : QStringLiteral("color: red;"));
}

bool KVS220::PrinterOrPdfChosen(bool* to_pdf) {
  const OutputSettings settings = LoadOutputSettings(dialogs_, r_.ini_path, r_.program_folder);
  const OutputDestination dest = CheckOutputDestination(settings);
  ShowDestination();
  if (dest.problem.isEmpty()) return true;
  // Said once, before anything is drawn; PDF files only when the operator wants them.
  const Answer answer =
      dialogs_.MsgBox(dest.problem + QStringLiteral("\r\rPDFファイルに出力しますか？\r（") +
                          QDir::toNativeSeparators(settings.pdf_folder) + QStringLiteral("）"),
                      MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2);
  if (answer != Answer::Yes) return false;
  *to_pdf = true;
  return true;
}

std::vector<ProgramEvent> KVS220::SelectedEvents() const {
  std::vector<ProgramEvent> events;
  // In the order the rows were chosen.
  for (const QModelIndex& index : PROG_GRID->selectionModel()->selectedRows()) {
    const int row = index.row();
    ProgramEvent e;
    e.number = model_->Value(row, QStringLiteral("flda")).toInt();
    e.sex = model_->Value(row, QStringLiteral("FLDB")).toString();
    e.stroke = model_->Value(row, QStringLiteral("FLDC")).toString();
    e.distance = model_->Value(row, QStringLiteral("FLDD")).toString();
    e.class_name = model_->Value(row, QStringLiteral("FLDE")).toString();
    e.heats = model_->Value(row, QStringLiteral("FLDF")).toString();
    e.stage = model_->Value(row, QStringLiteral("FLDG")).toString();
    events.push_back(e);
  }
  return events;
}

PrintRequest KVS220::MakeRequest() const {
  PrintRequest request;
  request.events = SelectedEvents();
  request.rank_only = NumberIn(Text1);
  request.skip_up_to = NumberIn(Text2);
  if (chkKumi->isChecked()) request.heat = TrimBlanks(cmbKumi->currentText()).toInt();
  request.class_wise = chkClass->isChecked() && chkClass->isEnabled();
  if (request.class_wise) request.class_no = cmbClass->currentData().toInt();
  request.exclude_open = r_.prn.Open;
  request.PrnShozNo = r_.prn.PrnShozNo;
  request.preview = PRV_CHK->isChecked();
  return request;
}

void KVS220::SetRunning(bool running) {
  running_ = running;
  SSCommand4->setEnabled(!running && event_count_ >= 1);
  cmdResume->setEnabled(!running && resume_.CanContinue());
  SSCommand2->setEnabled(running);
  // What the run was asked for stays as it was until it ends.
  for (QWidget* w : std::initializer_list<QWidget*>{Combo1, PROG_GRID, Check1, Text1, Text2,
                                                    chkKumi, cmbShoz, Combo2, PRV_CHK}) {
    w->setEnabled(!running);
  }
  cmbKumi->setEnabled(!running && chkKumi->isChecked());
  chkClass->setEnabled(!running && r_.meet.クラス分け);
  cmbClass->setEnabled(!running && r_.meet.クラス分け && chkClass->isChecked());
}

void KVS220::Print() {
  if (running_ || !SSCommand4->isEnabled() || !r_.layout_db || !r_.results_db) return;
  if (Check1->isChecked()) PROG_GRID->selectAll();
  const PrintRequest request = MakeRequest();
  // A run for the preview window prints nothing now; without that window it writes PDF files.
  bool to_pdf = request.preview && !preview_opener_;
  if (!request.preview && !PrinterOrPdfChosen(&to_pdf)) return;
  Text3->setText(QStringLiteral("0"));
  ProgressBar1->setRange(0, 0);  // busy until the number of certificates is known
  cancel_ = false;
  PrintTable(&request, 1, to_pdf);
}

void KVS220::ContinuePrint() {
  if (running_ || !resume_.CanContinue() || !r_.layout_db || !r_.results_db) return;
  // Going on after a stop writes where the stopped run wrote.
  bool to_pdf = resume_to_pdf_;
  if (!to_pdf && !PrinterOrPdfChosen(&to_pdf)) return;
  cancel_ = false;
  PrintTable(nullptr, resume_.Next(), to_pdf);
}

RunOutcome KVS220::PrintTable(const PrintRequest* request, int first, bool to_pdf) {
  // The databases stay open for the run even if the application lets go of them meanwhile.
  const std::shared_ptr<Database> layout_db = r_.layout_db;
  const std::shared_ptr<Database> results_db = r_.results_db;
  resume_.Forget();
  lblRunState->setVisible(false);
  SetRunning(true);

  if (request) resume_pdf_for_preview_ = request->preview && !preview_opener_;
  resume_to_pdf_ = to_pdf;
  const OutputSettings settings = LoadOutputSettings(dialogs_, r_.ini_path, r_.program_folder);
  const std::unique_ptr<DocumentOutput> output = MakeOutput(settings, to_pdf);
  VSP220.SetOutput(output.get());
  LabelWarning warning(Label7);
  PrintRunContext context{*layout_db,           *results_db, r_.state,      dialogs_, r_.prn,
                          r_.meet.選手使用所属, r_.layout,   r_.recipients, *this};
  resume_.Begin(first);
  const RunOutcome outcome = request ? RunPrint(*request, context, VSP220, warning, preview_opener_)
                                     : PrintRecipients(context, VSP220, warning, first);
  VSP220.SetOutput(nullptr);
  // A stopped run keeps what it output: the operator is told how far it came.
  if (QString error; (outcome == RunOutcome::kPrinted || outcome == RunOutcome::kCancelled) &&
                     !output->Finish(&error)) {
    dialogs_.MsgBox(error, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
  }
  if (const QString written = PdfWrittenTo(*output); !written.isEmpty()) last_pdf_ = written;
  resume_.End(outcome == RunOutcome::kPrinted);

  if (resume_pdf_for_preview_ && outcome == RunOutcome::kPrinted) {
    lblPreviewNote->setText(kPreviewNote + QStringLiteral("\n出力先：") + settings.pdf_folder);
  }
  // A run stopped while printing keeps its bar: it shows how far it came.
  if (outcome != RunOutcome::kPrinted && !resume_.CanContinue()) ProgressBar1->setRange(0, 1);
  cancel_ = false;
  SetRunning(false);
  ShowRunState();
  ShowDestination();
  if (close_after_run_) {
    close_after_run_ = false;
    CloseWindow();
  }
  return outcome;
}

void KVS220::ShowRunState() {
  const QString text = DescribePrintStop(resume_, r_.recipients);
  lblRunState->setText(text);
  lblRunState->setVisible(!text.isEmpty());
  cmdResume->setEnabled(!running_ && resume_.CanContinue());
}

void KVS220::Cancel() {
  if (running_) cancel_ = true;
}

void KVS220::CloseWindow() {
  CloseForm(this);
}

void KVS220::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run is inside this window's loop: it is cancelled, and the window closes after it.
    cancel_ = true;
    close_after_run_ = true;
    event->ignore();
    return;
  }
  if (r_.layout_db) {
    try {
      ClearTable(*r_.layout_db, QStringLiteral("KVS30"));
    } catch (const DbError&) {
      // A work table left filled is emptied by the next close; it must not keep the window.
    }
  }
  event->accept();
}

bool KVS220::HandleKey(int key) {
  switch (key) {
    case Qt::Key_F5:
      Print();
      return true;
    case Qt::Key_F9:
      Cancel();
      return true;
    case Qt::Key_F6:
      ContinuePrint();
      return true;
    case Qt::Key_F10:
    case Qt::Key_Escape:
      CloseWindow();
      return true;
    default:
      return false;
  }
}

void KVS220::Collected(int count) {
  Text3->setText(QString::number(count));
}

void KVS220::Printing(int done, int total) {
  resume_.Drawing(done, total);
  if (ProgressBar1->maximum() != total) ProgressBar1->setRange(0, total);
  ProgressBar1->setValue(done);
}

bool KVS220::CancelRequested() {
  QCoreApplication::processEvents();
  return cancel_;
}

}  // namespace kvsys
