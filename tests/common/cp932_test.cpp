#include "common/cp932.h"

#include <gtest/gtest.h>

namespace kvsys {
namespace {

TEST(Cp932Test, WindowsSpecificCharactersRoundTrip) {
  // ① and ～ (NEC row 13 and the Windows wave dash), 髙 (IBM extension), ﾊﾟ, ＼ and ASCII.
  const QByteArray bytes = QByteArray::fromHex(
      "8740"
      "8160"
      "fbfc"
      "cadf"
      "815f"
      "5c41");
  bool valid = false;
  const QString text = DecodeCp932(bytes, &valid);
  EXPECT_TRUE(valid);
  EXPECT_EQ(text, QStringLiteral("①～髙ﾊﾟ＼\\A"));
  EXPECT_EQ(EncodeCp932(text).value_or(QByteArray()).toHex(), bytes.toHex());
}

TEST(Cp932Test, AsciiControlBytesStayThemselves) {
  QByteArray bytes;
  for (int b = 1; b < 0x80; ++b) bytes.append(static_cast<char>(b));
  const QString text = DecodeCp932(bytes);
  ASSERT_EQ(text.size(), bytes.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    EXPECT_EQ(text[i].unicode(), static_cast<char16_t>(bytes[i])) << i;
  }
  EXPECT_EQ(EncodeCp932(text).value_or(QByteArray()), bytes);
}

TEST(Cp932Test, TrailBytesInAsciiRangeAreNotSplit) {
  // 表 and ソ end in 0x5C, the backslash byte.
  bool valid = false;
  EXPECT_EQ(DecodeCp932(QByteArray::fromHex("955c835c5c"), &valid), QStringLiteral("表ソ\\"));
  EXPECT_TRUE(valid);
}

TEST(Cp932Test, BrokenBytesBecomeReplacementCharacters) {
  bool valid = true;
  EXPECT_EQ(DecodeCp932(QByteArray::fromHex("41ff42"
                                            "8120"
                                            "80"
                                            "976c"
                                            "81"),
                        &valid),
            QStringLiteral("A\uFFFDB\uFFFD \uFFFD様\uFFFD"));
  EXPECT_FALSE(valid);
}

TEST(Cp932Test, CharactersOutsideTheCodePageCannotBeEncoded) {
  EXPECT_FALSE(EncodeCp932(QStringLiteral("Café")).has_value());
  EXPECT_FALSE(EncodeCp932(QStringLiteral("¥")).has_value());
  EXPECT_FALSE(EncodeCp932(QString::fromUtf8("\xF0\x9F\x98\x80")).has_value());
  EXPECT_FALSE(EncodeCp932(QStringLiteral("\uFFFD")).has_value());
  EXPECT_EQ(EncodeCp932(QString()).value_or(QByteArray("x")), QByteArray());
}

TEST(Utf8Test, Validity) {
  EXPECT_TRUE(IsValidUtf8(QByteArray("plain ascii\r\n")));
  EXPECT_TRUE(IsValidUtf8(QStringLiteral("賞状①").toUtf8()));
  EXPECT_TRUE(IsValidUtf8(QByteArray("a\0b", 3)));
  EXPECT_FALSE(IsValidUtf8(QByteArray::fromHex("8fdc8ff3")));  // 賞状 in Shift_JIS
  EXPECT_FALSE(IsValidUtf8(QByteArray::fromHex("c0af")));      // overlong "/"
  EXPECT_FALSE(IsValidUtf8(QByteArray::fromHex("eda080")));    // a lone surrogate
  EXPECT_FALSE(IsValidUtf8(QByteArray::fromHex("e6bc")));      // cut short
}

}  // namespace
}  // namespace kvsys
