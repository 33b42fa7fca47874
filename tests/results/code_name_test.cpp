// Code words of the programme: the slots cut from the constant texts.
#include <gtest/gtest.h>

#include "common/byte_text.h"
#include "results/code_name.h"

namespace kvsys {
namespace {

TEST(CodeName, SlotsOfEveryKind) {
  EXPECT_EQ(CodeName(kCodeStage, 1), QStringLiteral("予選　　　"));
  EXPECT_EQ(CodeName(kCodeStage, 2), QStringLiteral("タイム決勝"));
  EXPECT_EQ(CodeName(kCodeStage, 3), QStringLiteral("Ｂ決勝　　"));
  EXPECT_EQ(CodeName(kCodeStage, 4), QStringLiteral("Ａ決勝　　"));
  EXPECT_EQ(CodeName(kCodeStage, 5), QStringLiteral("決勝　　　"));
  EXPECT_EQ(CodeName(kCodeStage, 6), QStringLiteral("スイムオフ"));
  EXPECT_EQ(CodeName(kCodeStroke, 1), QStringLiteral("自由形　　　　"));
  EXPECT_EQ(CodeName(kCodeStroke, 4), QStringLiteral("バタフライ　　"));
  EXPECT_EQ(CodeName(kCodeStroke, 5), QStringLiteral("個人メドレー　"));
  EXPECT_EQ(CodeName(kCodeStroke, 6), QStringLiteral("リレー　　　　"));
  EXPECT_EQ(CodeName(kCodeStroke, 7), QStringLiteral("メドレーリレー"));
  EXPECT_EQ(CodeName(kCodeSex, 1), QStringLiteral("男子"));
  EXPECT_EQ(CodeName(kCodeSex, 3), QStringLiteral("混合"));
  EXPECT_EQ(CodeName(kCodeDistance, 1), QStringLiteral("  25m"));
  EXPECT_EQ(CodeName(kCodeDistance, 6), QStringLiteral(" 800m"));
  EXPECT_EQ(CodeName(kCodeDistance, 7), QStringLiteral("1500m"));
  EXPECT_EQ(CodeName(kCodeDistance, 8), QStringLiteral(" 300m"));
  EXPECT_EQ(CodeName(kCodeSchool, 1), QStringLiteral("学童"));
  EXPECT_EQ(CodeName(kCodeSchool, 4), QStringLiteral("大学"));
  EXPECT_EQ(CodeName(kCodeSchoolAlt, 1), QStringLiteral("小学"));
  EXPECT_EQ(CodeName(kCodeSchoolAlt, 2), QStringLiteral("中学"));
}

TEST(CodeName, CodesOutsideTheTableGiveBlanksOfTheSlotWidth) {
  EXPECT_EQ(CodeName(kCodeDistance, 9), QStringLiteral("    m"));
  EXPECT_EQ(CodeName(kCodeDistance, 0), QStringLiteral("    m"));
  EXPECT_EQ(CodeName(kCodeStroke, 0), QString(14, QLatin1Char(' ')));
  EXPECT_EQ(CodeName(kCodeStroke, 8), QString(14, QLatin1Char(' ')));
  EXPECT_EQ(CodeName(kCodeStage, 7), QString(10, QLatin1Char(' ')));
  EXPECT_EQ(CodeName(kCodeSex, -1), QString(4, QLatin1Char(' ')));
  EXPECT_EQ(CodeName(kCodeSchool, 5), QString(4, QLatin1Char(' ')));
  EXPECT_EQ(CodeName(kCodeSchoolAlt, 32767), QString(4, QLatin1Char(' ')));
  EXPECT_EQ(CodeName(0, 1), QString());
  EXPECT_EQ(CodeName(7, 1), QString());
  EXPECT_EQ(CodeName(-1, 1), QString());
}

// Lists line names up in columns: every code, in or out of its table, fills the slot exactly,
// and neighbouring slots never share a character.
TEST(CodeName, EverySlotHasItsWidth) {
  struct Kind {
    int kind, count, width;
  };
  for (const Kind k : {Kind{1, 6, 10}, Kind{2, 7, 14}, Kind{3, 3, 4}, Kind{4, 8, 5}, Kind{5, 4, 4},
                       Kind{6, 4, 4}}) {
    QString joined;
    for (int code = -1; code <= k.count + 1; ++code) {
      const QString name = CodeName(k.kind, code);
      EXPECT_EQ(ByteLen(name), k.width) << k.kind << "," << code;
      EXPECT_FALSE(name.contains(QChar::ReplacementCharacter));
      if (code >= 1 && code <= k.count) {
        EXPECT_FALSE(name.trimmed().remove(QChar(0x3000)).isEmpty()) << k.kind << "," << code;
        EXPECT_FALSE(joined.contains(name)) << k.kind << "," << code;
        joined += name;
      }
    }
  }
}

}  // namespace
}  // namespace kvsys
