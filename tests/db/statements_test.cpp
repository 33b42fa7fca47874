// Every statement the program runs, as its callers write them, against tables of the
// documented shape: each must be taken as written and return the right rows.
#include <gtest/gtest.h>

#include "certificate/recipient_selection.h"
#include "db/workspace.h"
#include "support/database_files.h"

namespace kvsys::test {
namespace {

QVariantList Column(Recordset& rs, const QString& name) {
  QVariantList out;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) out << rs.Field(name);
  return out;
}

QVariantList Ints(std::initializer_list<int> v) {
  QVariantList out;
  for (int i : v) out << i;
  return out;
}

class ResultsStatements : public ::testing::Test {
 protected:
  void SetUp() override { db_ = ws_.OpenDatabase(MakeMeetDb(folder_)); }
  TempFolder folder_;
  Workspace ws_;
  std::shared_ptr<Database> db_;
};

TEST_F(ResultsStatements, IndividualResultsInRankingOrder) {
  auto rs = db_->OpenRecordset(ResultsQuery(1, false, {}));
  // Empty times and statuses other than 0 and 4 are left out; open entrants come last.
  EXPECT_EQ(Column(*rs, QStringLiteral("選手番号")), Ints({4, 2, 1, 3, 5, 9, 7}));
  EXPECT_EQ(Column(*rs, QStringLiteral("氏名")).first().toString(), QStringLiteral("高橋 翔"));
  EXPECT_EQ(Column(*rs, QStringLiteral("主所属")).first(), QVariant(4));

  rs = db_->OpenRecordset(ResultsQuery(1, false, {0, true, false, 0}));
  EXPECT_EQ(Column(*rs, QStringLiteral("選手番号")), Ints({4, 2, 1, 3, 5, 9}));

  rs = db_->OpenRecordset(ResultsQuery(1, false, {2, false, false, 0}));
  EXPECT_EQ(Column(*rs, QStringLiteral("選手番号")), Ints({4, 5, 9, 7}));

  rs = db_->OpenRecordset(ResultsQuery(2, false, {0, false, true, 2}));
  EXPECT_EQ(Column(*rs, QStringLiteral("選手番号")), Ints({11, 12, 10, 13}));

  rs = db_->OpenRecordset(ResultsQuery(2, false, {0, false, true, 0}));
  EXPECT_EQ(Column(*rs, QStringLiteral("選手番号")), Ints({15, 14, 11, 12, 10, 13}));
  EXPECT_EQ(Column(*rs, QStringLiteral("クラス番号")), Ints({1, 1, 2, 2, 2, 2}));
}

TEST_F(ResultsStatements, RelayResultsWithTheFourMembers) {
  auto rs = db_->OpenRecordset(ResultsQuery(4, true, {}));
  ASSERT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ(Column(*rs, QStringLiteral("チーム名")),
            QVariantList({QStringLiteral("ＡＢＣ水泳"), QStringLiteral("市民ＳＣ Ａ"),
                          QStringLiteral("みなとＳＣ")}));
  rs->MoveFirst();
  EXPECT_EQ(rs->Field(QStringLiteral("選手マスター_1.氏名")).toString(), QStringLiteral("阿部 樹"));
  EXPECT_EQ(rs->Field(QStringLiteral("選手マスター_2.氏名")).toString(),
            QStringLiteral("石川 颯太"));
  EXPECT_EQ(rs->Field(QStringLiteral("選手マスター_3.氏名")).toString(),
            QStringLiteral("石井 彩花"));
  EXPECT_EQ(rs->Field(QStringLiteral("選手マスター_4.氏名")).toString(), QStringLiteral("小川 紬"));
  // A plain name reads the first column of that name.
  EXPECT_EQ(rs->Field(QStringLiteral("氏名")).toString(), QStringLiteral("阿部 樹"));
  EXPECT_EQ(rs->Field(QStringLiteral("記録マスター.選手番号")), QVariant(2));
  EXPECT_EQ(rs->Field(QStringLiteral("第１泳者")), QVariant(23));
  rs->MoveLast();
  // The second leg of this team names no swimmer.
  EXPECT_TRUE(rs->Field(QStringLiteral("選手マスター_2.氏名")).isNull());
  EXPECT_EQ(rs->Field(QStringLiteral("選手マスター_3.氏名")).toString(),
            QStringLiteral("山下 結菜"));

  rs = db_->OpenRecordset(ResultsQuery(4, true, {0, true, true, 3}));
  EXPECT_EQ(rs->RecordCount(), 3);
  rs = db_->OpenRecordset(ResultsQuery(5, true, {0, false, true, 0}));
  EXPECT_EQ(Column(*rs, QStringLiteral("選手番号")), Ints({4, 2}));
  EXPECT_FALSE(rs->Updatable());
}

TEST_F(ResultsStatements, ProgrammeListByDayAndClass) {
  const QString all = QStringLiteral("WHERE プログラム.日付>='2026/07/18'") +
                      QStringLiteral(" and プログラム.日付<='2026/07/19'");
  const QString day = QStringLiteral("WHERE プログラム.日付='2026/07/18'");
  const QString with_classes =
      QStringLiteral("SELECT プログラム.*, クラス.番号, クラス.クラス名称 ") +
      QStringLiteral("FROM プログラム INNER JOIN クラス ON プログラム.クラス番号 = クラス.番号 ");
  // No blank between the filter and ORDER.
  auto rs = db_->OpenRecordset(with_classes + all + QStringLiteral("ORDER BY 競技番号;"));
  EXPECT_EQ(Column(*rs, QStringLiteral("競技番号")), Ints({0, 1, 2, 3, 4, 5, 6, 7}));
  rs = db_->OpenRecordset(with_classes + day + QStringLiteral("ORDER BY 競技番号;"));
  EXPECT_EQ(
      Column(*rs, QStringLiteral("クラス名称")),
      QVariantList({QStringLiteral("小学生"), QStringLiteral("小学生"), QStringLiteral("中学生")}));
  rs = db_->OpenRecordset(QStringLiteral("SELECT * FROM プログラム ") + day +
                          QStringLiteral("ORDER BY 競技番号;"));
  EXPECT_EQ(Column(*rs, QStringLiteral("組")), Ints({1, 2, 1}));
  rs = db_->OpenRecordset(QStringLiteral("SELECT * FROM プログラム ") +
                          QStringLiteral("WHERE プログラム.日付='2026/07/20'") +
                          QStringLiteral("ORDER BY 競技番号;"));
  EXPECT_TRUE(rs->Eof());
}

TEST_F(ResultsStatements, SettingsLookupsAndAffiliation) {
  auto rs = db_->OpenRecordset(QStringLiteral("大会設定"), dbOpenSnapshot);
  EXPECT_EQ(rs->Field(QStringLiteral("大会名1")).toString(),
            QStringLiteral("第45回 市民水泳競技大会"));
  EXPECT_EQ(rs->Field(QStringLiteral("始期間")).toString(), QStringLiteral("2026/07/18"));

  rs = db_->OpenRecordset(QStringLiteral(" SELECT ") + QStringLiteral("所属名称２") +
                          QStringLiteral(" FROM 選手マスター ") +
                          QStringLiteral(" WHERE 選手番号 = ") + QStringLiteral("2"));
  EXPECT_EQ(rs->Field(QStringLiteral("所属名称２")).toString(), QStringLiteral("中央中学校"));
  EXPECT_EQ(rs->Field(QStringLiteral("所属名称2")).toString(), QStringLiteral("中央中学校"));

  rs = db_->OpenRecordset(QStringLiteral("レーンボックス"), dbOpenSnapshot);
  rs->FindFirst(QStringLiteral("番号 = 3"));
  ASSERT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Field(QStringLiteral("レーンボックス")), QVariant(13));
  rs->FindFirst(QStringLiteral("番号 = 10"));
  EXPECT_TRUE(rs->NoMatch());

