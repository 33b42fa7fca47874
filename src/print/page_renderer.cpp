#include "print/page_renderer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "print/font_substitution.h"
#include "print/vertical_text.h"

namespace kvsys {

namespace {

// Lines are about a quarter of a millimetre wide, but never thinner than one device dot.
constexpr double kLineWidthTwips = 14.0;
// Synthetic bold widens every stroke by this part of the em (the font engine's own is 1/24).
constexpr double kBoldStrokePerEm = 1.0 / 28;

// Fonts are sized in twips, so their glyphs run to hundreds or thousands of pixels, and the
// font engine keeps no metrics for glyphs that large: every text drawn loaded each glyph
// again from the font file. Texts are drawn at this size instead and scaled up, where the
// engine keeps each glyph's metrics for good. Outlines scale exactly; advances differ by far
// less than a twip.
constexpr int kDrawPixelSize = 128;
constexpr size_t kMaxDrawFonts = 64;

// How a text run's font is drawn.
struct DrawFont {
  QFont font;         // the run's font: its outline for synthetic bold, its vertical forms
  QFont drawn;        // the font drawn, at kDrawPixelSize at most
  double scale = 1;   // from drawn to the run's size
  double ascent = 0;  // of the run's font, twips
  bool synthetic_bold = false;
};

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

}  // namespace

bool RenderPage(const PrintDocument& doc, int page, QPainter& painter, const QRectF& target) {
  const PrintPage* p = doc.Page(page);
  if (!p || doc.width <= 0 || doc.height <= 0 || !target.isValid()) return false;

  painter.save();
  painter.setClipRect(target, Qt::IntersectClip);
  painter.translate(target.topLeft());
  painter.scale(target.width() / doc.width, target.height() / doc.height);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);

  const QTransform device = painter.deviceTransform();
  const double dots_per_twip = std::max(std::hypot(device.m11(), device.m12()), 1e-9);
  QPen line_pen(Qt::black);
  line_pen.setWidthF(std::max(kLineWidthTwips, 1.0 / dots_per_twip));
  line_pen.setCapStyle(Qt::FlatCap);

  for (const PageElement& e : p->elements) {
    if (const auto* run = std::get_if<TextRun>(&e)) {
      const DrawFont& f = FontOf(*run);
      painter.setPen(Qt::black);
      if (run->vertical) {
        DrawVerticalLine(painter, ShapeVertical(f.font, run->text), QPointF(run->x, run->y),
                         f.synthetic_bold ? f.font.pixelSize() * kBoldStrokePerEm : 0);
        continue;
      }
      // The run's position is its top-left corner; Qt draws from the baseline.
      const QPointF baseline(run->x, run->y + f.ascent);
      const bool scaled = f.scale != 1;
      if (scaled) {
        painter.save();
        painter.translate(baseline);
        painter.scale(f.scale, f.scale);
      }
      const QPointF origin = scaled ? QPointF(0, 0) : baseline;
      painter.setFont(f.drawn);
      if (f.synthetic_bold) {
        // Synthetic bold: the outline filled and stroked, the same on every device.
        QPainterPath path;
        path.addText(origin, f.drawn, run->text);
        painter.fillPath(path, Qt::black);
        painter.strokePath(path, QPen(Qt::black, f.drawn.pixelSize() * kBoldStrokePerEm,
                                      Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      } else {
        painter.drawText(origin, run->text);
      }
      if (scaled) painter.restore();
    } else if (const auto* line = std::get_if<LineElement>(&e)) {
      painter.setPen(line_pen);
      painter.drawLine(QPointF(line->x1, line->y1), QPointF(line->x2, line->y2));
    }
  }
  painter.restore();
  return true;
}

bool RenderPage(const PrintDocument& doc, int page, QPainter& painter, double scale) {
  if (!(scale > 0) || !std::isfinite(scale)) return false;
  return RenderPage(doc, page, painter, QRectF(0, 0, doc.width * scale, doc.height * scale));
}

}  // namespace kvsys
