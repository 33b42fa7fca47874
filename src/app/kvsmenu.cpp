#include "app/kvsmenu.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "app/captions.h"
#include "app/kvs00.h"
#include "common/dialogs.h"
#include "common/window_ui.h"
#include "db/db_error_report.h"
#include "db/recordset.h"
#include "layout/layout_store.h"

namespace kvsys {

KVSMENU::KVSMENU(AppState& state, Dialogs& dialogs, KVS00& frame, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs), frame_(frame) {
  setObjectName(QStringLiteral("KVSMENU"));
  setWindowTitle(kKvsmenuCaption);
  SSCommand3 = Named(new QPushButton(QStringLiteral("賞状設定(F1)"), this), "SSCommand3");
  SSCommand4 = Named(new QPushButton(QStringLiteral("賞状印刷(F2)"), this), "SSCommand4");
  cmdHistory = Named(new QPushButton(QStringLiteral("印刷履歴(F3)"), this), "cmdHistory");
  SSCommand5 = Named(new QPushButton(QStringLiteral("大会選択へ(F10)"), this), "SSCommand5");
  auto* layout = new QVBoxLayout(this);
  for (QPushButton* b : {SSCommand3, SSCommand4, cmdHistory, SSCommand5}) {
    b->setMinimumHeight(48);
    layout->addWidget(b);
  }
  connect(SSCommand3, &QPushButton::clicked, &frame_, &KVS00::ShowLayoutSettings);
  connect(SSCommand4, &QPushButton::clicked, this, &KVSMENU::PrintCertificates);
  connect(cmdHistory, &QPushButton::clicked, &frame_, &KVS00::ShowPrintHistory);
  connect(SSCommand5, &QPushButton::clicked, &frame_, &KVS00::BackToMeetSelection);
  resize(420, 300);
  InstallKeyPreview(this, [this](QKeyEvent* e) { return HandleKey(e->key()); });
}

void KVSMENU::PrintCertificates() {
  int decided = 0;
  try {
    decided = LayoutStore(*state_.LayoutDb, dialogs_, state_).DecidedLayout();
  } catch (const DbError& e) {
    ReportDbError(dialogs_, state_, e, kAppTitle);
    return;
  }
  if (decided == 0) {
    dialogs_.MsgBox(QStringLiteral("表示内容を決定してください。"));
    frame_.ShowLayoutSettings();
  } else {
    frame_.ShowPrintList();
  }
}

void KVSMENU::closeEvent(QCloseEvent* event) {
  if (frame_.Leaving()) {
    event->accept();
    return;
  }
  event->ignore();
  // After the close request has returned: going back closes this window in turn.
  QTimer::singleShot(0, &frame_, &KVS00::BackToMeetSelection);
}

bool KVSMENU::HandleKey(int key) {
  switch (key) {
    case Qt::Key_F1:
      frame_.ShowLayoutSettings();
      return true;
    case Qt::Key_F2:
      PrintCertificates();
      return true;
    case Qt::Key_F3:
      frame_.ShowPrintHistory();
      return true;
    case Qt::Key_F10:
    case Qt::Key_Escape:
      frame_.BackToMeetSelection();
      return true;
    default:
      return false;
  }
}

}  // namespace kvsys
