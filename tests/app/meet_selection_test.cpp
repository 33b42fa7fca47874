#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "app/app_flow_ui.h"
#include "app/captions.h"
#include "app/instance_guard.h"
#include "app/kvs00.h"
#include "app/kvsmenu.h"
#include "app/kvssel.h"
#include "app/meet_list.h"
#include "db/recordset.h"
#include "samplemeet/sample_meet.h"
#include "support/database_files.h"
#include "support/find_child.h"
#include "support/program_folder.h"
#include "support/scripted_dialogs.h"

namespace kvsys::test {
namespace {

using samplemeet::FolderLayout;

const QString kNoMeetFound = QStringLiteral("競泳ＤＢ（SWIM.mdb）が見つかりません｡ ");

QString WriteMeet(const QString& folder, FolderLayout layout, int number) {
  samplemeet::MeetSpec spec;
  spec.number = number;
  spec.swimmers = 12;
  spec.events = 4;
  spec.days = 1;
  QString error;
  const QString path = samplemeet::WriteSampleMeet(folder, layout, spec, false, &error);
  EXPECT_FALSE(path.isEmpty()) << error.toStdString();
  return path;
}

struct Row {
  QString flda, name, first, last;
};

std::vector<Row> MeetRows(Database& layout_db) {
  std::vector<Row> rows;
  auto rs = layout_db.OpenRecordset(QStringLiteral("KVSSEL"), dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    rows.push_back({rs->Field(QStringLiteral("flda")).toString(),
                    rs->Field(QStringLiteral("FLDB")).toString(),
                    rs->Field(QStringLiteral("FLDE")).toString(),
                    rs->Field(QStringLiteral("FLDF")).toString()});
  }
  return rows;
}

// Window shortcuts act only in the active window, as for the operator.
void Activate(QWidget* window) {
  window->show();
  QApplication::setActiveWindow(window);
  QCoreApplication::processEvents();
}

// A started program on a program folder whose KVSYS.ini names its meets folder.
struct Program {
  explicit Program(const QByteArray& version = "0") {
    folder.dir().Write(
        QStringLiteral("KVSYS.ini"),
        "[Ver]\r\nVer=" + version + "\r\n[D_B]\r\nDB_Path=" + folder.Meets().toUtf8() + "/\r\n");
  }
  StartUpOutcome Start() {
    flow = std::make_unique<AppFlow>(state, dialogs, guard, folder.path());
    if (!flow->Start()) return StartUpOutcome::Exit;
    Activate(&selection());
    return StartUpOutcome::Listed;
  }
  KVSSEL& selection() { return *flow->selection(); }

  ProgramFolder folder;
  AppState state;
  ScriptedDialogs dialogs;
  InstanceGuard guard{folder.File(QStringLiteral("kvsys.lock"))};
  std::unique_ptr<AppFlow> flow;
};

TEST(MeetList, Ver50ListsSwimFilesInNumberOrderWithTheirSettings) {
  Program p;
  WriteMeet(p.folder.Meets(), FolderLayout::Ver50, 12);
  WriteMeet(p.folder.Meets(), FolderLayout::Ver50, 2);
  WriteListedMeet(p.folder.Meets() + QStringLiteral("/Swim05.mdb"), QString(),
                  QStringLiteral("2026/05/05"), QStringLiteral("2026/05/06"));
  p.folder.dir().Write(QStringLiteral("meets/Swim100.mdb"), "x");  // beyond 99: not a meet
  ASSERT_EQ(p.Start(), StartUpOutcome::Listed);
  const auto rows = MeetRows(*p.state.LayoutDb);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].flda, QStringLiteral("2"));
  EXPECT_EQ(rows[1].flda, QStringLiteral("5"));
  EXPECT_EQ(rows[1].name, kNoMeetName);
  EXPECT_EQ(rows[1].first, QStringLiteral("2026/05/05"));
  EXPECT_EQ(rows[2].flda, QStringLiteral("12"));
  EXPECT_TRUE(rows[0].name.contains(QStringLiteral("回")));
  EXPECT_EQ(Child<QTableView>(p.selection(), "GRD1")->model()->rowCount(), 3);
  EXPECT_EQ(Child<QLabel>(p.selection(), "LBL1")->text(), QStringLiteral("2"));
  EXPECT_EQ(Child<QLabel>(p.selection(), "LBL2")->text(), rows[0].name);

  // End and Home in the grid go to the last and the first meet.
  auto* grid = Child<QTableView>(p.selection(), "GRD1");
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_End);
  EXPECT_EQ(grid->currentIndex().row(), 2);
  EXPECT_EQ(Child<QLabel>(p.selection(), "LBL1")->text(), QStringLiteral("12"));
  QTest::keyClick(grid, Qt::Key_Home);
  EXPECT_EQ(grid->currentIndex().row(), 0);
}

