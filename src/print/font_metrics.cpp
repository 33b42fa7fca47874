#include "print/font_metrics.h"

#include <algorithm>

#include "print/font_bytes.h"

namespace kvsys {

using namespace fontbytes;

bool HorizontalMetrics::Load(const QByteArray& head, const QByteArray& hhea, const QByteArray& hmtx,
                             quint32 glyphs) {
  hmetrics_ = 0;
  if (head.size() < 54 || (U16(head, 12) << 16 | U16(head, 14)) != 0x5F0F3CF5 || hhea.size() < 36) {
    return false;
  }
  const quint32 hmetrics = U16(hhea, 34);
  if (glyphs == 0 || hmetrics == 0 || hmetrics > glyphs ||
      hmtx.size() < static_cast<qsizetype>(4 * hmetrics + 2 * (glyphs - hmetrics))) {
    return false;
  }
  units_per_em_ = static_cast<int>(U16(head, 18));
  if (units_per_em_ <= 0) return false;
  for (int i = 0; i < 4; ++i) bbox_[i] = S16(head, 36 + 2 * i);
  ascent_ = S16(hhea, 4);
  descent_ = S16(hhea, 6);
  hmtx_ = hmtx;
  hmetrics_ = hmetrics;
  return true;
}

int HorizontalMetrics::Advance(quint32 glyph) const {
  if (hmetrics_ == 0) return 0;
  return static_cast<int>(U16(hmtx_, 4 * std::min(glyph, hmetrics_ - 1)));
}

int HorizontalMetrics::SideBearing(quint32 glyph) const {
  if (hmetrics_ == 0) return 0;
  return S16(hmtx_, glyph < hmetrics_ ? 4 * glyph + 2 : 4 * hmetrics_ + 2 * (glyph - hmetrics_));
}

}  // namespace kvsys
