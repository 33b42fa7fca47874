#include "preview/page_view_ui.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "preview/underlay.h"
#include "print/page_renderer.h"
#include "print/paper.h"

namespace kvsys {

namespace {

constexpr int kMargin = 12;  // grey around the sheet, device pixels
constexpr double kMinPercent = 10;
constexpr double kMaxPercent = 800;
constexpr double kZoomStep = 1.25;

// Keeps the navigation keys as PageMove numbers, so the view needs no header of the logic.
constexpr int kMoveFirst = 0;
constexpr int kMovePrevious = 1;
constexpr int kMoveNext = 2;
constexpr int kMoveLast = 3;

}  // namespace

void PaintSheet(QPainter& painter, const PrintDocument* doc, const QRectF& sheet,
                const QImage& underlay) {
  painter.fillRect(sheet, Qt::white);
  if (!underlay.isNull()) {
    painter.save();
    painter.setOpacity(kUnderlayOpacity);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(sheet, underlay);
    painter.restore();
  }
  if (doc) RenderPage(*doc, 1, painter, sheet);
}

PageView::PageView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Dark);
  viewport()->setAutoFillBackground(true);
  setMinimumSize(200, 200);
}

void PageView::SetDocument(const PrintDocument* doc) {
  const bool first = doc && !doc_;
  doc_ = doc;
  UpdateScrollBars();
  viewport()->update();
  if (first) emit zoomChanged(Scale() / ActualScale() * 100.0);
}

double PageView::ActualScale() const {
  return logicalDpiX() / kTwipsPerInch;
}

double PageView::FitScale() const {
  if (!doc_ || doc_->width <= 0 || doc_->height <= 0) return ActualScale();
  const double w = std::max(1, viewport()->width() - 2 * kMargin);
  const double h = std::max(1, viewport()->height() - 2 * kMargin);
  return std::min(w / doc_->width, h / doc_->height);
}

double PageView::Scale() const {
  return fit_ ? FitScale() : ActualScale() * percent_ / 100.0;
}

QRectF PageView::SheetRect() const {
  if (!doc_) return QRectF();
  const double s = Scale();
  const double w = doc_->width * s;
  const double h = doc_->height * s;
  // Centred while it fits the viewport, scrolled otherwise.
  const double x = w + 2 * kMargin <= viewport()->width()
                       ? (viewport()->width() - w) / 2
                       : kMargin - horizontalScrollBar()->value();
  const double y = h + 2 * kMargin <= viewport()->height() ? (viewport()->height() - h) / 2
                                                           : kMargin - verticalScrollBar()->value();
  return QRectF(x, y, w, h);
}

QPoint PageView::ToTwips(const QPointF& viewport_point) const {
  const QRectF sheet = SheetRect();
  const double s = Scale();
  if (sheet.isEmpty() || s <= 0) return QPoint(-1, -1);
  return ((viewport_point - sheet.topLeft()) / s).toPoint();
}

void PageView::SetOutlines(QVector<QRect> chosen, QVector<QRect> warned) {
  chosen_ = std::move(chosen);
  warned_ = std::move(warned);
  viewport()->update();
}

void PageView::SetUnderlay(const QImage& picture) {
  if (picture.cacheKey() == underlay_.cacheKey()) return;
  underlay_ = picture;
  underlay_scaled_ = QImage();
  viewport()->update();
}

void PageView::SetUnderlayShown(bool shown) {
  underlay_shown_ = shown;
  viewport()->update();
}

