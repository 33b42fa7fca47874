#include "print/vertical_text.h"

#include <hb-ot.h>
#include <hb.h>

#include <QFontDatabase>
#include <map>
#include <memory>

namespace kvsys {

namespace {

QChar VerticalMark(const QString& face) {
  const QString t = face.trimmed();
  return t.isEmpty() ? QChar() : t.front();
}

// Characters that stand upright in a vertical line: ideographs, kana, full-width and
// half-width forms, CJK punctuation and the symbols set as ideographs. Everything else
// (Latin, digits, Greek, Cyrillic, blanks) is turned.
bool StandsUpright(char32_t c) {
  if (c < 0x1100) {
    switch (c) {
      case 0xA7:
      case 0xA9:
      case 0xAE:
      case 0xB1:
      case 0xBC:
      case 0xBD:
      case 0xBE:
      case 0xD7:
      case 0xF7:
        return true;
      default:
        return false;
    }
  }
  struct Range {
    char32_t from, to;
  };
  static constexpr Range kUpright[] = {
      {0x1100, 0x11FF}, {0x2016, 0x2016}, {0x2020, 0x2021}, {0x2030, 0x2031},   {0x203B, 0x203C},
      {0x2042, 0x2042}, {0x2047, 0x2049}, {0x2051, 0x2051}, {0x2100, 0x218F},   {0x2460, 0x24FF},
      {0x25A0, 0x27BF}, {0x2E80, 0xA4CF}, {0xA960, 0xA97F}, {0xAC00, 0xD7FF},   {0xE000, 0xFAFF},
      {0xFE10, 0xFE1F}, {0xFE30, 0xFE6F}, {0xFF00, 0xFFE7}, {0x1F000, 0x1FAFF}, {0x20000, 0x3FFFF},
  };
  for (const Range& r : kUpright) {
    if (c >= r.from && c <= r.to) return true;
  }
  return false;
}

struct HbFaceDeleter {
  void operator()(hb_face_t* f) const { hb_face_destroy(f); }
};
struct HbFontDeleter {
  void operator()(hb_font_t* f) const { hb_font_destroy(f); }
};
struct HbBufferDeleter {
  void operator()(hb_buffer_t* b) const { hb_buffer_destroy(b); }
};

// HarfBuzz reads the font's tables through Qt, so it shapes exactly the font Qt draws.
hb_blob_t* ReferenceTable(hb_face_t* /*face*/, hb_tag_t tag, void* user_data) {
  const auto* raw = static_cast<const QRawFont*>(user_data);
  const char name[5] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16),
                        static_cast<char>(tag >> 8), static_cast<char>(tag), 0};
  auto* data = new QByteArray(raw->fontTable(name));
  if (data->isEmpty()) {
    delete data;
    return nullptr;
  }
  return hb_blob_create(data->constData(), static_cast<unsigned>(data->size()),
                        HB_MEMORY_MODE_READONLY, data,
                        [](void* d) { delete static_cast<QByteArray*>(d); });
}

// A font ready for shaping: the raw font Qt draws with and HarfBuzz's view of the same tables.
struct Shaper {
  std::unique_ptr<QRawFont> raw;  // stable address: the face reads its tables through it
  std::unique_ptr<hb_face_t, HbFaceDeleter> face;
  std::unique_ptr<hb_font_t, HbFontDeleter> font;
  double twips_per_unit = 0;
};

// Certificates repeat a few fonts; the bound is far above what a run uses.
constexpr size_t kMaxShapers = 32;

Shaper* ShaperFor(const QFont& font) {
  thread_local std::map<QString, Shaper> shapers;
  const QString key = font.key();
  auto it = shapers.find(key);
  if (it != shapers.end()) return &it->second;
  if (shapers.size() >= kMaxShapers) shapers.clear();
  Shaper s;
  s.raw = std::make_unique<QRawFont>(QRawFont::fromFont(font));
  if (!s.raw->isValid()) return nullptr;
  s.face.reset(hb_face_create_for_tables(ReferenceTable, s.raw.get(), nullptr));
  const unsigned upem = hb_face_get_upem(s.face.get());
  s.font.reset(hb_font_create(s.face.get()));
  hb_ot_font_set_funcs(s.font.get());
  hb_font_set_scale(s.font.get(), static_cast<int>(upem), static_cast<int>(upem));
  s.twips_per_unit = upem > 0 ? s.raw->pixelSize() / upem : 0;
  return &shapers.emplace(key, std::move(s)).first->second;
}

