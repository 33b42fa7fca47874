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
  return QPageSize(PaperSheetOf(code).printer_size);
}

}  // namespace kvsys