const QImage& PageView::ScaledUnderlay(const QSizeF& sheet) {
  const QSize size = sheet.toSize();
  // Zoomed in past the picture's own pixels it is drawn stretched as it is: a copy scaled up
  // would take memory for every pixel of a sheet mostly out of view.
  if (size.width() >= underlay_.width() || size.height() >= underlay_.height()) return underlay_;
  if (underlay_scaled_.size() != size) {
    underlay_scaled_ = underlay_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return underlay_scaled_;
}

void PageView::FitToWindow() {
  fit_ = true;
  UpdateScrollBars();
  viewport()->update();
  emit zoomChanged(Scale() / ActualScale() * 100.0);
}

void PageView::ActualSize() {
  SetZoom(100);
}

void PageView::ZoomIn() {
  SetZoom(Scale() / ActualScale() * 100.0 * kZoomStep);
}

void PageView::ZoomOut() {
  SetZoom(Scale() / ActualScale() * 100.0 / kZoomStep);
}

void PageView::SetZoom(double percent) {
  // The point in the middle of the view stays in the middle.
  const QRectF before = SheetRect();
  const QPointF centre(viewport()->width() / 2.0, viewport()->height() / 2.0);
  const QPointF rel = before.isValid() ? QPointF((centre.x() - before.x()) / before.width(),
                                                 (centre.y() - before.y()) / before.height())
                                       : QPointF(0.5, 0.5);
  fit_ = false;
  percent_ = std::clamp(percent, kMinPercent, kMaxPercent);
  UpdateScrollBars();
  if (doc_) {
    const double s = Scale();
    horizontalScrollBar()->setValue(
        static_cast<int>(std::lround(kMargin + rel.x() * doc_->width * s - centre.x())));
    verticalScrollBar()->setValue(
        static_cast<int>(std::lround(kMargin + rel.y() * doc_->height * s - centre.y())));
  }
  viewport()->update();
  emit zoomChanged(percent_);
}

void PageView::UpdateScrollBars() {
  if (!doc_ || fit_) {
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    return;
  }
  const double s = Scale();
  const int w = static_cast<int>(std::ceil(doc_->width * s)) + 2 * kMargin;
  const int h = static_cast<int>(std::ceil(doc_->height * s)) + 2 * kMargin;
  horizontalScrollBar()->setRange(0, std::max(0, w - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setRange(0, std::max(0, h - viewport()->height()));
  verticalScrollBar()->setPageStep(viewport()->height());
  verticalScrollBar()->setSingleStep(20);
}

void PageView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(viewport());
  if (!doc_) return;
  const QRectF sheet = SheetRect();
  painter.fillRect(sheet.translated(3, 3), QColor(0, 0, 0, 60));  // a shadow under the sheet
  PaintSheet(painter, doc_, sheet,
             underlay_shown_ && !underlay_.isNull() ? ScaledUnderlay(sheet.size()) : QImage());
  const double s = Scale();
  auto outline = [&](const QVector<QRect>& rects, const QPen& pen) {
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const QRect& r : rects) {
      painter.drawRect(
          QRectF(sheet.x() + r.x() * s, sheet.y() + r.y() * s, r.width() * s, r.height() * s)
              .adjusted(-2, -2, 2, 2));
    }
  };
  outline(warned_, QPen(QColor(230, 120, 0), 2));
  outline(chosen_, QPen(QColor(0, 90, 220), 1, Qt::DashLine));
}

void PageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
  if (fit_) emit zoomChanged(Scale() / ActualScale() * 100.0);
}

void PageView::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    const int delta = event->angleDelta().y();
    if (delta > 0) ZoomIn();
    if (delta < 0) ZoomOut();
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

void PageView::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:  // the key that carries "+" on most keyboards
      if (ctrl) return ZoomIn();
      break;
    case Qt::Key_Minus:
      if (ctrl) return ZoomOut();
      break;
    case Qt::Key_0:
      if (ctrl) return FitToWindow();
      break;
    case Qt::Key_Home:
      return emit navigate(kMoveFirst);
    case Qt::Key_PageUp:
      return emit navigate(kMovePrevious);
    case Qt::Key_PageDown:
      return emit navigate(kMoveNext);
    case Qt::Key_End:
      return emit navigate(kMoveLast);
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (arrows_move_ && !ctrl) {
        const int move = event->key() == Qt::Key_Left    ? kArrowLeft
                         : event->key() == Qt::Key_Right ? kArrowRight
                         : event->key() == Qt::Key_Up    ? kArrowUp
                                                         : kArrowDown;
        return emit arrowMove(move, event->modifiers() & Qt::ShiftModifier);
      }
      break;
    default:
      break;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void PageView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);  // the arrow keys then move what was clicked
  if (event->button() == Qt::LeftButton && doc_) {
    emit sheetClicked(ToTwips(event->position()), event->modifiers() & Qt::ShiftModifier);
    event->accept();
    return;
  }
  QAbstractScrollArea::mousePressEvent(event);
}

}  // namespace kvsys
