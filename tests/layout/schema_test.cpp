// The layout database as other programs and workstations see it.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include "db/recordset.h"
#include "layout/layout_items.h"
#include "support/layout_db_test.h"

namespace kvsys::test {
namespace {

QStringList Columns(RawDb& raw, const QString& table) {
  QStringList out;
  for (int cid = 0;; ++cid) {
    const QVariant name =
        raw.Scalar(QStringLiteral("SELECT name FROM pragma_table_info('%1') WHERE cid = %2")
                       .arg(table)
                       .arg(cid));
    if (name.isNull()) break;
    out << name.toString();
  }
  return out;
}

TEST(LayoutSchema, TablesAndColumnsOtherReadersRelyOn) {
  ProgramFolder folder;
  const QString path = folder.LayoutDbPath();
  RawDb raw(path);

  for (const QString& table :
       {QStringLiteral("保存名"), QStringLiteral("KVS210"), QStringLiteral("座標"),
        QStringLiteral("フォント"), QStringLiteral("ShowOrNot"), QStringLiteral("全体フォント"),
        QStringLiteral("KVSSEL"), QStringLiteral("KVS40"), QStringLiteral("KVS30")}) {
    EXPECT_EQ(raw.Scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                        "AND name = '%1'")
                             .arg(table))
                  .toInt(),
              1)
        << table.toStdString();
  }
  // Readers of KVS210 take its columns by position.
  EXPECT_EQ(Columns(raw, QStringLiteral("KVS210")),
            QStringList({"SaveNumber", "FLDA", "FLDB", "FLDC", "FLDD", "FLDE", "FLDF", "FLDG",
                         "FLDH", "FLDI", "FLDJ", "FLDK", "FLDL", "FLDM", "FLDN"}));
  EXPECT_EQ(Columns(raw, QStringLiteral("保存名")),
            QStringList({"SaveNumber", "taikai_no", "savename"}));
  EXPECT_EQ(Columns(raw, QStringLiteral("全体フォント")), QStringList({"全体フォント", "決定"}));
  EXPECT_EQ(Columns(raw, QStringLiteral("KVSSEL")), QStringList({"flda", "FLDB", "FLDE", "FLDF"}));
  const QStringList work = {"flda", "FLDB", "FLDC", "FLDD", "FLDE", "FLDF", "FLDG"};
  EXPECT_EQ(Columns(raw, QStringLiteral("KVS40")), work);
  EXPECT_EQ(Columns(raw, QStringLiteral("KVS30")), work);

  const QStringList positions = Columns(raw, QStringLiteral("座標"));
  ASSERT_EQ(positions.size(), 39);
  EXPECT_TRUE(positions.contains(QStringLiteral("殿X")) &&
              positions.contains(QStringLiteral("殿Y")));
  EXPECT_TRUE(positions.contains(QStringLiteral("授与者X")));
  const QStringList fonts = Columns(raw, QStringLiteral("フォント"));
  EXPECT_EQ(fonts.size(), 1 + 18 * 4);
  EXPECT_TRUE(fonts.contains(QStringLiteral("授与者名F")) &&
              fonts.contains(QStringLiteral("授与者名i")));
  const QStringList show = Columns(raw, QStringLiteral("ShowOrNot"));
  EXPECT_EQ(show.size(), 19);
  EXPECT_TRUE(show.contains(QStringLiteral("氏名")) && !show.contains(QStringLiteral("選手名")));

  // Every column of 座標 defaults to 0, so a row added with its number only sits at the base
  // positions.
  EXPECT_EQ(raw.Scalar(QStringLiteral("SELECT count(*) FROM pragma_table_info('座標') "
                                      "WHERE dflt_value IS NOT '0'"))
                .toInt(),
            0);
  raw.Exec(QStringLiteral("INSERT INTO 座標 (SaveNumber) VALUES (5)"));
  QStringList sums;
  for (const QString& c : positions) sums << QStringLiteral("abs(\"%1\")").arg(c);
  EXPECT_EQ(
      raw.Scalar(
             QStringLiteral("SELECT %1 FROM 座標 WHERE SaveNumber = 5").arg(sums.mid(1).join(u'+')))
          .toInt(),
      0);
}

