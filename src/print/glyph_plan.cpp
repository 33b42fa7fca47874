#include "print/glyph_plan.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QTextLayout>
#include <bit>
#include <map>
#include <tuple>

#include "print/font_substitution.h"
#include "print/vertical_text.h"

namespace kvsys {

namespace {

// Fonts are sized in twips, so their glyphs run to hundreds or thousands of pixels, and the
// font engine keeps no metrics for glyphs that large: every text drawn loaded each glyph
// again from the font file. Texts are shaped at this size instead and scaled up, where the
// engine keeps each glyph's metrics for good. Outlines scale exactly; advances differ by far
// less than a twip.
constexpr int kDrawPixelSize = 128;
// Plans kept per thread: far more than the texts of one run's layout.
constexpr qsizetype kMaxPlans = 4096;

// How a run's font is shaped.
struct ShapingFont {
  QFont font;         // the run's font: its vertical forms
  QFont drawn;        // the font shaped, at kDrawPixelSize at most
  double scale = 1;   // from drawn to the run's size
  double ascent = 0;  // of the run's font, twips
  bool synthetic_bold = false;
};

ShapingFont ShapingFontOf(const TextRun& run) {
  ShapingFont f;
  f.font = CertificateFont(run.font, run.size, run.bold, run.italic);
  f.drawn = f.font;
  if (f.font.pixelSize() > kDrawPixelSize) {
    f.drawn.setPixelSize(kDrawPixelSize);
    f.scale = static_cast<double>(f.font.pixelSize()) / kDrawPixelSize;
  }
  f.ascent = QFontMetricsF(f.font).ascent();
  f.synthetic_bold = run.bold && !f.font.bold();
  return f;
}

// Whether the face's own glyphs lean, by its style's name: a font asked for in italic may come
// from an upright face, which the engine then leans itself.
bool IsSlanted(const QRawFont& raw) {
  const QString style = raw.styleName();
  return style.contains(QLatin1String("Italic"), Qt::CaseInsensitive) ||
         style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive);
}

// The same face at the same size as the engine draws it upright; invalid when the font
// database gives another face for it.
QRawFont UprightFace(const QRawFont& leant) {
  using Key = std::tuple<QString, QString, double>;
  thread_local std::map<Key, QRawFont> faces;
  Key key(leant.familyName(), leant.styleName(), leant.pixelSize());
  auto it = faces.find(key);
  if (it != faces.end()) return it->second;
  QFont font;
  font.setFamilies({leant.familyName()});
  font.setStyleName(leant.styleName());
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(leant.pixelSize()))));
  font.setHintingPreference(QFont::PreferNoHinting);
  QRawFont upright = QRawFont::fromFont(font);
  if (upright.familyName() != leant.familyName() || upright.styleName() != leant.styleName() ||
      upright.pixelSize() != leant.pixelSize()) {
    upright = QRawFont();
  }
  return faces.emplace(std::move(key), upright).first->second;
}

// A text as the engine lays it out in the font shaped: the same for every size shaped at the
// same size, so that a name on a certificate and on a list of them is laid out once.
struct Laid {
  double baseline = 0;
  double advance = 0;
  QList<QGlyphRun> runs;
};

const Laid& LaidOut(const TextRun& run, const ShapingFont& f) {
  thread_local QHash<QString, Laid> laid;
  QString key;
  key.reserve(run.font.size() + run.text.size() + 5);
  key.append(run.font)
      .append(QChar(0x1F))
      .append(QChar(static_cast<char16_t>(f.drawn.pixelSize())))
      .append(QChar(run.bold ? u'B' : u'-'))
      .append(QChar(run.italic ? u'I' : u'-'))
      .append(run.text);
  auto it = laid.constFind(key);
  if (it != laid.constEnd()) return it.value();
  if (laid.size() >= kMaxPlans) laid.clear();
  QTextLayout layout(run.text, f.drawn);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setPosition(QPointF(0, 0));
  layout.endLayout();
  Laid out;
  if (line.isValid()) {
    out.baseline = line.ascent();
    out.advance = line.horizontalAdvance();
  }
  out.runs = layout.glyphRuns();
  return laid.insert(key, std::move(out)).value();
}

