#include "app/kvssel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/captions.h"
#include "app/meet_list.h"
#include "common/dialogs.h"
#include "common/profile.h"
#include "common/wait_cursor.h"
#include "common/window_ui.h"
#include "db/work_table_model.h"

namespace kvsys {

KVSSEL::KVSSEL(AppState& state, Dialogs& dialogs, InstanceGuard& guard, QString program_folder,
               QWidget* parent)
    : QWidget(parent),
      state_(state),
      dialogs_(dialogs),
      guard_(guard),
      program_folder_(std::move(program_folder)) {
  setObjectName(QStringLiteral("KVSSEL"));
  setWindowTitle(kKvsselCaption);
  resize(760, 480);
  BuildControls();
  LayOutControls();
  ConnectControls();
}

void KVSSEL::BuildControls() {
  Frame1 = Named(new QGroupBox(QStringLiteral("リザルトバージョン"), this), "Frame1");
  optVer_0 = Named(new QRadioButton(QStringLiteral("Ｖｅｒ．５．０"), Frame1), "optVer_0");
  optVer_1 = Named(new QRadioButton(QStringLiteral("Ｖｅｒ．４．６"), Frame1), "optVer_1");
  versions_ = new QButtonGroup(this);
  versions_->addButton(optVer_0, 0);
  versions_->addButton(optVer_1, 1);

  Label1 = Named(new QLabel(QStringLiteral("データベース："), this), "Label1");
  txtDBFolder = Named(new QLineEdit(this), "txtDBFolder");
  txtDBFolder->setReadOnly(true);

  model_ = new WorkTableModel({QStringLiteral("flda"), QStringLiteral("FLDB"),
                               QStringLiteral("FLDE"), QStringLiteral("FLDF")},
                              {QStringLiteral("No."), QStringLiteral("大会名"),
                               QStringLiteral("開始年月日"), QStringLiteral("終了年月日")},
                              this);
  model_->SetRightAligned({0});
  GRD1 = Named(new QTableView(this), "GRD1");
  GRD1->setModel(model_);
  GRD1->setSelectionBehavior(QAbstractItemView::SelectRows);
  GRD1->setSelectionMode(QAbstractItemView::SingleSelection);
  GRD1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  GRD1->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  GRD1->verticalHeader()->setVisible(false);
  // Tab leaves the list for the next control; the arrow keys move within it.
  GRD1->setTabKeyNavigation(false);

  LBL1 = Named(new QLabel(this), "LBL1");
  LBL2 = Named(new QLabel(this), "LBL2");
  lblProgress = Named(new QLabel(this), "lblProgress");
  lblProgress->setVisible(false);
  SSCommand1 = Named(new QPushButton(QStringLiteral("選択(F5)"), this), "SSCommand1");
  SSCommand3 = Named(new QPushButton(QStringLiteral("検索(F8)"), this), "SSCommand3");
  SSCommand2 = Named(new QPushButton(QStringLiteral("終了(F10)"), this), "SSCommand2");
}

void KVSSEL::LayOutControls() {
  auto* version_layout = new QHBoxLayout(Frame1);
  version_layout->addWidget(optVer_0);
  version_layout->addWidget(optVer_1);
  auto* top = new QHBoxLayout;
  top->addWidget(Frame1);
  top->addWidget(Label1);
  top->addWidget(txtDBFolder, 1);
  auto* current = new QHBoxLayout;
  current->addWidget(LBL1);
  current->addWidget(LBL2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(SSCommand1);
  buttons->addWidget(SSCommand3);
  buttons->addWidget(SSCommand2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(GRD1, 1);
  layout->addWidget(lblProgress);
  layout->addLayout(current);
  layout->addLayout(buttons);
}

void KVSSEL::ConnectControls() {
  connect(versions_, &QButtonGroup::idToggled, this, &KVSSEL::VersionToggled);
  connect(GRD1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &KVSSEL::OnCurrentRowChanged);
  connect(GRD1, &QTableView::doubleClicked, this, &KVSSEL::MeetDoubleClicked);
  connect(SSCommand1, &QPushButton::clicked, this, &KVSSEL::SelectCurrentMeet);
  connect(SSCommand3, &QPushButton::clicked, this, &KVSSEL::ChooseFolder);
  connect(SSCommand2, &QPushButton::clicked, this, &KVSSEL::ExitProgram);
  // Function keys act before the focused control.
  InstallKeyPreview(this, &KVSSEL::HandleKey);
}

bool KVSSEL::HandleKey(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_F5:
      SelectCurrentMeet();
      return true;
    case Qt::Key_F8:
      ChooseFolder();
      return true;
    case Qt::Key_F10:
      ExitProgram();
      return true;
    case Qt::Key_Home:
    case Qt::Key_End: {
      // The grid selects rows: Home and End go to the first and the last meet, not to the
      // first and last column of the same row.
      if (QApplication::focusWidget() != GRD1 || model_->rowCount() == 0) return false;
      const int row = event->key() == Qt::Key_Home ? 0 : model_->rowCount() - 1;
      GRD1->setCurrentIndex(model_->index(row, std::max(0, GRD1->currentIndex().column())));
      return true;
    }
    default:
      return false;
  }
}

void KVSSEL::VersionToggled(int index, bool checked) {
  if (checked) OnVersionChanged(index);
}

void KVSSEL::MeetDoubleClicked() {
  OnCurrentRowChanged();
  SelectCurrentMeet();
}

KVSSEL::~KVSSEL() {
  ReleaseControls(this);
}

StartUpOutcome KVSSEL::Load() {
  loading_ = true;
  const StartUpOutcome outcome = StartUp(state_, dialogs_, guard_, program_folder_, *this);
  loading_ = false;
  return outcome;
}

void KVSSEL::CenterOnScreen() {
  CenterForm(this);
}

void KVSSEL::ShowWindow() {
  show();
  raise();
  activateWindow();
  // Painted now: the listing that follows may take a while.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void KVSSEL::closeEvent(QCloseEvent* event) {
  if (leaving_ || !isVisible()) {
    event->accept();
    return;
  }
  event->ignore();
  ExitProgram();
}

void KVSSEL::ShowDbFolder(const QString& folder) {
  txtDBFolder->setText(folder);
}

bool KVSSEL::SelectVersionOption(int index) {
  QRadioButton* option = index == 0 ? optVer_0 : index == 1 ? optVer_1 : nullptr;
  if (!option) return false;
  if (option->isChecked()) {
    OnVersionChanged(index);  // no toggle signal when it is already the selected option
  } else {
    option->setChecked(true);
  }
  return true;
}

void KVSSEL::OnVersionChanged(int index) {
  state_.ResultVersion = static_cast<int16_t>(index);
  ListFolder(txtDBFolder->text());
  SetProfileEx(dialogs_, state_.IniPath, QStringLiteral("Ver"), QStringLiteral("Ver"),
               QString::number(index));
}

void KVSSEL::ListFolder(QString folder) {
  if (!state_.LayoutDb) return;
  WaitCursor wait;
  std::vector<ListedMeet> listed;
  MeetListHooks hooks;
  hooks.cache = cache_;
  hooks.listed = &listed;
  hooks.progress = [this](int done, int total, const QString& file) {
    lblProgress->setText(QStringLiteral("大会データを読み込んでいます（%1／%2）　%3")
                             .arg(done + 1)
                             .arg(total)
                             .arg(file));
    lblProgress->setVisible(true);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  const bool found = ListMeets(state_, dialogs_, folder, hooks);
  lblProgress->setVisible(false);
  unreadable_.clear();
  for (const ListedMeet& m : listed) {
    if (!m.unreadable.isEmpty()) unreadable_.insert(m.number.toString(), m.unreadable);
  }
  try {
    model_->Refresh(*state_.LayoutDb, QStringLiteral("KVSSEL"));
  } catch (const DbError&) {
    // ListMeets has reported the database's trouble already.
  }
  if (found) txtDBFolder->setText(state_.DbFolder);
  if (model_->rowCount() > 0) {
    GRD1->setCurrentIndex(model_->index(0, 0));
    GRD1->selectRow(0);
  }
  GRD1->setFocus(Qt::OtherFocusReason);
  OnCurrentRowChanged();
}

void KVSSEL::OnCurrentRowChanged() {
  const int row = GRD1->currentIndex().isValid() ? GRD1->currentIndex().row() : -1;
  LBL1->setText(row >= 0 ? model_->Value(row, QStringLiteral("flda")).toString() : QString());
  LBL2->setText(row >= 0 ? model_->Value(row, QStringLiteral("FLDB")).toString() : QString());
}

void KVSSEL::SelectCurrentMeet() {
  if (!GRD1->currentIndex().isValid()) return;
  const int row = GRD1->currentIndex().row();
  const QVariant number = model_->Value(row, QStringLiteral("flda"));
  const QString name = model_->Value(row, QStringLiteral("FLDB")).toString();
  // A meet the listing could not read is not read again behind a wait: the reason is given.
  if (const auto it = unreadable_.constFind(number.toString()); it != unreadable_.cend()) {
    dialogs_.MsgBox(QStringLiteral("大会 [") + number.toString() +
                        QStringLiteral("] のデータを読み込めません。\r") + *it,
                    MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
    return;
  }
  SelectOutcome outcome;
  {
    WaitCursor wait;
    outcome = SelectMeet(state_, dialogs_, number, name);
  }
  if (outcome == SelectOutcome::Exit) {
    ExitProgram();
  } else if (outcome == SelectOutcome::Selected) {
    leaving_ = true;
    emit meetSelected(number.toString(), name);
  }
}

void KVSSEL::ChooseFolder() {
  const QString folder = dialogs_.BrowseFolder(
      this, QStringLiteral("Databaseフォルダを選択してください"), state_.DbFolder);
  if (!folder.isEmpty()) ListFolder(folder + QLatin1Char('/'));
}

void KVSSEL::ExitProgram() {
  leaving_ = true;
  state_.CloseDatabases();
  emit exitRequested();
}

}  // namespace kvsys