  rs = db_->OpenRecordset(QStringLiteral("クラス"), dbOpenTable, dbReadOnly);
  rs->SetIndex(QStringLiteral("PrimaryKey"));
  rs->Seek(QStringLiteral("="), 2);
  ASSERT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Field(QStringLiteral("クラス名称")).toString(), QStringLiteral("中学生"));
  rs->Seek(QStringLiteral("="), 9);
  EXPECT_TRUE(rs->NoMatch());
  EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), dberr::kReadOnly);
}

class LayoutStatements : public ::testing::Test {
 protected:
  void SetUp() override { db_ = ws_.OpenDatabase(MakeLayoutDb(folder_)); }
  TempFolder folder_;
  Workspace ws_;
  std::shared_ptr<Database> db_;
};

TEST_F(LayoutStatements, LoadingJoinReadsEveryTableOfTheLayout) {
  auto rs = db_->OpenRecordset(
      QStringLiteral("select x.*,y.*,z.* from 保存名 x,座標 y,フォント z where x.SaveNumber=") +
          QStringLiteral("1") +
          QStringLiteral(" and x.SaveNumber=y.SaveNumber and  x.SaveNumber=z.SaveNumber"),
      dbOpenSnapshot);
  ASSERT_EQ(rs->RecordCount(), 1);
  // Positions are read with full-width Ｘ/Ｙ/Ｓ/Ｂ although the columns were made with ASCII.
  EXPECT_EQ(rs->Field(QStringLiteral("タイトルＸ")), QVariant(3));
  EXPECT_EQ(rs->Field(QStringLiteral("タイトルＹ")), QVariant(-2));
  EXPECT_EQ(rs->Field(QStringLiteral("殿Ｘ")), QVariant(0));
  EXPECT_EQ(rs->Field(QStringLiteral("タイトルF")).toString(), QStringLiteral("ＭＳ 明朝"));
  EXPECT_EQ(rs->Field(QStringLiteral("タイトルＳ")), QVariant(70));
  EXPECT_EQ(rs->Field(QStringLiteral("授与者名Ｂ")), QVariant(-1));
  EXPECT_EQ(rs->Field(QStringLiteral("SaveNumber")), QVariant(1));
  EXPECT_EQ(rs->Field(QStringLiteral("y.SaveNumber")), QVariant(1));
  EXPECT_EQ(rs->Field(QStringLiteral("savename")).toString(), QStringLiteral("標準"));
}

