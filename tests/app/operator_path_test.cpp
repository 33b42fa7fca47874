// The program as an operator drives it: the meet selection and the main window over and over
// in one process, a folder with a damaged meet, the keyboard on the meet list, the menu that
// cannot be left empty, where the windows open, and the folder chooser.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "app/app_flow_ui.h"
#include "app/captions.h"
#include "app/instance_guard.h"
#include "app/kvs00.h"
#include "app/kvsmenu.h"
#include "app/kvssel.h"
#include "app/meet_list.h"
#include "app/qt_translations.h"
#include "app/workstation_settings.h"
#include "common/dialogs_ui.h"
#include "db/work_table_model.h"
#include "desk/kvs220.h"
#include "layout/layout_store.h"
#include "samplemeet/sample_meet.h"
#include "support/find_child.h"
#include "support/fixture.h"
#include "support/program_folder.h"
#include "support/scripted_dialogs.h"

namespace kvsys::test {
namespace {

using samplemeet::FolderLayout;

QString WriteMeet(const QString& folder, int number, int events = 3) {
  samplemeet::MeetSpec spec;
  spec.number = number;
  spec.swimmers = 12;
  spec.events = events;
  spec.days = 1;
  spec.classes = false;
  QString error;
  const QString path =
      samplemeet::WriteSampleMeet(folder, FolderLayout::Ver50, spec, false, &error);
  EXPECT_FALSE(path.isEmpty()) << error.toStdString();
  return path;
}

void Activate(QWidget* window) {
  window->show();
  QApplication::setActiveWindow(window);
  QCoreApplication::processEvents();
}

// Scripted boxes that also note whether the meet selection was on the screen when each box
// came up.
class WatchingDialogs : public ScriptedDialogs {
 public:
  Answer MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                int default_button) override {
    bool shown = false;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<KVSSEL*>(w) && w->isVisible()) shown = true;
    }
    selection_shown.push_back(shown);
    return ScriptedDialogs::MsgBox(text, buttons, icon, title, default_button);
  }
  std::vector<bool> selection_shown;
};

// A program folder whose KVSYS.ini names its meets folder and prints to PDF files, with a
// decided layout; the workstation's own files in a folder of their own.
struct Program {
  Program() {
    folder.dir().Write(
        QStringLiteral("KVSYS.ini"),
        "[Ver]\r\nVer=0\r\n[D_B]\r\nDB_Path=" + folder.Meets().toUtf8() +
            "/\r\n[Output]\r\nTarget=PDF\r\nPdfFolder=pdf\r\nPdfFiles=Certificate\r\n");
    workstation.settings = user.File(QStringLiteral("workstation.ini"));
    workstation.meet_cache = user.File(QStringLiteral("meet-list.json"));
  }
  void DecideLayout() {
    Workspace ws;
    auto db = ws.OpenDatabase(folder.LayoutDbPath());
    LayoutSettings s;
    s.rank_heats = s.rank_timed_final = s.rank_final = s.rank_b_final = 3;
    s.title = QStringLiteral("賞状");
    LayoutStore store(*db, dialogs, state);
    ASSERT_EQ(store.CreateLayout(1, QStringLiteral("標準"), 1, s), 1);
    ASSERT_TRUE(store.DecideLayout(1));
    ws.Close();
  }
  bool Start() {
    flow = std::make_unique<AppFlow>(state, dialogs, guard, folder.path(), workstation);
    if (!flow->Start()) return false;
    Activate(flow->selection());
    return true;
  }
  KVSSEL& selection() { return *flow->selection(); }
  QTableView* grid() { return Child<QTableView>(selection(), "GRD1"); }
  int PdfCount() const {
    return static_cast<int>(
        QDir(folder.File(QStringLiteral("pdf"))).entryList({QStringLiteral("*.pdf")}).size());
  }

  ProgramFolder folder;
  TempFolder user;
  WorkstationFiles workstation;
  AppState state;
  WatchingDialogs dialogs;
  InstanceGuard guard{folder.File(QStringLiteral("kvsys.lock"))};
  std::unique_ptr<AppFlow> flow;
};

