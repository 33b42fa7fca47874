#include "print/truetype_subset.h"

#include <QHash>
#include <algorithm>
#include <array>

#include "print/font_bytes.h"

namespace kvsys {

using namespace fontbytes;

namespace {

// The sum of the big-endian words of data padded with zeros to whole words.
quint32 Checksum(const char* data, qsizetype size) {
  const auto* p = reinterpret_cast<const uchar*>(data);
  quint32 sum = 0;
  qsizetype i = 0;
  for (; i + 4 <= size; i += 4) {
    sum += static_cast<quint32>(p[i]) << 24 | static_cast<quint32>(p[i + 1]) << 16 |
           static_cast<quint32>(p[i + 2]) << 8 | p[i + 3];
  }
  for (int shift = 24; i < size; ++i, shift -= 8) sum += static_cast<quint32>(p[i]) << shift;
  return sum;
}

// Composite glyph flags.
constexpr quint32 kArgsAreWords = 0x0001;
constexpr quint32 kHaveScale = 0x0008;
constexpr quint32 kMoreComponents = 0x0020;
constexpr quint32 kHaveXYScale = 0x0040;
constexpr quint32 kHaveTwoByTwo = 0x0080;

constexpr quint32 kHaveInstructions = 0x0100;

// Calls f(offset of the component's flags) for each component of a composite glyph and gives
// where the components end; -1 when the glyph's data ends before its components do.
template <typename F>
qsizetype ForEachComponent(const QByteArray& glyph, F f) {
  if (glyph.size() < 10 || S16(glyph, 0) >= 0) return glyph.size();
  qsizetype at = 10;
  for (;;) {
    if (at + 4 > glyph.size()) return -1;
    const quint32 flags = U16(glyph, at);
    f(at);
    at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
    if (flags & kHaveScale) {
      at += 2;
    } else if (flags & kHaveXYScale) {
      at += 4;
    } else if (flags & kHaveTwoByTwo) {
      at += 8;
    }
    if (!(flags & kMoreComponents)) return at <= glyph.size() ? at : -1;
  }
}

// The glyph without its hinting instructions: PDF readers draw outlines at print and screen
// sizes unhinted (as the certificates are measured), and instructions are nearly half of a
// Japanese font's glyph data. Empty when the data does not hold together.
QByteArray WithoutInstructions(QByteArray glyph) {
  if (glyph.isEmpty()) return glyph;
  if (glyph.size() < 10) return {};
  const int contours = S16(glyph, 0);
  if (contours >= 0) {
    const qsizetype length_at = 10 + 2 * static_cast<qsizetype>(contours);
    if (length_at + 2 > glyph.size()) return {};
    const qsizetype length = U16(glyph, length_at);
    if (length_at + 2 + length > glyph.size()) return {};
    glyph.remove(length_at + 2, length);
    Put16(glyph, length_at, 0);
    return glyph;
  }
  const qsizetype end = ForEachComponent(
      glyph, [&](qsizetype at) { Put16(glyph, at, U16(glyph, at) & ~kHaveInstructions); });
  if (end < 0) return {};
  glyph.truncate(end);
  return glyph;
}

struct FontTable {
  std::array<char, 4> tag;
  const QByteArray* data;
};

// A font file of these tables (tags ascending, one of them 'head'), the glyphs last in the file
// so that their bytes can be found by where the glyph table starts (*glyf_at).
QByteArray FontFile(const std::vector<FontTable>& tables, qsizetype* glyf_at) {
  const auto n = static_cast<quint32>(tables.size());
  quint32 power = 1;
  quint32 log2 = 0;
  while (power * 2 <= n) {
    power *= 2;
    ++log2;
  }
  QByteArray out;
  qsizetype total = 12 + 16 * static_cast<qsizetype>(n);
  for (const FontTable& t : tables) total += (t.data->size() + 3) & ~qsizetype(3);
  out.reserve(total);
  Append32(out, 0x00010000);
  Append16(out, n);
  Append16(out, power * 16);
  Append16(out, log2);
  Append16(out, n * 16 - power * 16);
  const qsizetype directory = out.size();
  out.resize(directory + 16 * static_cast<qsizetype>(n));
  qsizetype head_at = 0;
  quint32 tables_sum = 0;  // the tables' words, each table padded to whole words
  const auto is = [](const FontTable& t, const char* tag) {
    return std::equal(t.tag.begin(), t.tag.end(), tag);
  };
  auto place = [&](const FontTable& t, qsizetype entry) {
    const qsizetype at = out.size();
    if (is(t, "head")) head_at = at;
    if (is(t, "glyf")) *glyf_at = at;
    out.append(*t.data);
    while (out.size() % 4) out.append('\0');
    std::copy(t.tag.begin(), t.tag.end(), out.begin() + entry);
    const quint32 sum = Checksum(t.data->constData(), t.data->size());
    tables_sum += sum;
    Put32(out, entry + 4, sum);
    Put32(out, entry + 8, static_cast<quint32>(at));
    Put32(out, entry + 12, static_cast<quint32>(t.data->size()));
  };
  for (quint32 i = 0; i < n; ++i) {
    if (!is(tables[i], "glyf")) place(tables[i], directory + 16 * i);
  }
  for (quint32 i = 0; i < n; ++i) {
    if (is(tables[i], "glyf")) place(tables[i], directory + 16 * i);
  }
  // The whole file's words: the directory's and the tables' sums, not the glyphs read again.
  Put32(out, head_at + 8,
        0xB1B0AFBA - (Checksum(out.constData(), directory + 16 * n) + tables_sum));
  return out;
}

}  // namespace

bool TrueTypeSubsetter::Load(const QRawFont& font) {
  head_ = font.fontTable("head");
  hhea_ = font.fontTable("hhea");
  maxp_ = font.fontTable("maxp");
  glyf_ = font.fontTable("glyf");
  const QByteArray loca = font.fontTable("loca");
  loca_.clear();
  if (head_.size() < 54 || U32(head_, 12) != 0x5F0F3CF5 || hhea_.size() < 36 || maxp_.size() < 6 ||
      glyf_.isEmpty()) {
    return false;
  }
  const quint32 glyphs = U16(maxp_, 4);
  const bool long_offsets = S16(head_, 50) == 1;
  if (!metrics_.Load(head_, hhea_, font.fontTable("hmtx"), glyphs) ||
      loca.size() < static_cast<qsizetype>((glyphs + 1) * (long_offsets ? 4 : 2))) {
    return false;
  }
  loca_.resize(glyphs + 1);
  for (quint32 g = 0; g <= glyphs; ++g) {
    loca_[g] = long_offsets ? U32(loca, 4 * g) : 2 * U16(loca, 2 * g);
    if (loca_[g] > static_cast<quint32>(glyf_.size()) || (g > 0 && loca_[g] < loca_[g - 1])) {
      loca_.clear();
      return false;
    }
  }
  return true;
}

QByteArray TrueTypeSubsetter::GlyphData(quint32 glyph) const {
  if (glyph >= glyph_count()) return {};
  // A glyph that does not hold together is left empty, as a reader would draw nothing of it.
  QByteArray data = WithoutInstructions(glyf_.mid(loca_[glyph], loca_[glyph + 1] - loca_[glyph]));
  while (data.size() % 4) data.append('\0');
  return data;
}

bool TrueTypeSubsetter::CopyGlyphs(std::vector<quint32>& glyphs, QByteArray& glyf,
                                   std::vector<quint32>& offsets,
                                   std::vector<GlyphSpan>& placed) const {
  QHash<quint32, quint32> new_index;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    if (glyphs[i] >= glyph_count()) return false;
    new_index.insert(glyphs[i], static_cast<quint32>(i));
  }
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const quint32 g = glyphs[i];
    QByteArray data = GlyphData(g);
    std::vector<qsizetype> refs;
    if (ForEachComponent(data, [&](qsizetype at) { refs.push_back(at + 2); }) < 0) return false;
    for (qsizetype at : refs) {
      const quint32 component = U16(data, at);
      if (component >= glyph_count()) return false;
      auto it = new_index.find(component);
      if (it == new_index.end()) {
        it = new_index.insert(component, static_cast<quint32>(glyphs.size()));
        glyphs.push_back(component);
      }
      Put16(data, at, it.value());
    }
    offsets.push_back(static_cast<quint32>(glyf.size()));
    placed.push_back({g, glyf.size(), data.size(), refs.empty()});
    glyf.append(data);
  }
  offsets.push_back(static_cast<quint32>(glyf.size()));
  return true;
}

