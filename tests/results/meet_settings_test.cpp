// Loading the meet settings: every column with its width or default, the lane-box summary, and
// results databases that lack a table, a column or a row.
#include <gtest/gtest.h>

#include "common/byte_text.h"
#include "db/db_error.h"
#include "results/meet_settings.h"
#include "results/results_error.h"
#include "support/results_db.h"
#include "support/scripted_dialogs.h"

namespace kvsys {
namespace {

using test::ResultsDb;
using test::ScriptedDialogs;

const QString kTitle = QStringLiteral("Ｓｙｓｄ取得");

QString Spaces(int n) {
  return QString(n, QLatin1Char(' '));
}

TEST(LoadMeetSettings, ReadsEveryColumnCutToItsWidth) {
  ResultsDb meet;
  // 大会名1: "第45回 " is 7 bytes, then full-width characters: the 22nd crosses byte 50.
  meet.Exec(QStringLiteral(
      "INSERT INTO 大会設定 VALUES ('第45回 "
      "さいたま市民水泳競技大会兼ジュニアオリンピック地区予選会',"
      " '兼 県選手権予選', '2026/07/18', '2026/07/19 (日)', -1, 2, '市民プール', '雨天決行',"
      " 2, 3, 4, 5, 6, 7, 9, 10, 11, 10, 9, 6, '12:30', '2.5', 1, 4)"));
  ScriptedDialogs dialogs;
  DbErrorState state;
  const MeetSettings s = LoadMeetSettings(meet.Open(), state, dialogs);
  EXPECT_TRUE(s.クラス分け);
  EXPECT_EQ(s.選手使用所属, 2);
  EXPECT_EQ(s.タッチ板, 2);
  EXPECT_EQ(s.団体名, 3);
  EXPECT_EQ(s.選手エントリーチェック, 4);
  EXPECT_EQ(s.プール, 5);
  EXPECT_EQ(s.大会名印刷, 6);
  EXPECT_EQ(s.備考欄, 7);
  EXPECT_EQ(s.プールコンディション, 9);
  EXPECT_EQ(s.学校, 10);
  EXPECT_EQ(s.ラップ, 11);
  EXPECT_EQ(s.使用水路予選, 10);
  EXPECT_EQ(s.使用水路タイム決勝, 9);
  EXPECT_EQ(s.使用水路決勝, 6);
  EXPECT_EQ(s.新記録上段, 12);
  EXPECT_EQ(s.新記録下段, 2);
  EXPECT_EQ(s.印刷用競技番号, 1);
  EXPECT_EQ(s.組内最少人数, 4);
  EXPECT_EQ(s.大会名1, QStringLiteral("第45回 さいたま市民水泳競技大会兼ジュニアオリンピ "));
  EXPECT_EQ(ByteLen(s.大会名1), 50);
  EXPECT_EQ(s.大会名2, QStringLiteral("兼 県選手権予選"));
  EXPECT_EQ(s.開催地, QStringLiteral("市民プール"));
  EXPECT_EQ(s.備考, QStringLiteral("雨天決行"));
  EXPECT_EQ(s.始期間, QStringLiteral("2026/07/18"));
  EXPECT_EQ(s.終期間, QStringLiteral("2026/07/19"));
}

TEST(LoadMeetSettings, NullAndBlankColumnsTakeTheirDefaults) {
  for (const char* blank : {"NULL", "''", "'　 '"}) {
    ResultsDb meet;
    QString values = QStringLiteral("0");
    for (int i = 1; i < 24; ++i) values += QStringLiteral(", ") + QString::fromUtf8(blank);
    meet.Exec(
        QStringLiteral(
            "INSERT INTO 大会設定 (クラス分け, 大会名1, 大会名2, 始期間, 終期間, 選手使用所属,"
            " 開催地, 備考, タッチ板, 団体名, 選手エントリーチェック, プール, 大会名印刷, 備考欄,"
            " プールコンディション, 学校, ラップ, 使用水路予選, 使用水路タイム決勝, 使用水路決勝,"
            " 新記録上段, 新記録下段, 印刷用競技番号, 組内最少人数) VALUES (%1)")
            .arg(values));
    ScriptedDialogs dialogs;
    DbErrorState state;
    const MeetSettings s = LoadMeetSettings(meet.Open(), state, dialogs);
    SCOPED_TRACE(blank);
    EXPECT_FALSE(s.クラス分け);
    for (int16_t v : {s.選手使用所属, s.タッチ板, s.団体名, s.選手エントリーチェック, s.プール,
                      s.大会名印刷, s.備考欄, s.プールコンディション, s.学校, s.ラップ}) {
      EXPECT_EQ(v, 1);
    }
    EXPECT_EQ(s.使用水路予選, 8);
    EXPECT_EQ(s.使用水路タイム決勝, 8);
    EXPECT_EQ(s.使用水路決勝, 8);
    EXPECT_EQ(s.印刷用競技番号, 2);
    EXPECT_EQ(s.組内最少人数, 3);
    EXPECT_EQ(s.新記録上段, 0);
    EXPECT_EQ(s.新記録下段, 0);
    EXPECT_EQ(s.大会名1, Spaces(50));
    EXPECT_EQ(s.大会名2, Spaces(50));
    EXPECT_EQ(s.開催地, Spaces(50));
    EXPECT_EQ(s.備考, Spaces(200));
    EXPECT_EQ(s.始期間, Spaces(10));
    EXPECT_EQ(s.終期間, Spaces(10));
  }
}

// A text where a number belongs (written by hand or by another tool) reads as the default
// instead of stopping the load; a number where a text belongs reads as its digits.
TEST(LoadMeetSettings, WrongKindsOfValueDoNotStopTheLoad) {
  ResultsDb meet;
  meet.Exec(QStringLiteral(
      "INSERT INTO 大会設定 (大会名1, クラス分け, 選手使用所属, 使用水路予選, 組内最少人数, "
      "新記録上段,"
      " 始期間, 印刷用競技番号) VALUES ('大会', 'x', '三', 'eight', 99999, 'abc', 20260718, '3')"));
  ScriptedDialogs dialogs;
  DbErrorState state;
  const MeetSettings s = LoadMeetSettings(meet.Open(), state, dialogs);
  EXPECT_FALSE(s.クラス分け);
  EXPECT_EQ(s.選手使用所属, 1);
  EXPECT_EQ(s.使用水路予選, 8);
  EXPECT_EQ(s.組内最少人数, 3);  // beyond the 16-bit range
  EXPECT_EQ(s.新記録上段, 0);
  EXPECT_EQ(s.始期間, QStringLiteral("20260718"));
  EXPECT_EQ(s.印刷用競技番号, 3);
  EXPECT_EQ(s.大会名1, QStringLiteral("大会"));
}

TEST(LoadMeetSettings, LaneBoxSummaryFillsMissingRows) {
  ResultsDb meet;
  meet.InsertNullSettings();
  meet.Exec(
      QStringLiteral("INSERT INTO レーンボックス VALUES (2, 27, 0), (1, 13, -1), (11, 5, 0)"));
  ScriptedDialogs dialogs;
  DbErrorState state;
  MeetSettings s = LoadMeetSettings(meet.Open(), state, dialogs);
  EXPECT_EQ(s.LaneBoxDigits, QStringLiteral("3734567890"));
  EXPECT_EQ(s.LaneUseDigits, QStringLiteral("1211111111"));

  meet.Exec(
      QStringLiteral("DELETE FROM レーンボックス; INSERT INTO レーンボックス VALUES"
                     " (1, NULL, NULL), (3, 120, 1), (10, 9, 0), (6, -34, -1)"));
  s = LoadMeetSettings(meet.Open(), state, dialogs);
  EXPECT_EQ(s.LaneBoxDigits, QStringLiteral("0204547899"));
  EXPECT_EQ(s.LaneUseDigits, QStringLiteral("2111111112"));

  meet.Exec(QStringLiteral("DELETE FROM レーンボックス"));
  s = LoadMeetSettings(meet.Open(), state, dialogs);
  EXPECT_EQ(s.LaneBoxDigits, QStringLiteral("1234567890"));
  EXPECT_EQ(s.LaneUseDigits, QStringLiteral("1111111111"));
}

TEST(LoadMeetSettings, EmptySettingsTableIsReportedAndLeavesDefaults) {
  ResultsDb meet;
  meet.Exec(QStringLiteral("INSERT INTO レーンボックス VALUES (1, 5, 0)"));
  ScriptedDialogs dialogs;
  dialogs.Expect(DbErrorText(dberr::kNoCurrentRecord), MsgButtons::Ok, MsgIcon::Critical, kTitle);
  DbErrorState state;
  const MeetSettings s = LoadMeetSettings(meet.Open(), state, dialogs);
  EXPECT_EQ(s.選手使用所属, 1);
  EXPECT_EQ(s.組内最少人数, 3);
  EXPECT_FALSE(s.クラス分け);
  EXPECT_EQ(s.LaneBoxDigits.size(), 10);
}

TEST(LoadMeetSettings, MissingColumnIsReportedOnceAndTheOthersAreRead) {
  ResultsDb meet(
      QStringLiteral("CREATE TABLE 大会設定 (大会名1 TEXT, 選手使用所属 INTEGER, 始期間 TEXT);") +
      QString::fromUtf8(test::kLaneBoxSchema));
  meet.Exec(QStringLiteral("INSERT INTO 大会設定 VALUES ('第1回 大会', 3, '2026/05/01')"));
  ScriptedDialogs dialogs;
  dialogs.Expect(DbErrorText(dberr::kItemNotFound), MsgButtons::Ok, MsgIcon::Critical, kTitle);
  DbErrorState state;
  const MeetSettings s = LoadMeetSettings(meet.Open(), state, dialogs);
  EXPECT_EQ(s.大会名1, QStringLiteral("第1回 大会"));
  EXPECT_EQ(s.選手使用所属, 3);
  EXPECT_EQ(s.始期間, QStringLiteral("2026/05/01"));
  EXPECT_EQ(s.使用水路決勝, 8);
  EXPECT_EQ(s.組内最少人数, 3);
}

TEST(LoadMeetSettings, MissingTablesAreReported) {
  {
    ResultsDb meet(QString::fromUtf8(test::kLaneBoxSchema));
    ScriptedDialogs dialogs;
    dialogs.Expect(DbErrorText(dberr::kNoSuchTable), MsgButtons::Ok, MsgIcon::Critical, kTitle);
    DbErrorState state;
    const MeetSettings s = LoadMeetSettings(meet.Open(), state, dialogs);
    EXPECT_EQ(s.選手使用所属, 1);
    EXPECT_EQ(s.大会名1, QString());
  }
  {
    // Without a lane-box table the settings are still there; the summary stays ten digits.
    ResultsDb meet(QString::fromUtf8(test::kSettingsSchema));
    meet.Exec(QStringLiteral("INSERT INTO 大会設定 (大会名1, 選手使用所属) VALUES ('大会', 2)"));
    ScriptedDialogs dialogs;
    dialogs.Expect(DbErrorText(dberr::kNoSuchTable), MsgButtons::Ok, MsgIcon::Critical, kTitle);
    DbErrorState state;
    const MeetSettings s = LoadMeetSettings(meet.Open(), state, dialogs);
    EXPECT_EQ(s.選手使用所属, 2);
    EXPECT_EQ(s.大会名1, QStringLiteral("大会"));
    EXPECT_EQ(s.LaneBoxDigits, QStringLiteral("1234567890"));
    EXPECT_EQ(s.LaneUseDigits, QStringLiteral("1111111111"));
  }
  {
    // A lane-box table without its value columns: the rows still count as present.
    ResultsDb meet(QString::fromUtf8(test::kSettingsSchema) +
                   QStringLiteral("CREATE TABLE レーンボックス (番号 INTEGER);"));
    meet.InsertNullSettings();
    meet.Exec(QStringLiteral("INSERT INTO レーンボックス VALUES (1), (2)"));
    ScriptedDialogs dialogs;
    dialogs.Expect(DbErrorText(dberr::kItemNotFound), MsgButtons::Ok, MsgIcon::Critical, kTitle);
    DbErrorState state;
    const MeetSettings s = LoadMeetSettings(meet.Open(), state, dialogs);
    EXPECT_TRUE(s.クラス分け);
    EXPECT_EQ(s.LaneBoxDigits, QStringLiteral("0034567890"));
    EXPECT_EQ(s.LaneUseDigits.size(), 10);
  }
}

TEST(MeetNames, ReadTheFirstRowUncut) {
  ResultsDb meet;
  const QString long_name = QStringLiteral("第12回 ") + QString(40, QChar(0x6c34));  // 87 bytes
  meet.Exec(
      QStringLiteral("INSERT INTO 大会設定 (大会名1, 大会名2, 始期間) VALUES ('%1', '兼 予選',"
                     " '2026/07/18'), ('二行目', '', '2027/01/01')")
          .arg(long_name));
  ScriptedDialogs dialogs;
  DbErrorState state;
  EXPECT_EQ(GetMeetName1(meet.Open(), state, dialogs), long_name);
  EXPECT_EQ(GetMeetName2(meet.Open(), state, dialogs), QStringLiteral("兼 予選"));
  EXPECT_EQ(GetMeetStartDate(meet.Open(), state, dialogs), QStringLiteral("2026/07/18"));
}

TEST(MeetNames, NullOrNoRowIsReportedAndGivesTheEmptyText) {
  const QString title = QStringLiteral("大会名取得");
  ResultsDb meet;
  ScriptedDialogs dialogs;
  DbErrorState state;
  dialogs.Expect(DbErrorText(dberr::kNoCurrentRecord), MsgButtons::Ok, MsgIcon::Critical, title);
  EXPECT_EQ(GetMeetName1(meet.Open(), state, dialogs), QString());

  meet.Exec(QStringLiteral("INSERT INTO 大会設定 (大会名1) VALUES ('大会')"));
  dialogs.Expect(kInvalidUseOfNullText, MsgButtons::Ok, MsgIcon::Critical, title);
  EXPECT_EQ(GetMeetName2(meet.Open(), state, dialogs), QString());
  dialogs.Expect(kInvalidUseOfNullText, MsgButtons::Ok, MsgIcon::Critical, title);
  EXPECT_EQ(GetMeetStartDate(meet.Open(), state, dialogs), QString());
  EXPECT_TRUE(dialogs.AllShown());
}

TEST(HasClasses, TrueIsAnyNonZeroValue) {
  ResultsDb meet;
  ScriptedDialogs dialogs;
  DbErrorState state;
  dialogs.Expect(DbErrorText(dberr::kNoCurrentRecord), MsgButtons::Ok, MsgIcon::Critical,
                 QStringLiteral("クラス有無取得"));
  EXPECT_FALSE(HasClasses(meet.Open(), state, dialogs));
  meet.InsertNullSettings(-1);
  EXPECT_TRUE(HasClasses(meet.Open(), state, dialogs));
  for (const char* value : {"0", "NULL", "''"}) {
    meet.Exec(QStringLiteral("UPDATE 大会設定 SET クラス分け = %1").arg(QLatin1String(value)));
    EXPECT_FALSE(HasClasses(meet.Open(), state, dialogs)) << value;
  }
  meet.Exec(QStringLiteral("UPDATE 大会設定 SET クラス分け = 1"));
  EXPECT_TRUE(HasClasses(meet.Open(), state, dialogs));
}

TEST(ReportDbError, LockedTableNamesItsDataAndToleratedErrorsAreSilent) {
  ScriptedDialogs dialogs;
  DbErrorState state;
  for (int number : {3008, 3189, 3261}) {
    dialogs.Expect(DbErrorText(number) + QStringLiteral("(%1)\r(対象：クラスデータ)").arg(number),
                   MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("クラス名取得"));
    EXPECT_TRUE(ReportDbError(dialogs, state, DbError(number), QStringLiteral("クラス名取得"),
                              kTargetClasses));
  }
  dialogs.Expect(DbErrorText(3260) + QStringLiteral("(3260)"), MsgButtons::Ok, MsgIcon::Exclamation,
                 kTitle);
  EXPECT_TRUE(ReportDbError(dialogs, state, DbError(3260), kTitle, kTargetMeetSettings));
  dialogs.Expect(DbErrorText(3078), MsgButtons::Ok, MsgIcon::Critical, kTitle);
  EXPECT_TRUE(ReportDbError(dialogs, state, DbError(3078), kTitle, kTargetMeetSettings));

  state.SetExpected({3261});
  EXPECT_FALSE(ReportDbError(dialogs, state, DbError(3261), kTitle, kTargetMeetSettings));
  EXPECT_EQ(state.ExpectedErrorHit, 99);
}

}  // namespace
}  // namespace kvsys
