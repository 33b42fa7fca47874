#include "preview/kvpreview.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "certificate/run_labels_ui.h"
#include "common/dialogs.h"
#include "common/text_util.h"
#include "common/window_ui.h"
#include "preview/adjust_panel_ui.h"
#include "preview/page_view_ui.h"

namespace kvsys {

namespace {

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
  return Named(new QPushButton(caption, parent), name);
}

bool IsTextBox(const QWidget* w) {
  if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->isEditable();
  return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
         qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

QLabel* Note(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setIndent(20);
  label->setStyleSheet(QStringLiteral("color: #404080;"));
  return label;
}

}  // namespace

KVPreview::KVPreview(PreviewRecords records, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      dialogs_(dialogs),
      session_(records, dialogs),
      options_(records.prn, dialogs, records.ini_path) {
  setObjectName(QStringLiteral("KVPreview"));
  setWindowTitle(kPreviewCaption);
  BuildControls();
  LayOutControls();
  ConnectControls();
}

// Deleted without a close (the main window going away) the shared table is left as it is: the
// windows that could tell whether a run is filling it may be half gone already.
KVPreview::~KVPreview() {
  // The controls outlive the members: a box that has the focus still says editingFinished
  // while the base class deletes it, and nothing of this window may answer any more.
  ReleaseControls(this);
  Frame1->SetAdjuster(nullptr);  // the session holding it goes with the members
}

void KVPreview::BuildControls() {
  VSPRN = Named(new PageView(this), "VSPRN");

  auto* digits4 =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), this);
  auto* digits3 =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
  Text12 = Named(new QLineEdit(QStringLiteral("1"), this), "Text12");
  Text12->setValidator(digits4);
  Text12->setMaximumWidth(70);
  Text12->setAlignment(Qt::AlignRight);
  Text11 = Named(new QLineEdit(QStringLiteral("1"), this), "Text11");
  Text11->setValidator(digits3);
  Text11->setMaximumWidth(70);
  Text11->setAlignment(Qt::AlignRight);
  Text15 = Named(new QLineEdit(this), "Text15");
  Text15->setReadOnly(true);
  Text15->setFocusPolicy(Qt::NoFocus);
  Text15->setStyleSheet(QStringLiteral("color: #c00000;"));
  Text15->setVisible(false);
  Command1 = Button(QStringLiteral("|<"), "Command1", this);
  Command2 = Button(QStringLiteral("<"), "Command2", this);
  Command3 = Button(QStringLiteral(">"), "Command3", this);
  Command4 = Button(QStringLiteral(">|"), "Command4", this);
  for (QPushButton* b : {Command1, Command2, Command3, Command4}) b->setMinimumWidth(44);
  Label13 = Named(new QLabel(this), "Label13");
  lblMes = Named(new QLabel(this), "lblMes");
  lblMes->setStyleSheet(QStringLiteral("color: red;"));
  lblMes->setWordWrap(true);
  lblMes->setVisible(false);
  SSCommand1 = Button(QStringLiteral("印刷(F5)"), "SSCommand1", this);
  SSCommand1->setMinimumSize(120, 34);
  lblOutput = Named(new QLabel(this), "lblOutput");
  lblOutput->setWordWrap(true);
  lblRunState = Named(new QLabel(this), "lblRunState");
  lblRunState->setWordWrap(true);
  lblRunState->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblRunState->setVisible(false);
  SSCommand2 = Button(QStringLiteral("閉じる(F10)"), "SSCommand2", this);
  SSCommand2->setMinimumHeight(34);
  cmdPrintAll = Button(QStringLiteral("すべて印刷"), "cmdPrintAll", this);
  cmdStop = Button(QStringLiteral("中止"), "cmdStop", this);
  cmdStop->setEnabled(false);
  ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
  ProgressBar1->setRange(0, 1);
  ProgressBar1->setValue(0);
  ProgressBar1->setFormat(QStringLiteral("%v / %m"));
  ProgressBar1->reset();  // no count before a run
  cmdFit = Button(QStringLiteral("全体"), "cmdFit", this);
  cmdActual = Button(QStringLiteral("100%"), "cmdActual", this);
  lblZoom = Named(new QLabel(this), "lblZoom");
  Command6 = Button(QStringLiteral("オプション"), "Command6", this);
  Frame1 = new AdjustPanel(this);
  lblLayoutNote = Named(new QLabel(this), "lblLayoutNote");
  lblLayoutNote->setStyleSheet(QStringLiteral("color: #c06000;"));
  lblLayoutNote->setWordWrap(true);
  lblLayoutNote->setVisible(false);
  List1 = Named(new QListWidget(this), "List1");
  List1->setMaximumHeight(96);
  SSCommand13 = Button(QStringLiteral("元に戻す"), "SSCommand13", this);
  SSCommand7 = Button(QStringLiteral("変更"), "SSCommand7", this);
  SSCommand7->setToolTip(QStringLiteral("F9"));
  BuildOptionControls();
}

