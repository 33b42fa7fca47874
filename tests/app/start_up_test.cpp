#include <gtest/gtest.h>

#include "common/profile_file.h"

#include <QFile>
#include <QLabel>
#include <QRadioButton>

#include "app/captions.h"
#include "app/instance_guard.h"
#include "app/kvssel.h"
#include "app/start_up.h"
#include "common/profile_file.h"
#include "common/text_util.h"
#include "db/db_error.h"
#include "db/workspace.h"
#include "layout/layout_db_open.h"
#include "support/database_files.h"
#include "support/find_child.h"
#include "support/program_folder.h"
#include "support/scripted_dialogs.h"

namespace kvsys::test {
namespace {

const QString kNotFound =
    QStringLiteral("競泳ＤＢ（SWIM.mdb）、または、汎用ＤＢ（KVSYS.mdb）が見つかりません｡ ");
const QString kNoMeetFound = QStringLiteral("競泳ＤＢ（SWIM.mdb）が見つかりません｡ ");

// Runs the start-up of the meet selection window on a program folder.
struct StartUpRun {
  explicit StartUpRun(const ProgramFolder& folder)
      : guard(folder.File(QStringLiteral("kvsys.lock"))),
        window(state, dialogs, guard, folder.path()) {}
  StartUpOutcome Run() { return window.Load(); }

