#include "common/text_util.h"

#include <gtest/gtest.h>

#include <QDateTime>

namespace kvsys {
namespace {

TEST(FormatMsgTest, FillsPercentsWithTrimmedArgumentsInOrder) {
  EXPECT_EQ(
      FormatMsg(QStringLiteral("第%位（%）"), {QStringLiteral(" 1 "), QStringLiteral("　2　")}),
      QStringLiteral("第1位（2）"));
  EXPECT_EQ(FormatMsg(QStringLiteral("GetProfileEx(%,%,%)"),
                      {QStringLiteral("a.ini"), QString(), QStringLiteral("Dono")}),
            QStringLiteral("GetProfileEx(a.ini,,Dono)"));
}

TEST(FormatMsgTest, PercentWithoutArgumentGivesNothing) {
  EXPECT_EQ(FormatMsg(QStringLiteral("%-%-%"), {QStringLiteral("x")}), QStringLiteral("x--"));
  EXPECT_EQ(FormatMsg(QStringLiteral("[%]")), QStringLiteral("[]"));
}

TEST(FormatMsgTest, DollarIsLineBreakAndDoubleDollarIsDollar) {
  EXPECT_EQ(FormatMsg(QStringLiteral("上書き$保存$$しますか？")),
            QStringLiteral("上書き\r保存$しますか？"));
  EXPECT_EQ(FormatMsg(QStringLiteral("$$$")), QStringLiteral("$\r"));
}

TEST(FormatMsgTest, ArgumentsAreNotInterpreted) {
  // A path with "$" or "%" in it must come through as it is.
  EXPECT_EQ(FormatMsg(QStringLiteral("%と%"), {QStringLiteral("a$b%c"), QStringLiteral("d")}),
            QStringLiteral("a$b%cとd"));
}

TEST(FormatMsgTest, TemplateAndResultAreTrimmed) {
  EXPECT_EQ(FormatMsg(QStringLiteral("  A%  "), {QStringLiteral("  ")}), QStringLiteral("A"));
  EXPECT_EQ(FormatMsg(QStringLiteral("　全角　")), QStringLiteral("全角"));
}

TEST(TrimBlanksTest, RemovesHalfAndFullWidthSpacesOnlyAtTheEnds) {
  EXPECT_EQ(TrimBlanks(QStringLiteral(" 　a b　 ")), QStringLiteral("a b"));
  EXPECT_EQ(TrimBlanks(QStringLiteral("\tx\t")), QStringLiteral("\tx\t"));
  EXPECT_EQ(TrimBlanks(QStringLiteral("   ")), QString());
}

TEST(NullToTest, Int16Kind) {
  EXPECT_EQ(NullTo(QVariant(), kNullToInt16, 8).typeId(), QMetaType::Short);
  EXPECT_EQ(NullTo(QVariant(), kNullToInt16, 8).toInt(), 8);
  EXPECT_EQ(NullTo(QStringLiteral("5"), kNullToInt16, 8).toInt(), 5);
  EXPECT_EQ(NullTo(QStringLiteral("5"), kNullToInt16, 8).typeId(), QMetaType::Short);
  EXPECT_EQ(NullTo(QStringLiteral("  "), kNullToInt16, 8).toInt(), 8);
  EXPECT_EQ(NullTo(QStringLiteral("　"), kNullToInt16, 8).toInt(), 8);
  EXPECT_EQ(NullTo(QVariant(-32768), kNullToInt16, 0).toInt(), -32768);
  EXPECT_EQ(NullTo(QVariant(true), kNullToInt16, 0).toInt(), -1);
  // Rounded half to even, as the Basic conversion does.
  EXPECT_EQ(NullTo(QVariant(2.5), kNullToInt16, 0).toInt(), 2);
  EXPECT_EQ(NullTo(QStringLiteral("3.5"), kNullToInt16, 0).toInt(), 4);
}

TEST(NullToTest, UnconvertibleValueGivesEmptyText) {
  for (const QVariant& v : {QVariant(QStringLiteral("A")), QVariant(40000), QVariant(1e10),
                            QVariant(QStringLiteral("12abc")), QVariant(qulonglong(1) << 63)}) {
    const QVariant r = NullTo(v, kNullToInt16, 8);
    EXPECT_FALSE(r.isNull()) << v.toString().toStdString();
    EXPECT_EQ(r.toString(), QString()) << v.toString().toStdString();
    EXPECT_EQ(r.toInt(), 0) << v.toString().toStdString();
    EXPECT_EQ(NullTo(v, kNullToInt16OrNull, 8).toString(), QString());
  }
}

TEST(NullToTest, TextKinds) {
  EXPECT_EQ(NullTo(QVariant(), kNullToLeftBytes, 4).toString(), QStringLiteral("    "));
  EXPECT_EQ(NullTo(QStringLiteral("東京都"), kNullToLeftBytes, 5).toString(),
            QStringLiteral("東京 "));
  EXPECT_EQ(NullTo(QStringLiteral("ab"), kNullToLeftBytes, 5).toString(), QStringLiteral("ab"));
  EXPECT_EQ(NullTo(QStringLiteral(" "), kNullToPadBytes, 3).toString(), QStringLiteral("   "));
  EXPECT_EQ(NullTo(QStringLiteral("水"), kNullToPadBytes, 5).toString(), QStringLiteral("水   "));
  EXPECT_EQ(NullTo(QVariant(), kNullToText, 9).toString(), QString());
  EXPECT_FALSE(NullTo(QVariant(), kNullToText, 9).isNull());
  EXPECT_EQ(NullTo(QVariant(12), kNullToText, 9), QVariant(12));
}

TEST(NullToTest, BlankTestAndNullableInteger) {
  EXPECT_TRUE(NullTo(QVariant(), kNullToIsBlank, 0).toBool());
  EXPECT_TRUE(NullTo(QStringLiteral("  "), kNullToIsBlank, 0).toBool());
  EXPECT_FALSE(NullTo(QStringLiteral("x"), kNullToIsBlank, 0).toBool());
  EXPECT_FALSE(NullTo(QVariant(0), kNullToIsBlank, 0).toBool());
  EXPECT_TRUE(NullTo(QVariant(), kNullToInt16OrNull, 3).isNull());
  EXPECT_EQ(NullTo(QStringLiteral(" 7 "), kNullToInt16OrNull, 3).toInt(), 7);
  EXPECT_EQ(NullTo(QStringLiteral("x"), 99, 3).toString(), QString());
  EXPECT_FALSE(NullTo(QVariant(), 99, 3).isNull());
}

TEST(ToIntTest, TakesTextBeforeColonThenPoint) {
  EXPECT_EQ(ToInt(QStringLiteral("12:30")), 12);
  EXPECT_EQ(ToInt(QStringLiteral("7.9")), 7);
  EXPECT_EQ(ToInt(QStringLiteral("12.7:3")), 12);
  EXPECT_EQ(ToInt(QStringLiteral("-3.7")), -3);
  EXPECT_EQ(ToInt(QStringLiteral(" 20 ")), 20);
  EXPECT_EQ(ToInt(QStringLiteral("+5")), 5);
}

TEST(ToIntTest, AnythingUnconvertibleIsZero) {
  for (const char* s : {"", " ", "abc", "1a", ".5", ":1", "-", "1 2", "32768", "-32769",
                        "99999999999999999999999"}) {
    EXPECT_EQ(ToInt(QString::fromUtf8(s)), 0) << s;
  }
  EXPECT_EQ(ToInt(QStringLiteral("32767")), 32767);
  EXPECT_EQ(ToInt(QStringLiteral("-32768")), -32768);
}

TEST(ToLongTest, ThirtyTwoBitRange) {
  EXPECT_EQ(ToLong(QStringLiteral("32768")), 32768);
  EXPECT_EQ(ToLong(QStringLiteral("2147483647")), 2147483647);
  EXPECT_EQ(ToLong(QStringLiteral("-2147483648.9")), -2147483647 - 1);
  EXPECT_EQ(ToLong(QStringLiteral("2147483648")), 0);
  EXPECT_EQ(ToLong(QStringLiteral("1:2")), 1);
  EXPECT_EQ(ToLong(QStringLiteral("x")), 0);
}

TEST(IsWholeNumberTest, Modes) {
  EXPECT_FALSE(IsWholeNumber(QStringLiteral("0"), 1));
  EXPECT_TRUE(IsWholeNumber(QStringLiteral("0"), 0));
  EXPECT_TRUE(IsWholeNumber(QStringLiteral("-5"), -1));
  EXPECT_FALSE(IsWholeNumber(QStringLiteral("-5"), 0));
  EXPECT_TRUE(IsWholeNumber(QStringLiteral("1"), 1));
  EXPECT_TRUE(IsWholeNumber(QVariant(42), 1));
  EXPECT_FALSE(IsWholeNumber(QStringLiteral("1"), 2));
}

TEST(IsWholeNumberTest, RejectsPointsTextsAndOutOfRange) {
  EXPECT_FALSE(IsWholeNumber(QStringLiteral("1.0"), -1));
  EXPECT_FALSE(IsWholeNumber(QVariant(2.5), -1));
  EXPECT_FALSE(IsWholeNumber(QStringLiteral("a"), -1));
  EXPECT_FALSE(IsWholeNumber(QStringLiteral(""), -1));
  EXPECT_FALSE(IsWholeNumber(QVariant(), -1));
  EXPECT_FALSE(IsWholeNumber(QStringLiteral("32768"), 0));
  EXPECT_FALSE(IsWholeNumber(QStringLiteral("32768"), 1));
  EXPECT_TRUE(IsWholeNumber(QStringLiteral("32767"), 1));
  EXPECT_TRUE(IsWholeNumber(QStringLiteral("32768"), -1));
  EXPECT_TRUE(IsWholeNumber(QStringLiteral("123456789012345678901234567890"), -1));
  EXPECT_FALSE(IsWholeNumber(QStringLiteral("123456789012345678901234567890"), 1));
}

}  // namespace
}  // namespace kvsys
