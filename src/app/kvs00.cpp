#include "app/kvs00.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include "app/app_state.h"
#include "app/captions.h"
#include "app/kvsmenu.h"
#include "app/workstation_settings.h"
#include "common/dialogs.h"
#include "common/program_version.h"
#include "common/window_ui.h"
#include "db/workspace.h"
#include "desk/kvs220.h"
#include "desk/kvs240.h"
#include "layout/kvs210.h"
#include "preview/kvpreview.h"
#include "preview/preview_window_ui.h"
#include "print/font_substitution.h"
#include "print/vertical_text.h"
#include "results/meet_settings.h"

namespace kvsys {

namespace {

const QString kKvs00GeometryKey = QStringLiteral("KVS00");
const QString kEndQuestion = QStringLiteral("システムを終了します。よろしいですか？");
const QString kEndTitle = QStringLiteral("終了の確認");

}  // namespace

KVS00::KVS00(AppState& state, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), state_(state), dialogs_(dialogs) {
  setObjectName(QStringLiteral("KVS00"));
  setWindowTitle(kKvs00Caption);
  setAttribute(Qt::WA_DeleteOnClose, false);
  resize(1024, 720);

  mdi_ = Named(new QMdiArea(this), "MDIForm");
  setCentralWidget(mdi_);

  StatusBar1_Panel1 = Named(new QLabel(this), "StatusBar1_Panel1");
  StatusBar1_Panel2 = Named(new QLabel(this), "StatusBar1_Panel2");
  Named(statusBar(), "StatusBar1");
  statusBar()->addWidget(StatusBar1_Panel1);
  statusBar()->addWidget(StatusBar1_Panel2, 1);
  BuildMenuBar();
}

void KVS00::BuildMenuBar() {
  QMenu* end_menu = menuBar()->addMenu(QStringLiteral("終了(&E)"));
  pEnd01 =
      Named(end_menu->addAction(QStringLiteral("大会選択(&S)"), this, &KVS00::BackToMeetSelection),
            "pEnd01");
  pEnd02 = Named(end_menu->addAction(QStringLiteral("システム終了(&X)"), this, &KVS00::EndSystem),
                 "pEnd02");
  QMenu* work_menu = menuBar()->addMenu(QStringLiteral("賞状印刷処理(&W)"));
  pExe201 =
      Named(work_menu->addAction(QStringLiteral("印刷設定(&1)"), this, &KVS00::ShowLayoutSettings),
            "pExe201");
  pExe202 = Named(work_menu->addAction(QStringLiteral("印刷処理(&2)"), this, &KVS00::ShowPrintList),
                  "pExe202");
  pExe203 =
      Named(work_menu->addAction(QStringLiteral("印刷履歴(&3)"), this, &KVS00::ShowPrintHistory),
            "pExe203");
  QMenu* help_menu = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  Named(help_menu->addAction(QStringLiteral("バージョン情報(&A)"), this, &KVS00::ShowAbout),
        "pAbout");
}

void KVS00::Open(const QString& meet_number, const QString& meet_name) {
  StatusBar1_Panel1->setText(QStringLiteral("大会No.") + meet_number);
  StatusBar1_Panel2->setText(meet_name);
  if (state_.ResultsDb) {
    state_.MeetSettings = LoadMeetSettings(*state_.ResultsDb, state_, dialogs_);
  }
  // Where this workstation had it last, else the whole screen. The frame is shown first so the
  // menu is placed within its real work area.
  const QByteArray geometry = LoadWindowGeometry(workstation_settings_, kKvs00GeometryKey);
  const bool restored = !geometry.isEmpty() && restoreGeometry(geometry);
  if (restored && !isMaximized()) {
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // A place left on a larger screen, or partly off this one, would hide the status bar.
    KeepOnScreen(this);
  } else {
    // The whole work area even where no window manager maximises it. Left maximised, it is
    // maximised again here rather than restored: Qt puts such a frame a title bar lower.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      setGeometry(screen->availableGeometry());
    }
    showMaximized();
  }
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  // By their plain names, as the font lists offer them, Japanese families with their "@" faces.
  state_.FontNames = WithVerticalFaces(PlainFontFamilies(QFontDatabase::families()));

