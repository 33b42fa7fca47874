// A Jet meet through Workspace, Database and Recordset: the same rows and types as the SQLite
// stand-in made from the same SQL, the print run's queries, and no writes.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMetaType>

#include "certificate/recipient_selection.h"
#include "support/database_files.h"
#include "support/fixture.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

using Table = std::vector<QVariantList>;

Table ReadAll(Database& db, const QString& sql, QStringList* names = nullptr) {
  auto rs = db.OpenRecordset(sql, dbOpenSnapshot);
  if (names) {
    for (int i = 0; i < rs->FieldCount(); ++i) *names << rs->FieldName(i);
  }
  Table rows;
  for (; !rs->Eof(); rs->MoveNext()) {
    QVariantList row;
    for (int i = 0; i < rs->FieldCount(); ++i) row << rs->Field(i);
    rows.push_back(row);
  }
  return rows;
}

// Equal in value and in kind: 0 is no "0", and null is no empty text.
::testing::AssertionResult SameTable(const Table& got, const Table& want) {
  if (got.size() != want.size()) {
    return ::testing::AssertionFailure() << got.size() << " rows, expected " << want.size();
  }
  for (size_t r = 0; r < got.size(); ++r) {
    for (qsizetype c = 0; c < want[r].size(); ++c) {
      const QVariant& g = got[r].value(c);
      const QVariant& w = want[r][c];
      if (g.typeId() != w.typeId() || g != w) {
        return ::testing::AssertionFailure()
               << "row " << r << " column " << c << ": " << g.typeName() << " "
               << g.toString().toStdString() << ", expected " << w.typeName() << " "
               << w.toString().toStdString();
      }
    }
  }
  return ::testing::AssertionSuccess();
}

class JetWorkspace : public ::testing::Test {
 protected:
  void SetUp() override {
    jet_ = workspace_.OpenDatabase(FixturePath(QStringLiteral("Swim01.mdb")));
    sqlite_ = workspace_.OpenDatabase(MakeMeetDb(folder_));
  }
  TempFolder folder_;
  Workspace workspace_;
  std::shared_ptr<Database> jet_;
  std::shared_ptr<Database> sqlite_;
};

TEST_F(JetWorkspace, EveryTableReadsLikeTheSqliteMeetOfTheSameSql) {
  EXPECT_EQ(jet_->TableNames().size(), 7);
  for (const QString& table : sqlite_->TableNames()) {
    SCOPED_TRACE(table.toStdString());
    const QStringList columns = sqlite_->ColumnNames(table);
    ASSERT_EQ(jet_->ColumnNames(table), columns);
    QStringList order;
    for (int i = 1; i <= columns.size(); ++i) order << QString::number(i);
    const QString sql = QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, order.join(','));
    Table want = ReadAll(*sqlite_, sql);
    for (QVariantList& row : want) {
      for (qsizetype c = 0; c < columns.size(); ++c) {
        // The SQL writes Yes as 1; Jet keeps it as -1.
        if (columns[c] == QStringLiteral("クラス分け") ||
            columns[c] == QStringLiteral("班組使用水路")) {
          row[c] = row[c].toInt() ? -1 : 0;
        }
      }
    }
    EXPECT_TRUE(SameTable(ReadAll(*jet_, sql), want));
  }
  // Empty affiliations are empty texts, not nulls.
  auto rs = jet_->OpenRecordset(QStringLiteral("選手マスター"), dbOpenTable);
  rs->SetIndex(QStringLiteral("PrimaryKey"));
  rs->Seek(QStringLiteral("="), 8);
  ASSERT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Field(QStringLiteral("所属名称１")).typeId(), QMetaType::QString);
  EXPECT_EQ(rs->Field(QStringLiteral("所属名称１")).toString(), QString());
}

TEST_F(JetWorkspace, PrintRunQueriesRankTheSameRows) {
  const QString individual = ResultsQuery(1, false, {});
  const QString relay = ResultsQuery(4, true, {0, true, false, 0});
  for (const QString& sql : {individual, relay}) {
    EXPECT_TRUE(SameTable(ReadAll(*jet_, sql), ReadAll(*sqlite_, sql)));
  }
  auto rs = jet_->OpenRecordset(individual);
  QStringList names;
  for (; !rs->Eof(); rs->MoveNext()) names << rs->Field(QStringLiteral("氏名")).toString();
  EXPECT_EQ(names, (QStringList{"高橋 翔", "佐藤 健", "山田 太郎", "鈴木 一郎", "田中 大輔",
                                "小林 悠真", "渡辺 陽斗"}));

  rs = jet_->OpenRecordset(relay);
  rs->MoveLast();  // みなとＳＣ, whose second leg names no swimmer
  EXPECT_EQ(rs->Field(QStringLiteral("チーム名")).toString(), QStringLiteral("みなとＳＣ"));
  EXPECT_EQ(rs->Field(QStringLiteral("選手マスター_1.氏名")).toString(),
            QStringLiteral("池田 大和"));
  EXPECT_FALSE(rs->Field(QStringLiteral("選手マスター_2.氏名")).isValid());
}

TEST_F(JetWorkspace, NothingIsWrittenToAJetMeet) {
  EXPECT_TRUE(jet_->IsReadOnly());
  auto rs = jet_->OpenRecordset(QStringLiteral("大会設定"), dbOpenDynaset);
  EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), 3027);
  EXPECT_EQ(ErrorOf([&] { rs->AddNew(); }), 3027);
  EXPECT_EQ(ErrorOf([&] { jet_->Execute(QStringLiteral("Delete * from 記録マスター"), 128); }),
            3027);
  EXPECT_EQ(ReadAll(*jet_, QStringLiteral("SELECT count(*) FROM 記録マスター"))[0][0].toInt(), 27);
}

TEST_F(JetWorkspace, HangingMeetEndsWithinSecondsInItsOwnError) {
  DbErrorState state;
  state.SetExpected({3006, 3045});  // as the meet list opens a meet
  QElapsedTimer clock;
  clock.start();
  try {
    workspace_.OpenDatabase(FixturePath(QStringLiteral("malformed-hangs-reader.mdb")));
    ADD_FAILURE() << "a hanging file was opened";
  } catch (const DbError& e) {
    EXPECT_FALSE(state.Tolerate(e));
    EXPECT_EQ(e.number(), 3343);
    // The CPU limit, the wall clock or the memory limit, whichever comes first: how fast this
    // file eats memory against CPU time differs between machines. Each ends in an error of
    // its own that names the file.
    EXPECT_TRUE(
        e.text().startsWith(QStringLiteral("データベースファイル（malformed-hangs-reader.mdb）")));
    EXPECT_TRUE(e.text().contains(QStringLiteral("秒以内に終わらないため中止しました。")) ||
                e.text().contains(QStringLiteral("壊れているため読み込めません。")))
        << e.text().toStdString();
  }
  EXPECT_LT(clock.elapsed(), (JetReadLimits{}.wall_seconds + 2) * 1000);
}

}  // namespace
}  // namespace kvsys::test
