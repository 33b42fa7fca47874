#include "paper.h"

#include <array>
#include <cmath>

namespace kvsys {

namespace {

const std::array<PaperInfo, 6>& Papers() {
  static const std::array<PaperInfo, 6> papers = {{
      {8, QStringLiteral("A3"), 297, 420},
      {9, QStringLiteral("A4"), 210, 297},
      {10, QStringLiteral("A4 Small"), 210, 297},
      {11, QStringLiteral("A5"), 148, 210},
      {12, QStringLiteral("B4"), 250, 354},
      {13, QStringLiteral("B5"), 182, 257},
  }};
  return papers;
}

}  // namespace

int MmToTwips(double mm) {
  return static_cast<int>(std::nearbyint(mm * kTwipsPerMm));
}

const PaperInfo* FindPaper(int code) {
  for (const PaperInfo& p : Papers()) {
    if (p.code == code) return &p;
  }
  return nullptr;
}

const PaperInfo& PaperOrDefault(int code) {
  const PaperInfo* p = FindPaper(code);
  return p ? *p : *FindPaper(kDefaultPaperCode);
}

QSize PaperSizeTwips(int code) {
  const PaperInfo& p = PaperOrDefault(code);
  return QSize(MmToTwips(p.width_mm), MmToTwips(p.height_mm));
}

QPageSize PdfPageSize(int code) {
  const PaperInfo& p = PaperOrDefault(code);
  return QPageSize(QSizeF(p.width_mm, p.height_mm), QPageSize::Millimeter, p.name,
                   QPageSize::ExactMatch);
}

QPageSize PrinterPageSize(int code) {
  switch (PaperOrDefault(code).code) {
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
