#include "print/draw_font.h"

#include <QFontMetricsF>
#include <map>
#include <tuple>

#include "print/font_substitution.h"

namespace kvsys {

namespace {

// Fonts are sized in twips, so their glyphs run to hundreds or thousands of pixels, and the
// font engine keeps no metrics for glyphs that large: every text drawn loaded each glyph
// again from the font file. Texts are drawn at this size instead and scaled up, where the
// engine keeps each glyph's metrics for good. Outlines scale exactly; advances differ by far
// less than a twip.
constexpr int kDrawPixelSize = 128;
constexpr size_t kMaxDrawFonts = 64;

}  // namespace

const DrawFont& FontOf(const TextRun& run) {
  using Key = std::tuple<QString, double, bool, bool>;
  thread_local std::map<Key, DrawFont> fonts;
  Key key(run.font, run.size, run.bold, run.italic);
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  if (fonts.size() >= kMaxDrawFonts) fonts.clear();
  DrawFont f;
  f.font = CertificateFont(run.font, run.size, run.bold, run.italic);
  f.drawn = f.font;
  if (f.font.pixelSize() > kDrawPixelSize) {
    f.drawn.setPixelSize(kDrawPixelSize);
    f.scale = static_cast<double>(f.font.pixelSize()) / kDrawPixelSize;
  }
  f.ascent = QFontMetricsF(f.font).ascent();
  f.synthetic_bold = run.bold && !f.font.bold();
  return fonts.emplace(std::move(key), std::move(f)).first->second;
}

}  // namespace kvsys