TEST_F(LayoutStatements, NamesAndSettingsLookups) {
  auto rs = db_->OpenRecordset(QStringLiteral("select * from 保存名 order by savenumber"));
  EXPECT_EQ(Column(*rs, QStringLiteral("savename")),
            QVariantList({QStringLiteral("標準"), QStringLiteral("予備")}));
  rs = db_->OpenRecordset(QStringLiteral("select savename from 保存名 where savenumber=") +
                          QStringLiteral("2"));
  EXPECT_EQ(rs->Field(QStringLiteral("SAVENAME")).toString(), QStringLiteral("予備"));

  for (const QString& sql :
       {QStringLiteral("select * from KVS210 where savenumber="),
        QStringLiteral("select * from KVS210 ") + QStringLiteral("where savenumber="),
        QStringLiteral("select * from KVS210 ") + QStringLiteral("where savenumber = ")}) {
    rs = db_->OpenRecordset(sql + QStringLiteral("1"));
    ASSERT_EQ(rs->RecordCount(), 1) << sql.toStdString();
    // Readers take the settings by position.
    EXPECT_EQ(rs->FieldName(2), QStringLiteral("FLDB"));
    EXPECT_EQ(rs->Field(2), QVariant(3));
    EXPECT_EQ(rs->Field(14), QVariant(12));
    EXPECT_EQ(rs->Field(QStringLiteral("fldf")).toString(), QStringLiteral("賞状"));
  }

  for (const QString& sql : {QStringLiteral("select * from フォント where SaveNumber="),
                             QStringLiteral("select * from フォント where SaveNumber ="),
                             QStringLiteral("select * from フォント where savenumber="),
                             QStringLiteral("select * from 座標 where SaveNumber="),
                             QStringLiteral("select * from 座標 where savenumber="),
                             QStringLiteral("select * from ShowOrNot where savenumber="),
                             QStringLiteral("select * from showornot where savenumber=")}) {
    rs = db_->OpenRecordset(sql + QStringLiteral("1"));
    EXPECT_EQ(rs->RecordCount(), 1) << sql.toStdString();
    EXPECT_TRUE(rs->Updatable()) << sql.toStdString();
  }
  rs = db_->OpenRecordset(QStringLiteral("select * from showornot where savenumber=") +
                          QStringLiteral("2"));
  EXPECT_TRUE(rs->Eof());
  EXPECT_TRUE(rs->Bof());
}

