#include "app/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kvsys {

namespace {

// One size of the icon, drawn on a 64-unit square.
QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);

  // The sheet, upright, with a gold frame.
  const QRectF sheet(10, 4, 44, 56);
  p.setPen(QPen(QColor(0x8a, 0x6d, 0x1f), 2.5));
  p.setBrush(QColor(0xff, 0xfb, 0xec));
  p.drawRect(sheet);
  p.setPen(QPen(QColor(0xc9, 0xa2, 0x3a), 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawRect(sheet.adjusted(4, 4, -4, -4));

  // The title as a red bar, lines of text below it.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xb0, 0x20, 0x20));
  p.drawRect(QRectF(22, 13, 20, 5));
  p.setBrush(QColor(0x60, 0x60, 0x60));
  for (int line = 0; line < 2; ++line) p.drawRect(QRectF(20, 24 + line * 6, 24, 2));

  // The water: a wave filling the lower part of the sheet.
  QPainterPath wave;
  wave.moveTo(sheet.left() + 1.5, 44);
  for (int i = 0; i < 4; ++i) {
    const double x = sheet.left() + 1.5 + i * 10.25;
    wave.cubicTo(x + 3.4, 39, x + 6.8, 49, x + 10.25, 44);
  }
  wave.lineTo(sheet.right() - 1.5, sheet.bottom() - 1.5);
  wave.lineTo(sheet.left() + 1.5, sheet.bottom() - 1.5);
  wave.closeSubpath();
  p.setBrush(QColor(0x1e, 0x6f, 0xc8));
  p.drawPath(wave);
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace kvsys