void KVPreview::BuildOptionControls() {
  Frame3 = Named(new QGroupBox(QStringLiteral("オプション"), this), "Frame3");
  Frame3->setVisible(false);
  for (size_t i = 0; i < OptionBoxes().size(); ++i) {
    const OptionBox& box = OptionBoxes()[i];
    option_boxes[i] = Named(new QCheckBox(box.caption, Frame3), box.control);
  }
  txtLatticeX = Named(new QLineEdit(Frame3), "txtLatticeX");
  txtLatticeY = Named(new QLineEdit(Frame3), "txtLatticeY");
  for (QLineEdit* e : {txtLatticeX, txtLatticeY}) {
    e->setMaximumWidth(60);
    e->setAlignment(Qt::AlignRight);
  }
  txtDono = Named(new QLineEdit(Frame3), "txtDono");
  txtDono->setMaximumWidth(100);
  Command5 = Named(new QPushButton(QStringLiteral("閉じる"), Frame3), "Command5");
}

void KVPreview::LayOutControls() {
  // The side column: what is needed at every certificate stays in view (page, copies, 印刷,
  // すべて印刷, zoom); below it the adjustments or the options, one at a time, scrolling when
  // the window is low; the certificate takes the rest of the width.
  auto* page_row = new QHBoxLayout;
  page_row->addWidget(Named(new QLabel(QStringLiteral("ページ"), this), "Label3"));
  page_row->addWidget(Text12);
  page_row->addWidget(Label13);
  page_row->addStretch();
  for (QPushButton* b : {Command1, Command2, Command3, Command4}) page_row->addWidget(b);
  auto* copies_row = new QHBoxLayout;
  copies_row->addWidget(Named(new QLabel(QStringLiteral("枚数指定"), this), "Label1"));
  copies_row->addWidget(Text11);
  copies_row->addWidget(Named(new QLabel(QStringLiteral("枚"), this), "Label2"));
  copies_row->addStretch();
  copies_row->addWidget(SSCommand1);
  auto* all_row = new QHBoxLayout;
  all_row->addWidget(cmdPrintAll);
  all_row->addWidget(cmdStop);
  all_row->addWidget(ProgressBar1, 1);
  auto* zoom_row = new QHBoxLayout;
  zoom_row->addWidget(cmdFit);
  zoom_row->addWidget(cmdActual);
  zoom_row->addWidget(lblZoom, 1);
  zoom_row->addWidget(Command6);

  // The buttons stay where the operator found them: the lines that come and go after a run
  // (the page hint, where it went, what came out) keep their room, under the buttons.
  for (QWidget* w : std::initializer_list<QWidget*>{Text15, lblRunState}) {
    QSizePolicy keep = w->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    w->setSizePolicy(keep);
  }
  for (QLabel* l : {lblOutput, lblRunState}) {
    l->setFixedHeight(l->fontMetrics().lineSpacing() * 3 + 4);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }
  auto* top = new QVBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->addLayout(page_row);
  top->addLayout(copies_row);
  top->addLayout(all_row);
  top->addLayout(zoom_row);
  top->addWidget(Text15);
  top->addWidget(lblOutput);
  top->addWidget(lblRunState);

  // The adjustments: the saved layouts, then the 19 rows of the panel.
  auto* adjust_page = new QWidget;
  auto* adjust = new QVBoxLayout(adjust_page);
  adjust->setContentsMargins(0, 0, 0, 0);
  auto* list_row = new QHBoxLayout;
  list_row->addWidget(List1, 1);
  auto* list_buttons = new QVBoxLayout;
  list_buttons->addWidget(Named(new QLabel(QStringLiteral("レイアウト"), this), "Label14"));
  list_buttons->addWidget(SSCommand13);
  list_buttons->addWidget(SSCommand7);
  list_buttons->addStretch();
  list_row->addLayout(list_buttons);
  adjust->addLayout(list_row);
  adjust->addWidget(Frame1);
  adjust->addStretch(1);
  auto* panel_scroll = Named(new QScrollArea(this), "AdjustPanel");
  panel_scroll->setWidget(adjust_page);
  panel_scroll->setWidgetResizable(true);
  panel_scroll->setFrameShape(QFrame::NoFrame);
  panel_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  LayOutOptions();
  auto* options_scroll = Named(new QScrollArea(this), "OptionsPanel");
  options_scroll->setWidget(Frame3);
  options_scroll->setWidgetResizable(true);
  options_scroll->setFrameShape(QFrame::NoFrame);
  options_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  side_pages_ = Named(new QStackedWidget(this), "SidePanel");
  side_pages_->addWidget(panel_scroll);
  side_pages_->addWidget(options_scroll);

  auto* right = new QVBoxLayout;
  right->setContentsMargins(0, 0, 0, 0);
  right->addLayout(top);
  right->addWidget(side_pages_, 1);
  right->addWidget(SSCommand2);
  auto* right_widget = new QWidget(this);
  right_widget->setLayout(right);
  // As wide as the panel's rows, no wider: the certificate gets the rest.
  right_widget->setFixedWidth(Frame1->sizeHint().width() +
                              panel_scroll->verticalScrollBar()->sizeHint().width() + 4);

  auto* left = new QVBoxLayout;
  left->addWidget(VSPRN, 1);
  left->addWidget(lblMes);
  left->addWidget(lblLayoutNote);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addWidget(right_widget);
  resize(1400, 900);
}

