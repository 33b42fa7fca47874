// Subsets of CFF fonts: their outlines as FreeType reads them, their size, and damaged fonts.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CID_H
#include FT_TRUETYPE_TABLES_H
#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QRawFont>
#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "print/cff_subset.h"

namespace kvsys {
namespace {

// A FreeType face of its own library, over bytes it keeps.
class Face {
 public:
  // The font program data holds (a font file or a bare CFF font), face number index.
  explicit Face(QByteArray data, int index = 0) : data_(std::move(data)) {
    if (FT_Init_FreeType(&library_) != 0) return;
    if (FT_New_Memory_Face(library_, reinterpret_cast<const FT_Byte*>(data_.constData()),
                           data_.size(), index, &face_) != 0) {
      face_ = nullptr;
    }
  }
  ~Face() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  FT_Face get() const { return face_; }

 private:
  QByteArray data_;
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

struct Outline {
  std::vector<std::pair<FT_Pos, FT_Pos>> points;
  std::vector<char> tags;
  std::vector<short> contours;
  FT_Pos advance = 0;
  bool operator==(const Outline&) const = default;
};

// A glyph's outline in font units, as drawn without hinting; none when FreeType cannot load it.
std::optional<Outline> LoadOutline(FT_Face face, FT_UInt glyph) {
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return {};
  const FT_Outline& o = face->glyph->outline;
  Outline out;
  for (int i = 0; i < o.n_points; ++i) {
    out.points.emplace_back(o.points[i].x, o.points[i].y);
    out.tags.push_back(static_cast<char>(o.tags[i]));
  }
  out.contours.assign(o.contours, o.contours + o.n_contours);
  out.advance = face->glyph->metrics.horiAdvance;
  return out;
}

// The file of an installed family (and its face number there), as fontconfig finds it; an empty
// name when no font of that family is installed.
std::pair<QByteArray, int> FontFile(const QString& family) {
  std::pair<QByteArray, int> found{{}, 0};
  FcPattern* pattern = FcPatternCreate();
  const QByteArray name = family.toUtf8();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
  FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>("Regular"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcChar8* file = nullptr;
  FcChar8* matched_family = nullptr;
  int index = 0;
  if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
      FcPatternGetString(match, FC_FAMILY, 0, &matched_family) == FcResultMatch &&
      FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch &&
      QString::fromUtf8(reinterpret_cast<const char*>(matched_family)) == family) {
    found = {QByteArray(reinterpret_cast<const char*>(file)), index};
  }
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return found;
}

QByteArray ReadFile(const QByteArray& name) {
  QFile f(QString::fromLocal8Bit(name));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An installed font both as Qt and as FreeType read it from the file fontconfig finds. Not
// QFont's choice: for the URW fonts that may be their Type 1 files, which hold no OpenType tables.
struct InstalledFont {
  QRawFont raw;
  std::unique_ptr<Face> file;
};

InstalledFont Installed(const QString& family) {
  InstalledFont font;
  const auto [name, index] = FontFile(family);
  if (name.isEmpty()) return font;
  if (index == 0) {
    font.raw = QRawFont(QString::fromLocal8Bit(name), 100);
  } else {
    QFont f(family);
    f.setPixelSize(100);
    font.raw = QRawFont::fromFont(f);
  }
  font.file = std::make_unique<Face>(ReadFile(name), index);
  // Both read the same outlines.
  FT_ULong size = 0;
  const FT_ULong tag = FT_MAKE_TAG('C', 'F', 'F', ' ');
  const QByteArray cff = font.raw.fontTable("CFF ");
  if (!font.file->get() || FT_Load_Sfnt_Table(font.file->get(), tag, 0, nullptr, &size) != 0 ||
      size != static_cast<FT_ULong>(cff.size())) {
    font.file.reset();
    return font;
  }
  QByteArray table(cff.size(), '\0');
  if (FT_Load_Sfnt_Table(font.file->get(), tag, 0, reinterpret_cast<FT_Byte*>(table.data()),
                         &size) != 0 ||
      table != cff) {
    font.file.reset();
  }
  return font;
}

// Checks that glyph i of the subset is drawn as glyph glyphs[i] of the original, as wide as the
// font's horizontal metrics say.
void ExpectSameOutlines(const CffSubsetter& cff, FT_Face original, FT_Face subset,
                        const std::vector<quint32>& glyphs) {
  ASSERT_EQ(subset->num_glyphs, static_cast<FT_Long>(glyphs.size()));
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const std::optional<Outline> want = LoadOutline(original, glyphs[i]);
    const std::optional<Outline> got = LoadOutline(subset, static_cast<FT_UInt>(i));
    ASSERT_TRUE(want) << glyphs[i];
    ASSERT_TRUE(got) << glyphs[i];
    EXPECT_EQ(*got, *want) << "glyph " << glyphs[i];
    EXPECT_EQ(got->advance, cff.Advance(glyphs[i])) << "glyph " << glyphs[i];
  }
}

std::vector<quint32> GlyphsOf(const QRawFont& raw, const QString& text) {
  std::vector<quint32> glyphs{0};
  for (quint32 g : raw.glyphIndexesForString(text)) {
    EXPECT_NE(g, 0u) << qPrintable(text);
    glyphs.push_back(g);
  }
  return glyphs;
}

TEST(CffSubset, NameKeyedFontKeepsItsOutlinesNamesAndWidths) {
  const InstalledFont font = Installed(QStringLiteral("Nimbus Roman"));
  ASSERT_TRUE(font.file && font.file->get()) << "fonts-urw-base35 is installed";
  CffSubsetter cff;
  ASSERT_TRUE(cff.Load(font.raw));
  EXPECT_FALSE(cff.cid_keyed());
  EXPECT_EQ(cff.units_per_em(), 1000);
  EXPECT_EQ(cff.glyph_count(), static_cast<quint32>(font.file->get()->num_glyphs));
  EXPECT_EQ(cff.ascent(), font.file->get()->ascender);
  EXPECT_EQ(cff.descent(), font.file->get()->descender);
  EXPECT_EQ(cff.bbox()[0], font.file->get()->bbox.xMin);
  EXPECT_EQ(cff.bbox()[3], font.file->get()->bbox.yMax);

  // A certificate's words: small, and each glyph as it was, under its own name.
  const std::vector<quint32> words =
      GlyphsOf(font.raw, QStringLiteral("100m Freestyle 1:02.35 Ægir"));
  const QByteArray small = cff.Subset(words);
  ASSERT_FALSE(small.isEmpty());
  EXPECT_LT(small.size(), 4096) << "the subset holds no unused subroutine or string";
  const Face subset(small);
  ASSERT_TRUE(subset.get());
  ExpectSameOutlines(cff, font.file->get(), subset.get(), words);
  for (size_t i = 1; i < words.size(); ++i) {
    char want[64] = {};
    char got[64] = {};
    ASSERT_EQ(FT_Get_Glyph_Name(font.file->get(), words[i], want, sizeof want), 0);
    ASSERT_EQ(FT_Get_Glyph_Name(subset.get(), static_cast<FT_UInt>(i), got, sizeof got), 0);
    EXPECT_STREQ(got, want);
  }

  // Every glyph of the font, in reverse order.
  std::vector<quint32> all{0};
  for (quint32 g = cff.glyph_count() - 1; g > 0; --g) all.push_back(g);
  const Face whole(cff.Subset(all));
  ASSERT_TRUE(whole.get());
  ExpectSameOutlines(cff, font.file->get(), whole.get(), all);

  EXPECT_TRUE(cff.Subset({0, cff.glyph_count()}).isEmpty());
  EXPECT_TRUE(cff.Subset({}).isEmpty());
}

TEST(CffSubset, CidKeyedFontStaysCidKeyedWithTheFontDictsItUses) {
  const InstalledFont font = Installed(QStringLiteral("Noto Serif CJK JP"));
  ASSERT_TRUE(font.file && font.file->get()) << "fonts-noto-cjk is installed";
  CffSubsetter cff;
  ASSERT_TRUE(cff.Load(font.raw));
  EXPECT_TRUE(cff.cid_keyed());
  EXPECT_EQ(cff.glyph_count(), static_cast<quint32>(font.file->get()->num_glyphs));

  // Ten kanji of a certificate.
  const std::vector<quint32> kanji = GlyphsOf(font.raw, QStringLiteral("水泳競技大会賞状優勝記"));
  const QByteArray small = cff.Subset(kanji);
  ASSERT_FALSE(small.isEmpty());
  EXPECT_LT(small.size(), 8192) << "the subset holds no unused subroutine or font DICT";
  const Face subset(small);
  ASSERT_TRUE(subset.get());
  ExpectSameOutlines(cff, font.file->get(), subset.get(), kanji);
  const char* registry[2] = {};
  const char* ordering[2] = {};
  FT_Int supplement[2] = {};
  FT_Bool cid_keyed = false;
  ASSERT_EQ(FT_Get_CID_Registry_Ordering_Supplement(font.file->get(), &registry[0], &ordering[0],
                                                    &supplement[0]),
            0);
  ASSERT_EQ(FT_Get_CID_Registry_Ordering_Supplement(subset.get(), &registry[1], &ordering[1],
                                                    &supplement[1]),
            0);
  EXPECT_STREQ(registry[1], registry[0]);
  EXPECT_STREQ(ordering[1], ordering[0]);
  EXPECT_EQ(supplement[1], supplement[0]);
  ASSERT_EQ(FT_Get_CID_Is_Internally_CID_Keyed(subset.get(), &cid_keyed), 0);
  EXPECT_TRUE(cid_keyed);
  for (FT_UInt i = 0; i < kanji.size(); ++i) {
    FT_UInt cid = 0;
    ASSERT_EQ(FT_Get_CID_From_Glyph_Index(subset.get(), i, &cid), 0);
    EXPECT_EQ(cid, i) << "content codes are glyph numbers";
  }

  // Kana, Latin letters, a kanji of many strokes drawn from subroutines with hint masks, and a
  // spread of the font's glyphs over all its font DICTs.
  std::vector<quint32> glyphs =
      GlyphsOf(font.raw, QStringLiteral("ひらがなカタカナＡＢｃ１２３ 鬱纏驫"));
  for (quint32 g = 1; g < cff.glyph_count(); g += 97) glyphs.push_back(g);
  const Face spread(cff.Subset(glyphs));
  ASSERT_TRUE(spread.get());
  ExpectSameOutlines(cff, font.file->get(), spread.get(), glyphs);
}

// A small name-keyed CFF font, and the OpenType tables LoadTables reads beside it.
struct TestFont {
  QByteArray cff, head, hhea, hmtx;
  bool Load(CffSubsetter& s) const { return s.LoadTables(cff, head, hhea, hmtx); }
};

void Append(QByteArray& d, quint32 v, int n) {
  for (int i = n - 1; i >= 0; --i) d.append(static_cast<char>(v >> (8 * i)));
}

QByteArray MakeIndex(const std::vector<QByteArray>& items) {
  QByteArray out;
  Append(out, static_cast<quint32>(items.size()), 2);
  if (items.empty()) return out;
  out.append('\x04');  // four-byte offsets, whatever the size
  quint32 offset = 1;
  Append(out, offset, 4);
  for (const QByteArray& item : items) Append(out, offset += item.size(), 4);
  for (const QByteArray& item : items) out.append(item);
  return out;
}

QByteArray Fixed(quint32 v) {
  QByteArray out("\x1D");
  Append(out, v, 4);
  return out;
}

TestFont MakeFont(const std::vector<QByteArray>& charstrings,
                  const std::vector<QByteArray>& subrs = {},
                  const std::vector<QByteArray>& global_subrs = {}) {
  const QByteArray header("\x01\x00\x04\x04", 4);
  const QByteArray names = MakeIndex({"Test"});
  const QByteArray strings = MakeIndex({});
  const QByteArray globals = MakeIndex(global_subrs);
  const QByteArray glyphs = MakeIndex(charstrings);
  const QByteArray private_dict = Fixed(6) + '\x13';  // Subrs right after the Private DICT
  const qsizetype top_size = 3 + 4 * 2 + 6 + 11;      // an INDEX of one DICT of two entries
  const quint32 charstrings_at =
      header.size() + names.size() + top_size + strings.size() + globals.size();
  const quint32 private_at = charstrings_at + glyphs.size();
  const QByteArray top =
      MakeIndex({Fixed(charstrings_at) + '\x11' + Fixed(6) + Fixed(private_at) + '\x12'});
  EXPECT_EQ(top.size(), top_size);
  TestFont font;
  font.cff = header + names + top + strings + globals + glyphs + private_dict + MakeIndex(subrs);
  font.head = QByteArray(54, '\0');
  font.head.replace(12, 4, QByteArray("\x5F\x0F\x3C\xF5", 4));
  font.head.replace(18, 2, QByteArray("\x03\xE8", 2));  // 1000 units per em
  font.hhea = QByteArray(36, '\0');
  font.hhea.replace(34, 2, QByteArray("\x00\x01", 2));  // one width for all glyphs
  font.hmtx = QByteArray("\x01\xF4\0\0\0\0", 6);        // 500, and the other glyph's side bearing
  return font;
}

// Type 2 numbers from -107 to 107 take one byte.
char N(int v) {
  return static_cast<char>(v + 139);
}

TEST(CffSubset, SubroutinesAreWrittenOutAndDamageGivesNothing) {
  const QByteArray endchar("\x0E");
  const QByteArray square = QByteArray() + N(10) + N(10) + '\x15' + N(50) + '\x06' + N(50) +
                            '\x07' + N(-50) + '\x06';  // rmoveto hlineto vlineto hlineto
  CffSubsetter cff;
  const auto subset_of = [&](const TestFont& font) {
    EXPECT_TRUE(font.Load(cff));
    return cff.Subset({0, 1});
  };

  {
    // Local and global subroutines by their biased numbers, nested, their returns left out.
    const QByteArray glyph = QByteArray() + N(10) + N(10) + '\x15' + N(-106) + '\x0A' + endchar;
    const std::vector<QByteArray> subrs = {"\x0B", QByteArray() + N(-107) + '\x1D' + '\x0B'};
    const std::vector<QByteArray> globals = {QByteArray() + N(50) + '\x06' + '\x0B'};
    const QByteArray out = subset_of(MakeFont({endchar, glyph}, subrs, globals));
    EXPECT_TRUE(out.contains(QByteArray() + N(10) + N(10) + '\x15' + N(50) + '\x06' + endchar));
    const Face face(out);
    ASSERT_TRUE(face.get());
    const std::optional<Outline> outline = LoadOutline(face.get(), 1);
    ASSERT_TRUE(outline);
    EXPECT_EQ(outline->points.size(), 2u);
  }
  {
    // With 1240 subroutines the bias is 1131: -1126 (28, two bytes) is subroutine 5.
    std::vector<QByteArray> subrs(1240, "\x0B");
    subrs[5] = square + '\x0B';
    const QByteArray out =
        subset_of(MakeFont({endchar, QByteArray("\x1C\xFB\x9A", 3) + '\x0A' + endchar}, subrs));
    EXPECT_TRUE(out.contains(square + endchar));
  }
  {
    // Hint masks are as long as the stems before them ask, the vstems a hintmask's operands give
    // included: 4 + 5 stems, two bytes, in a subroutine (the second byte would end the glyph
    // if it were taken for an operator).
    QByteArray stems;
    for (int i = 0; i < 8; ++i) stems += N(i == 0 ? 0 : 5);
    QByteArray glyph = stems + '\x12' + stems + N(5) + N(5) + '\x13' + '\xFF' + '\x0E' + square;
    const QByteArray out =
        subset_of(MakeFont({endchar, QByteArray() + N(-107) + '\x0A' + endchar}, {glyph + '\x0B'}));
    EXPECT_TRUE(out.contains(glyph + endchar));
    const Face face(out);
    ASSERT_TRUE(face.get());
    EXPECT_TRUE(LoadOutline(face.get(), 1));
  }
  {
    // Ten subroutines deep is allowed, eleven is not.
    for (const int depth : {10, 11}) {
      std::vector<QByteArray> subrs;
      for (int i = 1; i < depth; ++i) subrs.push_back(QByteArray() + N(i - 107) + '\x0A' + '\x0B');
      subrs.push_back(square + '\x0B');
      const QByteArray out =
          subset_of(MakeFont({endchar, QByteArray() + N(-107) + '\x0A' + endchar}, subrs));
      EXPECT_EQ(out.contains(square + endchar), depth == 10) << depth;
    }
  }

  // Charstrings that do not hold together.
  QByteArray overflow;
  for (int i = 0; i < 49; ++i) overflow += N(1);
  QByteArray blowup;  // each of ten subroutines calls the next twenty times
  std::vector<QByteArray> blowup_subrs;
  for (int i = 0; i < 10; ++i) {
    QByteArray s;
    for (int k = 0; k < 20; ++k) s += QByteArray() + N(i - 106) + '\x0A';
    blowup_subrs.push_back(s + '\x0B');
  }
  blowup_subrs.back() = "\x0B";
  const struct {
    const char* what;
    QByteArray glyph;
    std::vector<QByteArray> subrs;
  } bad[] = {
      {"reserved operator", square + '\x02' + endchar, {}},
      {"escaped reserved operator", square + "\x0C\x26" + endchar, {}},
      {"too many operands", overflow + '\x05' + endchar, {}},
      {"too few operands", square + N(1) + N(1) + '\x08' + endchar, {}},
      {"no endchar", square, {}},
      {"return in a glyph", square + '\x0B' + endchar, {}},
      {"missing subroutine", square + N(-106) + '\x0A' + endchar, {"\x0B"}},
      {"no subroutines", square + N(-107) + '\x0A' + endchar, {}},
      {"no subroutine number", square + '\x0A' + endchar, {"\x0B"}},
      {"computed subroutine number",
       square + N(-107) + N(0) + "\x0C\x0A" + '\x0A' + endchar,
       {"\x0B"}},
      {"subroutine calling itself",
       QByteArray() + N(-107) + '\x0A' + endchar,
       {QByteArray() + N(-107) + '\x0A' + '\x0B'}},
      {"subroutines calling too often", QByteArray() + N(-107) + '\x0A' + endchar, blowup_subrs},
      {"hint mask past the end", QByteArray() + N(0) + N(5) + '\x01' + '\x13', {}},
      {"number past the end", square + '\x1C' + '\x01', {}},
      {"accented character", QByteArray() + N(0) + N(0) + N(65) + N(-6) + endchar, {}},
  };
  for (const auto& c : bad) {
    EXPECT_TRUE(subset_of(MakeFont({endchar, c.glyph}, c.subrs)).isEmpty()) << c.what;
  }
  EXPECT_FALSE(subset_of(MakeFont({endchar, square + endchar})).isEmpty());
  EXPECT_TRUE(cff.Subset({0, 2}).isEmpty());

  // Tables that do not hold together are refused whole: cut short anywhere, an INDEX's offset or
  // the Private DICT's pointing outside the table.
  const TestFont font = MakeFont({endchar, square + endchar}, {square + '\x0B'});
  for (qsizetype size = 0; size < font.cff.size(); ++size) {
    TestFont cut = font;
    cut.cff.truncate(size);
    EXPECT_FALSE(cut.Load(cff)) << size;
  }
  const qsizetype charstrings_at = font.cff.indexOf(MakeIndex({endchar, square + endchar}));
  const qsizetype private_at = font.cff.size() - 6 - MakeIndex({square + '\x0B'}).size();
  const qsizetype private_operand = font.cff.indexOf(Fixed(private_at) + '\x12') + 1;
  ASSERT_GT(charstrings_at, 0);
  ASSERT_GT(private_operand, 0);
  // The last offsets of CharStrings and Subrs, the Private DICT's and the Subrs' offsets.
  for (const qsizetype at :
       {charstrings_at + 11, private_at + 6 + 7, private_operand, private_at + 1}) {
    TestFont damaged = font;
    damaged.cff.replace(at, 4, QByteArray("\x00\x01\x00\x00", 4));
    EXPECT_FALSE(damaged.Load(cff)) << at;
  }
  TestFont wrong_head = font;
  wrong_head.head[12] = 0;
  EXPECT_FALSE(wrong_head.Load(cff));
  EXPECT_TRUE(font.Load(cff));
}

}  // namespace
}  // namespace kvsys