  AppState state;
  ScriptedDialogs dialogs;
  InstanceGuard guard;
  KVSSEL window;
};

QByteArray IniWithMeets(const ProgramFolder& folder, const QByteArray& rest) {
  return "[D_B]\r\nDB_Path=" + folder.Meets().toUtf8() + "/\r\n" + rest;
}

TEST(StartUp, BlankDbPathIsFatalAndLeavesPrintOptionsUnread) {
  for (const QByteArray& ini :
       {QByteArray("[Prn]\nDono=False\n"), QByteArray("[D_B]\nDB_Path=   \n[Prn]\nDono=False\n")}) {
    ProgramFolder folder(ini);
    StartUpRun run(folder);
    run.dialogs.Expect(QStringLiteral("初期設定ファイルのエラー（競泳リザルトパス識別不能）"),
                       MsgButtons::Ok, MsgIcon::Critical, kMeetSelectionTitle);
    EXPECT_EQ(run.Run(), StartUpOutcome::Exit);
    EXPECT_TRUE(run.state.Prn.Dono);  // the Prn section was not read
    EXPECT_FALSE(run.state.LayoutDb);
  }
}

TEST(StartUp, PrintOptionsFollowTheirReadingRules) {
  {
    ProgramFolder folder;
    folder.dir().Write(QStringLiteral("KVSYS.ini"), IniWithMeets(folder, ""));
    const QString ini = folder.File(QStringLiteral("KVSYS.ini"));
    {
      StartUpRun run(folder);
      run.dialogs.Expect(kNoMeetFound, MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
      ASSERT_EQ(run.Run(), StartUpOutcome::Listed);
      // No Prn section: the operator's first options are written and read (not every flag
      // set, as missing keys would read).
      const PrintOptions& p = run.state.Prn;
      EXPECT_FALSE(p.Dono || p.Kako || p.Lattice || p.Length || p.RankH || p.Open || p.Relay ||
                   p.OpenRank);
      EXPECT_TRUE(p.Shrink);
      EXPECT_EQ(p.LatticeX, 20);
      EXPECT_EQ(p.LatticeY, 20);
      EXPECT_EQ(p.DonoStr, QStringLiteral("殿"));
      EXPECT_EQ(p.PrnShozNo, 4);
      EXPECT_EQ(ReadProfileValue(ini, kPrnSection, QStringLiteral("Lattice")),
                QStringLiteral("False"));
    }
    // Once: an operator's later choice stays.
    ASSERT_TRUE(
        WriteProfileValue(ini, kPrnSection, QStringLiteral("Lattice"), QStringLiteral("True")));
    StartUpRun again(folder);
    again.dialogs.Expect(kNoMeetFound, MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
    ASSERT_EQ(again.Run(), StartUpOutcome::Listed);
    EXPECT_TRUE(again.state.Prn.Lattice);
    EXPECT_FALSE(again.state.Prn.Dono);
  }
  {
    ProgramFolder folder;
    folder.dir().Write(QStringLiteral("KVSYS.ini"),
                       IniWithMeets(folder,
                                    "[Prn]\r\nDono=false\r\nKako=False\r\nLatticeX=12.7\r\n"
                                    "LatticeY=abc\r\nDonoStr= 様 \r\nPrnShozNo=0\r\n"
                                    "Relay=False\r\n"));
    StartUpRun run(folder);
    run.dialogs.Expect(kNoMeetFound, MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
    ASSERT_EQ(run.Run(), StartUpOutcome::Listed);
    const PrintOptions& p = run.state.Prn;
    EXPECT_TRUE(p.Dono);  // only the exact text "False" clears a flag
    EXPECT_FALSE(p.Kako);
    EXPECT_FALSE(p.Relay);
    EXPECT_EQ(p.LatticeX, 12);
    EXPECT_EQ(p.LatticeY, 0);
    EXPECT_EQ(p.DonoStr, QStringLiteral("様"));
    EXPECT_EQ(p.PrnShozNo, 4);
    // A file with the section keeps its keys: none is added.
    EXPECT_TRUE(ReadProfileValue(folder.File(QStringLiteral("KVSYS.ini")), kPrnSection,
                                 QStringLiteral("Lattice"))
                    .isEmpty());
  }
}

TEST(StartUp, VersionSelectsItsOptionAndIsWrittenBack) {
  struct Case {
    QByteArray ver;
    bool ver46;
  };
  for (const Case& c : {Case{"", false}, Case{"[Ver]\nVer=1\n", true},
                        Case{"[Ver]\nVer=1.9\n", true}, Case{"[Ver]\nVer=x\n", false}}) {
    ProgramFolder folder;
    folder.dir().Write(QStringLiteral("KVSYS.ini"), c.ver + IniWithMeets(folder, ""));
    StartUpRun run(folder);
    run.dialogs.Expect(kNoMeetFound, MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
    ASSERT_EQ(run.Run(), StartUpOutcome::Listed) << c.ver.constData();
    EXPECT_EQ(Child<QRadioButton>(run.window, "optVer_1")->isChecked(), c.ver46)
        << c.ver.constData();
    // Listing nothing still rewrites Ver, and keeps DB_Path.
    EXPECT_TRUE(folder.Ini().contains(c.ver46 ? "Ver=1" : "Ver=0")) << folder.Ini().constData();
    EXPECT_TRUE(folder.Ini().contains("DB_Path=" + folder.Meets().toUtf8() + "/"));
  }
}

TEST(StartUp, VersionWithoutAnOptionEndsTheStartUp) {
  ProgramFolder folder;
  folder.dir().Write(QStringLiteral("KVSYS.ini"), "[Ver]\nVer=2\n" + IniWithMeets(folder, ""));
  StartUpRun run(folder);
  run.dialogs.Expect(QStringLiteral("コントロール配列の要素が存在しません。(340)"), MsgButtons::Ok,
                     MsgIcon::Critical, kMeetSelectionTitle);
  EXPECT_EQ(run.Run(), StartUpOutcome::Exit);
  EXPECT_FALSE(run.state.Workspace);
}

TEST(StartUp, ProgramFolderWithTrailingSeparatorGivesTheSamePaths) {
  AppState a, b, c;
  SetProgramFolder(a, QStringLiteral("/srv/kvsys"));
  SetProgramFolder(b, QStringLiteral("/srv/kvsys/"));
  SetProgramFolder(c, QStringLiteral("/srv/kvsys\\"));
  EXPECT_EQ(a.IniPath, QStringLiteral("/srv/kvsys/KVSYS.ini"));
  EXPECT_EQ(a.LayoutDbPath, QStringLiteral("/srv/kvsys/KVSYS.mdb"));
  EXPECT_EQ(b.IniPath, a.IniPath);
  EXPECT_EQ(c.IniPath, a.IniPath);
  EXPECT_EQ(b.AppFolder, QStringLiteral("/srv/kvsys"));
}

TEST(StartUp, UnusableLayoutDatabaseEndsTheProgramWithItsMessage) {
  {
    ProgramFolder folder(QByteArray(), false);
    folder.dir().Write(QStringLiteral("KVSYS.ini"), IniWithMeets(folder, ""));
    StartUpRun run(folder);
    run.dialogs.Expect(kNotFound, MsgButtons::Ok, MsgIcon::Critical, kMeetSelectionTitle);
    EXPECT_EQ(run.Run(), StartUpOutcome::Exit);
  }
  const QString not_a_database =
      ToFullWidth(QStringLiteral("データベースファイル（KVSYS.mdb）の形式を認識できません。")) +
      QStringLiteral("(3343)");
  for (const QByteArray& content : {QByteArray("これはテキストです\n"), QByteArray()}) {
    ProgramFolder folder(QByteArray(), false);
    folder.dir().Write(QStringLiteral("KVSYS.ini"), IniWithMeets(folder, ""));
    folder.dir().Write(QStringLiteral("KVSYS.mdb"), content);
    StartUpRun run(folder);
    run.dialogs.Expect(not_a_database, MsgButtons::Ok, MsgIcon::Critical, kMeetSelectionTitle);
    EXPECT_EQ(run.Run(), StartUpOutcome::Exit);
    EXPECT_EQ(folder.dir().Read(QStringLiteral("KVSYS.mdb")), content);  // left as it was
  }
  {
    ProgramFolder folder(QByteArray(), false);
    folder.dir().Write(QStringLiteral("KVSYS.ini"), IniWithMeets(folder, ""));
    QDir().mkpath(folder.File(QStringLiteral("KVSYS.mdb")));
    StartUpRun run(folder);
    run.dialogs.Expect(not_a_database, MsgButtons::Ok, MsgIcon::Critical, kMeetSelectionTitle);
    EXPECT_EQ(run.Run(), StartUpOutcome::Exit);
  }
}

// A KVSYS.mdb that opens but is damaged inside (a shared file whose locking failed, say): the
// program writes nothing more to it, keeps a copy and ends with the reason.
TEST(StartUp, ADamagedLayoutDatabaseIsCopiedAndNotWrittenTo) {
  ProgramFolder folder;
  folder.dir().Write(QStringLiteral("KVSYS.ini"), IniWithMeets(folder, ""));
  const QByteArray bytes = folder.DamageLayoutDb(QStringLiteral("保存名"));
  QString problem;
  {
    Workspace ws;
    problem = ws.OpenDatabase(folder.LayoutDbPath(), false, true)->IntegrityProblem();
  }
  ASSERT_FALSE(problem.isEmpty());
  StartUpRun run(folder);
  run.dialogs.Expect(
      kLayoutDbDamagedMessage + QStringLiteral("\r写し：") +
          QDir::toNativeSeparators(folder.LayoutDbPath() + QStringLiteral(".damaged")) +
          QStringLiteral("\r\r") + problem.left(300),
      MsgButtons::Ok, MsgIcon::Critical, kMeetSelectionTitle);
  EXPECT_EQ(run.Run(), StartUpOutcome::Exit);
  EXPECT_EQ(folder.dir().Read(QStringLiteral("KVSYS.mdb")), bytes);
  EXPECT_EQ(folder.dir().Read(QStringLiteral("KVSYS.mdb.damaged")), bytes);
}

TEST(StartUp, SecondCopyIsRefusedButTheRunningCopyMayStartAgain) {
  ProgramFolder folder;
  folder.dir().Write(QStringLiteral("KVSYS.ini"), IniWithMeets(folder, ""));
  StartUpRun first(folder);
  first.dialogs.Expect(kNoMeetFound, MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
  ASSERT_EQ(first.Run(), StartUpOutcome::Listed);

  StartUpRun second(folder);  // same lock file: another copy on this workstation
  second.dialogs.Expect(QStringLiteral("このシステムは２重起動できません。"), MsgButtons::Ok,
                        MsgIcon::Exclamation, kKvsselCaption);
  EXPECT_EQ(second.Run(), StartUpOutcome::Exit);

  // Going back to the meet selection runs the start-up again in the running copy.
  first.state.CloseDatabases();
  first.dialogs.Expect(kNoMeetFound, MsgButtons::Ok, MsgIcon::Exclamation, kMeetSelectionTitle);
  EXPECT_EQ(first.Run(), StartUpOutcome::Listed);
}

TEST(StartUp, MeetListIsEmptiedAndRefilledFromTheFolder) {
  ProgramFolder folder;
  folder.dir().Write(QStringLiteral("KVSYS.ini"), IniWithMeets(folder, ""));
  {
    Workspace ws;
    auto db = ws.OpenDatabase(folder.File(QStringLiteral("KVSYS.mdb")));
    db->Execute(QStringLiteral("INSERT INTO KVSSEL (flda, FLDB) VALUES ('7', '古い行')"),
                dbFailOnError);
  }
  WriteListedMeet(folder.Meets() + QStringLiteral("/Swim03.mdb"),
                  QStringLiteral("第３回 テスト大会"), QStringLiteral("2026/07/18"),
                  QStringLiteral("2026/07/19"));
  WriteListedMeet(folder.Meets() + QStringLiteral("/Swim01.mdb"), QStringLiteral("  "),
                  QStringLiteral("2026/06/01"), QStringLiteral("2026/06/02"));
  StartUpRun run(folder);
  ASSERT_EQ(run.Run(), StartUpOutcome::Listed);
  auto rs = run.state.LayoutDb->OpenRecordset(QStringLiteral("KVSSEL"), dbOpenSnapshot);
  ASSERT_EQ(CountRows(*rs), 2);
  EXPECT_EQ(rs->Field(QStringLiteral("flda")).toInt(), 1);
  EXPECT_EQ(rs->Field(QStringLiteral("FLDB")).toString(), QStringLiteral("(大会名１が未登録)"));
  EXPECT_EQ(rs->Field(QStringLiteral("FLDE")).toString(), QStringLiteral("2026/06/01"));
  rs->MoveNext();
  EXPECT_EQ(rs->Field(QStringLiteral("flda")).toInt(), 3);
  EXPECT_EQ(rs->Field(QStringLiteral("FLDB")).toString(), QStringLiteral("第３回 テスト大会"));
  EXPECT_EQ(rs->Field(QStringLiteral("FLDF")).toString(), QStringLiteral("2026/07/19"));
  EXPECT_EQ(Child<QLabel>(run.window, "LBL1")->text(), QStringLiteral("1"));
}

}  // namespace
}  // namespace kvsys::test
