#pragma once

#include <QPointF>
#include <QRawFont>
#include <QTransform>
#include <memory>
#include <vector>

#include "print/print_document.h"

namespace kvsys {

// Lines are about a quarter of a millimetre wide.
inline constexpr double kLineWidthTwips = 14.0;
// Synthetic bold widens every stroke by this part of the em (the font engine's own is 1/24).
inline constexpr double kBoldStrokePerEm = 1.0 / 28;
// Synthetic italic leans the glyphs by this much per em of height, as printed output always
// has: the printing path of the toolkit leans by this much.
inline constexpr double kObliqueSlant = 0.3;

// Glyphs of one face drawn one way: along a line (horizontal text, a turned stretch of a
// vertical line), or one by one (the upright glyphs of a vertical line).
struct GlyphPiece {
  QRawFont font;           // the face, upright unless the plan is not exact
  double em = 0;           // twips
  double slant = 0;        // synthetic italic, per em of height
  double bold_stroke = 0;  // twips; synthetic bold (outlines filled and stroked) when positive
  bool turned = false;     // turned 90° clockwise
  std::vector<quint32> glyphs;
  std::vector<QPointF> at;  // baseline origins, twips from the run's top-left corner

  // From the font's pixel units, a glyph's origin at (0, 0), to twips: scaled to the em, leant
  // and turned.
  QTransform GlyphToTwips() const;
};

// How a text run is drawn, on every device and in every file: the printer, the preview, images,
// Qt's PDF engine and the per-certificate PDF writer all paint this.
struct TextPlan {
  std::vector<GlyphPiece> pieces;
  // False when a face of the run could not be had without the engine's own slant: the plan
  // then draws it leant by the engine (slant 0), and only painting through Qt is exact.
  bool exact = true;
  // How far the run reaches along its line, twips: where text after it begins.
  double advance = 0;
};

// What a run's plan depends on: its font, size, style, direction and text.
QString PlanKey(const TextRun& run);

// The run's plan, made once per key (per thread, a bounded number kept). Shared: a plan the
// caller holds outlives the cache letting go of it.
std::shared_ptr<const TextPlan> PlanText(const TextRun& run);
// The same, its key already made.
std::shared_ptr<const TextPlan> PlanText(const TextRun& run, const QString& key);

}  // namespace kvsys