  menu_ = new KVSMENU(state_, dialogs_, *this);
  // The menu is left only through its own keys: a closed or minimised menu would leave an
  // empty frame.
  QMdiSubWindow* sub =
      mdi_->addSubWindow(menu_, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  sub->setObjectName(QStringLiteral("KVSMENU_window"));
  sub->resize(sub->sizeHint().expandedTo(QSize(460, 300)));
  menu_->show();
  TopCenterForm(sub);
}

QMdiSubWindow* KVS00::ShowSubWindow(const QString& name, const std::function<QWidget*()>& create) {
  for (QMdiSubWindow* sub : mdi_->subWindowList()) {
    if (sub->widget() && sub->widget()->objectName() == name) {
      sub->showNormal();
      mdi_->setActiveSubWindow(sub);
      return sub;
    }
  }
  QWidget* page = Named(create(), name);
  QMdiSubWindow* sub = mdi_->addSubWindow(page);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  // A sub-window fills the work area: the lists are long.
  sub->setGeometry(mdi_->viewport()->rect());
  page->show();
  mdi_->setActiveSubWindow(sub);
  return sub;
}

void KVS00::ShowLayoutSettings() {
  ShowSubWindow(QStringLiteral("KVS210"), [this] {
    auto* editor = new KVS210(LayoutEditorRecords{state_, state_.LayoutDb, state_.MeetSettings,
                                                  state_.MeetNo, state_.Layout.CurrentLayoutNumber},
                              dialogs_);
    editor->Open();
    return editor;
  });
}

void KVS00::ShowPrintList() {
  ShowSubWindow(QStringLiteral("KVS220"), [this] {
    auto* list = new KVS220(
        PrintListRecords{state_, state_.LayoutDb, state_.ResultsDb, state_.Prn, state_.MeetSettings,
                         state_.Layout, state_.Recipients, state_.IniPath, state_.AppFolder,
                         state_.FontNames, [this] { state_.ReopenChangedMeet(); }, state_.MeetNo},
        dialogs_);
    list->resize(list->size().expandedTo(QSize(980, 600)));
    list->SetPreviewOpener([this] {
      OpenPreview(*mdi_,
                  PreviewRecords{
                      state_, state_.LayoutDb, state_.Prn, state_.Layout, state_.Recipients,
                      state_.IniPath, state_.AppFolder, state_.FontNames,
                      LoggedMeetOf(state_.ResultsDbPath, state_.MeetSettings), &state_.Underlays},
                  dialogs_, [this](const QString& name, const std::function<QWidget*()>& create) {
                    return ShowSubWindow(name, create);
                  });
    });
    list->Open();
    return list;
  });
}

void KVS00::ShowPrintHistory() {
  ShowSubWindow(QStringLiteral("KVS240"), [this] {
    auto* history =
        new KVS240(PrintListRecords{state_, state_.LayoutDb, state_.ResultsDb, state_.Prn,
                                    state_.MeetSettings, state_.Layout, state_.Recipients,
                                    state_.IniPath, state_.AppFolder, state_.FontNames},
                   dialogs_);
    history->Refresh();
    return history;
  });
}

void KVS00::ShowAbout() {
  dialogs_.MsgBox(AboutText(state_.AppFolder), MsgButtons::Ok, MsgIcon::Information,
                  QStringLiteral("バージョン情報"));
}

bool KVS00::StopPrintRun() {
  // The print run lets the window process events; closing the databases and windows under it
  // would pull them from beneath the run. It is cancelled, and the operator asks again.
  for (KVS220* list : mdi_->findChildren<KVS220*>()) {
    if (list->Running()) {
      list->Cancel();
      return true;
    }
  }
  for (KVS240* history : mdi_->findChildren<KVS240*>()) {
    if (history->Running()) {
      history->Cancel();
      return true;
    }
  }
  return StopPreviewRun(*mdi_);
}

void KVS00::Leave() {
  SaveWindowGeometry(workstation_settings_, kKvs00GeometryKey, saveGeometry());
  leaving_ = true;
  // The operator has chosen to leave, and the layouts cannot be saved without the databases:
  // a preview closes without asking about its adjustments.
  for (KVPreview* preview : mdi_->findChildren<KVPreview*>()) preview->CloseWithoutQuestion();
  state_.CloseDatabases();
  mdi_->closeAllSubWindows();
}

void KVS00::BackToMeetSelection() {
  if (leaving_ || StopPrintRun()) return;
  Leave();
  // The meet selection comes up before this window goes, so that a window is always there.
  emit backToMeetSelection();
  close();
}

void KVS00::closeEvent(QCloseEvent* event) {
  if (leaving_) {
    event->accept();
    return;
  }
  event->ignore();
  EndSystem();
}

void KVS00::EndSystem() {
  if (leaving_ || StopPrintRun()) return;
  if (dialogs_.MsgBox(kEndQuestion, MsgButtons::YesNo, MsgIcon::Question, kEndTitle) !=
      Answer::Yes) {
    return;
  }
  Leave();
  close();
  emit endSystem();
}

}  // namespace kvsys