// Counts the requests to end the event loop.
class QuitWatch : public QObject {
 public:
  QuitWatch() { qApp->installEventFilter(this); }
  ~QuitWatch() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == qApp && event->type() == QEvent::Quit) ++quits;
    return false;
  }
  int quits = 0;
};

QWidget* ActivePage(KVS00& main) {
  QMdiSubWindow* sub = main.mdi()->activeSubWindow();
  return sub ? sub->widget() : nullptr;
}

// Select the current meet with F5; the main window takes over.
KVS00* SelectWithF5(Program& p) {
  QTest::keyClick(p.grid(), Qt::Key_F5);
  QCoreApplication::processEvents();  // the hand-over is queued
  KVS00* main = p.flow->main();
  if (main) Activate(main);
  return main;
}

// F2 in the menu, F5 in the print list (its first event is chosen), F10 to close it.
void PrintFirstEvent(KVS00& main) {
  QTest::keyClick(main.menuWindow(), Qt::Key_F2);
  auto* list = qobject_cast<KVS220*>(ActivePage(main));
  ASSERT_NE(list, nullptr);
  QTest::keyClick(Child<QTableView>(list, "PROG_GRID"), Qt::Key_F5);
  QTest::keyClick(Child<QTableView>(list, "PROG_GRID"), Qt::Key_F10);
  QCoreApplication::processEvents();
}

// The whole path runs inside the application's own event loop, where a window that closes
// last would end the program.
TEST(OperatorPath, SelectPrintGoBackSelectAnotherPrintAgainAndExitInOneProcess) {
  Program p;
  WriteMeet(p.folder.Meets(), 1);
  WriteMeet(p.folder.Meets(), 2);
  p.DecideLayout();
  QuitWatch watch;
  int quits_before_exit = -1;
  bool reached_exit = false;
  QTimer::singleShot(0, qApp, [&] {
    const auto run = [&] {
      ASSERT_TRUE(p.Start());
      QObject::connect(p.flow.get(), &AppFlow::finished, qApp, &QCoreApplication::quit);
      KVS00* main = SelectWithF5(p);
      ASSERT_NE(main, nullptr);
      EXPECT_EQ(p.state.MeetNo, 1);
      PrintFirstEvent(*main);
      const int first_run = p.PdfCount();
      EXPECT_GT(first_run, 0);

      // Back with F10 in the menu: the meet selection comes back.
      QTest::keyClick(main->menuWindow(), Qt::Key_F10);
      QCoreApplication::processEvents();
      ASSERT_NE(p.flow->selection(), nullptr);
      EXPECT_TRUE(p.selection().isVisible());
      Activate(&p.selection());

      // The second meet, printed as well.
      QTest::keyClick(p.grid(), Qt::Key_Down);
      main = SelectWithF5(p);
      ASSERT_NE(main, nullptr);
      EXPECT_EQ(p.state.MeetNo, 2);
      PrintFirstEvent(*main);
      EXPECT_GT(p.PdfCount(), first_run);

      // Back through 終了(E) → 大会選択(S), and the first meet once more.
      Child<QAction>(*main, "pEnd01")->trigger();
      QCoreApplication::processEvents();
      ASSERT_NE(p.flow->selection(), nullptr);
      Activate(&p.selection());
      main = SelectWithF5(p);
      ASSERT_NE(main, nullptr);
      EXPECT_EQ(p.state.MeetNo, 1);
      EXPECT_TRUE(p.state.ResultsDb && p.state.ResultsDb->IsOpen());

      // Only システム終了 ends it.
      quits_before_exit = watch.quits;
      reached_exit = true;
      p.dialogs.Expect(QStringLiteral("システムを終了します。よろしいですか？"), MsgButtons::YesNo,
                       MsgIcon::Question, QStringLiteral("終了の確認"), Answer::Yes);
      Child<QAction>(*main, "pEnd02")->trigger();
    };
    run();
    if (!reached_exit) QCoreApplication::quit();
  });
  QTimer::singleShot(120000, qApp, [] { QCoreApplication::quit(); });  // never hang the suite
  QApplication::exec();
  EXPECT_TRUE(reached_exit);
  EXPECT_EQ(quits_before_exit, 0);
  EXPECT_FALSE(p.state.ResultsDb);
  EXPECT_TRUE(p.dialogs.AllShown());
}