TextPlan PlanHorizontal(const TextRun& run, const ShapingFont& f) {
  TextPlan out;
  const Laid& laid = LaidOut(run, f);
  const double baseline = laid.baseline;
  out.advance = laid.advance * f.scale;
  for (const QGlyphRun& glyphs : laid.runs) {
    GlyphPiece p;
    p.font = glyphs.rawFont();
    p.em = p.font.pixelSize() * f.scale;
    if (run.italic && !IsSlanted(p.font)) {
      // Leant here, by the same amount on every device, rather than by the engine.
      const QRawFont upright = UprightFace(p.font);
      if (upright.isValid()) {
        p.font = upright;
        p.slant = kObliqueSlant;
      } else {
        out.exact = false;
      }
    }
    p.bold_stroke = f.synthetic_bold ? f.drawn.pixelSize() * kBoldStrokePerEm * f.scale : 0;
    const QList<quint32> indexes = glyphs.glyphIndexes();
    const QList<QPointF> positions = glyphs.positions();
    for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
      p.glyphs.push_back(indexes[i]);
      p.at.emplace_back(positions[i].x() * f.scale,
                        f.ascent + (positions[i].y() - baseline) * f.scale);
    }
    out.pieces.push_back(std::move(p));
  }
  return out;
}

// What a run's shaping font depends on: its font, size and style.
void AppendFontKey(QString& key, const TextRun& run) {
  key.append(run.font).append(QChar(0x1F));
  // The size's own bits: no number is formatted for every text drawn.
  const auto bits = std::bit_cast<quint64>(run.size);
  for (int i = 0; i < 4; ++i) key.append(QChar(static_cast<char16_t>(bits >> (16 * i))));
  key.append(QChar(run.bold ? u'B' : u'-')).append(QChar(run.italic ? u'I' : u'-'));
}

TextPlan PlanVertical(const TextRun& run, const ShapingFont& f) {
  TextPlan out;
  const VerticalLine line = ShapeVertical(f.font, run.text);
  out.advance = line.length;
  // The vertical glyphs keep the engine's own slant, if any: vertical italic is drawn as the
  // engine draws it.
  if (run.italic && !line.glyphs.empty()) out.exact = false;
  for (const VerticalGlyph& g : line.glyphs) {
    if (out.pieces.empty() || out.pieces.back().turned != g.turned) {
      GlyphPiece p;
      p.font = line.font;
      p.em = line.font.pixelSize();
      p.turned = g.turned;
      p.bold_stroke = f.synthetic_bold ? f.font.pixelSize() * kBoldStrokePerEm : 0;
      out.pieces.push_back(std::move(p));
    }
    out.pieces.back().glyphs.push_back(g.index);
    out.pieces.back().at.push_back(g.origin);
  }
  return out;
}

}  // namespace

QTransform GlyphPiece::GlyphToTwips() const {
  const double pixels = font.pixelSize();
  const double s = pixels > 0 ? em / pixels : 0;
  // y grows downwards: a point above the baseline has y < 0 and leans to the right.
  QTransform t(1, 0, -slant, 1, 0, 0);
  if (turned) t *= QTransform().rotate(90);
  return t * QTransform::fromScale(s, s);
}

QString PlanKey(const TextRun& run) {
  QString key;
  key.reserve(run.font.size() + run.text.size() + 8);
  AppendFontKey(key, run);
  key.append(QChar(run.vertical ? u'V' : u'-')).append(run.text);
  return key;
}

std::shared_ptr<const TextPlan> PlanText(const TextRun& run) {
  return PlanText(run, PlanKey(run));
}

std::shared_ptr<const TextPlan> PlanText(const TextRun& run, const QString& key) {
  thread_local QHash<QString, std::shared_ptr<const TextPlan>> plans;
  auto it = plans.constFind(key);
  if (it != plans.constEnd()) return it.value();
  if (plans.size() >= kMaxPlans) plans.clear();
  // One font object per font and size: its engine is looked up once, not for every text.
  thread_local QHash<QString, ShapingFont> fonts;
  QString font_key;
  AppendFontKey(font_key, run);
  auto font = fonts.constFind(font_key);
  if (font == fonts.constEnd()) {
    if (fonts.size() >= kMaxPlans) fonts.clear();
    font = fonts.insert(font_key, ShapingFontOf(run));
  }
  const ShapingFont& f = font.value();
  auto plan = std::make_shared<const TextPlan>(run.vertical ? PlanVertical(run, f)
                                                            : PlanHorizontal(run, f));
  plans.insert(key, plan);
  return plan;
}

}  // namespace kvsys
