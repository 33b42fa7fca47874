#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTableView>

#include "app/captions.h"
#include "app/first_start.h"
#include "app/instance_guard.h"
#include "app/kvssel.h"
#include "app/start_up.h"
#include "certificate/example_layouts.h"
#include "common/program_folder_place.h"
#include "db/workspace.h"
#include "layout/layout_store.h"
#include "samplemeet/sample_meet.h"
#include "support/find_child.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace kvsys::test {
namespace {

const QString kCreated = QStringLiteral("設定とレイアウトのフォルダを作成しました。\r");
const QString kChooseMeets =
    QStringLiteral("\r\r次に、大会データベース（競泳リザルト）のフォルダを選択してください。");

// One user of a machine with the program installed in /usr/bin.
ProgramFolderFacts InstalledFor(const QString& data_home, const QString& environment = {}) {
  ProgramFolderFacts facts;
  facts.executable_folder = QStringLiteral("/usr/bin");
  facts.executable_folder_writable = false;
  facts.environment = environment;
  facts.data_home = data_home;
  facts.working_folder = QStringLiteral("/home/someone");
  return facts;
}

// The names of the saved layouts and the decided one's name.
std::pair<QStringList, QString> Layouts(const QString& folder) {
  Workspace workspace;
  auto db = workspace.OpenDatabase(QDir(folder).filePath(QStringLiteral("KVSYS.mdb")));
  ScriptedDialogs dialogs;
  DbErrorState errors;
  LayoutStore store(*db, dialogs, errors);
  QStringList names;
  for (const SavedLayout& l : store.ListLayouts()) names << l.name;
  const QString decided = store.LayoutName(store.DecidedLayout()).value_or(QString());
  db->Close();
  return {names, decided};
}

// The start of kvsys up to the meet selection on a place: the folder readied, then the
// window's start-up.
StartUpOutcome StartTo(const ProgramFolderPlace& place, ScriptedDialogs& dialogs,
                       const QString& lock, int* meets_listed = nullptr) {
  AppState state;
  InstanceGuard guard(lock);
  if (!PrepareProgramFolder(place, dialogs, state)) return StartUpOutcome::Exit;
  KVSSEL window(state, dialogs, guard, place.folder);
  const StartUpOutcome outcome = window.Load();
  if (meets_listed) *meets_listed = Child<QTableView>(window, "GRD1")->model()->rowCount();
  state.CloseDatabases();
  return outcome;
}

TEST(ProgramFolderPlace, InstalledProgramsUseTheUsersDataFolderUnlessAFolderIsNamed) {
  // Run from a build or a program folder: that folder, as always.
  ProgramFolderFacts build;
  build.executable_folder = QStringLiteral("/src/kvsys/build/bin");
  build.executable_folder_writable = true;
  build.data_home = QStringLiteral("/home/a/.local/share");
  ProgramFolderPlace place = ChooseProgramFolder(build);
  EXPECT_EQ(place.folder, QStringLiteral("/src/kvsys/build/bin"));
  EXPECT_EQ(place.kind, ProgramFolderKind::Beside);
  // A program folder prepared by hand on a read-only share keeps working from there.
  build.executable_folder_writable = false;
  build.executable_folder_has_ini = true;
  EXPECT_EQ(ChooseProgramFolder(build).kind, ProgramFolderKind::Beside);
  build.executable_folder_has_ini = false;
  EXPECT_EQ(ChooseProgramFolder(build).folder, QStringLiteral("/home/a/.local/share/kvsys"));

  // Installed: each user their own folder, even root, who could write into /usr/bin.
  ProgramFolderFacts root = InstalledFor(QStringLiteral("/root/.local/share"));
  root.executable_folder_writable = true;
  place = ChooseProgramFolder(root);
  EXPECT_EQ(place.folder, QStringLiteral("/root/.local/share/kvsys"));
  EXPECT_EQ(place.kind, ProgramFolderKind::User);
  EXPECT_EQ(ChooseProgramFolder(InstalledFor(QStringLiteral("/home/b/data/"))).folder,
            QStringLiteral("/home/b/data/kvsys"));
  // No home at all: no folder rather than one in the working folder.
  EXPECT_TRUE(ChooseProgramFolder(InstalledFor(QString())).folder.isEmpty());

  // A shared folder named by the environment, relative to where the program was started; the
  // command line names one over it.
  ProgramFolderFacts shared =
      InstalledFor(QStringLiteral("/home/a/.local/share"), QStringLiteral("../common/kvsys/"));
  place = ChooseProgramFolder(shared);
  EXPECT_EQ(place.folder, QStringLiteral("/home/common/kvsys"));
  EXPECT_EQ(place.kind, ProgramFolderKind::Named);
  shared.option = QStringLiteral("/srv/meet");
  EXPECT_EQ(ChooseProgramFolder(shared).folder, QStringLiteral("/srv/meet"));
}

TEST(ProgramFolderPlace, ArgumentsOfTheProgram) {
  ProgramArguments a = ParseProgramArguments({QStringLiteral("--program-folder"), "/x"});
  EXPECT_TRUE(a.error.isEmpty());
  EXPECT_EQ(a.program_folder, QStringLiteral("/x"));
  a = ParseProgramArguments({QStringLiteral("--program-folder=/y"), "--version"});
  EXPECT_EQ(a.program_folder, QStringLiteral("/y"));
  EXPECT_TRUE(a.version);
  EXPECT_FALSE(ParseProgramArguments({QStringLiteral("--program-folder")}).error.isEmpty());
  EXPECT_FALSE(ParseProgramArguments({QStringLiteral("meets")}).error.isEmpty());
}

TEST(ProgramFolderPlace, EachUserOfAnInstalledProgramGetsAFolderOfTheirOwn) {
  TempFolder machine;
  const QString meets = machine.File(QStringLiteral("meets"));
  samplemeet::MeetSpec spec;
  spec.swimmers = 12;
  spec.events = 4;
  spec.days = 1;
  QString error;
  ASSERT_FALSE(
      samplemeet::WriteSampleMeet(meets, samplemeet::FolderLayout::Ver50, spec, false, &error)
          .isEmpty())
      << error.toStdString();

  for (const QString& user : {QStringLiteral("a"), QStringLiteral("b")}) {
    const ProgramFolderPlace place =
        ChooseProgramFolder(InstalledFor(machine.File(user + QStringLiteral("/.local/share"))));
    const QString folder = machine.File(user + QStringLiteral("/.local/share/kvsys"));
    ASSERT_EQ(place.folder, folder);
    const QString lock = machine.File(user + QStringLiteral(".lock"));
    {
      // The first start makes the folder with the example layouts and asks for the meets.
      ScriptedDialogs dialogs;
      dialogs.Expect(kCreated + folder + kChooseMeets, MsgButtons::Ok, MsgIcon::Information,
                     kMeetSelectionTitle);
      dialogs.ExpectFolder(meets);
      int listed = 0;
      ASSERT_EQ(StartTo(place, dialogs, lock, &listed), StartUpOutcome::Listed);
      EXPECT_EQ(listed, 1);
    }
    const auto [names, decided] = Layouts(folder);
    EXPECT_EQ(names, (QStringList{kStandardExampleName, kVerticalExampleName}));
    EXPECT_EQ(decided, kStandardExampleName);
    {
      // The next start asks nothing.
      ScriptedDialogs dialogs;
      ASSERT_EQ(StartTo(place, dialogs, lock), StartUpOutcome::Listed);
    }
  }
  // Nothing landed beside the meets.
  EXPECT_FALSE(QFileInfo::exists(QDir(meets).filePath(QStringLiteral("KVSYS.mdb"))));
}

TEST(ProgramFolderPlace, UsersNamingOneFolderShareItAndItsLayouts) {
  TempFolder machine;
  const QString meets = machine.File(QStringLiteral("meets"));
  QDir().mkpath(meets);
  const QString shared = machine.File(QStringLiteral("share/kvsys"));
  const ProgramFolderPlace a =
      ChooseProgramFolder(InstalledFor(machine.File(QStringLiteral("a")), shared));
  const ProgramFolderPlace b =
      ChooseProgramFolder(InstalledFor(machine.File(QStringLiteral("b")), shared));
  ASSERT_EQ(a.folder, shared);
  ASSERT_EQ(b.folder, shared);
  {
    // The first user to start there is asked; cancelling ends the program and asks again the
    // next time, with the layout database kept.
    ScriptedDialogs dialogs;
    dialogs.Expect(kCreated + shared + kChooseMeets, MsgButtons::Ok, MsgIcon::Information,
                   kMeetSelectionTitle);
    dialogs.ExpectFolder(QString());
    dialogs.Expect(QStringLiteral("大会データベースのフォルダが選択されなかったため終了します。\r"
                                  "次の起動でもう一度選択できます。"),
                   MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
    EXPECT_EQ(StartTo(a, dialogs, machine.File(QStringLiteral("a.lock"))), StartUpOutcome::Exit);
  }
  {
    ScriptedDialogs dialogs;
    dialogs.Expect(QStringLiteral("大会データベースのフォルダが設定されていません。\r") + shared +
                       kChooseMeets,
                   MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
    dialogs.ExpectFolder(meets);
    dialogs.Expect(QStringLiteral("競泳ＤＢ（SWIM.mdb）が見つかりません｡ "), MsgButtons::Ok,
                   MsgIcon::Exclamation, kMeetSelectionTitle);
    EXPECT_EQ(StartTo(a, dialogs, machine.File(QStringLiteral("a.lock"))), StartUpOutcome::Listed);
  }
  {
    // The second user finds the folder ready: no question, the same two layouts.
    ScriptedDialogs dialogs;
    dialogs.Expect(QStringLiteral("競泳ＤＢ（SWIM.mdb）が見つかりません｡ "), MsgButtons::Ok,
                   MsgIcon::Exclamation, kMeetSelectionTitle);
    EXPECT_EQ(StartTo(b, dialogs, machine.File(QStringLiteral("b.lock"))), StartUpOutcome::Listed);
  }
  EXPECT_EQ(Layouts(shared).first, (QStringList{kStandardExampleName, kVerticalExampleName}));
  EXPECT_FALSE(QFileInfo::exists(machine.File(QStringLiteral("a/kvsys"))));
  EXPECT_FALSE(QFileInfo::exists(machine.File(QStringLiteral("b/kvsys"))));
}

// A program folder made by hand beside the program, without KVSYS.mdb: made as an installed
// program makes it, and the operator is told where, instead of a message naming no folder.
TEST(ProgramFolderPlace, AFolderBesideTheProgramWithoutItsLayoutDatabaseGetsOne) {
  TempFolder machine;
  const QString meets = machine.File(QStringLiteral("meets"));
  samplemeet::MeetSpec spec;
  spec.swimmers = 12;
  spec.events = 4;
  spec.days = 1;
  QString error;
  ASSERT_FALSE(
      samplemeet::WriteSampleMeet(meets, samplemeet::FolderLayout::Ver50, spec, false, &error)
          .isEmpty())
      << error.toStdString();
  ProgramFolderPlace place;
  place.folder = machine.File(QStringLiteral("bin"));
  place.kind = ProgramFolderKind::Beside;
  ASSERT_TRUE(QDir().mkpath(place.folder));
  QFile ini(QDir(place.folder).filePath(QStringLiteral("KVSYS.ini")));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[D_B]\nDB_Path=" + meets.toUtf8() + "/\n");
  ini.close();

  ScriptedDialogs dialogs;
  dialogs.Expect(
      QStringLiteral("レイアウトデータベース（KVSYS.mdb）がなかったため、見本のレイアウト"
                     "入りで作成しました。\r") +
          place.folder,
      MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
  int listed = 0;
  ASSERT_EQ(StartTo(place, dialogs, machine.File(QStringLiteral("k.lock")), &listed),
            StartUpOutcome::Listed);
  EXPECT_EQ(listed, 1);
  EXPECT_EQ(Layouts(place.folder).second, kStandardExampleName);
}

}  // namespace
}  // namespace kvsys::test