void KVPreview::LayOutOptions() {
  auto* v = new QVBoxLayout(Frame3);
  for (size_t i = 0; i < OptionBoxes().size(); ++i) {
    v->addWidget(option_boxes[i]);
    if (!OptionBoxes()[i].note.isEmpty()) v->addWidget(Note(OptionBoxes()[i].note, Frame3));
  }
  auto* grid = new QHBoxLayout;
  grid->addWidget(Named(new QLabel(QStringLiteral("縦列"), Frame3), "Label6"));
  grid->addWidget(txtLatticeX);
  grid->addWidget(Named(new QLabel(QStringLiteral("横段"), Frame3), "Label7"));
  grid->addWidget(txtLatticeY);
  grid->addStretch();
  v->addLayout(grid);
  auto* note = Note(kLatticeNote, Frame3);
  note->setIndent(0);
  v->addWidget(note);
  auto* dono = new QHBoxLayout;
  dono->addWidget(Named(new QLabel(QStringLiteral("敬称変更："), Frame3), "Label8"));
  dono->addWidget(txtDono);
  dono->addStretch();
  v->addLayout(dono);
  v->addWidget(Command5);
  v->addStretch(1);  // a high window leaves the room below, not between the notes
}

void KVPreview::ConnectControls() {
  connect(Text12, &QLineEdit::textChanged, this, &KVPreview::PageTyped);
  connect(Command1, &QPushButton::clicked, this, &KVPreview::FirstPage);
  connect(Command2, &QPushButton::clicked, this, &KVPreview::PreviousPage);
  connect(Command3, &QPushButton::clicked, this, &KVPreview::NextPage);
  connect(Command4, &QPushButton::clicked, this, &KVPreview::LastPage);
  connect(VSPRN, &PageView::navigate, this, &KVPreview::ViewNavigated);
  connect(VSPRN, &PageView::zoomChanged, this, &KVPreview::ShowZoom);
  connect(cmdFit, &QPushButton::clicked, VSPRN, &PageView::FitToWindow);
  connect(cmdActual, &QPushButton::clicked, VSPRN, &PageView::ActualSize);
  connect(SSCommand1, &QPushButton::clicked, this, &KVPreview::Print);
  connect(cmdPrintAll, &QPushButton::clicked, this, &KVPreview::PrintAll);
  connect(cmdStop, &QPushButton::clicked, this, &KVPreview::Cancel);
  connect(SSCommand2, &QPushButton::clicked, this, &KVPreview::CloseWindow);
  connect(Command6, &QPushButton::clicked, this, &KVPreview::OpenOptions);
  // Drawing the page outlines it again.
  connect(Frame1, &AdjustPanel::changed, this, &KVPreview::Redraw);
  connect(Frame1, &AdjustPanel::selectionChanged, this, &KVPreview::ShowOutlines);
  connect(VSPRN, &PageView::sheetClicked, this, &KVPreview::SheetClicked);
  connect(VSPRN, &PageView::arrowMove, this, &KVPreview::ArrowMoved);
  connect(List1, &QListWidget::itemClicked, this, &KVPreview::LoadListed);
  connect(List1, &QListWidget::currentItemChanged, this, &KVPreview::ListedReached);
  connect(SSCommand13, &QPushButton::clicked, this, &KVPreview::ReloadLayout);
  connect(SSCommand7, &QPushButton::clicked, this, &KVPreview::ChangeLayout);

  for (size_t i = 0; i < OptionBoxes().size(); ++i) {
    connect(option_boxes[i], &QCheckBox::toggled, this,
            [this, flag = OptionBoxes()[i].flag](bool checked) { FlagToggled(flag, checked); });
  }
  connect(txtLatticeX, &QLineEdit::editingFinished, this, &KVPreview::LatticeXEdited);
  connect(txtLatticeY, &QLineEdit::editingFinished, this, &KVPreview::LatticeYEdited);
  connect(txtDono, &QLineEdit::editingFinished, this, &KVPreview::DonoEdited);
  connect(Command5, &QPushButton::clicked, this, &KVPreview::CloseOptions);

  for (QLineEdit* edit : {Text11, Text12, txtLatticeX, txtLatticeY, txtDono}) {
    edit->installEventFilter(this);
  }
  InstallKeyPreview(this, &KVPreview::HandleKey);
  CallOnActivation(this, [this] { Activate(); });
}