TEST(OperatorPath, MeetListOpensFocusedOnItsFirstMeetAndTabLeavesIt) {
  Program p;
  for (int n = 1; n <= 3; ++n) WriteMeet(p.folder.Meets(), n);
  ASSERT_TRUE(p.Start());
  QTableView* grid = p.grid();
  EXPECT_EQ(QApplication::focusWidget(), grid);
  EXPECT_EQ(grid->currentIndex().row(), 0);
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(Child<QLabel>(p.selection(), "LBL1")->text(), QStringLiteral("2"));
  QTest::keyClick(grid, Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), grid);
  EXPECT_EQ(grid->currentIndex().row(), 1);
  EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(Child<QLabel>(p.selection(), "LBL1")->text(), QStringLiteral("2"));
}

// A damaged Jet meet (one the reader would loop on) among good ones.
TEST(OperatorPath, DamagedMeetIsMarkedInItsRowAndEveryOtherMeetCanBeChosen) {
  Program p;
  for (int n : {1, 2, 4, 5, 6}) WriteMeet(p.folder.Meets(), n);
  ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("malformed-hangs-reader.mdb")),
                          p.folder.Meets() + QStringLiteral("/Swim03.mdb")));
  // Looked at while the damaged file is being read: the window is up, with the wait cursor and
  // a line that says which meet is read.
  bool window_shown = false, waiting = false;
  QStringList progress;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* sel = qobject_cast<KVSSEL*>(w);
      if (!sel || !sel->isVisible()) continue;
      window_shown = true;
      const QCursor* c = QGuiApplication::overrideCursor();
      waiting = waiting || (c && c->shape() == Qt::WaitCursor);
      auto* line = Child<QLabel>(sel, "lblProgress");
      if (line->isVisible()) progress << line->text();
    }
  });
  look.start(300);
  ASSERT_TRUE(p.Start());
  look.stop();
  EXPECT_TRUE(window_shown);
  EXPECT_TRUE(waiting);
  EXPECT_TRUE(progress.contains(QStringLiteral("大会データを読み込んでいます（3／6）　Swim03.mdb")))
      << progress.join(u'|').toStdString();
  EXPECT_FALSE(Child<QLabel>(&p.selection(), "lblProgress")->isVisible());

  auto* model = static_cast<WorkTableModel*>(p.grid()->model());
  ASSERT_EQ(model->rowCount(), 6);
  const QString damaged = model->Value(2, QStringLiteral("FLDB")).toString();
  EXPECT_EQ(model->Value(2, QStringLiteral("flda")).toString(), QStringLiteral("3"));
  EXPECT_TRUE(damaged.startsWith(kUnreadableMeetMark)) << damaged.toStdString();
  EXPECT_TRUE(damaged.contains(QStringLiteral("Swim03.mdb"))) << damaged.toStdString();
  for (int row : {0, 1, 3, 4, 5}) {
    EXPECT_FALSE(
        model->Value(row, QStringLiteral("FLDB")).toString().startsWith(kUnreadableMeetMark));
  }
  // DB_Path is kept: meets were found.
  EXPECT_TRUE(p.folder.Ini().contains("DB_Path=" + p.folder.Meets().toUtf8() + "/"));

  // Choosing the damaged meet says why at once; the next one opens.
  p.grid()->selectRow(2);
  p.dialogs.Expect(QStringLiteral("大会 [3] のデータを読み込めません。\r") +
                       damaged.mid(kUnreadableMeetMark.size()),
                   MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
  QTest::keyClick(p.grid(), Qt::Key_F5);
  QCoreApplication::processEvents();
  EXPECT_EQ(p.flow->main(), nullptr);
  QTest::keyClick(p.grid(), Qt::Key_Down);
  ASSERT_NE(SelectWithF5(p), nullptr);
  EXPECT_EQ(p.state.MeetNo, 4);
  EXPECT_TRUE(p.dialogs.AllShown());
}

