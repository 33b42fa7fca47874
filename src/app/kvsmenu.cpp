#include "app/kvsmenu.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "app/captions.h"
#include "app/menu_actions.h"
#include "common/window_ui.h"

namespace kvsys {

KVSMENU::KVSMENU(AppState& state, Dialogs& dialogs, MenuActions& actions, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs), actions_(actions) {
  setObjectName(QStringLiteral("KVSMENU"));
  setWindowTitle(kKvsmenuCaption);
  BuildControls();
  LayOutControls();
  ConnectControls();
}

void KVSMENU::BuildControls() {
  SSCommand3 = Named(new QPushButton(QStringLiteral("賞状設定(F1)"), this), "SSCommand3");
  SSCommand4 = Named(new QPushButton(QStringLiteral("賞状印刷(F2)"), this), "SSCommand4");
  cmdHistory = Named(new QPushButton(QStringLiteral("印刷履歴(F3)"), this), "cmdHistory");
  SSCommand5 = Named(new QPushButton(QStringLiteral("大会選択へ(F10)"), this), "SSCommand5");
}

void KVSMENU::LayOutControls() {
  auto* layout = new QVBoxLayout(this);
  for (QPushButton* b : {SSCommand3, SSCommand4, cmdHistory, SSCommand5}) {
    b->setMinimumHeight(48);
    layout->addWidget(b);
  }
  resize(420, 300);
}

void KVSMENU::ConnectControls() {
  connect(SSCommand3, &QPushButton::clicked, this, &KVSMENU::ShowLayoutSettings);
  connect(SSCommand4, &QPushButton::clicked, this, &KVSMENU::PrintCertificates);
  connect(cmdHistory, &QPushButton::clicked, this, &KVSMENU::ShowPrintHistory);
  connect(SSCommand5, &QPushButton::clicked, this, &KVSMENU::BackToMeetSelection);
  InstallKeyPreview(this, &KVSMENU::HandleKey);
}

void KVSMENU::ShowLayoutSettings() {
  actions_.ShowLayoutSettings();
}

void KVSMENU::ShowPrintHistory() {
  actions_.ShowPrintHistory();
}

void KVSMENU::BackToMeetSelection() {
  actions_.BackToMeetSelection();
}

void KVSMENU::PrintCertificates() {
  StartPrinting(actions_, *state_.LayoutDb, state_, dialogs_);
}

void KVSMENU::closeEvent(QCloseEvent* event) {
  if (actions_.Leaving()) {
    event->accept();
    return;
  }
  event->ignore();
  // After the close request has returned: going back closes this window in turn.
  QTimer::singleShot(0, this, &KVSMENU::BackToMeetSelection);
}

bool KVSMENU::HandleKey(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_F1:
      ShowLayoutSettings();
      return true;
    case Qt::Key_F2:
      PrintCertificates();
      return true;
    case Qt::Key_F3:
      ShowPrintHistory();
      return true;
    case Qt::Key_F10:
    case Qt::Key_Escape:
      BackToMeetSelection();
      return true;
    default:
      return false;
  }
}

}  // namespace kvsys
