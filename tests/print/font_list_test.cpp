// The font names the program's font lists offer.
#include <gtest/gtest.h>

#include <QFontDatabase>

#include "print/font_substitution.h"

namespace kvsys::test {
namespace {

TEST(FontList, InstalledFamiliesByPlainNamesEachOnce) {
  const QStringList listed =
      PlainFontFamilies({QStringLiteral("C059 [UKWN]"), QStringLiteral("C059 [URW ]"),
                         QStringLiteral("IPAMincho"), QStringLiteral("IPAゴシック"),
                         QStringLiteral("Noto Sans CJK JP [GOOG]"), QStringLiteral("DejaVu Sans")});
  EXPECT_EQ(listed, (QStringList{QStringLiteral("C059"), QStringLiteral("IPAMincho"),
                                 QStringLiteral("IPAゴシック"), QStringLiteral("Noto Sans CJK JP"),
                                 QStringLiteral("DejaVu Sans")}));
  // On this machine: no vendor tag, and the Japanese fonts the certificates need are there.
  const QStringList installed = PlainFontFamilies(QFontDatabase::families());
  for (const QString& f : installed) EXPECT_FALSE(f.contains(u'[')) << f.toStdString();
  EXPECT_TRUE(installed.contains(kIpaMincho));
}

TEST(FontList, StoredWindowsFaceIsOfferedAsItStandsAndDrawsThroughItsSubstitute) {
  const QStringList fonts{QStringLiteral("IPAMincho"), QStringLiteral("IPAGothic")};
  const QString ms = QStringLiteral("ＭＳ　明朝");
  EXPECT_EQ(FontChoices(fonts, ms),
            (QStringList{ms, QStringLiteral("IPAMincho"), QStringLiteral("IPAGothic")}));
  EXPECT_EQ(FontChoices(fonts, QStringLiteral("IPAGothic")), fonts);
  EXPECT_EQ(FontChoices(fonts, QString()), fonts);
  EXPECT_EQ(SubstituteFontFamily(ms), kIpaMincho);
}

}  // namespace
}  // namespace kvsys::test
