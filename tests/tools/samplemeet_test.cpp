// The sample-meet generator: reproducible files in the results system's places, with the
// tables of a real meet and the awkward rows that a print run has to cope with.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <map>
#include <set>

#include "samplemeet/command_line.h"
#include "samplemeet/sample_meet.h"
#include "support/database_files.h"
#include "support/temp_folder.h"

namespace kvsys::samplemeet {
namespace {

using Rows = std::vector<std::vector<QString>>;

// Runs a statement on a database file (or, with an empty path, on SQL given in `setup`
// first) and returns every row as texts; a null reads as "<null>".
Rows Query(const QString& path, const QString& sql, const QString& setup = QString()) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(path.isEmpty() ? ":memory:" : path.toUtf8().constData(), &db,
                            path.isEmpty() ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  if (!setup.isEmpty()) {
    EXPECT_EQ(sqlite3_exec(db, setup.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
  }
  Rows rows;
  sqlite3_stmt* stmt = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db) << " in " << sql.toStdString();
  while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
    std::vector<QString> row;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      const auto* text = sqlite3_column_text(stmt, i);
      row.push_back(sqlite3_column_type(stmt, i) == SQLITE_NULL
                        ? QStringLiteral("<null>")
                        : QString::fromUtf8(reinterpret_cast<const char*>(text)));
    }
    rows.push_back(row);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

QString One(const QString& path, const QString& sql) {
  const Rows rows = Query(path, sql);
  return rows.empty() || rows[0].empty() ? QString() : rows[0][0];
}

QSet<QString> Column(const QString& path, const QString& sql) {
  QSet<QString> values;
  for (const auto& row : Query(path, sql)) values.insert(row[0]);
  return values;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSet<QString> Codes(int from, int to) {
  QSet<QString> codes;
  for (int i = from; i <= to; ++i) codes.insert(QString::number(i));
  return codes;
}

// The demo meets, written once for the tests that only read them.
class DemoMeets : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test::TempFolder;
    for (const MeetSpec& spec : PresetMeets(QStringLiteral("demo"))) {
      QString error;
      const QString path =
          WriteSampleMeet(folder_->path(), FolderLayout::Ver50, spec, false, &error);
      ASSERT_FALSE(path.isEmpty()) << error.toStdString();
    }
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static QString Meet(int number) {
    return MeetFilePath(folder_->path(), FolderLayout::Ver50, number);
  }
  static test::TempFolder* folder_;
};
test::TempFolder* DemoMeets::folder_ = nullptr;

TEST(SampleMeetFiles, SameSeedSameBytesAndOtherSeedOtherContent) {
  test::TempFolder a;
  test::TempFolder b;
  MeetSpec spec;
  spec.number = 7;
  spec.seed = 42;
  QString error;
  const QString first = WriteSampleMeet(a.path(), FolderLayout::Ver50, spec, false, &error);
  const QString second = WriteSampleMeet(b.path(), FolderLayout::Ver50, spec, false, &error);
  ASSERT_FALSE(first.isEmpty()) << error.toStdString();
  ASSERT_FALSE(second.isEmpty()) << error.toStdString();
  const QByteArray bytes = ReadAll(first);
  EXPECT_TRUE(bytes.startsWith("SQLite format 3"));
  EXPECT_EQ(bytes, ReadAll(second));

  spec.seed = 43;
  ASSERT_FALSE(WriteSampleMeet(a.path(), FolderLayout::Ver50, spec, true, &error).isEmpty());
  EXPECT_NE(Query(first, QStringLiteral("SELECT * FROM 記録マスター")),
            Query(second, QStringLiteral("SELECT * FROM 記録マスター")));
  // Meets of one run differ from each other even with one seed.
  spec.seed = 42;
  spec.number = 8;
  const QString other = WriteSampleMeet(b.path(), FolderLayout::Ver50, spec, false, &error);
  EXPECT_NE(Query(other, QStringLiteral("SELECT * FROM 選手マスター")),
            Query(second, QStringLiteral("SELECT * FROM 選手マスター")));
}

TEST(SampleMeetFiles, NamedAsTheResultsSystemNamesThem) {
  test::TempFolder folder;
  EXPECT_EQ(MeetFilePath(folder.path(), FolderLayout::Ver50, 7), folder.File("Swim07.mdb"));
  EXPECT_EQ(MeetFilePath(folder.path(), FolderLayout::Ver46, 7), folder.File("07/SWIM.mdb"));
  EXPECT_EQ(MeetFilePath(folder.path(), FolderLayout::Ver50, 12), folder.File("Swim12.mdb"));

  MeetSpec spec;
  spec.number = 3;
  spec.swimmers = 10;
  spec.events = 3;
  QString error;
  EXPECT_EQ(WriteSampleMeet(folder.path(), FolderLayout::Ver46, spec, false, &error),
            folder.File("03/SWIM.mdb"));
  EXPECT_EQ(One(folder.File("03/SWIM.mdb"), QStringLiteral("SELECT count(*) FROM 選手マスター")),
            QStringLiteral("10"));
}

TEST(SampleMeetFiles, ExistingMeetIsKeptUnlessForcedAndFailuresLeaveNothing) {
  test::TempFolder folder;
  const QString path = folder.Write(QStringLiteral("Swim01.mdb"), "the operator's meet");
  MeetSpec spec;
  QString error;
  EXPECT_TRUE(WriteSampleMeet(folder.path(), FolderLayout::Ver50, spec, false, &error).isEmpty());
  EXPECT_TRUE(error.contains(QStringLiteral("--force"))) << error.toStdString();
  EXPECT_EQ(ReadAll(path), QByteArray("the operator's meet"));

  // A write that fails half-way (a duplicate key) leaves the old file and no stray file.
  MeetTables broken = GenerateSampleMeet(spec);
  Table* swimmers = broken.Find(QStringLiteral("選手マスター"));
  swimmers->rows.push_back(swimmers->rows.front());
  EXPECT_FALSE(WriteMeetFile(path, broken, true, &error));
  EXPECT_EQ(ReadAll(path), QByteArray("the operator's meet"));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("Swim01.mdb")});