void KVPreview::FirstPage() {
  Move(PageMove::First);
}

void KVPreview::PreviousPage() {
  Move(PageMove::Previous);
}

void KVPreview::NextPage() {
  Move(PageMove::Next);
}

void KVPreview::LastPage() {
  Move(PageMove::Last);
}

void KVPreview::ViewNavigated(int move) {
  QPushButton* buttons[] = {Command1, Command2, Command3, Command4};
  if (move >= 0 && move < 4 && buttons[move]->isEnabled()) buttons[move]->click();
}

void KVPreview::ShowZoom(double percent) {
  lblZoom->setText(QStringLiteral("%1 %").arg(qRound(percent)));
}

void KVPreview::OpenOptions() {
  ShowOptions(true);
}

void KVPreview::CloseOptions() {
  ShowOptions(false);
}

void KVPreview::SheetClicked(QPoint twips, bool add) {
  LayoutAdjuster* adjuster = session_.Adjuster();
  if (!adjuster || !Frame1->isEnabled()) return;
  adjuster->SelectClicked(ItemAt(session_.Placements(), twips), add);
  Frame1->ShowSelection();
}

void KVPreview::ArrowMoved(int move, bool large) {
  if (!Frame1->isEnabled()) return;
  const MoveDirection directions[] = {MoveDirection::kLeft, MoveDirection::kRight,
                                      MoveDirection::kUp, MoveDirection::kDown};
  Frame1->MoveSelected(directions[move], large ? kLargeStepMm : kStepMm);
}

void KVPreview::LoadListed(QListWidgetItem* item) {
  // Every click reads the layout again, also on the entry already current (after 元に戻す).
  LayoutAdjuster* adjuster = session_.Adjuster();
  if (!item || !adjuster) return;
  if (adjuster->LoadListed(ParseListEntry(item->text()).number)) LayoutReplaced();
}

void KVPreview::ListedReached(QListWidgetItem* item) {
  // The arrow keys in the list load the entry they reach; not the entry the list makes current
  // when it takes the focus (not selected): Tab into the list would drop every adjustment not
  // saved.
  if (QApplication::mouseButtons() == Qt::NoButton && item && item->isSelected()) {
    LoadListed(item);
  }
}