// A FIFO where a meet file is looked for is listed as unreadable, as a damaged file is, and at
// once: opened to read as a file, it would wait for a writer for ever.
TEST(OperatorPath, AFifoAmongTheMeetsIsListedAsUnreadableWithoutWaiting) {
  Program p;
  for (int n : {1, 3}) WriteMeet(p.folder.Meets(), n);
  const QByteArray fifo = QFile::encodeName(p.folder.Meets() + QStringLiteral("/Swim02.mdb"));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
  // Should the listing wait on it, the writing end is opened after ten seconds, again and again,
  // so that the test fails instead of hanging.
  std::atomic<bool> listed{false};
  std::atomic<bool> rescued{false};
  std::thread watchdog([&] {
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!listed) {
      std::this_thread::sleep_for(50ms);
      if (std::chrono::steady_clock::now() < deadline) continue;
      const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        rescued = true;
        ::close(fd);
      }
    }
  });
  const bool started = p.Start();
  listed = true;
  watchdog.join();
  ASSERT_TRUE(started);
  EXPECT_FALSE(rescued) << "the listing waited on the FIFO";

  auto* model = static_cast<WorkTableModel*>(p.grid()->model());
  ASSERT_EQ(model->rowCount(), 3);
  EXPECT_EQ(model->Value(1, QStringLiteral("flda")).toString(), QStringLiteral("2"));
  const QString fifo_row = model->Value(1, QStringLiteral("FLDB")).toString();
  EXPECT_TRUE(fifo_row.startsWith(kUnreadableMeetMark)) << fifo_row.toStdString();
  EXPECT_TRUE(fifo_row.contains(QStringLiteral("Swim02.mdb"))) << fifo_row.toStdString();
  for (int row : {0, 2}) {
    EXPECT_FALSE(
        model->Value(row, QStringLiteral("FLDB")).toString().startsWith(kUnreadableMeetMark));
  }

  // Choosing it says why and opens nothing; the meet after it opens.
  p.grid()->selectRow(1);
  p.dialogs.Expect(QStringLiteral("大会 [2] のデータを読み込めません。\r") +
                       fifo_row.mid(kUnreadableMeetMark.size()),
                   MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
  QTest::keyClick(p.grid(), Qt::Key_F5);
  QCoreApplication::processEvents();
  EXPECT_EQ(p.flow->main(), nullptr);
  QTest::keyClick(p.grid(), Qt::Key_Down);
  ASSERT_NE(SelectWithF5(p), nullptr);
  EXPECT_EQ(p.state.MeetNo, 3);
  EXPECT_TRUE(p.dialogs.AllShown());
}

TEST(OperatorPath, UnchangedJetMeetsAreListedFromTheCache) {
  Program p;
  const QString meets = p.folder.Meets();
  QDir().mkpath(meets);
  for (int n = 1; n <= 20; ++n) {
    ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("Swim01.mdb")),
                            meets + QStringLiteral("/Swim%1.mdb").arg(n, 2, 10, QLatin1Char('0'))));
  }
  WriteMeet(meets, 21);  // not a Jet file: read each time, never cached
  ASSERT_TRUE(p.Start());
  const auto rows = [&] {
    auto* model = static_cast<WorkTableModel*>(p.grid()->model());
    QStringList names;
    for (int r = 0; r < model->rowCount(); ++r) {
      names << model->Value(r, QStringLiteral("FLDB")).toString();
    }
    return names;
  };
  const QStringList first = rows();
  ASSERT_EQ(first.size(), 21);
  EXPECT_FALSE(first[0].startsWith(kUnreadableMeetMark)) << first[0].toStdString();
  EXPECT_TRUE(QFile::exists(p.workstation.meet_cache));

  // The next start of the program on this workstation reads none of the twenty.
  MeetListCache cache(p.workstation.meet_cache);
  QString folder = meets;
  std::vector<ListedMeet> listed;
  ASSERT_TRUE(ListMeets(p.state, p.dialogs, folder, MeetListHooks{&cache, {}, &listed}));
  EXPECT_EQ(cache.Hits(), 20);
  EXPECT_EQ(cache.Misses(), 0);
  ASSERT_EQ(listed.size(), 21u);
  QStringList again;
  for (const ListedMeet& m : listed) again << m.name;
  EXPECT_EQ(again, first);

  // A meet the results system wrote since is read again.
  QFile::remove(meets + QStringLiteral("/Swim07.mdb"));
  ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("meet-large-jet4.mdb")),
                          meets + QStringLiteral("/Swim07.mdb")));
  ASSERT_TRUE(ListMeets(p.state, p.dialogs, folder, MeetListHooks{&cache, {}, &listed}));
  EXPECT_EQ(cache.Hits(), 39);
  EXPECT_EQ(cache.Misses(), 1);
}

