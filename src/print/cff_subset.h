#pragma once

#include <QByteArray>
#include <QRawFont>
#include <functional>
#include <vector>

#include "print/font_metrics.h"

namespace kvsys {

namespace cff {

// A piece of the CFF table: [offset, offset + size).
struct Span {
  qsizetype offset = 0;
  qsizetype size = 0;
};
// An INDEX: where each of its items lies.
struct Index {
  std::vector<Span> items;
};
// One entry of a DICT: the operator (12 x as 1200 + x) and its operands as written.
struct DictEntry {
  int op = 0;
  QByteArray operands;
  std::vector<double> values;
};
// A font's dictionary (the Top DICT of a name-keyed font, an FDArray entry of a CID-keyed
// one) with its Private DICT and local subroutines.
struct FontDict {
  std::vector<DictEntry> entries;  // those that still hold in a subset
  std::vector<DictEntry> private_entries;
  Index subrs;
};

}  // namespace cff

// The outlines of one OpenType font with CFF outlines, read once, from which bare CFF fonts
// holding only a few of its glyphs are made for PDF files (FontFile3 /CIDFontType0C). Such a
// font numbers its glyphs anew and has no subroutines: they are written out into each glyph,
// so that a subset carries none it does not use.
//
// A CID-keyed font stays CID-keyed, with glyph i given CID i (so a PDF's Identity-H codes are
// the subset's glyph numbers). A name-keyed font stays name-keyed, its glyph names kept: a PDF
// reader takes the CIDs of a CIDFontType0C font that has no CIDs as glyph numbers.
class CffSubsetter {
 public:
  // False when the font has no CFF outlines (a TrueType font, say) or its tables do not hold
  // together; nothing else may be asked then.
  bool Load(const QRawFont& font);
  // The same from the tables themselves ('CFF ', 'head', 'hhea', 'hmtx').
  bool LoadTables(const QByteArray& cff, const QByteArray& head, const QByteArray& hhea,
                  const QByteArray& hmtx);

  int units_per_em() const { return metrics_.units_per_em(); }
  quint32 glyph_count() const { return glyph_count_; }
  int ascent() const { return metrics_.ascent(); }  // font units, as the horizontal header gives
  int descent() const { return metrics_.descent(); }
  // xMin, yMin, xMax, yMax of all glyphs, font units.
  const int* bbox() const { return metrics_.bbox(); }
  // Advance width of a glyph, font units.
  int Advance(quint32 glyph) const { return metrics_.Advance(glyph); }
  bool cid_keyed() const { return cid_keyed_; }

  // A bare CFF font whose glyph i is glyph glyphs[i] of this one (glyphs[0] is best 0, the
  // .notdef glyph). Empty when a glyph is not in the font or its outline does not hold
  // together.
  QByteArray Subset(const std::vector<quint32>& glyphs) const;

 private:
  // A glyph's charstring with the subroutines written out; empty when it does not hold together.
  QByteArray Flatten(quint32 glyph) const;
  // Every glyph's charstring flattened; false when one is out of range or does not hold.
  bool FlattenAll(const std::vector<quint32>& glyphs, std::vector<QByteArray>* charstrings) const;
  // The font DICTs the glyphs use (in the order first used), the subset's FDSelect (CID-keyed)
  // and charset (format 0), sid renumbering the strings a name-keyed glyph names.
  void Numbering(const std::vector<quint32>& glyphs, const std::function<quint32(double)>& sid,
                 std::vector<int>* used, QByteArray* fd_select, QByteArray* charset) const;
  // A CID-keyed font's FDArray (each font DICT with its Private) and FDSelect.
  bool LoadFontDicts(const QByteArray& cff, const std::vector<cff::DictEntry>& top);

  QByteArray cff_;
  HorizontalMetrics metrics_;
  quint32 glyph_count_ = 0;
  bool cid_keyed_ = false;
  QByteArray name_;                  // the font's name, as the Name INDEX holds it
  std::vector<cff::DictEntry> top_;  // Top DICT entries that still hold in a subset
  std::vector<QByteArray> strings_;  // the String INDEX
  cff::Index global_subrs_;
  cff::Index charstrings_;
  std::vector<quint16> charset_;      // name-keyed: each glyph's name (SID)
  std::vector<cff::FontDict> fonts_;  // one for a name-keyed font
  std::vector<quint8> fd_select_;     // CID-keyed: each glyph's font in fonts_
};

}  // namespace kvsys