void KVPreview::ReloadLayout() {
  if (session_.Adjuster() && session_.Adjuster()->Reload()) LayoutReplaced();
}

void KVPreview::LatticeXEdited() {
  if (options_.LatticeCountLeft(LatticeAxis::X, txtLatticeX->text())) {
    txtLatticeX->setText(PrintOptionsLogic::CountText(session_.Options().LatticeX));
    Redraw();
  }
}

void KVPreview::LatticeYEdited() {
  if (options_.LatticeCountLeft(LatticeAxis::Y, txtLatticeY->text())) {
    txtLatticeY->setText(PrintOptionsLogic::CountText(session_.Options().LatticeY));
    Redraw();
  }
}

void KVPreview::DonoEdited() {
  if (options_.DonoLeft(txtDono->text())) {
    txtDono->setText(session_.Options().DonoStr);
    Redraw();
  }
}

bool KVPreview::Open() {
  if (!session_.Open()) return false;
  opened_ = true;
  setWindowTitle(PreviewCaptionFor(session_.LayoutName()));
  Frame1->Fill(session_.FontNames());
  Frame1->SetAdjuster(session_.Adjuster());
  Frame1->ShowLayout(session_.Layout());
  FillLayoutList();
  ShowOptions(false);
  Text15->setVisible(false);
  setting_page_ = true;
  Text12->setText(QStringLiteral("1"));
  setting_page_ = false;
  ApplyNav(NavAtOpen(session_.Count()));
  Activate();
  return true;
}

void KVPreview::Activate() {
  if (!opened_ || run_.Running()) return;
  options_.SetGuard(true);
  FillOptions();
  Label13->setText(CountLabel(session_.Count()));
  ShowDestination();
  if (session_.Count() == 1) {
    for (QPushButton* b : {Command1, Command2, Command3, Command4}) b->setEnabled(false);
  }
  options_.SetGuard(false);
  const PageStep step = EnterPage(Text12->text(), session_.Count());
  if (step.page > 0 && !step.no_record && session_.NeedsRedraw(step.page)) DrawPage(step.page);
}

void KVPreview::FillOptions() {
  const PrintOptions& o = session_.Options();
  for (size_t i = 0; i < OptionBoxes().size(); ++i) {
    option_boxes[i]->setChecked(FlagOf(o, OptionBoxes()[i].flag));
  }
  txtLatticeX->setText(PrintOptionsLogic::CountText(o.LatticeX));
  txtLatticeY->setText(PrintOptionsLogic::CountText(o.LatticeY));
  txtDono->setText(o.DonoStr);
}

void KVPreview::FlagToggled(PrintFlag flag, bool checked) {
  const bool changed =
      flag == PrintFlag::Lattice
          ? options_.LatticeClicked(checked, txtLatticeX->text(), txtLatticeY->text())
          : options_.FlagClicked(flag, checked);
  if (!changed) return;
  if (flag == PrintFlag::Lattice) {
    options_.SetGuard(true);
    txtLatticeX->setText(PrintOptionsLogic::CountText(session_.Options().LatticeX));
    txtLatticeY->setText(PrintOptionsLogic::CountText(session_.Options().LatticeY));
    options_.SetGuard(false);
  }
  Redraw();
}

void KVPreview::ShowOptions(bool show) {
  Frame3->setVisible(show);
  side_pages_->setCurrentIndex(show ? 1 : 0);
  Command6->setEnabled(!show);
  SetAdjustEnabled();
}

void KVPreview::ShowDestination() {
  const OutputDestination dest = session_.Destination();
  QString text = QStringLiteral("出力先：") + BreakablePaths(dest.text);
  if (!dest.problem.isEmpty()) text += QStringLiteral("\n") + dest.problem;
  ShowDestinationLine(lblOutput, text, !dest.problem.isEmpty());
}

void KVPreview::SetAdjustEnabled() {
  const bool on = nav_.print && !run_.Running();
  // The adjustment panel rests while the options are open.
  Frame1->setEnabled(on && Frame3->isHidden());
  for (QWidget* w : std::initializer_list<QWidget*>{List1, SSCommand13, SSCommand7}) {
    w->setEnabled(on);
  }
}

