#pragma once

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <vector>

namespace kvsys {

// Whether a stored face name asks for vertical lines: Windows names its vertical faces with a
// leading "@" ("@ＭＳ 明朝").
bool IsVerticalFace(const QString& face);
// The face name without its "@".
QString HorizontalFace(const QString& face);

// The font lists' entries: each family, and after every family that writes Japanese its "@"
// face, as Windows lists them.
QStringList WithVerticalFaces(const QStringList& families);

// One glyph of a vertical line.
struct VerticalGlyph {
  quint32 index = 0;
  QPointF origin;       // its baseline origin, in twips from the line's top-left corner
  bool turned = false;  // drawn turned 90° clockwise (half-width letters and digits)
};

// A line set top to bottom: its glyphs, in the font's vertical forms, in a column as wide as
// the font's line height.
struct VerticalLine {
  QRawFont font;
  std::vector<VerticalGlyph> glyphs;
  double breadth = 0;  // across the column, twips
  double length = 0;   // down the column: the sum of the vertical advances, twips
};

// Shapes one line (no line breaks) in font (whose pixel size is in twips) for vertical
// writing: characters of full width stand upright with their vertical forms (、。「」ー, small
// kana) and vertical advances; runs of other characters (Latin letters, digits) are set as a
// horizontal line turned 90° clockwise, centred in the column.
VerticalLine ShapeVertical(const QFont& font, const QString& line);

}  // namespace kvsys