TEST(OperatorPath, MenuCannotBeClosedIntoAnEmptyFrame) {
  Program p;
  WriteMeet(p.folder.Meets(), 1);
  ASSERT_TRUE(p.Start());
  KVS00* main = SelectWithF5(p);
  ASSERT_NE(main, nullptr);
  QMdiSubWindow* menu = Child<QMdiSubWindow>(*main, "KVSMENU_window");
  // No close or minimise button on the menu's frame.
  EXPECT_FALSE(menu->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(menu->windowFlags() & Qt::WindowMinimizeButtonHint);
  // Closing it anyway (Ctrl+F4) does what 大会選択へ(F10) does.
  menu->close();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  ASSERT_NE(p.flow->selection(), nullptr);
  EXPECT_TRUE(p.selection().isVisible());
  EXPECT_FALSE(p.state.ResultsDb);
  QCoreApplication::processEvents();
  EXPECT_EQ(p.flow->main(), nullptr);
}

// The windows' own close buttons go the program's ways out: the main window asks as
// システム終了 does, the meet selection ends the program as 終了(F10) does.
TEST(OperatorPath, CloseButtonsEndOnlyThroughTheProgramsOwnExits) {
  Program p;
  WriteMeet(p.folder.Meets(), 1);
  ASSERT_TRUE(p.Start());
  KVS00* main = SelectWithF5(p);
  ASSERT_NE(main, nullptr);
  QSignalSpy finished(p.flow.get(), &AppFlow::finished);
  p.dialogs.Expect(QStringLiteral("システムを終了します。よろしいですか？"), MsgButtons::YesNo,
                   MsgIcon::Question, QStringLiteral("終了の確認"), Answer::No);
  main->close();
  QCoreApplication::processEvents();
  EXPECT_TRUE(main->isVisible());
  EXPECT_TRUE(p.state.ResultsDb && p.state.ResultsDb->IsOpen());
  EXPECT_EQ(finished.count(), 0);

  QTest::keyClick(main->menuWindow(), Qt::Key_F10);
  QCoreApplication::processEvents();
  ASSERT_NE(p.flow->selection(), nullptr);
  p.selection().close();
  QCoreApplication::processEvents();
  EXPECT_EQ(finished.count(), 1);
  EXPECT_FALSE(p.state.LayoutDb);
  EXPECT_TRUE(p.dialogs.AllShown());
}

TEST(OperatorPath, MainWindowOpensMaximisedThenWhereItWasLeftAndSubWindowsFillIt) {
  Program p;
  WriteMeet(p.folder.Meets(), 1, 40);
  p.DecideLayout();
  ASSERT_TRUE(p.Start());
  KVS00* main = SelectWithF5(p);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->isMaximized());

  // The print list and the layout settings fill the work area.
  QTest::keyClick(main->menuWindow(), Qt::Key_F2);
  QMdiSubWindow* list = main->mdi()->activeSubWindow();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->geometry(), main->mdi()->viewport()->rect());
  QTest::keyClick(main->menuWindow(), Qt::Key_F1);
  QMdiSubWindow* settings = main->mdi()->activeSubWindow();
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->widget()->objectName(), QStringLiteral("KVS210"));
  EXPECT_FALSE(settings->isMinimized());
  EXPECT_EQ(settings->geometry(), main->mdi()->viewport()->rect());

  // Made smaller and moved by the operator, then back to the meet selection and in again: it
  // opens where it was left.
  main->showNormal();
  main->setGeometry(QRect(60, 50, 700, 500));
  QCoreApplication::processEvents();
  const QRect left = main->geometry();
  QTest::keyClick(main->menuWindow(), Qt::Key_F10);
  QCoreApplication::processEvents();
  Activate(&p.selection());
  main = SelectWithF5(p);
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(main->isMaximized());
  EXPECT_EQ(main->geometry().size(), left.size());
  EXPECT_EQ(main->geometry().topLeft(), left.topLeft());
  // Kept in this workstation's own settings, not in the shared program folder.
  EXPECT_FALSE(p.folder.Ini().contains("KVS00"));
  EXPECT_FALSE(LoadWindowGeometry(p.workstation.settings, QStringLiteral("KVS00")).isEmpty());

  // Left partly below the screen, it comes back whole on it (the status bar with the meet
  // within reach); left maximised, it comes back maximised over the work area.
  const QRect area = main->screen()->availableGeometry();
  auto leave_and_return = [&p, &main] {
    QCoreApplication::processEvents();
    QTest::keyClick(main->menuWindow(), Qt::Key_F10);
    QCoreApplication::processEvents();
    Activate(&p.selection());
    main = SelectWithF5(p);
  };
  main->setGeometry(QRect(area.x() + 40, area.bottom() - 300, 500, 400));
  leave_and_return();
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(main->isMaximized());
  EXPECT_TRUE(area.contains(main->frameGeometry())) << main->frameGeometry().y();
  EXPECT_EQ(main->geometry().size(), QSize(500, 400));
  main->showMaximized();
  leave_and_return();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->isMaximized());
  EXPECT_EQ(main->frameGeometry(), area);
}