void KVPreview::FillLayoutList() {
  const QSignalBlocker quiet(List1);
  List1->clear();
  for (const SavedLayout& layout : session_.SavedLayouts())
    List1->addItem(ListEntryText(layout.number, layout.name));
  List1->setCurrentRow(-1);
}

void KVPreview::LayoutReplaced() {
  Frame1->ShowLayout(session_.Layout());
  Redraw();
}

void KVPreview::ShowOutlines() {
  LayoutAdjuster* adjuster = session_.Adjuster();
  const PrintDocument* doc = session_.Held();
  if (!adjuster || !doc) return;
  const std::vector<ItemPlacement>& placements = session_.Placements();
  const LayoutProblems problems = FindLayoutProblems(placements, QSize(doc->width, doc->height));
  const std::vector<int> misplaced = problems.Items();
  QVector<QRect> chosen;
  QVector<QRect> warned;
  for (const ItemPlacement& p : placements) {
    if (p.page != 1 || p.rect.isEmpty()) continue;
    if (adjuster->selection[p.item]) chosen << p.rect;
    if (std::find(misplaced.begin(), misplaced.end(), p.item) != misplaced.end()) warned << p.rect;
  }
  VSPRN->SetOutlines(chosen, warned);
  VSPRN->SetArrowsMoveItems(std::any_of(adjuster->selection.begin(), adjuster->selection.end(),
                                        [](bool b) { return b; }));
  const QString note = ProblemNote(problems);
  lblLayoutNote->setText(note);
  lblLayoutNote->setVisible(!note.isEmpty());
}

void KVPreview::ChangeLayout() {
  LayoutAdjuster* adjuster = session_.Adjuster();
  if (!adjuster || !SSCommand7->isEnabled()) return;
  std::optional<ListEntry> entry;
  if (QListWidgetItem* item = List1->currentItem(); item && item->isSelected()) {
    entry = ParseListEntry(item->text());
  }
  switch (adjuster->ChangeDecided(entry)) {
    case ChangeResult::kChanged:
      // The print list must collect again with the layout now in force; the operator has
      // agreed to read everything again.
      ask_unsaved_ = false;
      CloseWindow();
      break;
    case ChangeResult::kKept:
      Redraw();
      break;
    case ChangeResult::kRefused:
      break;
  }
}

