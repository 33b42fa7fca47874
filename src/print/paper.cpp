#include "print/paper.h"

#include <cmath>

namespace kvsys {

int MmToTwips(double mm) {
  return static_cast<int>(std::nearbyint(mm * kTwipsPerMm));
}

QSize PaperSizeTwips(int code) {
  const PaperSheet& p = PaperSheetOf(code);
  return QSize(MmToTwips(p.width_mm), MmToTwips(p.height_mm));
}

QPageSize PdfPageSize(int code) {
  const PaperSheet& p = PaperSheetOf(code);
  return QPageSize(QSizeF(p.width_mm, p.height_mm), QPageSize::Millimeter,
                   QString::fromUtf16(p.name), QPageSize::ExactMatch);
}

QPageSize PrinterPageSize(int code) {
  switch (PaperSheetOf(code).code) {
    case 8:
      return QPageSize(QPageSize::A3);
    case 9:
    case 10:
      return QPageSize(QPageSize::A4);
    case 11:
      return QPageSize(QPageSize::A5);
    case 13:
      return QPageSize(QPageSize::JisB5);
    default:
      return QPageSize(QPageSize::JisB4);
  }
}

}  // namespace kvsys
