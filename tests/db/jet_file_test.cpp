// What the engine sees of real Jet files: every fixture read through the helper process.

#include <gtest/gtest.h>

#include "support/fixture.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

TEST(JetFile, Jet3TextIsCp932AndValuesAreTyped) {
  MemoryDb jet;
  ASSERT_FALSE(LoadError(FixturePath(QStringLiteral("jet3-cp932.mdb")), jet.get()));
  const Rows rows = Select(jet.get(), QStringLiteral("SELECT * FROM Table1 ORDER BY D"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<Cell>{Text("a"), Text("b"), Int(0), Int(0), Int(0), Real(0),
                                        Text("1981/12/12 00:00:00"), Real(0), Int(0)}));
  // ① and the full-width tilde come out right only when decoded as CP932.
  EXPECT_EQ(rows[1], (std::vector<Cell>{Text(QStringLiteral("大会ABC")),
                                        Text(QStringLiteral("水泳①\uFF5EA")), Int(2), Int(222),
                                        Int(333333333), Real(444.555), Text("1974/09/21 00:00:00"),
                                        Real(3.5), Int(-1)}));
  EXPECT_EQ(Select(jet.get(),
                   QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'"))[0][0],
            Int(4));
}

TEST(JetFile, CompressedUnicodeInManyScripts) {
  MemoryDb jet;
  ASSERT_FALSE(LoadError(FixturePath(QStringLiteral("jackcess-unicode-jet4.mdb")), jet.get()));
  const Rows rows = Select(jet.get(), QStringLiteral("SELECT ID, \"Unicode\" FROM \"Table\" "
                                                     "WHERE ID IN (1, 2, 3, 5) ORDER BY ID"));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][1], Text("only ascii chars"));
  EXPECT_EQ(rows[1][1], Text(QStringLiteral("ääkkösiä")));
  EXPECT_EQ(rows[2][1], Text(QStringLiteral("Мир")));
  EXPECT_EQ(rows[3][1], Text(QStringLiteral("漢字仮名交じり文")));
  EXPECT_EQ(Select(jet.get(), QStringLiteral("SELECT count(*) FROM \"Table\""))[0][0], Int(8));
}

TEST(JetFile, DeletedRowsStayDeletedAndMovedRowsAreRead) {
  MemoryDb deleted;
  ASSERT_FALSE(
      LoadError(FixturePath(QStringLiteral("jackcess-deleted-rows-jet4.mdb")), deleted.get()));
  EXPECT_EQ(Select(deleted.get(), QStringLiteral("SELECT a, b FROM \"Table\" ORDER BY a")),
            (Rows{{Text("v"), Text("u")}, {Text("z"), Text("y")}}));

  MemoryDb overflow;
  ASSERT_FALSE(
      LoadError(FixturePath(QStringLiteral("jackcess-overflow-rows-jet4.mdb")), overflow.get()));
  // Rows 3 and 5 were moved to another page; they count once each, with their nulls.
  const Rows rows = Select(overflow.get(), QStringLiteral("SELECT * FROM Table1"));
  EXPECT_EQ(rows.size(), 7u);
  const Rows moved = Select(overflow.get(), QStringLiteral("SELECT * FROM Table1 WHERE data3 IN "
                                                           "('row3col3', 'row5col2') ORDER BY 2"));
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(moved[0], (std::vector<Cell>{Null(), Text("row3col3"), Null(), Null(), Null(), Null(),
                                         Null(), Text("row3col9"), Null()}));
  EXPECT_EQ(moved[1], (std::vector<Cell>{Null(), Text("row5col2"), Null(), Null(), Null(), Null(),
                                         Null(), Null(), Null()}));
}

TEST(JetFile, LargeMeetComesWhole) {
  MemoryDb jet;
  ASSERT_FALSE(LoadError(FixturePath(QStringLiteral("meet-large-jet4.mdb")), jet.get()));
  EXPECT_EQ(Select(jet.get(), QStringLiteral("SELECT (SELECT count(*) FROM 記録マスター), "
                                             "(SELECT count(*) FROM 選手マスター), "
                                             "(SELECT count(*) FROM チームマスター), "
                                             "(SELECT count(*) FROM プログラム)"))[0],
            (std::vector<Cell>{Int(19800), Int(2000), Int(200), Int(300)}));
}

TEST(JetFile, CopyAcceptsNoChanges) {
  MemoryDb jet;
  ASSERT_FALSE(LoadError(FixturePath(QStringLiteral("Swim01.mdb")), jet.get()));
  for (const char* sql :
       {"DELETE FROM 記録マスター", "UPDATE 大会設定 SET 大会名1 = 'x'", "CREATE TABLE t (a)"}) {
    EXPECT_EQ(sqlite3_exec(jet.get(), sql, nullptr, nullptr, nullptr), SQLITE_READONLY) << sql;
  }
  EXPECT_EQ(Select(jet.get(), QStringLiteral("SELECT count(*) FROM 記録マスター"))[0][0], Int(27));
}

}  // namespace
}  // namespace kvsys::test
