// A KVSYS.mdb brought from a Windows workstation (a Jet file) becomes the layout database of
// this system once, its original kept beside it; a failed conversion changes nothing.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "db/schema.h"
#include "layout/layout_jet_import.h"
#include "support/fixture.h"
#include "support/layout_db_test.h"

namespace kvsys::test {
namespace {

QStringList Entries(const TempFolder& folder) {
  return QDir(folder.path())
      .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

const QString kConverted = QStringLiteral(
    "KVSYS.mdb を Windows 版の形式（Jet）からこのシステムの形式に変換しました。元のファイルは "
    "%1 として残してあります。");

TEST(JetLayoutImport, JetFileIsConvertedOnceAndKeptBeside) {
  TempFolder folder;
  const QByteArray jet = ReadFixture(QStringLiteral("Swim01.mdb"));
  ASSERT_FALSE(jet.isEmpty());
  const QString path = folder.Write(QStringLiteral("KVSYS.mdb"), jet);
  ScriptedDialogs dialogs;
  dialogs.Expect(kConverted.arg(QStringLiteral("KVSYS.mdb.jet")), MsgButtons::Ok,
                 MsgIcon::Information, kAppTitle);
  ASSERT_TRUE(ConvertJetLayoutDatabase(path, dialogs));

  EXPECT_EQ(Entries(folder), (QStringList{"KVSYS.mdb", "KVSYS.mdb.jet"}));
  EXPECT_EQ(folder.Read(QStringLiteral("KVSYS.mdb.jet")), jet);
  EXPECT_TRUE(folder.Read(QStringLiteral("KVSYS.mdb")).startsWith("SQLite format 3"));
  {
    Workspace workspace;
    auto db = workspace.OpenDatabase(path);
    EXPECT_FALSE(db->IsReadOnly());
    for (const QString& table : LayoutTableNames()) EXPECT_TRUE(db->TableExists(table));
    // The Jet file's own tables came along with every row.
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM 選手マスター WHERE 選手番号 = 8"),
                                dbOpenSnapshot);
    EXPECT_EQ(rs->Field(QStringLiteral("氏名")).toString(), QStringLiteral("中村 湊"));
    EXPECT_EQ(rs->Field(QStringLiteral("所属名称１")).typeId(), QMetaType::QString);
    EXPECT_EQ(
        db->OpenRecordset(QStringLiteral("SELECT count(*) FROM 記録マスター"))->Field(0).toInt(),
        27);
  }
  // Now it is no Jet file: nothing more happens.
  EXPECT_FALSE(ConvertJetLayoutDatabase(path, dialogs));
  EXPECT_EQ(Entries(folder), (QStringList{"KVSYS.mdb", "KVSYS.mdb.jet"}));
}

TEST(JetLayoutImport, AnOlderCopyBesideIsNeverReplaced) {
  TempFolder folder;
  const QString path =
      folder.Write(QStringLiteral("KVSYS.mdb"), ReadFixture(QStringLiteral("jet3-cp932.mdb")));
  folder.Write(QStringLiteral("KVSYS.mdb.jet"), "older");
  ScriptedDialogs dialogs;
  dialogs.Expect(kConverted.arg(QStringLiteral("KVSYS.mdb.jet2")), MsgButtons::Ok,
                 MsgIcon::Information, kAppTitle);
  ASSERT_TRUE(ConvertJetLayoutDatabase(path, dialogs));
  EXPECT_EQ(folder.Read(QStringLiteral("KVSYS.mdb.jet")), QByteArray("older"));
  EXPECT_EQ(folder.Read(QStringLiteral("KVSYS.mdb.jet2")),
            ReadFixture(QStringLiteral("jet3-cp932.mdb")));
}

TEST(JetLayoutImport, FailedConversionLeavesTheFolderAsItWas) {
  TempFolder folder;
  const QByteArray damaged = ReadFixture(QStringLiteral("Swim01.mdb")).left(40960);
  const QString path = folder.Write(QStringLiteral("KVSYS.mdb"), damaged);
  ScriptedDialogs dialogs;  // no box: the caller reports the error
  try {
    ConvertJetLayoutDatabase(path, dialogs);
    ADD_FAILURE() << "a damaged file was converted";
  } catch (const DbError& e) {
    EXPECT_EQ(e.number(), 3343);
  }
  EXPECT_EQ(Entries(folder), QStringList{"KVSYS.mdb"});
  EXPECT_EQ(folder.Read(QStringLiteral("KVSYS.mdb")), damaged);

  // An SQLite file, or no file at all, is left alone.
  const QString sqlite = folder.File(QStringLiteral("other.mdb"));
  CreateLayoutDatabase(sqlite);
  EXPECT_FALSE(ConvertJetLayoutDatabase(sqlite, dialogs));
  EXPECT_FALSE(ConvertJetLayoutDatabase(folder.File(QStringLiteral("none.mdb")), dialogs));
}

TEST(JetLayoutImport, LayoutTablesTakeTheRowsByTheirColumnNames) {
  TempFolder folder;
  const QString from_path = folder.File(QStringLiteral("from.mdb"));
  CreateDatabase(from_path);
  {
    RawDb from(from_path);
    // Names as an old file may write them: other case, full-width letters, a column more.
    from.Exec(
        QStringLiteral("CREATE TABLE 保存名 (SAVENUMBER INTEGER, ＴＡＩＫＡＩ_ＮＯ INTEGER, "
                       "SaveName TEXT, メモ TEXT)"));
    from.Exec(
        QStringLiteral("INSERT INTO 保存名 VALUES (3, 1, '県大会', 'x'), (7, 0, '市民', NULL)"));
  }
  const QString to_path = folder.File(QStringLiteral("to.mdb"));
  CreateLayoutDatabase(to_path);
  Workspace workspace;
  auto from = workspace.OpenDatabase(from_path);
  auto to = workspace.OpenDatabase(to_path);
  CopyTablesInto(*from, *to);
  auto rs =
      to->OpenRecordset(QStringLiteral("SELECT * FROM 保存名 ORDER BY SaveNumber"), dbOpenSnapshot);
  ASSERT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->Field(QStringLiteral("savenumber")).toInt(), 3);
  EXPECT_EQ(rs->Field(QStringLiteral("taikai_no")).toInt(), 1);
  EXPECT_EQ(rs->Field(QStringLiteral("savename")).toString(), QStringLiteral("県大会"));
  EXPECT_EQ(rs->Field(QStringLiteral("メモ")).toString(), QStringLiteral("x"));
  EXPECT_EQ(to->ColumnNames(QStringLiteral("保存名")).size(),
            LayoutTableColumns(QStringLiteral("保存名")).size() + 1);

  // A value the layout schema refuses fails the copy instead of slipping in.
  {
    RawDb raw(from_path);
    raw.Exec(QStringLiteral("INSERT INTO 保存名 VALUES (40000, 0, 'x', NULL)"));
  }
  const QString again = folder.File(QStringLiteral("again.mdb"));
  CreateLayoutDatabase(again);
  auto to2 = workspace.OpenDatabase(again);
  try {
    CopyTablesInto(*from, *to2);
    ADD_FAILURE() << "an out-of-range layout number was copied";
  } catch (const DbError& e) {
    EXPECT_EQ(e.number(), 3349);
  }
}

}  // namespace
}  // namespace kvsys::test
