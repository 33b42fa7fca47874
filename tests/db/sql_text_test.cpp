// The dialect step and the reading of select lists.
#include <gtest/gtest.h>

#include "db/field_name.h"
#include "db/sql_text.h"

namespace kvsys {
namespace {

TEST(SqlDialect, RewritesOnlyWhatSqliteDoesNotTake) {
  EXPECT_EQ(ToSqliteDialect(QStringLiteral("Delete * from 全体フォント")),
            QStringLiteral("Delete from 全体フォント"));
  EXPECT_EQ(
      ToSqliteDialect(QStringLiteral("DELETE 全体フォント.* FROM 全体フォント WHERE 決定 = 0")),
      QStringLiteral("DELETE FROM 全体フォント WHERE 決定 = 0"));
  EXPECT_EQ(ToSqliteDialect(QStringLiteral("delete\n*\nfrom T")), QStringLiteral("delete\nfrom T"));
  for (const QString& kept :
       {QStringLiteral("DELETE FROM KVSSEL"), QStringLiteral("select 'Delete * from T' from U"),
        QStringLiteral(
            "select x.*,y.*,z.* from 保存名 x,座標 y,フォント z where x.SaveNumber=1 and "
            "x.SaveNumber=y.SaveNumber and  x.SaveNumber=z.SaveNumber"),
        QStringLiteral(
            "SELECT * FROM プログラム WHERE プログラム.日付='2026/07/18'ORDER BY 競技番号;"),
        QStringLiteral("select * from T -- Delete * from T"),
        QStringLiteral(" AND ゴール<>'' ORDER BY 事由入力ステータス,ゴール ASC,組,水路")}) {
    EXPECT_EQ(ToSqliteDialect(kept), kept) << kept.toStdString();
  }
}

TEST(SqlDialect, SelectShapes) {
  const SelectShape relay =
      AnalyzeSelect(QStringLiteral(" SELECT 記録マスター.*, チームマスター.チーム名, "
                                   "選手マスター_1.氏名 FROM ((記録マスター INNER "
                                   "JOIN チームマスター ON 記録マスター.選手番号 = "
                                   "チームマスター.チーム番号) LEFT JOIN 選手マスター "
                                   "AS 選手マスター_1 ON 記録マスター.第１泳者 = "
                                   "選手マスター_1.選手番号) WHERE 記録マスター.競技番号 = 4"));
  ASSERT_EQ(relay.items.size(), 3u);
  EXPECT_EQ(relay.items[0].kind, SelectShape::Item::kQualifiedStar);
  EXPECT_EQ(relay.items[2].qualifier, QStringLiteral("選手マスター_1"));
  EXPECT_EQ(relay.items[2].column, QStringLiteral("氏名"));
  ASSERT_EQ(relay.sources.size(), 3u);
  EXPECT_EQ(relay.sources[2].name, QStringLiteral("選手マスター_1"));
  EXPECT_EQ(relay.sources[2].table, QStringLiteral("選手マスター"));
  EXPECT_FALSE(relay.single_table);

  const SelectShape load = AnalyzeSelect(
      QStringLiteral("select x.*,y.*,z.* from 保存名 x,座標 y,フォント z where x.SaveNumber=1"));
  ASSERT_EQ(load.sources.size(), 3u);
  EXPECT_EQ(load.sources[1].name, QStringLiteral("y"));
  EXPECT_EQ(load.sources[1].table, QStringLiteral("座標"));
  EXPECT_FALSE(load.single_table);

  EXPECT_TRUE(
      AnalyzeSelect(QStringLiteral("select * from KVS210 where savenumber = 1")).single_table);
  EXPECT_TRUE(
      AnalyzeSelect(QStringLiteral("select * from [Show Or Not] s order by s.a")).single_table);
  EXPECT_FALSE(AnalyzeSelect(QStringLiteral("select distinct a from T")).single_table);
  EXPECT_FALSE(AnalyzeSelect(QStringLiteral("select max(a) from T")).single_table);
  EXPECT_FALSE(AnalyzeSelect(QStringLiteral("select a from T group by a")).single_table);
  EXPECT_FALSE(AnalyzeSelect(QStringLiteral("select a from (select a from T)")).single_table);
  EXPECT_FALSE(AnalyzeSelect(QStringLiteral("select a from T union select a from U")).single_table);
  EXPECT_FALSE(AnalyzeSelect(QStringLiteral("DELETE FROM T")).is_select);
  // A function call with a comma inside a join condition names no table.
  const SelectShape on =
      AnalyzeSelect(QStringLiteral("select * from A join B on coalesce(A.x, B.y) = 1"));
  EXPECT_EQ(on.sources.size(), 2u);
}

TEST(FieldNames, FoldCaseAndWidthOfLatinLettersAndDigits) {
  EXPECT_EQ(NormalizeFieldName(u"タイトルＸ"), NormalizeFieldName(u"タイトルX"));
  EXPECT_EQ(NormalizeFieldName(u"ＳａｖｅＮｕｍｂｅｒ"), QStringLiteral("savenumber"));
  EXPECT_EQ(NormalizeFieldName(u"所属名称１"), QStringLiteral("所属名称1"));
  // Kana and other full-width signs keep their form.
  EXPECT_NE(NormalizeFieldName(u"ｶﾅ"), NormalizeFieldName(u"カナ"));
  EXPECT_NE(NormalizeFieldName(u"A＿B"), NormalizeFieldName(u"A_B"));
}

}  // namespace
}  // namespace kvsys