TEST_F(LayoutStatements, DecisionTable) {
  for (const QString& sql :
       {QStringLiteral("select 決定 from 全体フォント"),
        QStringLiteral("select * from 全体フォント"), QStringLiteral("Select * from 全体フォント"),
        QStringLiteral("全体フォント")}) {
    auto rs = db_->OpenRecordset(sql);
    EXPECT_EQ(rs->Field(QStringLiteral("決定")), QVariant(1)) << sql.toStdString();
  }
  db_->Execute(QStringLiteral("INSERT INTO 全体フォント VALUES ('ＭＳ 明朝', 2)"));
  db_->Execute(QStringLiteral("Delete * from 全体フォント"));
  EXPECT_EQ(db_->RowsAffected(), 2);
  auto rs = db_->OpenRecordset(QStringLiteral("Select * from 全体フォント"));
  EXPECT_TRUE(rs->Eof());
  // The decision row of the editor: AddNew when the table is empty.
  rs->AddNew();
  rs->SetField(QStringLiteral("全体フォント"), QStringLiteral("ＭＳ　明朝"));
  rs->SetField(QStringLiteral("決定"), 2);
  rs->Update();
  rs = db_->OpenRecordset(QStringLiteral("select 決定 from 全体フォント"));
  EXPECT_EQ(rs->Field(QStringLiteral("決定")), QVariant(2));
}

TEST_F(LayoutStatements, FreeNumberSearchAndDeletingALayout) {
  auto rs = db_->OpenRecordset(QStringLiteral("select * from KVS210"));
  int n = 1;
  for (;; ++n) {
    rs->FindFirst(QStringLiteral("SaveNumber =") + QString::number(n));
    if (rs->NoMatch()) break;
  }
  EXPECT_EQ(n, 3);

  // Deleting layout 2 through each table's statement.
  for (const QString& sql : {QStringLiteral("select * from 保存名 where savenumber="),
                             QStringLiteral("select * from KVS210 where savenumber="),
                             QStringLiteral("select * from ShowOrNot where savenumber="),
                             QStringLiteral("select * from フォント where savenumber="),
                             QStringLiteral("select * from 座標 where savenumber=")}) {
    rs = db_->OpenRecordset(sql + QStringLiteral("2"));
    if (!rs->Eof()) rs->Delete();
  }
  for (const QString& table : {QStringLiteral("保存名"), QStringLiteral("KVS210"),
                               QStringLiteral("フォント"), QStringLiteral("座標")}) {
    rs = db_->OpenRecordset(table, dbOpenTable);
    EXPECT_EQ(rs->RecordCount(), 1) << table.toStdString();
    EXPECT_EQ(rs->Field(QStringLiteral("savenumber")), QVariant(1));
  }
}

TEST_F(LayoutStatements, WorkTablesAreEmptiedAndFilled) {
  auto rs = db_->OpenRecordset(QStringLiteral("KVSSEL"));
  rs->SetLockEdits(false);
  for (int n = 1; n <= 3; ++n) {
    rs->AddNew();
    rs->SetField(QStringLiteral("flda"), QString::number(n));
    rs->SetField(QStringLiteral("FLDB"), QStringLiteral("大会%1").arg(n));
    rs->SetField(QStringLiteral("fldE"), QStringLiteral("2026/07/18"));
    rs->SetField(QStringLiteral("ＦＬＤＦ"), QStringLiteral("2026/07/19"));
    rs->Update();
  }
  EXPECT_EQ(rs->RecordCount(), 3);
  rs->Close();
  db_->Execute(QStringLiteral("DELETE FROM ") + QStringLiteral("KVSSEL"), dbFailOnError);
  EXPECT_EQ(db_->RowsAffected(), 3);
  rs = db_->OpenRecordset(QStringLiteral("KVSSEL"));
  EXPECT_EQ(rs->RecordCount(), 0);
  db_->Execute(QStringLiteral("DELETE FROM ") + QStringLiteral("KVS30"), dbFailOnError);
  EXPECT_EQ(db_->RowsAffected(), 0);
}

}  // namespace
}  // namespace kvsys::test
