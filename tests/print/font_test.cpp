// Which installed font draws a stored face name.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <algorithm>

#include "print/font_substitution.h"

namespace kvsys {
namespace {

TEST(FontSubstitution, WindowsJapaneseFacesGoToTheIpaFonts) {
  struct Case {
    const char* face;
    const QString& family;
  };
  const Case cases[] = {
      {"ＭＳ 明朝", kIpaMincho},
      {"ＭＳ　明朝", kIpaMincho},
      {"ＭＳ明朝", kIpaMincho},
      {"MS Mincho", kIpaMincho},
      {"ms mincho", kIpaMincho},
      {"ＭＳ Ｐ明朝", kIpaPMincho},
      {"MS PMincho", kIpaPMincho},
      {"ＭＳ ゴシック", kIpaGothic},
      {"MS Gothic", kIpaGothic},
      {"ＭＳ Ｐゴシック", kIpaPGothic},
      {"MS PGothic", kIpaPGothic},
      {"MS UI Gothic", kIpaPGothic},
      {"ﾒｲﾘｵ", kIpaPGothic},
      {"HGP明朝E", kIpaPMincho},
      {"游ゴシック", kIpaPGothic},
      {"IPAPGothic", kIpaPGothic},
      {"IPAMincho", kIpaMincho},
      {"Ｗｉｎｇｄｉｎｇｓ 99", kIpaMincho},  // unknown here
      {"", kIpaMincho},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SubstituteFontFamily(QString::fromUtf8(c.face)), c.family) << c.face;
  }
}

TEST(FontSubstitution, InstalledFaceIsUsedAsItIsWithItsOwnBold) {
  const QStringList families = QFontDatabase::families();
  const auto other = std::find_if(families.begin(), families.end(), [](const QString& f) {
    return !f.contains(QStringLiteral("IPA")) && SubstituteFontFamily(f) == f && HasBoldStyle(f);
  });
  if (other == families.end()) GTEST_SKIP() << "no other font with a bold style installed";
  const QFont f = CertificateFont(*other, 12, true, false);
  EXPECT_EQ(QFontInfo(f).family(), *other);
  EXPECT_TRUE(f.bold());
  EXPECT_FALSE(HasBoldStyle(kIpaMincho));
}

TEST(FontSubstitution, CertificateFontIsTheInstalledIpaFontInTwips) {
  const QFont f = CertificateFont(QStringLiteral("ＭＳ ゴシック"), 10.5, true, true);
  EXPECT_EQ(QFontInfo(f).family(), kIpaGothic);  // fonts-ipafont-gothic is installed
  EXPECT_EQ(f.pixelSize(), 210);
  EXPECT_FALSE(f.bold());  // IPA fonts have no bold style: the renderer thickens them
  EXPECT_TRUE(f.italic());
  EXPECT_EQ(QFontInfo(CertificateFont(QStringLiteral("ＭＳ Ｐ明朝"), 20, false, false)).family(),
            kIpaPMincho);
  // Absurd stored sizes stay within what a font engine can draw.
  EXPECT_EQ(CertificateFont(QStringLiteral("x"), 0, false, false).pixelSize(), 20);
  EXPECT_EQ(CertificateFont(QStringLiteral("x"), 1e9, false, false).pixelSize(), 10000);
}

}  // namespace
}  // namespace kvsys
