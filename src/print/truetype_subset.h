#pragma once

#include <QByteArray>
#include <QRawFont>
#include <vector>

#include "print/font_metrics.h"

namespace kvsys {

// The outlines of one TrueType font, read once, from which fonts holding only a few of its
// glyphs are made for PDF files. Such a font numbers its glyphs anew, has no character map
// (a PDF names glyphs by number) and no hinting.
class TrueTypeSubsetter {
 public:
  // False when the font has no TrueType outlines (a CFF font, say) or its tables do not hold
  // together; nothing else may be asked then.
  bool Load(const QRawFont& font);

  int units_per_em() const { return metrics_.units_per_em(); }
  quint32 glyph_count() const { return loca_.empty() ? 0 : static_cast<quint32>(loca_.size()) - 1; }
  int ascent() const { return metrics_.ascent(); }  // font units, as the horizontal header gives
  int descent() const { return metrics_.descent(); }
  // xMin, yMin, xMax, yMax of all glyphs, font units.
  const int* bbox() const { return metrics_.bbox(); }
  // Advance width of a glyph, font units.
  int Advance(quint32 glyph) const { return metrics_.Advance(glyph); }

  // Where a glyph's data lies in a subset font; the glyphs fill the end of the file.
  struct GlyphSpan {
    quint32 original = 0;  // its number in this font
    qsizetype offset = 0;
    qsizetype size = 0;  // padded to whole words
    bool as_is = true;   // the bytes GlyphData gives (false: components renumbered)
  };

  // A font whose glyph i is glyph glyphs[i] of this one. The glyphs that composite ones are
  // made of are appended to glyphs. Empty when a glyph is not in the font.
  QByteArray Subset(std::vector<quint32>& glyphs, std::vector<GlyphSpan>* spans = nullptr) const;
  // A glyph's data as a subset holds it when copied as it is: without hinting instructions,
  // padded to whole words. Empty for an empty glyph or one whose data does not hold together.
  QByteArray GlyphData(quint32 glyph) const;

 private:
  // The glyphs' data one after the other, their offsets (one more than glyphs) and spans;
  // components renumbered and appended to glyphs. False when a glyph is not in the font.
  bool CopyGlyphs(std::vector<quint32>& glyphs, QByteArray& glyf, std::vector<quint32>& offsets,
                  std::vector<GlyphSpan>& placed) const;

  QByteArray head_, hhea_, maxp_, glyf_;
  std::vector<quint32> loca_;  // glyph_count + 1 offsets into glyf_
  HorizontalMetrics metrics_;
};

}  // namespace kvsys