  ASSERT_FALSE(WriteSampleMeet(folder.path(), FolderLayout::Ver50, spec, true, &error).isEmpty());
  EXPECT_TRUE(ReadAll(path).startsWith("SQLite format 3"));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

  // A folder standing where the meet file belongs is not replaced.
  QDir(folder.path()).mkpath(QStringLiteral("Swim02.mdb"));
  spec.number = 2;
  EXPECT_TRUE(WriteSampleMeet(folder.path(), FolderLayout::Ver50, spec, true, &error).isEmpty());
  EXPECT_TRUE(QFileInfo(folder.File("Swim02.mdb")).isDir());
}

// The tables and columns, in their order, are those of a real meet (the schema a meet of the
// results system is made from).
TEST_F(DemoMeets, TablesAndColumnsMatchARealMeet) {
  QString schema = test::SwimSchemaSql();
  schema.replace(QStringLiteral("BOOLEAN"), QStringLiteral("INTEGER"));
  const QString columns = QStringLiteral(
      "SELECT m.name, p.name FROM sqlite_master m, pragma_table_info(m.name) p "
      "WHERE m.type = 'table' ORDER BY m.name, p.cid");
  const Rows real = Query(QString(), columns, schema);
  ASSERT_FALSE(real.empty());
  for (int meet = 1; meet <= 3; ++meet) EXPECT_EQ(Query(Meet(meet), columns), real);
  // Integer and text columns as the engine expects them.
  EXPECT_EQ(Column(Meet(1), QStringLiteral("SELECT DISTINCT p.type FROM sqlite_master m, "
                                           "pragma_table_info(m.name) p")),
            (QSet<QString>{QStringLiteral("INTEGER"), QStringLiteral("TEXT")}));
}

TEST_F(DemoMeets, EveryCodeOfTheProgrammeAppears) {
  QSet<QString> sexes, strokes, distances, stages;
  for (int meet = 1; meet <= 3; ++meet) {
    sexes += Column(Meet(meet), QStringLiteral("SELECT 性別 FROM プログラム"));
    strokes += Column(Meet(meet), QStringLiteral("SELECT 種目 FROM プログラム"));
    distances += Column(Meet(meet), QStringLiteral("SELECT 距離 FROM プログラム"));
    stages += Column(Meet(meet), QStringLiteral("SELECT 予決 FROM プログラム"));
  }
  EXPECT_EQ(sexes, Codes(1, 3));
  EXPECT_EQ(strokes, Codes(1, 7));
  EXPECT_EQ(distances, Codes(1, 8));
  EXPECT_EQ(stages, Codes(1, 6));
  for (int meet = 1; meet <= 3; ++meet) {
    EXPECT_EQ(One(Meet(meet), QStringLiteral("SELECT count(*) FROM プログラム WHERE 競技番号 = 0")),
              QStringLiteral("1"));
    EXPECT_EQ(
        One(Meet(meet), QStringLiteral("SELECT count(*) FROM 記録マスター WHERE 競技番号 = 0")),
        QStringLiteral("0"));
  }
}

TEST_F(DemoMeets, SettingsDatesAndClasses) {
  const QRegularExpression date(QStringLiteral("^\\d{4}/\\d{2}/\\d{2}$"));
  const std::map<int, int> days{{1, 2}, {2, 1}, {3, 3}};
  for (const auto& [meet, day_count] : days) {
    const Rows settings = Query(
        Meet(meet), QStringLiteral("SELECT 大会名1, 始期間, 終期間, クラス分け FROM 大会設定"));
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_TRUE(settings[0][0].contains(QRegularExpression(QStringLiteral("第\\d+回"))));
    EXPECT_TRUE(date.match(settings[0][1]).hasMatch());
    EXPECT_TRUE(date.match(settings[0][2]).hasMatch());
    // The programme's days run from the first day to the last, compared as text.
    const Rows dates =
        Query(Meet(meet), QStringLiteral("SELECT DISTINCT 日付 FROM プログラム ORDER BY 日付"));
    ASSERT_EQ(static_cast<int>(dates.size()), day_count);
    EXPECT_EQ(dates.front()[0], settings[0][1]);
    EXPECT_EQ(dates.back()[0], settings[0][2]);
  }
  // With classes, every event and result names an existing class, so the print list's inner
  // join keeps them all; without, the class table is empty.
  EXPECT_EQ(One(Meet(1), QStringLiteral("SELECT クラス分け FROM 大会設定")), QStringLiteral("-1"));
  EXPECT_EQ(One(Meet(1), QStringLiteral("SELECT count(*) FROM プログラム p LEFT JOIN クラス c "
                                        "ON p.クラス番号 = c.番号 WHERE c.番号 IS NULL")),
            QStringLiteral("0"));
  EXPECT_EQ(One(Meet(1), QStringLiteral("SELECT count(*) FROM 記録マスター r LEFT JOIN クラス c "
                                        "ON r.クラス番号 = c.番号 WHERE c.番号 IS NULL")),
            QStringLiteral("0"));
  EXPECT_EQ(One(Meet(2), QStringLiteral("SELECT クラス分け FROM 大会設定")), QStringLiteral("0"));
  EXPECT_EQ(One(Meet(2), QStringLiteral("SELECT count(*) FROM クラス")), QStringLiteral("0"));
  // Meet 3 holds the settings that test the reader's defaults and cuts.
  const Rows odd = Query(
      Meet(3), QStringLiteral("SELECT 選手使用所属, 使用水路予選, 組内最少人数, length(大会名1) "
                              "FROM 大会設定"));
  EXPECT_EQ(odd[0][0], QStringLiteral("<null>"));
  EXPECT_EQ(odd[0][1], QStringLiteral("<null>"));
  EXPECT_EQ(odd[0][2], QString());
  EXPECT_GT(odd[0][3].toInt(), 25);
  EXPECT_EQ(One(Meet(3), QStringLiteral("SELECT group_concat(番号) FROM レーンボックス")),
            QStringLiteral("1,2"));
}

TEST_F(DemoMeets, SwimmersHaveKanjiNamesAndThreeAffiliations) {
  const Rows swimmers =
      Query(Meet(1), QStringLiteral("SELECT 氏名, 主所属, 所属名称１, 所属名称２, "
                                    "所属名称３ FROM 選手マスター"));
  ASSERT_EQ(swimmers.size(), 80u);
  const QRegularExpression kanji_name(QStringLiteral("^\\p{Han}+　\\S+$"));
  QSet<QString> main_affiliations;
  for (const auto& row : swimmers) {
    EXPECT_TRUE(kanji_name.match(row[0]).hasMatch()) << row[0].toStdString();
    main_affiliations.insert(row[1]);
    EXPECT_FALSE(row[2].isEmpty());
  }
  EXPECT_EQ(main_affiliations, Codes(1, 4));
}

// What the print run meets: ties at the usual rank limits, open entrants, rows without a
// time, other statuses, "#" times, record marks and heats.
TEST_F(DemoMeets, ResultsCarryTheCasesOfAPrintRun) {
  const QString meet = Meet(1);
  const QRegularExpression time(QStringLiteral("^\\d{2}:\\d{2}\\.\\d[\\d#]$"));
  for (const auto& row :
       Query(meet, QStringLiteral("SELECT ゴール FROM 記録マスター WHERE ゴール <> ''"))) {
    EXPECT_TRUE(time.match(row[0]).hasMatch()) << row[0].toStdString();
  }
  EXPECT_GT(
      One(meet, QStringLiteral("SELECT count(*) FROM 記録マスター WHERE ゴール LIKE '%#'")).toInt(),
      0);
  EXPECT_GT(
      One(meet, QStringLiteral("SELECT count(*) FROM 記録マスター WHERE ゴール = ''")).toInt(), 0);
  EXPECT_GT(
      One(meet, QStringLiteral("SELECT count(*) FROM 記録マスター WHERE 事由入力ステータス = 4 "
                               "AND ゴール <> ''"))
          .toInt(),
      0);
  EXPECT_GT(One(meet, QStringLiteral("SELECT count(*) FROM 記録マスター WHERE 事由入力ステータス "
                                     "NOT IN (0, 4)"))
                .toInt(),
            0);
  EXPECT_GT(
      One(meet, QStringLiteral("SELECT count(*) FROM 記録マスター WHERE 新記録印刷マーク <> ''"))
          .toInt(),
      0);
  EXPECT_GT(One(meet, QStringLiteral("SELECT max(組) FROM プログラム")).toInt(), 1);
  // Every individual result names a swimmer, so the inner join of the print run keeps it.
  EXPECT_EQ(
      One(meet,
          QStringLiteral(
              "SELECT count(*) FROM 記録マスター r JOIN プログラム p ON r.競技番号 = p.競技番号 "
              "WHERE p.種目 < 6 AND r.選手番号 NOT IN (SELECT 選手番号 FROM 選手マスター)")),
      QStringLiteral("0"));

  // Rank the results of every event as the print run does and look for ties at ranks 3 and 8.
  bool tie_at_3 = false, tie_at_8 = false;
  for (const auto& event :
       Query(meet, QStringLiteral("SELECT 競技番号 FROM プログラム WHERE 競技番号 > 0"))) {
    const Rows ranked =
        Query(meet, QStringLiteral("SELECT ゴール FROM 記録マスター WHERE 競技番号 = %1 AND "
                                   "事由入力ステータス = 0 AND ゴール <> '' "
                                   "ORDER BY 事由入力ステータス, ゴール ASC, 組, 水路")
                        .arg(event[0]));
    if (ranked.size() > 3 && ranked[2] == ranked[3]) tie_at_3 = true;
    if (ranked.size() > 8 && ranked[7] == ranked[8]) tie_at_8 = true;
  }
  EXPECT_TRUE(tie_at_3);
  EXPECT_TRUE(tie_at_8);
}

TEST_F(DemoMeets, RelayWithAMissingLegSwimmerKeepsItsTeamRow) {
  const QString meet = Meet(1);
  // The print run's relay query, as it runs on the results database.
  const QString relay = QStringLiteral(
      " SELECT 記録マスター.*, チームマスター.チーム名, 選手マスター_1.氏名, 選手マスター_2.氏名, "
      "選手マスター_3.氏名, 選手マスター_4.氏名"
      " FROM ((((記録マスター INNER JOIN チームマスター ON 記録マスター.選手番号 = "
      "チームマスター.チーム番号) "
      " LEFT JOIN 選手マスター AS 選手マスター_1 ON 記録マスター.第１泳者 = "
      "選手マスター_1.選手番号) "
      " LEFT JOIN 選手マスター AS 選手マスター_2 ON 記録マスター.第２泳者 = "
      "選手マスター_2.選手番号) "
      " LEFT JOIN 選手マスター AS 選手マスター_3 ON 記録マスター.第３泳者 = "
      "選手マスター_3.選手番号) "
      " LEFT JOIN 選手マスター AS 選手マスター_4 ON 記録マスター.第４泳者 = "
      "選手マスター_4.選手番号  "
      " WHERE 記録マスター.競技番号 = %1");
  int relay_events = 0;
  int missing_legs = 0;
  for (const auto& event :
       Query(meet, QStringLiteral("SELECT 競技番号 FROM プログラム WHERE 種目 IN (6, 7)"))) {
    ++relay_events;
    const Rows rows = Query(meet, relay.arg(event[0]));
    EXPECT_EQ(
        QString::number(rows.size()),
        One(meet,
            QStringLiteral("SELECT count(*) FROM 記録マスター WHERE 競技番号 = %1").arg(event[0])));
    for (const auto& row : rows) {
      for (size_t leg = 7; leg <= 10; ++leg) EXPECT_NE(row[leg], QStringLiteral("0"));
      for (size_t name = 13; name <= 16; ++name) {
        if (row[name] == QStringLiteral("<null>")) ++missing_legs;
      }
    }
  }
  EXPECT_GT(relay_events, 0);
  EXPECT_GT(missing_legs, 0);
}

TEST(SampleMeetPresets, LargeMeetHasTheAgreedSize) {
  const std::vector<MeetSpec> large = PresetMeets(QStringLiteral("large"));
  ASSERT_EQ(large.size(), 1u);
  const MeetTables meet = GenerateSampleMeet(large[0]);
  EXPECT_EQ(meet.Find(QStringLiteral("選手マスター"))->rows.size(), 2000u);
  EXPECT_EQ(meet.Find(QStringLiteral("プログラム"))->rows.size(), 301u);  // with event 0
  EXPECT_EQ(meet.Find(QStringLiteral("記録マスター"))->rows.size(), 20000u);
  QSet<QString> days;
  for (const auto& row : meet.Find(QStringLiteral("プログラム"))->rows)
    days.insert(row[7].toString());
  EXPECT_EQ(days.size(), 3);
  EXPECT_TRUE(PresetMeets(QStringLiteral("huge")).empty());
}

TEST(SampleMeetPresets, SmallFieldsStillGiveAUsableMeet) {
  MeetSpec tiny;
  tiny.swimmers = 1;
  tiny.events = 9;
  tiny.days = 14;
  tiny.results = 100000;
  const MeetTables meet = GenerateSampleMeet(tiny);
  const Table& results = *meet.Find(QStringLiteral("記録マスター"));
  EXPECT_FALSE(results.rows.empty());
  // One swimmer cannot swim an event twice.
  std::set<std::pair<int, int>> entries;
  for (size_t i = 0; i < results.rows.size(); ++i) {
    if (results.Value(i, QStringLiteral("第１泳者")).toInt() != 0) continue;  // relays
    EXPECT_TRUE(entries
                    .insert({results.Value(i, QStringLiteral("競技番号")).toInt(),
                             results.Value(i, QStringLiteral("選手番号")).toInt()})
                    .second);
  }
}

struct CommandRun {
  int code;
  QString out;
  QString err;
};

CommandRun RunCommand(const QStringList& args) {
  QString out, err;
  QTextStream out_stream(&out), err_stream(&err);
  const int code = RunSampleMeetCommand(args, out_stream, err_stream);
  return {code, out, err};
}

TEST(SampleMeetCommand, BadArgumentsAreRefusedWithExitCode2) {
  test::TempFolder folder;
  const QString dir = folder.path();
  const std::vector<QStringList> bad{
      {},
      {QStringLiteral("--preset"), QStringLiteral("huge"), dir},
      {QStringLiteral("--layout"), QStringLiteral("4.5"), dir},
      {QStringLiteral("--meets"), QStringLiteral("1,100"), dir},
      {QStringLiteral("--meets"), QStringLiteral("1,1"), dir},
      {QStringLiteral("--meets"), QStringLiteral("1,,2"), dir},
      {QStringLiteral("--swimmers"), QStringLiteral("0"), dir},
      {QStringLiteral("--events"), QStringLiteral("+5"), dir},
      {QStringLiteral("--days"), QStringLiteral("15"), dir},
      {QStringLiteral("--seed"), QStringLiteral("-1"), dir},
      {QStringLiteral("--classes"), QStringLiteral("yes"), dir},
      {QStringLiteral("--colour"), dir},
      {dir, QStringLiteral("--swimmers")},
      {dir, dir},
  };
  for (const QStringList& args : bad) {
    const CommandRun run = RunCommand(args);
    EXPECT_EQ(run.code, kExitBadArguments) << args.join(u' ').toStdString();
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("kvsys-samplemeet: "))) << run.err.toStdString();
  }
  EXPECT_TRUE(QDir(dir).isEmpty());

  const CommandRun help = RunCommand({QStringLiteral("--help")});
  EXPECT_EQ(help.code, kExitOk);
  EXPECT_TRUE(help.out.contains(QStringLiteral("--preset demo|large")));
}

