#include "print/page_renderer.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "print/draw_font.h"
#include "print/vertical_text.h"

namespace kvsys {

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
  // Never thinner than one device dot.
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