TEST(LayoutSchema, MeetListKeepsFolderNamesAndNumbers) {
  ProgramFolder folder;
  const QString path = folder.LayoutDbPath();
  Workspace ws;
  auto db = ws.OpenDatabase(path);
  auto rs = db->OpenRecordset(QStringLiteral("KVSSEL"), dbOpenTable);
  rs->AddNew();
  rs->SetField(QStringLiteral("FLDA"), QStringLiteral("007"));
  rs->SetField(QStringLiteral("FLDE"), QStringLiteral("2024/07/21 00:00:00"));
  rs->Update();
  rs->AddNew();
  rs->SetField(QStringLiteral("flda"), 12);
  rs->Update();
  auto read = db->OpenRecordset(QStringLiteral("select * from KVSSEL"), dbOpenSnapshot);
  EXPECT_EQ(read->Field(QStringLiteral("flda")).toString(), QStringLiteral("007"));
  EXPECT_EQ(read->Field(QStringLiteral("fldE")).toString(), QStringLiteral("2024/07/21 00:00:00"));
  read->MoveNext();
  EXPECT_EQ(read->Field(QStringLiteral("flda")).toInt(), 12);
}

TEST(LayoutSchema, NeverOverwritesAndLeavesNothingBehindOnFailure) {
  TempFolder folder;
  const QString path = folder.Write(QStringLiteral("KVSYS.mdb"), "operator's file");
  try {
    CreateLayoutDatabase(path);
    ADD_FAILURE() << "an existing file was accepted";
  } catch (const DbError& e) {
    EXPECT_EQ(e.number(), dberr::kDatabaseExists);
  }
  EXPECT_EQ(folder.Read(QStringLiteral("KVSYS.mdb")), QByteArray("operator's file"));

  EXPECT_THROW(CreateLayoutDatabase(folder.File(QStringLiteral("missing/KVSYS.mdb"))), DbError);
  EXPECT_THROW(CreateLayoutDatabase(QString()), DbError);

  const QString fresh = folder.File(QStringLiteral("new.mdb"));
  CreateLayoutDatabase(fresh);
  // Only the two databases: no work file of the creation stays in the folder.
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({"KVSYS.mdb", "new.mdb"}));
  EXPECT_THROW(CreateLayoutDatabase(fresh), DbError);
}

// The command the set-up script and operators use.
TEST(LayoutSchema, MkdbCommand) {
  const QString program = QStringLiteral(KVSYS_BINARY_DIR "/bin/kvsys-mkdb");
  ASSERT_TRUE(QFileInfo::exists(program)) << "kvsys-mkdb is built with the layout tests";
  TempFolder folder;
  const QString path = folder.File(QStringLiteral("KVSYS.mdb"));
  auto run = [&](const QStringList& args, QString* err = nullptr) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(30000));
    if (err) *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitCode();
  };

  EXPECT_EQ(run({path}), 0);
  {
    RawDb raw(path);
    EXPECT_EQ(Columns(raw, QStringLiteral("KVS210")).value(14), QStringLiteral("FLDN"));
    EXPECT_EQ(raw.Scalar(QStringLiteral("SELECT count(*) FROM 保存名")).toInt(), 0);
  }
  const QByteArray written = folder.Read(QStringLiteral("KVSYS.mdb"));
  QString err;
  EXPECT_EQ(run({path}, &err), 1);
  EXPECT_TRUE(err.contains(QStringLiteral("既にある"))) << err.toStdString();
  EXPECT_EQ(folder.Read(QStringLiteral("KVSYS.mdb")), written);

  EXPECT_EQ(run({folder.File(QStringLiteral("no/such/folder/KVSYS.mdb"))}, &err), 1);
  EXPECT_TRUE(err.contains(QStringLiteral("作成できませんでした"))) << err.toStdString();
  EXPECT_EQ(run({}, &err), 2);
  EXPECT_TRUE(err.contains(QStringLiteral("kvsys-mkdb PATH")));
  EXPECT_EQ(run({path, path}), 2);
}

}  // namespace
}  // namespace kvsys::test