QByteArray TrueTypeSubsetter::Subset(std::vector<quint32>& glyphs,
                                     std::vector<GlyphSpan>* spans) const {
  if (loca_.empty()) return {};
  // The glyph table, components brought in as they are met.
  QByteArray glyf;
  std::vector<quint32> offsets;
  std::vector<GlyphSpan> placed;
  if (!CopyGlyphs(glyphs, glyf, offsets, placed)) return {};
  const quint32 count = static_cast<quint32>(glyphs.size());

  QByteArray loca;
  loca.reserve(4 * (count + 1));
  for (quint32 o : offsets) Append32(loca, o);
  QByteArray hmtx;
  hmtx.reserve(4 * count);
  for (quint32 g : glyphs) {
    Append16(hmtx, static_cast<quint32>(Advance(g)));
    Append16(hmtx, static_cast<quint32>(metrics_.SideBearing(g)) & 0xFFFF);
  }
  QByteArray head = head_.left(54);
  Put32(head, 8, 0);   // the whole file's checksum goes here at the end
  Put16(head, 50, 1);  // long offsets in loca
  QByteArray hhea = hhea_.left(36);
  Put16(hhea, 34, count);
  QByteArray maxp = maxp_;
  Put16(maxp, 4, count);

  // Tags in ascending order, as readers search them.
  qsizetype glyf_at = 0;
  QByteArray out = FontFile({{{'g', 'l', 'y', 'f'}, &glyf},
                             {{'h', 'e', 'a', 'd'}, &head},
                             {{'h', 'h', 'e', 'a'}, &hhea},
                             {{'h', 'm', 't', 'x'}, &hmtx},
                             {{'l', 'o', 'c', 'a'}, &loca},
                             {{'m', 'a', 'x', 'p'}, &maxp}},
                            &glyf_at);
  if (spans) {
    for (GlyphSpan& span : placed) span.offset += glyf_at;
    *spans = std::move(placed);
  }
  return out;
}

}  // namespace kvsys