TEST(MeetList, Ver46KeepsOnlyPlainNumberedFoldersUpToAHundred) {
  Program p("1");
  const QString meets = p.folder.Meets();
  WriteMeet(meets, FolderLayout::Ver46, 3);  // 03/SWIM.mdb
  QDir(meets).mkpath(QStringLiteral("7"));   // no SWIM.mdb: no row, but the folder counts
  WriteListedMeet(meets + QStringLiteral("/1/swim.MDB"), QStringLiteral("小文字の大会"), QString(),
                  QString());
  for (const char* skipped : {"0", "1.5", "A1", "x", ".9"}) {
    WriteListedMeet(meets + "/" + skipped + "/SWIM.mdb", QStringLiteral("除外"), QString(),
                    QString());
  }
  WriteListedMeet(meets + QStringLiteral("/8/SWIM.mdb"), QStringLiteral("読取専用"), QString(),
                  QString());
  QFile::setPermissions(meets + QStringLiteral("/8"),
                        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
  ASSERT_EQ(p.Start(), StartUpOutcome::Listed);
  QFile::setPermissions(meets + QStringLiteral("/8"),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const auto rows = MeetRows(*p.state.LayoutDb);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].flda, QStringLiteral("03"));
  EXPECT_EQ(rows[1].flda, QStringLiteral("1"));
  EXPECT_EQ(rows[1].name, QStringLiteral("小文字の大会"));

  // The listing takes at most a hundred folders.
  for (int n = 10; n < 130; ++n) QDir(meets).mkpath(QString::number(n));
  WriteListedMeet(meets + QStringLiteral("/99/SWIM.mdb"), QStringLiteral("九十九"), QString(),
                  QString());
  QString folder = meets;
  ASSERT_TRUE(ListMeets(p.state, p.dialogs, folder));
  bool has99 = false;
  for (const Row& r : MeetRows(*p.state.LayoutDb)) has99 = has99 || r.flda == "99";
  EXPECT_FALSE(has99);  // "99" sorts after a hundred other names
}

