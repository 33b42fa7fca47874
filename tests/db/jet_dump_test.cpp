// kvsys-dbdump: the tables and rows the engine reads, as support sees them.

#include <gtest/gtest.h>

#include <QProcess>

#include "support/database_files.h"
#include "support/fixture.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

struct Dump {
  int exit = -1;
  QString out;
  QString err;
};

Dump RunDump(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(KVSYS_BINARY_DIR "/bin/kvsys-dbdump"), args);
  Dump d;
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    ADD_FAILURE() << "kvsys-dbdump did not finish";
    return d;
  }
  d.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  d.out = QString::fromUtf8(p.readAllStandardOutput());
  d.err = QString::fromUtf8(p.readAllStandardError());
  return d;
}

TEST(JetDump, ListsTablesAndWritesRowsAsTheEngineReadsThem) {
  const QString swim = FixturePath(QStringLiteral("Swim01.mdb"));
  Dump d = RunDump({swim});
  EXPECT_EQ(d.exit, 0) << d.err.toStdString();
  EXPECT_EQ(d.out, QStringLiteral("大会設定\nレーンボックス\nクラス\nプログラム\n選手マスター\n"
                                  "チームマスター\n記録マスター\n"));

  d = RunDump({swim, QStringLiteral("選手マスター")});
  EXPECT_EQ(d.exit, 0);
  const QStringList lines = d.out.split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 25);  // header, 23 swimmers, the empty text after the last newline
  EXPECT_EQ(lines[0], QStringLiteral("選手番号\t氏名\t主所属\t所属名称１\t所属名称２\t所属名称３"));
  // Empty texts stay empty; they are no nulls.
  EXPECT_TRUE(lines.contains(QStringLiteral("8\t中村 湊\t2\t\t東小学校\t")));

  // Nulls and the characters that would break a line.
  d = RunDump(
      {FixturePath(QStringLiteral("jackcess-overflow-rows-jet4.mdb")), QStringLiteral("Table1")});
  EXPECT_TRUE(
      d.out.contains(QStringLiteral("\nrow1col1\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\n")));
  d = RunDump({FixturePath(QStringLiteral("jackcess-unicode-jet4.mdb")), QStringLiteral("table")});
  EXPECT_EQ(d.out.count(QLatin1Char('\n')), 9);
  EXPECT_TRUE(d.out.contains(QStringLiteral("\n8\t\x01\x02\x03\x04\x05\x06\a\b\\t\\n\v\f\\r\x0e")));
}

TEST(JetDump, JetAndSqliteMeetsOfTheSameRowsDumpAlike) {
  TempFolder folder;
  const QString sqlite = MakeMeetDb(folder);
  for (const QString& table : {QStringLiteral("記録マスター"), QStringLiteral("選手マスター"),
                               QStringLiteral("プログラム")}) {
    const Dump jet = RunDump({FixturePath(QStringLiteral("Swim01.mdb")), table});
    EXPECT_EQ(jet.exit, 0);
    EXPECT_EQ(jet.out, RunDump({sqlite, table}).out) << table.toStdString();
  }
}

TEST(JetDump, FailuresSayWhatWentWrong) {
  Dump d = RunDump({});
  EXPECT_EQ(d.exit, 2);
  EXPECT_TRUE(d.err.startsWith(QStringLiteral("usage: kvsys-dbdump PATH [TABLE]")));

  d = RunDump({FixturePath(QStringLiteral("Swim01.mdb")), QStringLiteral("記録")});
  EXPECT_EQ(d.exit, 1);
  EXPECT_EQ(d.err, QStringLiteral("テーブル 記録 はありません。\n"));
  EXPECT_TRUE(d.out.isEmpty());

  TempFolder folder;
  QByteArray cut = ReadFixture(QStringLiteral("Swim01.mdb")).left(40960);
  d = RunDump({folder.Write(QStringLiteral("Swim02.mdb"), cut)});
  EXPECT_EQ(d.exit, 1);
  EXPECT_EQ(d.err,
            QStringLiteral("データベースファイル（Swim02.mdb）が壊れているため読み込めません。"
                           "(3343)\n"));
}

}  // namespace
}  // namespace kvsys::test
