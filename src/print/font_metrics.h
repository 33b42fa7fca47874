#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace kvsys {

// What a PDF font's descriptor and widths take from an OpenType font: its 'head', 'hhea' and
// 'hmtx' tables, whatever its outlines.
class HorizontalMetrics {
 public:
  // False when the tables are too short for glyphs glyphs or say nothing usable.
  bool Load(const QByteArray& head, const QByteArray& hhea, const QByteArray& hmtx, quint32 glyphs);

  int units_per_em() const { return units_per_em_; }
  int ascent() const { return ascent_; }  // font units, as the horizontal header gives them
  int descent() const { return descent_; }
  // xMin, yMin, xMax, yMax of all glyphs, font units.
  const int* bbox() const { return bbox_; }
  // Advance width of a glyph, font units (the last one given for glyphs after it).
  int Advance(quint32 glyph) const;
  // Left side bearing of a glyph, font units.
  int SideBearing(quint32 glyph) const;

 private:
  QByteArray hmtx_;
  quint32 hmetrics_ = 0;
  int units_per_em_ = 0;
  int ascent_ = 0;
  int descent_ = 0;
  int bbox_[4] = {0, 0, 0, 0};
};

}  // namespace kvsys
