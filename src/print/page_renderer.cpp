#include "print/page_renderer.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "print/glyph_plan.h"

namespace kvsys {

namespace {

void PaintPiece(QPainter& painter, const GlyphPiece& piece, QPointF top_left) {
  if (piece.glyphs.empty()) return;
  const QTransform glyph_to_twips = piece.GlyphToTwips();
  if (piece.bold_stroke > 0) {
    // Synthetic bold: the outlines filled and stroked, the same on every device.
    QPainterPath path;
    for (size_t i = 0; i < piece.glyphs.size(); ++i) {
      const QPointF at = top_left + piece.at[i];
      path.addPath((glyph_to_twips * QTransform::fromTranslate(at.x(), at.y()))
                       .map(piece.font.pathForGlyph(piece.glyphs[i])));
    }
    painter.fillPath(path, Qt::black);
    painter.strokePath(
        path, QPen(Qt::black, piece.bold_stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    return;
  }
  // Drawn in the glyphs' own frame, where the engine keeps them: the positions are taken back
  // into it.
  bool invertible = false;
  const QTransform twips_to_glyph = glyph_to_twips.inverted(&invertible);
  if (!invertible) return;
  QList<quint32> indexes;
  QList<QPointF> positions;
  indexes.reserve(static_cast<qsizetype>(piece.glyphs.size()));
  positions.reserve(static_cast<qsizetype>(piece.glyphs.size()));
  for (size_t i = 0; i < piece.glyphs.size(); ++i) {
    indexes << piece.glyphs[i];
    positions << twips_to_glyph.map(piece.at[i]);
  }
  QGlyphRun run;
  run.setRawFont(piece.font);
  run.setGlyphIndexes(indexes);
  run.setPositions(positions);
  painter.save();
  painter.translate(top_left);
  painter.setWorldTransform(glyph_to_twips, true);
  painter.drawGlyphRun(QPointF(0, 0), run);
  painter.restore();
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
  // Never thinner than one device dot.
  line_pen.setWidthF(std::max(kLineWidthTwips, 1.0 / dots_per_twip));
  line_pen.setCapStyle(Qt::FlatCap);

  for (const PageElement& e : p->elements) {
    if (const auto* run = std::get_if<TextRun>(&e)) {
      painter.setPen(Qt::black);
      const std::shared_ptr<const TextPlan> plan = PlanText(*run);
      for (const GlyphPiece& piece : plan->pieces) {
        PaintPiece(painter, piece, QPointF(run->x, run->y));
      }
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

bool RenderPage(const PrintDocument& doc, int page, QPainter& painter, double scale,
                const QTransform& placement) {
  // In device units: moved by the placement's offset times the scale, scaled about the corner.
  painter.setWorldTransform(QTransform(placement.m11(), 0, 0, placement.m22(),
                                       placement.dx() * scale, placement.dy() * scale));
  return RenderPage(doc, page, painter, scale);
}

}  // namespace kvsys
