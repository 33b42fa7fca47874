#include "db_test_support.h"

#include <gtest/gtest.h>

#include "db/schema.h"

namespace kvsys::test {

RawDb::RawDb(const QString& path, bool create) {
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path.toStdString();
  }
}

RawDb::~RawDb() {
  sqlite3_close_v2(db_);
}

int RawDb::Exec(const QString& sql) {
  return sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

namespace {
QString ReadText(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) ADD_FAILURE() << "missing fixture " << path.toStdString();
  return QString::fromUtf8(f.readAll());
}
}  // namespace

QString MakeMeetDb(const TempFolder& folder, const QString& name) {
  const QString path = folder.File(name);
  RawDb raw(path, true);
  EXPECT_EQ(raw.Exec(ReadText(JetFixture(QStringLiteral("swim-schema.sql")))), SQLITE_OK);
  EXPECT_EQ(raw.Exec(ReadText(JetFixture(QStringLiteral("meet-basic.sql")))), SQLITE_OK);
  return path;
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