TEST(OperatorPath, MissingMeetFolderIsReportedOverTheMeetSelection) {
  Program p;  // the meets folder named in KVSYS.ini does not exist
  p.dialogs.Expect(QStringLiteral("競泳ＤＢ（SWIM.mdb）が見つかりません｡ "), MsgButtons::Ok,
                   MsgIcon::Exclamation, kMeetSelectionTitle);
  ASSERT_TRUE(p.Start());
  ASSERT_EQ(p.dialogs.selection_shown.size(), 1u);
  EXPECT_TRUE(p.dialogs.selection_shown[0]);
}

TEST(OperatorPath, FolderChooserStartsAtTheMeetFolderInJapanese) {
  Program p;
  WriteMeet(p.folder.Meets(), 1);
  ASSERT_TRUE(p.Start());
  p.dialogs.ExpectFolder(QString());
  QTest::keyClick(p.grid(), Qt::Key_F8);
  EXPECT_EQ(p.dialogs.FolderStart(), p.folder.Meets() + QStringLiteral("/"));

  // The real chooser: at that folder, with the prompt, and Qt's own texts in Japanese.
  ASSERT_TRUE(InstallJapaneseQtTranslations(*qApp));
  QString title, directory, cancel;
  QTimer::singleShot(0, qApp, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    title = dialog->windowTitle();
    directory = dialog->directory().absolutePath();
    if (auto* box = dialog->findChild<QDialogButtonBox*>()) {
      if (QPushButton* b = box->button(QDialogButtonBox::Cancel)) cancel = b->text();
    }
    dialog->reject();
  });
  QtDialogs real;
  EXPECT_TRUE(real.BrowseFolder(&p.selection(),
                                QStringLiteral("Databaseフォルダを選択してください"),
                                p.state.DbFolder)
                  .isEmpty());
  for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(t);
    delete t;
  }
  EXPECT_EQ(title, QStringLiteral("Databaseフォルダを選択してください"));
  EXPECT_EQ(directory, QDir(p.folder.Meets()).absolutePath());
  EXPECT_EQ(cancel, QStringLiteral("キャンセル"));
}

}  // namespace
}  // namespace kvsys::test
