#include "common/byte_text.h"

#include <gtest/gtest.h>

namespace kvsys {
namespace {

// ｱ(1) 漢(2) A(1) 字(2) ﾊﾟ(1+1) 😀(2): 10 bytes.
const QString kMixed = QStringLiteral("ｱ漢A字ﾊﾟ") + QString::fromUtf8("\xF0\x9F\x98\x80");

TEST(ByteLenTest, CountsHalfWidthAsOneAndOthersAsTwo) {
  EXPECT_EQ(ByteLen(QString()), 0);
  EXPECT_EQ(ByteLen(QStringLiteral("abc")), 3);
  EXPECT_EQ(ByteLen(QStringLiteral("ｱｲｳﾞ")), 4);
  EXPECT_EQ(ByteLen(QStringLiteral("漢字　")), 6);
  EXPECT_EQ(ByteLen(QStringLiteral("é")), 2);
  EXPECT_EQ(ByteLen(kMixed), 10);
}

TEST(LeftBytesTest, CutsWithSpaceForHalfOfADoubleByteCharacter) {
  EXPECT_EQ(LeftBytes(QStringLiteral("漢字"), 3), QStringLiteral("漢 "));
  EXPECT_EQ(LeftBytes(QStringLiteral("漢字"), 4), QStringLiteral("漢字"));
  EXPECT_EQ(LeftBytes(QStringLiteral("漢字"), 9), QStringLiteral("漢字"));
  EXPECT_EQ(LeftBytes(kMixed, 2), QStringLiteral("ｱ "));
  EXPECT_EQ(LeftBytes(kMixed, 4), QStringLiteral("ｱ漢A"));
  EXPECT_EQ(LeftBytes(kMixed, 7), QStringLiteral("ｱ漢A字ﾊ"));
  EXPECT_EQ(LeftBytes(kMixed, 9), QStringLiteral("ｱ漢A字ﾊﾟ "));
  EXPECT_EQ(ByteLen(LeftBytes(kMixed, 9)), 9);
  EXPECT_EQ(LeftBytes(kMixed, 0), QString());
  EXPECT_EQ(LeftBytes(kMixed, -3), QString());
}

TEST(TruncateBytesTest, NeverFillsWithSpace) {
  EXPECT_EQ(TruncateBytes(QStringLiteral("漢字"), 3), QStringLiteral("漢"));
  EXPECT_EQ(TruncateBytes(kMixed, 9), QStringLiteral("ｱ漢A字ﾊﾟ"));
}

TEST(MidBytesTest, StartsAtOneBasedBytePosition) {
  EXPECT_EQ(MidBytes(kMixed, 1, 3), QStringLiteral("ｱ漢"));
  EXPECT_EQ(MidBytes(kMixed, 4, 3), QStringLiteral("A字"));
  EXPECT_EQ(MidBytes(kMixed, 4), QStringLiteral("A字ﾊﾟ") + QString::fromUtf8("\xF0\x9F\x98\x80"));
  EXPECT_EQ(MidBytes(kMixed, 4, 2), QStringLiteral("A "));
  EXPECT_EQ(MidBytes(kMixed, 11, 2), QString());
  EXPECT_EQ(MidBytes(kMixed, 0, 1), QStringLiteral("ｱ"));
  EXPECT_EQ(MidBytes(kMixed, 2, 0), QString());
}

TEST(MidBytesTest, StartInsideADoubleByteCharacterKeepsPositions) {
  // Byte 3 is the second half of 漢.
  EXPECT_EQ(MidBytes(kMixed, 3, 2), QStringLiteral(" A"));
  EXPECT_EQ(MidBytes(kMixed, 3, 3), QStringLiteral(" A "));
  EXPECT_EQ(MidBytes(kMixed, 3, 4), QStringLiteral(" A字"));
  EXPECT_EQ(ByteLen(MidBytes(kMixed, 3, 3)), 3);
  EXPECT_EQ(MidBytes(QStringLiteral("漢字"), 2, 3), QStringLiteral(" 字"));
}

TEST(PadBytesTest, FillsToWidth) {
  EXPECT_EQ(PadBytes(QStringLiteral("ｱ漢"), 6), QStringLiteral("ｱ漢   "));
  EXPECT_EQ(PadBytes(QString(), 2), QStringLiteral("  "));
  EXPECT_EQ(PadBytes(QStringLiteral("漢字"), 3), QStringLiteral("漢字"));
}

TEST(ToFullWidthTest, AsciiToFullWidth) {
  EXPECT_EQ(ToFullWidth(QStringLiteral("Ab 1!~")), QStringLiteral("Ａｂ　１！～"));
  EXPECT_EQ(ToFullWidth(QStringLiteral("1'23\"45")), QStringLiteral("１＇２３＂４５"));
  EXPECT_EQ(ToFullWidth(QStringLiteral("漢字ａ\t")), QStringLiteral("漢字ａ\t"));
}

TEST(ToFullWidthTest, CombinesVoicedMarks) {
  EXPECT_EQ(ToFullWidth(QStringLiteral("ｶﾞｷﾞﾂﾞﾄﾞﾊﾞﾎﾟｳﾞ")), QStringLiteral("ガギヅドバポヴ"));
  EXPECT_EQ(ToFullWidth(QStringLiteral("ｼﾞｭﾝｲ")), QStringLiteral("ジュンイ"));
  // A mark that has no letter to join stays a mark of its own.
  EXPECT_EQ(ToFullWidth(QStringLiteral("ｱﾞｶﾟﾞﾟ")), QStringLiteral("ア゛カ゜゛゜"));
  EXPECT_EQ(ToFullWidth(QStringLiteral("ｯﾞﾅﾟ")), QStringLiteral("ッ゛ナ゜"));
}

TEST(ToFullWidthTest, EveryHalfWidthKatakanaMatchesItsCompatibilityForm) {
  // The Unicode compatibility mapping of U+FF61..U+FF9D is the full-width form; the two marks
  // map to combining marks there, so they are checked by name.
  for (char16_t c = 0xFF61; c <= 0xFF9D; ++c) {
    const QString half(QChar{c});
    EXPECT_EQ(ToFullWidth(half), half.normalized(QString::NormalizationForm_KC))
        << std::hex << static_cast<int>(c);
  }
  EXPECT_EQ(ToFullWidth(QStringLiteral("ﾞﾟ")), QStringLiteral("゛゜"));
  // Every voiced or semi-voiced pair composes like its canonical composition, when one exists.
  for (char16_t c = 0xFF66; c <= 0xFF9D; ++c) {
    for (char16_t mark : {char16_t(0xFF9E), char16_t(0xFF9F)}) {
      const QString pair = QString(QChar{c}) + QChar{mark};
      const QString composed = pair.normalized(QString::NormalizationForm_KC);
      const QString expected =
          composed.size() == 1 ? composed
                               : ToFullWidth(QString(QChar{c})) + ToFullWidth(QString(QChar{mark}));
      if (c == 0xFF9C || c == 0xFF66) continue;  // ﾜﾞ ｦﾞ: no combined letter in the code page
      EXPECT_EQ(ToFullWidth(pair), expected) << std::hex << static_cast<int>(c);
    }
  }
}

}  // namespace
}  // namespace kvsys
