#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <QVector>

#include "print/print_document.h"

class QPainter;

namespace kvsys {

// The sheet as the view shows it: white paper, the picture of the blank stock faintly over it
// (stretched onto the sheet; none when null), then the document's first page through the one
// page renderer (vector text and lines, so it is sharp at any size).
void PaintSheet(QPainter& painter, const PrintDocument* doc, const QRectF& sheet,
                const QImage& underlay = QImage());

// The certificate on show. Fits the sheet to the window until the operator zooms: 100 %,
// Ctrl+wheel, Ctrl++ / Ctrl+- (Ctrl+0 fits again). PageUp, PageDown, Home and End are passed
// on as the four navigation buttons.
class PageView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit PageView(QWidget* parent = nullptr);

  // The document to show; not owned, nullptr for none. Repaints.
  void SetDocument(const PrintDocument* doc);
  const PrintDocument* Document() const { return doc_; }

  void FitToWindow();
  void ActualSize();  // 100 %: the sheet at its real size on this screen
  void ZoomIn();
  void ZoomOut();
  bool Fitting() const { return fit_; }
  // Device pixels per twip now on screen.
  double Scale() const;
  // Where the sheet lies in the viewport.
  QRectF SheetRect() const;
  // The point of the sheet (twips) under a point of the viewport.
  QPoint ToTwips(const QPointF& viewport_point) const;

  // Outlines over the certificate, in twips of its first page: chosen items and items that
  // run past the edge or over another item. Repaints.
  void SetOutlines(QVector<QRect> chosen, QVector<QRect> warned);
  // The picture of the blank stock under the certificate (null for none), and whether it is
  // shown. Only this view draws it: it is nothing of the document. Repaints.
  void SetUnderlay(const QImage& picture);
  void SetUnderlayShown(bool shown);
  const QImage& Underlay() const { return underlay_; }
  // Whether the arrow keys move the chosen items (else they scroll).
  void SetArrowsMoveItems(bool on) { arrows_move_ = on; }

  // The arrow keys: which way an item moves.
  enum ArrowMove { kArrowLeft, kArrowRight, kArrowUp, kArrowDown };

 signals:
  void navigate(int move);  // a PageMove
  void zoomChanged(double percent);
  void sheetClicked(QPoint twips, bool add);  // add: with Shift
  void arrowMove(int move, bool large);       // an ArrowMove; large: with Shift

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  double FitScale() const;
  double ActualScale() const;
  void SetZoom(double percent);
  void UpdateScrollBars();
  // The underlay at the sheet's size: scaled down once per size, not at every paint.
  const QImage& ScaledUnderlay(const QSizeF& sheet);

  const PrintDocument* doc_ = nullptr;
  bool fit_ = true;
  double percent_ = 100;  // of the real size, when not fitting
  QVector<QRect> chosen_;
  QVector<QRect> warned_;
  bool arrows_move_ = false;
  QImage underlay_;
  QImage underlay_scaled_;
  bool underlay_shown_ = true;
};

}  // namespace kvsys
