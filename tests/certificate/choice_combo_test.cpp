// The class list filled into a real combo box of the print list: item values, the grey
// background of a meet without classes, and what the previous meet left behind.
#include <gtest/gtest.h>

#include <QComboBox>

#include "certificate/choice_combo_ui.h"
#include "db/db_error.h"
#include "results/classes.h"
#include "support/results_db.h"
#include "support/scripted_dialogs.h"

namespace kvsys {
namespace {

using test::ResultsDb;
using test::ScriptedDialogs;

void AddClasses(ResultsDb& meet) {
  // Inserted out of order: lists follow the class number. Class 5 is 23 bytes with a
  // half-width letter, so its cut at 20 bytes falls inside a double-byte character.
  meet.Exec(
      QStringLiteral("INSERT INTO クラス VALUES (3, '一般'), (1, '小学生'), (2, '中学生'),"
                     " (5, '一般A区分（マスターズ）'), (4, NULL)"));
}

TEST(ShowClassChoices, MeetWithoutClassesEmptiesAndGreysTheCombo) {
  ResultsDb meet;
  meet.InsertNullSettings(0);
  AddClasses(meet);
  ScriptedDialogs dialogs;
  DbErrorState state;
  QComboBox combo;
  combo.addItem(QStringLiteral("前の大会のクラス"), 7);
  ShowClassChoices(&combo, ReadClassChoices(meet.Open(), state, dialogs), true);
  EXPECT_EQ(combo.count(), 0);
  EXPECT_FALSE(combo.isEnabled());
  EXPECT_EQ(combo.palette().color(QPalette::Disabled, QPalette::Base), QColor(192, 192, 192));
}

TEST(ShowClassChoices, ComboItemsCarryTheClassNumberAndAnEarlierGreyGoes) {
  ResultsDb meet;
  meet.InsertNullSettings(-1);
  AddClasses(meet);
  ScriptedDialogs dialogs;
  DbErrorState state;
  QComboBox combo;
  ShowClassChoices(&combo, ClassChoices{}, true);  // the meet before had no classes
  ShowClassChoices(&combo, ReadClassChoices(meet.Open(), state, dialogs), false);
  EXPECT_FALSE(combo.isEnabled());  // until クラス別 is ticked
  ASSERT_EQ(combo.count(), 6);
  EXPECT_EQ(combo.itemText(0), QStringLiteral("各クラス別一括"));
  EXPECT_EQ(combo.itemData(0).toInt(), 0);
  EXPECT_EQ(combo.itemText(2), QStringLiteral("中学生"));
  EXPECT_EQ(combo.itemData(2).toInt(), 2);
  EXPECT_NE(combo.palette().color(QPalette::Base), QColor(192, 192, 192));
}

}  // namespace
}  // namespace kvsys
