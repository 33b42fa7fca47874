// Class names and the class list, with and without classes, and class tables that lack rows,
// the primary key or the table itself.
#include <gtest/gtest.h>

#include <vector>

#include "common/byte_text.h"
#include "db/db_error.h"
#include "results/classes.h"
#include "support/results_db.h"
#include "support/scripted_dialogs.h"

namespace kvsys {
namespace {

using test::ResultsDb;
using test::ScriptedDialogs;

const QString kTwentySpaces(20, QLatin1Char(' '));

void AddClasses(ResultsDb& meet) {
  // Inserted out of order: lists follow the class number. Class 5 is 23 bytes with a
  // half-width letter, so its cut at 20 bytes falls inside a double-byte character.
  meet.Exec(
      QStringLiteral("INSERT INTO クラス VALUES (3, '一般'), (1, '小学生'), (2, '中学生'),"
                     " (5, '一般A区分（マスターズ）'), (4, NULL)"));
}

TEST(GetClassName, LooksUpTheNameCutToTwentyBytes) {
  ResultsDb meet;
  meet.InsertNullSettings(-1);
  AddClasses(meet);
  ScriptedDialogs dialogs;
  DbErrorState state;
  Database& db = meet.Open();
  EXPECT_EQ(GetClassName(db, state, dialogs, 1), QStringLiteral("小学生"));
  EXPECT_EQ(GetClassName(db, state, dialogs, 3), QStringLiteral("一般"));
  EXPECT_EQ(GetClassName(db, state, dialogs, 5), QStringLiteral("一般A区分（マスター "));
  EXPECT_EQ(ByteLen(GetClassName(db, state, dialogs, 5)), 20);
  EXPECT_EQ(GetClassName(db, state, dialogs, 4), kTwentySpaces);  // a null name
  EXPECT_EQ(GetClassName(db, state, dialogs, 9), kNoClassName);
  EXPECT_EQ(GetClassName(db, state, dialogs, 0), kNoClassName);
}

TEST(GetClassName, EmptyTableOrNoClasses) {
  ResultsDb meet;
  meet.InsertNullSettings(-1);
  ScriptedDialogs dialogs;
  DbErrorState state;
  EXPECT_EQ(GetClassName(meet.Open(), state, dialogs, 1), kNoClassName);

  // Without classes the class table is not consulted, even when it holds the number.
  AddClasses(meet);
  meet.Exec(QStringLiteral("UPDATE 大会設定 SET クラス分け = 0"));
  EXPECT_EQ(GetClassName(meet.Open(), state, dialogs, 1), kTwentySpaces);
}

TEST(GetClassName, ClassTableWithoutPrimaryKeyIsSearched) {
  ResultsDb meet(QString::fromUtf8(test::kSettingsSchema) +
                 QStringLiteral("CREATE TABLE クラス (番号 INTEGER, クラス名称 TEXT);"));
  meet.InsertNullSettings(-1);
  AddClasses(meet);
  ScriptedDialogs dialogs;
  DbErrorState state;
  EXPECT_EQ(GetClassName(meet.Open(), state, dialogs, 2), QStringLiteral("中学生"));
  EXPECT_EQ(GetClassName(meet.Open(), state, dialogs, 7), kNoClassName);
  const ClassChoices list = ReadClassChoices(meet.Open(), state, dialogs);
  ASSERT_EQ(list.choices.size(), 6u);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(list.choices[static_cast<size_t>(i)].value, i);
}

TEST(GetClassName, MissingTableIsReported) {
  ResultsDb meet(QString::fromUtf8(test::kSettingsSchema));
  meet.InsertNullSettings(-1);
  ScriptedDialogs dialogs;
  DbErrorState state;
  dialogs.Expect(DbErrorText(dberr::kNoSuchTable), MsgButtons::Ok, MsgIcon::Critical,
                 QStringLiteral("クラス名取得"));
  EXPECT_EQ(GetClassName(meet.Open(), state, dialogs, 1), QString());
  dialogs.Expect(DbErrorText(dberr::kNoSuchTable), MsgButtons::Ok, MsgIcon::Critical,
                 QStringLiteral("クラスコンボ作成"));
  const ClassChoices list = ReadClassChoices(meet.Open(), state, dialogs);
  EXPECT_TRUE(list.applies);
  EXPECT_EQ(list.choices, (std::vector<ListChoice>{{kAllClassesItem, 0}}));
}

TEST(ReadClassChoices, ListsAllClassesFirstThenEachClassInNumberOrder) {
  ResultsDb meet;
  meet.InsertNullSettings(-1);
  AddClasses(meet);
  meet.Exec(QStringLiteral("INSERT INTO クラス VALUES ('x', '番号が文字')"));
  ScriptedDialogs dialogs;
  DbErrorState state;
  const ClassChoices list = ReadClassChoices(meet.Open(), state, dialogs);
  const std::vector<ListChoice> expected{{QStringLiteral("各クラス別一括"), 0},
                                         {QStringLiteral("小学生"), 1},
                                         {QStringLiteral("中学生"), 2},
                                         {QStringLiteral("一般"), 3},
                                         {QString(), 4},
                                         {QStringLiteral("一般A区分（マスターズ）"), 5}};
  EXPECT_TRUE(list.applies);
  EXPECT_EQ(list.choices, expected);
}

TEST(ReadClassChoices, AMeetWithoutClassesHasNone) {
  ResultsDb meet;
  meet.InsertNullSettings(0);
  AddClasses(meet);
  ScriptedDialogs dialogs;
  DbErrorState state;
  const ClassChoices list = ReadClassChoices(meet.Open(), state, dialogs);
  EXPECT_FALSE(list.applies);
  EXPECT_TRUE(list.choices.empty());
}

}  // namespace
}  // namespace kvsys
