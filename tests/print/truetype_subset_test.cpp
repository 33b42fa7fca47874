// Subsets of TrueType fonts as whole font files: what FreeType and checking readers read of them.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <QFont>
#include <QRawFont>

#include "print/truetype_subset.h"

namespace kvsys {
namespace {

quint32 Word(const QByteArray& b, qsizetype at) {
  const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
  return static_cast<quint32>(p[0]) << 24 | static_cast<quint32>(p[1]) << 16 |
         static_cast<quint32>(p[2]) << 8 | p[3];
}

// The sum of the big-endian words from at, size bytes padded with zeros.
quint32 WordSum(const QByteArray& b, qsizetype at, qsizetype size) {
  QByteArray part = b.mid(at, size);
  while (part.size() % 4) part.append('\0');
  quint32 sum = 0;
  for (qsizetype i = 0; i < part.size(); i += 4) sum += Word(part, i);
  return sum;
}

TEST(TrueTypeSubset, IsAFontFileWithTheRightChecksumsThatFreeTypeReads) {
  QFont font(QStringLiteral("IPAMincho"));
  font.setPixelSize(100);
  const QRawFont raw = QRawFont::fromFont(font);
  ASSERT_EQ(raw.familyName(), QStringLiteral("IPAMincho"));
  TrueTypeSubsetter subsetter;
  ASSERT_TRUE(subsetter.Load(raw));
  const QList<quint32> indexes = raw.glyphIndexesForString(QStringLiteral("賞状第1位Ａ"));
  std::vector<quint32> glyphs(indexes.begin(), indexes.end());
  const QByteArray font_file = subsetter.Subset(glyphs);
  ASSERT_FALSE(font_file.isEmpty());

  // Each table's checksum as its directory entry gives it; the whole file sums to the magic
  // number through head's adjustment.
  const int tables = static_cast<int>(Word(font_file, 4) >> 16);
  ASSERT_EQ(tables, 6);
  bool head_seen = false;
  for (int i = 0; i < tables; ++i) {
    const qsizetype entry = 12 + 16 * i;
    const QByteArray tag = font_file.mid(entry, 4);
    const qsizetype at = Word(font_file, entry + 8);
    const qsizetype size = Word(font_file, entry + 12);
    ASSERT_LE(at + size, font_file.size()) << tag.constData();
    quint32 sum = WordSum(font_file, at, size);
    // head's own checksum is taken with its adjustment at zero.
    if (tag == "head") {
      head_seen = true;
      sum -= Word(font_file, at + 8);
    }
    EXPECT_EQ(sum, Word(font_file, entry + 4)) << tag.constData();
  }
  EXPECT_TRUE(head_seen);
  EXPECT_EQ(WordSum(font_file, 0, font_file.size()), 0xB1B0AFBAu);

  FT_Library library = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face = nullptr;
  ASSERT_EQ(FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(font_file.constData()),
                               font_file.size(), 0, &face),
            0);
  EXPECT_EQ(face->num_glyphs, static_cast<FT_Long>(glyphs.size()));
  for (FT_UInt g = 0; g < glyphs.size(); ++g) {
    EXPECT_EQ(FT_Load_Glyph(face, g, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING), 0) << g;
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

}  // namespace
}  // namespace kvsys