// One stretch of the line that is either all upright or all turned.
struct Segment {
  qsizetype from = 0;
  qsizetype length = 0;
  bool turned = false;
};

std::vector<Segment> Segments(const QString& line) {
  std::vector<Segment> out;
  qsizetype i = 0;
  while (i < line.size()) {
    char32_t c = line[i].unicode();
    qsizetype n = 1;
    if (line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(line[i], line[i + 1]);
      n = 2;
    }
    const bool turned = !StandsUpright(c);
    if (out.empty() || out.back().turned != turned) out.push_back({i, 0, turned});
    out.back().length += n;
    i += n;
  }
  return out;
}

}  // namespace

bool IsVerticalFace(const QString& face) {
  const QChar c = VerticalMark(face);
  return c == u'@' || c == u'＠';
}

QString HorizontalFace(const QString& face) {
  return IsVerticalFace(face) ? face.trimmed().mid(1) : face;
}

QStringList WithVerticalFaces(const QStringList& families) {
  QStringList out;
  for (const QString& family : families) {
    out << family;
    if (!IsVerticalFace(family) &&
        QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)) {
      out << u'@' + family;
    }
  }
  return out;
}

VerticalLine ShapeVertical(const QFont& font, const QString& line) {
  VerticalLine out;
  Shaper* shaper = ShaperFor(font);
  if (!shaper) return out;
  out.font = *shaper->raw;
  const QRawFont& raw = *shaper->raw;
  out.breadth = raw.ascent() + raw.descent() + raw.leading();
  const double centre = out.breadth / 2;
  // A turned stretch has its em box centred on the column: the baseline lies left of the
  // centre by half the difference of ascent and descent.
  const double turned_baseline = centre - (raw.ascent() - raw.descent()) / 2;
  const double k = shaper->twips_per_unit;

  std::unique_ptr<hb_buffer_t, HbBufferDeleter> buffer(hb_buffer_create());
  double down = 0;
  for (const Segment& seg : Segments(line)) {
    hb_buffer_clear_contents(buffer.get());
    hb_buffer_add_utf16(buffer.get(), reinterpret_cast<const uint16_t*>(line.utf16()),
                        static_cast<int>(line.size()), static_cast<unsigned>(seg.from),
                        static_cast<int>(seg.length));
    hb_buffer_guess_segment_properties(buffer.get());
    hb_buffer_set_direction(buffer.get(), seg.turned ? HB_DIRECTION_LTR : HB_DIRECTION_TTB);
    hb_buffer_set_language(buffer.get(), hb_language_from_string("ja", -1));
    hb_shape(shaper->font.get(), buffer.get(), nullptr, 0);

    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer.get(), &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer.get(), &count);
    double pen_x = 0;
    double pen_y = 0;  // HarfBuzz's y grows upwards
    for (unsigned g = 0; g < count; ++g) {
      VerticalGlyph glyph;
      glyph.index = info[g].codepoint;
      glyph.turned = seg.turned;
      const double gx = pen_x + pos[g].x_offset;
      const double gy = pen_y + pos[g].y_offset;
      glyph.origin = seg.turned ? QPointF(turned_baseline + gy * k, down + gx * k)
                                : QPointF(centre + gx * k, down - gy * k);
      out.glyphs.push_back(glyph);
      pen_x += pos[g].x_advance;
      pen_y += pos[g].y_advance;
    }
    down += (seg.turned ? pen_x : -pen_y) * k;
  }
  out.length = down;
  return out;
}

}  // namespace kvsys
