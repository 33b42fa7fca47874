// Class names and the class list, with and without classes, and class tables that lack rows,
// the primary key or the table itself.
#include <gtest/gtest.h>

#include <utility>
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

// Records what FillClassCombo does to a list.
class RecordingList : public ItemList {
 public:
  void Clear() override {
    items.clear();
    ++clears;
  }
  void AddItem(const QString& text, int value) override { items.emplace_back(text, value); }
  void SetEnabled(bool value) override { enabled = value; }
  void SetGrey(bool value) override { grey = value; }

  std::vector<std::pair<QString, int>> items{{QStringLiteral("古い項目"), 9}};
  int clears = 0;
  std::optional<bool> enabled;
  std::optional<bool> grey;
};

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
  RecordingList list;
  FillClassCombo(meet.Open(), state, dialogs, list);
  ASSERT_EQ(list.items.size(), 6u);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(list.items[static_cast<size_t>(i)].second, i);
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
  RecordingList list;
  FillClassCombo(meet.Open(), state, dialogs, list);
  EXPECT_EQ(list.items, (std::vector<std::pair<QString, int>>{{kAllClassesItem, 0}}));
}

TEST(FillClassCombo, ListsAllClassesFirstThenEachClassInNumberOrder) {
  ResultsDb meet;
  meet.InsertNullSettings(-1);
  AddClasses(meet);
  meet.Exec(QStringLiteral("INSERT INTO クラス VALUES ('x', '番号が文字')"));
  ScriptedDialogs dialogs;
  DbErrorState state;
  RecordingList list;
  FillClassCombo(meet.Open(), state, dialogs, list);
  EXPECT_EQ(list.clears, 1);
  const std::vector<std::pair<QString, int>> expected{
      {QStringLiteral("各クラス別一括"), 0},
      {QStringLiteral("小学生"), 1},
      {QStringLiteral("中学生"), 2},
      {QStringLiteral("一般"), 3},
      {QString(), 4},
      {QStringLiteral("一般A区分（マスターズ）"), 5}};
  EXPECT_EQ(list.items, expected);
  EXPECT_EQ(list.grey, false);
}

TEST(FillClassCombo, MeetWithoutClassesGetsADisabledGreyList) {
  ResultsDb meet;
  meet.InsertNullSettings(0);
  AddClasses(meet);
  ScriptedDialogs dialogs;
  DbErrorState state;
  RecordingList list;
  FillClassCombo(meet.Open(), state, dialogs, list);
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(list.enabled, false);
  EXPECT_EQ(list.grey, true);
}

}  // namespace
}  // namespace kvsys
