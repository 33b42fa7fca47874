#include "preview/kvpreview.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>

#include "certificate/run_labels_ui.h"
#include "common/dialogs.h"
#include "common/text_util.h"
#include "common/window_ui.h"
#include "preview/adjust_panel_ui.h"
#include "preview/calibration_dialog_ui.h"
#include "preview/page_view_ui.h"

namespace kvsys {

namespace {

bool IsTextBox(const QWidget* w) {
  if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->isEditable();
  return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
         qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

}  // namespace

KVPreview::KVPreview(PreviewRecords records, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      dialogs_(dialogs),
      session_(records, dialogs),
      options_(records.prn, dialogs, records.ini_path),
      ini_path_(records.ini_path),
      program_folder_(records.program_folder),
      underlays_(records.underlays ? *records.underlays : own_underlays_) {
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
  connect(chkUnderlay, &QCheckBox::toggled, this, &KVPreview::UnderlayToggled);
  connect(cmdUnderlay, &QPushButton::clicked, this, &KVPreview::ChooseUnderlayFile);
  connect(cmdNoUnderlay, &QPushButton::clicked, this, &KVPreview::ClearUnderlay);

  for (size_t i = 0; i < OptionBoxes().size(); ++i) {
    connect(option_boxes[i], &QCheckBox::toggled, this,
            [this, flag = OptionBoxes()[i].flag](bool checked) { FlagToggled(flag, checked); });
  }
  connect(txtLatticeX, &QLineEdit::editingFinished, this, &KVPreview::LatticeXEdited);
  connect(txtLatticeY, &QLineEdit::editingFinished, this, &KVPreview::LatticeYEdited);
  connect(txtDono, &QLineEdit::editingFinished, this, &KVPreview::DonoEdited);
  connect(Command5, &QPushButton::clicked, this, &KVPreview::CloseOptions);
  connect(cmdCalibration, &QPushButton::clicked, this, &KVPreview::ShowCalibration);

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
  {
    const QSignalBlocker quiet(chkUnderlay);
    chkUnderlay->setChecked(UnderlayShown(dialogs_, ini_path_));
  }
  VSPRN->SetUnderlayShown(chkUnderlay->isChecked());
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
  ShowUnderlay();
  ShowOutlines();
}

QString KVPreview::UnderlayPath() {
  return UnderlayFor(dialogs_, ini_path_, program_folder_, session_.Layout().CurrentLayoutNumber);
}

void KVPreview::ShowUnderlay() {
  const QString path = UnderlayPath();
  VSPRN->SetUnderlay(underlays_.Picture(path, dialogs_));
  lblUnderlay->setText(path.isEmpty() ? QStringLiteral("（なし）") : QFileInfo(path).fileName());
  lblUnderlay->setToolTip(QDir::toNativeSeparators(path));
}

void KVPreview::ChooseUnderlayFile() {
  const int number = session_.Layout().CurrentLayoutNumber;
  if (!opened_ || run_.Running() || number < 1 || number > kMaxLayoutNumber) return;
  const QString now = UnderlayPath();
  const QString file =
      dialogs_.ChooseFile(this, QStringLiteral("台紙画像を選んでください"),
                          now.isEmpty() ? program_folder_ : QFileInfo(now).path(), kUnderlayFilter);
  if (file.isEmpty()) return;
  // A file that cannot be shown is said and not kept: the picture set before stays.
  const QString path = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
  if (underlays_.Picture(path, dialogs_, true).isNull()) return;
  if (StoreUnderlay(dialogs_, ini_path_, number, path)) ShowUnderlay();
}

void KVPreview::ClearUnderlay() {
  const int number = session_.Layout().CurrentLayoutNumber;
  if (!opened_ || run_.Running() || number < 1 || number > kMaxLayoutNumber) return;
  if (StoreUnderlay(dialogs_, ini_path_, number, kUnderlayNone)) ShowUnderlay();
}

void KVPreview::UnderlayToggled(bool shown) {
  VSPRN->SetUnderlayShown(shown);
  StoreUnderlayShown(dialogs_, ini_path_, shown);
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

void KVPreview::ShowCalibration() {
  if (run_.Running()) return;
  CalibrationDialog dialog(
      dialogs_, session_.SettingsFile(), session_.CalibratedQueue(),
      [this] { RunJob([this] { return session_.PrintCalibrationSheets(*this); }); }, this);
  dialog.exec();
  // The keys go back to this window (F10 and the rest), whatever had the focus meanwhile.
  activateWindow();
  cmdCalibration->setFocus();
}

void KVPreview::Cancel() {
  run_.Cancel();
}

void KVPreview::SetRunning(bool running) {
  cmdStop->setEnabled(running);
  for (QWidget* w : std::initializer_list<QWidget*>{Text12, Text11, Command6, Frame3, cmdUnderlay,
                                                    cmdNoUnderlay}) {
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
