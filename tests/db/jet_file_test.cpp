// What the engine sees of real Jet files: every fixture read through the helper process.

#include <gtest/gtest.h>

#include <QStringList>

#include "jet_test_support.h"

namespace kvsys::test {
namespace {

QStringList Columns(sqlite3* db, const QString& table, QStringList* declared = nullptr,
                    QStringList* key = nullptr) {
  QStringList names;
  for (const auto& row : Select(db, QStringLiteral("PRAGMA table_info(\"%1\")").arg(table))) {
    names << row[1].value.toString();
    if (declared) *declared << row[2].value.toString();
    if (key && row[5].value.toInt() > 0) *key << row[1].value.toString();
  }
  return names;
}

Rows AllRows(sqlite3* db, const QString& table, int columns) {
  QStringList order;
  for (int i = 1; i <= columns; ++i) order << QString::number(i);
  return Select(db, QStringLiteral("SELECT * FROM \"%1\" ORDER BY %2").arg(table, order.join(',')));
}

TEST(JetFile, MeetMatchesTheSqlItWasMadeFrom) {
  MemoryDb expected;
  for (const char* file : {"swim-schema.sql", "meet-basic.sql"}) {
    const QByteArray sql = ReadBytes(JetFixture(QString::fromLatin1(file)));
    ASSERT_FALSE(sql.isEmpty()) << file;
    ASSERT_EQ(sqlite3_exec(expected.get(), sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(expected.get());
  }
  MemoryDb jet;
  ASSERT_FALSE(LoadError(JetFixture(QStringLiteral("Swim01.mdb")), jet.get()));

  const QStringList tables = {QStringLiteral("大会設定"),     QStringLiteral("レーンボックス"),
                              QStringLiteral("クラス"),       QStringLiteral("プログラム"),
                              QStringLiteral("選手マスター"), QStringLiteral("チームマスター"),
                              QStringLiteral("記録マスター")};
  EXPECT_EQ(Select(jet.get(),
                   QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'"))[0][0],
            Int(7));
  for (const QString& table : tables) {
    SCOPED_TRACE(table.toStdString());
    QStringList declared;
    QStringList expected_key;
    const QStringList names = Columns(expected.get(), table, &declared, &expected_key);
    QStringList jet_key;
    ASSERT_EQ(Columns(jet.get(), table, nullptr, &jet_key), names);
    EXPECT_EQ(jet_key, expected_key);  // the key Seek uses comes along

    Rows want = AllRows(expected.get(), table, static_cast<int>(names.size()));
    for (auto& row : want) {
      for (qsizetype c = 0; c < declared.size(); ++c) {
        if (declared[c] == QLatin1String("BOOLEAN")) {  // Yes/No reads as -1/0
          row[c] = Int(row[c].value.toInt() ? -1 : 0);
        }
      }
    }
    EXPECT_EQ(AllRows(jet.get(), table, static_cast<int>(names.size())), want);
  }
  // Empty texts stay empty texts: the row's null mask says they are not null.
  EXPECT_EQ(Select(jet.get(), QStringLiteral("SELECT 所属名称２, 所属名称３ FROM 選手マスター "
                                             "WHERE 選手番号 = 7"))[0],
            (std::vector<Cell>{Text(QString()), Text(QString())}));
}

TEST(JetFile, Jet3TextIsCp932AndValuesAreTyped) {
  MemoryDb jet;
  ASSERT_FALSE(LoadError(JetFixture(QStringLiteral("jet3-cp932.mdb")), jet.get()));
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
  ASSERT_FALSE(LoadError(JetFixture(QStringLiteral("jackcess-unicode-jet4.mdb")), jet.get()));
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
      LoadError(JetFixture(QStringLiteral("jackcess-deleted-rows-jet4.mdb")), deleted.get()));
  EXPECT_EQ(Select(deleted.get(), QStringLiteral("SELECT a, b FROM \"Table\" ORDER BY a")),
            (Rows{{Text("v"), Text("u")}, {Text("z"), Text("y")}}));

  MemoryDb overflow;
  ASSERT_FALSE(
      LoadError(JetFixture(QStringLiteral("jackcess-overflow-rows-jet4.mdb")), overflow.get()));
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
  ASSERT_FALSE(LoadError(JetFixture(QStringLiteral("meet-large-jet4.mdb")), jet.get()));
  EXPECT_EQ(Select(jet.get(), QStringLiteral("SELECT (SELECT count(*) FROM 記録マスター), "
                                             "(SELECT count(*) FROM 選手マスター), "
                                             "(SELECT count(*) FROM チームマスター), "
                                             "(SELECT count(*) FROM プログラム)"))[0],
            (std::vector<Cell>{Int(19800), Int(2000), Int(200), Int(300)}));
}

TEST(JetFile, CopyAcceptsNoChanges) {
  MemoryDb jet;
  ASSERT_FALSE(LoadError(JetFixture(QStringLiteral("Swim01.mdb")), jet.get()));
  for (const char* sql :
       {"DELETE FROM 記録マスター", "UPDATE 大会設定 SET 大会名1 = 'x'", "CREATE TABLE t (a)"}) {
    EXPECT_EQ(sqlite3_exec(jet.get(), sql, nullptr, nullptr, nullptr), SQLITE_READONLY) << sql;
  }
  EXPECT_EQ(Select(jet.get(), QStringLiteral("SELECT count(*) FROM 記録マスター"))[0][0], Int(27));
}

}  // namespace
}  // namespace kvsys::test
