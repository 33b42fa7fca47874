#pragma once

#include <QFont>

#include "print/print_document.h"

namespace kvsys {

// Lines are about a quarter of a millimetre wide.
inline constexpr double kLineWidthTwips = 14.0;
// Synthetic bold widens every stroke by this part of the em (the font engine's own is 1/24).
inline constexpr double kBoldStrokePerEm = 1.0 / 28;

// How a text run's font is drawn: the page renderer and the PDF writer take it from here, so
// both set a text the same way.
struct DrawFont {
  QFont font;         // the run's font: its outline for synthetic bold, its vertical forms
  QFont drawn;        // the font drawn, at kDrawPixelSize at most
  double scale = 1;   // from drawn to the run's size
  double ascent = 0;  // of the run's font, twips
  bool synthetic_bold = false;
};

// The run's font, resolved once per face, size and style (per thread).
const DrawFont& FontOf(const TextRun& run);

}  // namespace kvsys