TEST(MeetList, MeetHeldByTheResultsSystemIsListedAsInMaintenance) {
  Program p;
  const QString held = WriteMeet(p.folder.Meets(), FolderLayout::Ver50, 4);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(held.toUtf8().constData(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  p.state.SetExpected({});
  ASSERT_EQ(p.Start(), StartUpOutcome::Listed);
  const auto rows = MeetRows(*p.state.LayoutDb);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, kMeetInMaintenance);
  EXPECT_TRUE(rows[0].first.isEmpty());

  // Selecting it tells the operator to finish the results system's work first.
  p.dialogs.Expect(QStringLiteral("リザルト側がこの大会データを保守（初期化など）しています。\r"
                                  "リザルト側の処理を終了して再試行してください。"),
                   MsgButtons::Ok, MsgIcon::Question, kAppTitle);
  QSignalSpy selected(&p.selection(), &KVSSEL::meetSelected);
  QTest::keyClick(&p.selection(), Qt::Key_F5);
  EXPECT_EQ(selected.count(), 0);
  EXPECT_FALSE(p.state.ResultsDb);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
}

TEST(MeetList, FolderWithoutMeetsKeepsDbPathAndSwitchingVersionRewritesVer) {
  Program p;
  WriteMeet(p.folder.Meets(), FolderLayout::Ver50, 1);
  ASSERT_EQ(p.Start(), StartUpOutcome::Listed);
  const QByteArray ini_before = p.folder.Ini();

  // Ver.4.6 finds no numbered folder: the message, DB_Path unchanged, Ver rewritten.
  p.dialogs.Expect(kNoMeetFound, MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
  Child<QRadioButton>(p.selection(), "optVer_1")->click();
  EXPECT_TRUE(p.folder.Ini().contains("Ver=1"));
  EXPECT_TRUE(p.folder.Ini().contains("DB_Path=" + p.folder.Meets().toUtf8() + "/"));
  EXPECT_TRUE(MeetRows(*p.state.LayoutDb).empty());

  // Another folder with nothing in it: DbFolder and the folder field keep their value.
  TempFolder empty;
  p.dialogs.ExpectFolder(empty.path());
  p.dialogs.Expect(kNoMeetFound, MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
  QTest::keyClick(&p.selection(), Qt::Key_F8);
  EXPECT_EQ(p.state.DbFolder, p.folder.Meets() + "/");
  EXPECT_EQ(Child<QLineEdit>(p.selection(), "txtDBFolder")->text(), p.folder.Meets() + "/");
  EXPECT_TRUE(p.folder.Ini().contains("DB_Path=" + p.folder.Meets().toUtf8() + "/"));
  (void)ini_before;

  // Cancelling the chooser changes nothing.
  p.dialogs.ExpectFolder(QString());
  QTest::keyClick(&p.selection(), Qt::Key_F8);
  EXPECT_TRUE(p.dialogs.AllShown());
}

TEST(MeetSelection, Ver46SubFolderOneIsLookedForAsZeroOne) {
  Program p("1");
  WriteListedMeet(p.folder.Meets() + QStringLiteral("/1/SWIM.mdb"), QStringLiteral("一番の大会"),
                  QString(), QString());
  ASSERT_EQ(p.Start(), StartUpOutcome::Listed);
  p.dialogs.Expect(QStringLiteral("大会 [一番の大会] 格納フォルダが見つかりません。"),
                   MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
  Child<QPushButton>(p.selection(), "SSCommand1")->click();
  EXPECT_FALSE(p.state.ResultsDb);
}

TEST(MeetSelection, MeetFileRemovedAfterListingIsReported) {
  Program p;
  const QString path = WriteMeet(p.folder.Meets(), FolderLayout::Ver50, 6);
  ASSERT_EQ(p.Start(), StartUpOutcome::Listed);
  const QString name = Child<QLabel>(p.selection(), "LBL2")->text();
  QFile::remove(path);
  p.dialogs.Expect(QStringLiteral("大会 [") + name + QStringLiteral("] ファイルが見つかりません。"),
                   MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
  Child<QPushButton>(p.selection(), "SSCommand1")->click();
}

// Selecting a meet opens the main window; its menu checks for a decided layout, and the
// way back runs the start-up again.
TEST(MainWindow, SelectionMenuAndWayBack) {
  Program p;
  WriteMeet(p.folder.Meets(), FolderLayout::Ver50, 7);
  ASSERT_EQ(p.Start(), StartUpOutcome::Listed);
  const QString name = Child<QLabel>(p.selection(), "LBL2")->text();
  QTest::keyClick(&p.selection(), Qt::Key_F5);
  QCoreApplication::processEvents();  // the hand-over is queued
  ASSERT_NE(p.flow->main(), nullptr);
  KVS00& main = *p.flow->main();
  Activate(&main);
  EXPECT_EQ(p.state.MeetNo, 7);
  EXPECT_EQ(p.state.MeetNoText, QStringLiteral("07"));
  EXPECT_EQ(Child<QLabel>(main, "StatusBar1_Panel1")->text(), QStringLiteral("大会No.7"));
  EXPECT_EQ(Child<QLabel>(main, "StatusBar1_Panel2")->text(), name);
  EXPECT_EQ(main.windowTitle(), kKvs00Caption);
  EXPECT_FALSE(p.state.FontNames.isEmpty());
  EXPECT_EQ(p.state.MeetSettings.大会名1, name);
  ASSERT_NE(main.menuWindow(), nullptr);
  EXPECT_EQ(main.menuWindow()->windowTitle(), kKvsmenuCaption);

  // No decided layout: the message, then the layout settings instead of the print list.
  p.dialogs.Expect(QStringLiteral("表示内容を決定してください。"), MsgButtons::Ok, MsgIcon::None,
                   kAppTitle);
  QTest::keyClick(main.menuWindow(), Qt::Key_F2);
  ASSERT_NE(main.mdi()->activeSubWindow(), nullptr);
  EXPECT_EQ(main.mdi()->activeSubWindow()->widget()->objectName(), QStringLiteral("KVS210"));

  // A decided layout opens the print list.
  p.state.LayoutDb->Execute(QStringLiteral("INSERT INTO 全体フォント (全体フォント, 決定) VALUES "
                                           "('ＭＳ　明朝', 3)"),
                            dbFailOnError);
  Child<QPushButton>(main.menuWindow(), "SSCommand4")->click();
  EXPECT_EQ(main.mdi()->activeSubWindow()->widget()->objectName(), QStringLiteral("KVS220"));

  // Ending answered No leaves everything open.
  p.dialogs.Expect(QStringLiteral("システムを終了します。よろしいですか？"), MsgButtons::YesNo,
                   MsgIcon::Question, QStringLiteral("終了の確認"), Answer::No);
  QSignalSpy finished(p.flow.get(), &AppFlow::finished);
  Child<QAction>(main, "pEnd02")->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(finished.count(), 0);
  EXPECT_TRUE(p.state.ResultsDb && p.state.ResultsDb->IsOpen());

  // Esc in the menu goes back to the meet selection, which starts up again.
  QTest::keyClick(main.menuWindow(), Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_FALSE(p.state.ResultsDb);
  ASSERT_NE(p.flow->selection(), nullptr);
  QCoreApplication::processEvents();
  EXPECT_EQ(p.flow->main(), nullptr);
  EXPECT_EQ(Child<QTableView>(p.selection(), "GRD1")->model()->rowCount(), 1);
  EXPECT_TRUE(p.state.LayoutDb && p.state.LayoutDb->IsOpen());
}

}  // namespace
}  // namespace kvsys::test
