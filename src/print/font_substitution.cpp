#include "print/font_substitution.h"

#include <QFontDatabase>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "print/paper.h"
#include "print/vertical_text.h"

namespace kvsys {

namespace {

// Full-width letters and blanks to their narrow forms, blanks removed, Latin upper case.
QString NormalisedFace(const QString& face) {
  const QString nfkc = face.normalized(QString::NormalizationForm_KC);
  QString out;
  out.reserve(nfkc.size());
  for (const QChar c : nfkc) {
    if (!c.isSpace()) out.append(c.toUpper());
  }
  return out;
}

bool ContainsAny(const QString& text, const QStringList& words) {
  return std::any_of(words.begin(), words.end(),
                     [&](const QString& w) { return text.contains(w); });
}

}  // namespace

QString SubstituteFontFamily(const QString& stored_face) {
  // A vertical face draws with the family of its horizontal one.
  const QString face = HorizontalFace(stored_face);
  const QString n = NormalisedFace(face);
  static const QStringList mincho = {QStringLiteral("明朝"), QStringLiteral("MINCHO")};
  static const QStringList gothic = {QStringLiteral("ゴシック"), QStringLiteral("GOTHIC"),
                                     QStringLiteral("メイリオ"), QStringLiteral("MEIRYO")};
  // Proportional faces: the P faces, MS UI Gothic, Meiryo and the Yu faces.
  static const QStringList proportional = {
      QStringLiteral("P明朝"),    QStringLiteral("PMINCHO"),    QStringLiteral("Pゴシック"),
      QStringLiteral("PGOTHIC"),  QStringLiteral("UIゴシック"), QStringLiteral("UIGOTHIC"),
      QStringLiteral("メイリオ"), QStringLiteral("MEIRYO"),     QStringLiteral("游"),
      QStringLiteral("YUMINCHO"), QStringLiteral("YUGOTHIC")};
  if (!n.isEmpty()) {
    const bool p = ContainsAny(n, proportional);
    if (ContainsAny(n, gothic)) return p ? kIpaPGothic : kIpaGothic;
    if (ContainsAny(n, mincho)) return p ? kIpaPMincho : kIpaMincho;
    if (QFontDatabase::hasFamily(face.trimmed())) return face.trimmed();
  }
  return kIpaMincho;
}

QStringList PlainFontFamilies(const QStringList& families) {
  static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
  QStringList out;
  for (QString family : families) {
    family.remove(foundry);
    family = family.trimmed();
    if (!family.isEmpty() && !out.contains(family)) out << family;
  }
  return out;
}

QStringList FontChoices(const QStringList& fonts, const QString& stored_face) {
  if (stored_face.isEmpty() || fonts.contains(stored_face)) return fonts;
  return QStringList{stored_face} + fonts;
}

bool HasBoldStyle(const QString& family) {
  // Per thread: a club's cover is drawn on a thread of its own.
  thread_local QHash<QString, bool> known;
  const auto it = known.constFind(family);
  if (it != known.constEnd()) return *it;
  bool bold = false;
  for (const QString& style : QFontDatabase::styles(family)) {
    bold = bold || QFontDatabase::weight(family, style) >= QFont::DemiBold;
  }
  known.insert(family, bold);
  return bold;
}

QFont CertificateFont(const QString& face, double size_pt, bool bold, bool italic) {
  // A bad stored size must not reach the font engine: its line metrics overflow somewhere
  // above 800 pt.
  const double pt = std::isfinite(size_pt) ? std::clamp(size_pt, 1.0, 500.0) : 10.0;
  const QString family = SubstituteFontFamily(face);
  QFont font;
  font.setFamilies({family});
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pt * kTwipsPerPoint))));
  font.setBold(bold && HasBoldStyle(family));
  font.setItalic(italic);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(false);
  return font;
}

}  // namespace kvsys
