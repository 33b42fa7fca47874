#include "app/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <vector>

namespace kvsys {

namespace {

// One filled or outlined shape of the icon, on a 64-unit square.
struct Shape {
  QPainterPath path;
  QColor fill;    // invalid: not filled
  QColor stroke;  // invalid: not outlined
  double stroke_width = 0;
};

QPainterPath Rect(const QRectF& r) {
  QPainterPath path;
  path.addRect(r);
  return path;
}

std::vector<Shape> IconShapes() {
  std::vector<Shape> shapes;
  // The sheet, upright, with a gold frame.
  const QRectF sheet(10, 4, 44, 56);
  shapes.push_back({Rect(sheet), QColor(0xff, 0xfb, 0xec), QColor(0x8a, 0x6d, 0x1f), 2.5});
  shapes.push_back({Rect(sheet.adjusted(4, 4, -4, -4)), QColor(), QColor(0xc9, 0xa2, 0x3a), 1.5});

  // The title as a red bar, lines of text below it.
  shapes.push_back({Rect(QRectF(22, 13, 20, 5)), QColor(0xb0, 0x20, 0x20), QColor(), 0});
  for (int line = 0; line < 2; ++line) {
    shapes.push_back(
        {Rect(QRectF(20, 24 + line * 6, 24, 2)), QColor(0x60, 0x60, 0x60), QColor(), 0});
  }

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
  shapes.push_back({wave, QColor(0x1e, 0x6f, 0xc8), QColor(), 0});
  return shapes;
}

QByteArray SvgNumber(double value) {
  return QByteArray::number(value, 'g', 6);
}

QByteArray SvgPathData(const QPainterPath& path) {
  QByteArray d;
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element e = path.elementAt(i);
    switch (e.type) {
      case QPainterPath::MoveToElement:
        d += 'M';
        break;
      case QPainterPath::LineToElement:
        d += 'L';
        break;
      case QPainterPath::CurveToElement:
        d += 'C';
        break;
      case QPainterPath::CurveToDataElement:
        d += ' ';
        break;
    }
    d += SvgNumber(e.x) + ' ' + SvgNumber(e.y);
  }
  return d + 'Z';
}

}  // namespace

QImage ProgramIconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  for (const Shape& s : IconShapes()) {
    p.setPen(s.stroke.isValid() ? QPen(s.stroke, s.stroke_width) : QPen(Qt::NoPen));
    p.setBrush(s.fill.isValid() ? QBrush(s.fill) : QBrush(Qt::NoBrush));
    p.drawPath(s.path);
  }
  return image;
}

QByteArray ProgramIconSvg() {
  QByteArray svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
      "viewBox=\"0 0 64 64\">\n";
  for (const Shape& s : IconShapes()) {
    svg += "  <path d=\"" + SvgPathData(s.path) + "\" fill=\"" +
           (s.fill.isValid() ? s.fill.name().toLatin1() : QByteArray("none")) + '"';
    if (s.stroke.isValid()) {
      svg += " stroke=\"" + s.stroke.name().toLatin1() + "\" stroke-width=\"" +
             SvgNumber(s.stroke_width) + '"';
    }
    svg += "/>\n";
  }
  return svg + "</svg>\n";
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
  }
  return icon;
}

}  // namespace kvsys
