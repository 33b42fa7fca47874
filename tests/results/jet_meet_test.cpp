// The routines on a meet written by the results system itself (a Jet file).
#include <gtest/gtest.h>

#include "db/workspace.h"
#include "results/classes.h"
#include "results/code_name.h"
#include "results/meet_settings.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

namespace kvsys {
namespace {

TEST(JetMeet, SettingsAndClassesOfARealMeet) {
  const QString path = test::FixturePath(QStringLiteral("Swim01.mdb"));
  Workspace workspace;
  auto db = workspace.OpenDatabase(path);
  test::ScriptedDialogs dialogs;
  DbErrorState state;
  const MeetSettings s = LoadMeetSettings(*db, state, dialogs);
  EXPECT_EQ(s.大会名1, QStringLiteral("第45回 市民水泳競技大会"));
  EXPECT_EQ(s.大会名2, QStringLiteral("兼 県選手権予選"));
  EXPECT_EQ(s.始期間, QStringLiteral("2026/07/18"));
  EXPECT_EQ(s.終期間, QStringLiteral("2026/07/19"));
  EXPECT_TRUE(s.クラス分け);
  EXPECT_EQ(s.選手使用所属, 2);
  EXPECT_EQ(s.新記録上段, 1);
  EXPECT_EQ(s.新記録下段, 2);
  EXPECT_EQ(s.組内最少人数, 3);
  EXPECT_EQ(s.LaneBoxDigits, QStringLiteral("1234567890"));
  EXPECT_EQ(s.LaneUseDigits, QStringLiteral("1121121111"));
  EXPECT_EQ(GetMeetName1(*db, state, dialogs), QStringLiteral("第45回 市民水泳競技大会"));
  EXPECT_TRUE(HasClasses(*db, state, dialogs));
  EXPECT_EQ(GetClassName(*db, state, dialogs, 2), QStringLiteral("中学生"));
  EXPECT_EQ(GetClassName(*db, state, dialogs, 4), kNoClassName);
}

}  // namespace
}  // namespace kvsys
