#include "database_files.h"

#include <QDir>
#include <QFileInfo>

#include "db/schema.h"
#include "db/workspace.h"
#include "support/fixture.h"
#include "support/raw_db.h"

namespace kvsys::test {

QString SwimSchemaSql() {
  return FixtureText(QStringLiteral("swim-schema.sql"));
}

QString WriteMeetFile(const QString& path, const QString& sql) {
  QDir().mkpath(QFileInfo(path).path());
  ExecSql(path, sql);
  return path;
}

QString WriteListedMeet(const QString& path, const QString& name, const QString& first_day,
                        const QString& last_day) {
  return WriteMeetFile(
      path, QStringLiteral("CREATE TABLE 大会設定 (大会名1 TEXT, 大会名2 TEXT, 始期間 TEXT, "
                           "終期間 TEXT); INSERT INTO 大会設定 VALUES ('%1', '', '%2', '%3');")
                .arg(name, first_day, last_day));
}

QString MakeMeetDb(const TempFolder& folder, const QString& name) {
  return WriteMeetFile(folder.File(name),
                       SwimSchemaSql() + FixtureText(QStringLiteral("meet-basic.sql")));
}

QString MakeLayoutDb(const TempFolder& folder, const QString& name) {
  const QString path = folder.File(name);
  CreateDatabase(path);
  Workspace ws;
  auto db = ws.OpenDatabase(path);
  db->BeginTrans();
  const QString pk = Int16Column(QStringLiteral("SaveNumber")) + QStringLiteral(" PRIMARY KEY");
  auto i16 = [](const char* n, const char* def = "") {
    return Int16Column(QString::fromUtf8(n), QString::fromUtf8(def));
  };
  db->Execute(
      QStringLiteral("CREATE TABLE 保存名 (%1, %2, savename TEXT)").arg(pk, i16("taikai_no")));
  db->Execute(
      QStringLiteral("CREATE TABLE KVS210 (%1, %2, %3, %4, %5, %6, FLDF TEXT, FLDG TEXT, "
                     "FLDH TEXT, FLDI TEXT, FLDJ TEXT, FLDK TEXT, FLDL TEXT, FLDM TEXT, %7)")
          .arg(pk, i16("FLDA"), i16("FLDB"), i16("FLDC"), i16("FLDD"), i16("FLDE"), i16("FLDN")));
  db->Execute(QStringLiteral("CREATE TABLE 座標 (%1, %2, %3, %4, %5, %6, %7)")
                  .arg(pk, i16("タイトルX"), i16("タイトルY"), i16("授与者X"), i16("授与者Y"),
                       i16("殿X", "0"), i16("殿Y", "0")));
  db->Execute(
      QStringLiteral("CREATE TABLE フォント (%1, タイトルF TEXT, %2, %3, %4, 授与者名F TEXT, "
                     "%5, %6, %7)")
          .arg(pk, i16("タイトルS"), i16("タイトルB"), i16("タイトルi"), i16("授与者名S"),
               i16("授与者名B"), i16("授与者名i")));
  db->Execute(QStringLiteral("CREATE TABLE ShowOrNot (%1, %2, %3, %4)")
                  .arg(Int16Column(QStringLiteral("savenumber")) + QStringLiteral(" PRIMARY KEY"),
                       i16("タイトル"), i16("氏名"), i16("授与者")));
  db->Execute(QStringLiteral("CREATE TABLE 全体フォント (全体フォント TEXT, %1)").arg(i16("決定")));
  db->Execute(QStringLiteral("CREATE TABLE KVSSEL (flda TEXT, FLDB TEXT, FLDE TEXT, FLDF TEXT)"));
  db->Execute(
      QStringLiteral("CREATE TABLE KVS40 (flda TEXT, FLDB TEXT, FLDC TEXT, FLDD TEXT, "
                     "FLDE TEXT, FLDF TEXT, FLDG TEXT)"));
  db->Execute(QStringLiteral("CREATE TABLE KVS30 (flda TEXT, FLDB TEXT)"));

  db->Execute(QStringLiteral("INSERT INTO 保存名 VALUES (1, 45, '標準'), (2, 45, '予備')"));
  db->Execute(QStringLiteral(
      "INSERT INTO KVS210 VALUES (1, 45, 3, 3, 3, 3, '賞状', '第45回', '市民水泳', '競技大会', "
      "'本文', '2026年07月18日', ' 理事長', '見本 太郎', 12), "
      "(2, 45, 0, 1, 2, 0, '賞状', '', '', '', '', '', '', '', 9)"));
  db->Execute(
      QStringLiteral("INSERT INTO 座標 (SaveNumber, タイトルX, タイトルY, 授与者X, 授与者Y) "
                     "VALUES (1, 3, -2, 0, 5), (2, 0, 0, 0, 0)"));
  db->Execute(
      QStringLiteral("INSERT INTO フォント VALUES (1, 'ＭＳ 明朝', 70, 1, 2, 'ＭＳ 明朝', 40, "
                     "-1, 2), (2, 'ＭＳ ゴシック', 60, 2, 2, 'ＭＳ 明朝', 40, 2, 2)"));
  db->Execute(QStringLiteral("INSERT INTO ShowOrNot VALUES (1, 0, 1, 0)"));
  db->Execute(QStringLiteral("INSERT INTO 全体フォント VALUES ('ＭＳ　明朝', 1)"));
  db->CommitTrans();
  return path;
}

}  // namespace kvsys::test