void KVPreview::PageTyped() {
  if (setting_page_) return;
  const PageStep step = EnterPage(Text12->text(), session_.Count());
  if (step.no_record) {
    dialogs_.MsgBox(kNoRecordMessage, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  }
  if (step.page_text != Text12->text()) {
    setting_page_ = true;
    Text12->setText(step.page_text);
    Text12->selectAll();
    setting_page_ = false;
  }
  ApplyNav(step.nav);
  if (step.page > 0) DrawPage(step.page);
}

void KVPreview::Move(PageMove move) {
  Text12->setText(MovePage(move, Text12->text(), session_.Count()));
}

void KVPreview::ApplyNav(const NavState& nav) {
  nav_ = nav;
  const bool running = run_.Running();
  Command1->setEnabled(nav.first && !running);
  Command2->setEnabled(nav.previous && !running);
  Command3->setEnabled(nav.next && !running);
  Command4->setEnabled(nav.last && !running);
  SSCommand1->setEnabled(nav.print && !running);
  cmdPrintAll->setEnabled(nav.print && !running);
  SetAdjustEnabled();
  Text15->setVisible(nav.hint);
  Text15->setText(nav.hint ? kPageHint : QString());
}

void KVPreview::DrawPage(int page) {
  LabelWarning warning(lblMes);
  session_.Draw(page, warning);
  VSPRN->SetDocument(session_.Held());
  ShowOutlines();
}

void KVPreview::Redraw() {
  if (unloaded_) return;
  const PageStep step = EnterPage(Text12->text(), session_.Count());
  if (step.page > 0 && !step.no_record) DrawPage(step.page);
}

void KVPreview::Print() {
  if (run_.Running() || !SSCommand1->isEnabled()) return;
  const std::optional<int> copies = CopiesToPrint(Text11->text());
  if (!copies) {
    dialogs_.MsgBox(kCopiesMessage, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
    Text11->setFocus();
    return;
  }
  RunJob([this, copies] { return session_.PrintCopies(*copies, *this); });
}

void KVPreview::PrintAll() {
  if (run_.Running() || !cmdPrintAll->isEnabled()) return;
  RunJob([this] {
    LabelWarning warning(lblMes);
    return session_.PrintAll(warning, *this);
  });
}

void KVPreview::RunJob(const std::function<PrintJobResult()>& job) {
  run_.Begin();
  SetRunning(true);
  const PrintJobResult result = job();
  const bool close = run_.End();
  SetRunning(false);
  if (const QString said = DescribeJobResult(result); !said.isEmpty()) {
    lblRunState->setText(BreakablePaths(said));
    lblRunState->setToolTip(said);
    lblRunState->setVisible(true);
  }
  ShowDestination();
  if (close) CloseWindow();
}

void KVPreview::Cancel() {
  run_.Cancel();
}

void KVPreview::SetRunning(bool running) {
  cmdStop->setEnabled(running);
  for (QWidget* w : std::initializer_list<QWidget*>{Text12, Text11, Command6, Frame3}) {
    w->setEnabled(!running);
  }
  ApplyNav(nav_);
  if (!running) ProgressBar1->setRange(0, std::max(1, ProgressBar1->maximum()));
}

void KVPreview::Printing(int done, int total) {
  ShowRunProgress(ProgressBar1, run_, done, total);
}

bool KVPreview::CancelRequested() {
  return run_.CancelRequested();
}

void KVPreview::CloseWindow() {
  CloseForm(this);
}

void KVPreview::closeEvent(QCloseEvent* event) {
  if (HeldForRun(event, run_)) return;
  LayoutAdjuster* adjuster = session_.Adjuster();
  if (opened_ && !unloaded_ && ask_unsaved_ && adjuster && adjuster->Unsaved() &&
      dialogs_.MsgBox(kUnsavedAdjustmentsQuestion, MsgButtons::YesNo, MsgIcon::Question, kAppTitle,
                      2) != Answer::Yes) {
    event->ignore();
    return;
  }
  if (opened_ && !unloaded_) {
    unloaded_ = true;
    session_.Unload(table_in_use_ && table_in_use_());
  }
  event->accept();
  emit closed();
}

bool KVPreview::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    auto* edit = static_cast<QLineEdit*>(watched);
    const bool trim = edit == txtLatticeX || edit == txtLatticeY;
    // After the click that gave the focus has placed the caret.
    QTimer::singleShot(0, edit, [edit, trim] {
      if (trim) {
        SelectAllText(edit);
      } else {
        SelectAllTextKeep(edit);
      }
    });
  }
  return QWidget::eventFilter(watched, event);
}

bool KVPreview::HandleKey(QKeyEvent* event) {
  if (event->matches(QKeySequence::Undo)) {
    // A box being typed in keeps its own undo.
    if (qobject_cast<QLineEdit*>(QApplication::focusWidget())) return false;
    LayoutAdjuster* adjuster = session_.Adjuster();
    if (adjuster && Frame1->isEnabled() && adjuster->StepBack()) LayoutReplaced();
    return true;
  }
  switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
      // The pages turn wherever the focus is (a list or the panel would scroll instead), only
      // not in a box being typed in.
      if (IsTextBox(QApplication::focusWidget())) return false;
      QPushButton* button = event->key() == Qt::Key_PageUp ? Command2 : Command3;
      if (button->isEnabled()) button->click();
      return true;
    }
    default:
      break;
  }
  const auto close = [this] { CloseWindow(); };
  return RunKeyAction(event, {{Qt::Key_F5, [this] { Print(); }},
                              // While すべて印刷 runs F9 stops it, as in the print list.
                              {Qt::Key_F9, [this] { run_.Running() ? Cancel() : ChangeLayout(); }},
                              {Qt::Key_F1,
                               [this] {
                                 if (!run_.Running()) Frame1->Save();
                               }},
                              {Qt::Key_F10, close},
                              {Qt::Key_Escape, close}});
}

}  // namespace kvsys