TEST(SampleMeetCommand, FlagsOverrideThePreset) {
  QString error;
  const auto line = ParseCommandLine(
      {QStringLiteral("--preset"), QStringLiteral("demo"), QStringLiteral("--meets=5,6,7,8"),
       QStringLiteral("--swimmers"), QStringLiteral("12"), QStringLiteral("--classes"),
       QStringLiteral("off"), QStringLiteral("--seed"), QStringLiteral("9"),
       QStringLiteral("--layout"), QStringLiteral("4.6"), QStringLiteral("out")},
      &error);
  ASSERT_TRUE(line) << error.toStdString();
  EXPECT_EQ(line->layout, FolderLayout::Ver46);
  ASSERT_EQ(line->meets.size(), 4u);
  const std::vector<MeetSpec> demo = PresetMeets(QStringLiteral("demo"));
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(line->meets[i].number, static_cast<int>(i) + 5);
    EXPECT_EQ(line->meets[i].swimmers, 12);
    EXPECT_FALSE(line->meets[i].classes);
    EXPECT_EQ(line->meets[i].seed, 9u);
    EXPECT_EQ(line->meets[i].events, demo[i % 3].events);  // not overridden
  }
}

TEST(SampleMeetCommand, RefusesToOverwriteAndWritesNothingThen) {
  test::TempFolder folder;
  folder.Write(QStringLiteral("Swim02.mdb"), "kept");
  const CommandRun refused =
      RunCommand({QStringLiteral("--meets"), QStringLiteral("1,2"), folder.path()});
  EXPECT_EQ(refused.code, kExitFailed);
  EXPECT_TRUE(refused.err.contains(QStringLiteral("Swim02.mdb")));
  EXPECT_FALSE(QFile::exists(folder.File("Swim01.mdb")));
  EXPECT_EQ(folder.Read(QStringLiteral("Swim02.mdb")), QByteArray("kept"));

  const CommandRun forced = RunCommand(
      {QStringLiteral("--meets"), QStringLiteral("1,2"), QStringLiteral("--force"), folder.path()});
  EXPECT_EQ(forced.code, kExitOk) << forced.err.toStdString();
  EXPECT_TRUE(ReadAll(folder.File("Swim01.mdb")).startsWith("SQLite format 3"));
  EXPECT_TRUE(ReadAll(folder.File("Swim02.mdb")).startsWith("SQLite format 3"));
}

}  // namespace
}  // namespace kvsys::samplemeet
