// Vertical lines of "@" faces: measured on the surface, shaped, rendered and written as PDF.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRawFont>

#include "print/document_output.h"
#include "print/font_substitution.h"
#include "print/json_lines.h"
#include "print/page_renderer.h"
#include "print/print_surface.h"
#include "print/vertical_text.h"
#include "support/document_helpers.h"

namespace kvsys {
namespace {

using test::InkBox;

const QString kVerticalMincho = QStringLiteral("@ＭＳ 明朝");

// One page of 8 x 10 inches holding what the surface drew, in preview mode.
struct Sheet {
  PrintSurface surface;
  Sheet() {
    surface.SetPaperSize(12);
    surface.SetPreviewMode(true);
    surface.StartDoc();
  }
  void Write(int x, int y, const QString& face, double pt, const QString& text) {
    surface.SetCurrentX(x);
    surface.SetCurrentY(y);
    surface.SetFontName(face);
    surface.SetFontSize(pt);
    surface.OutputText(text);
  }
  TextRun Run(size_t i) const {
    return std::get<TextRun>(surface.Document().pages.front().elements.at(i));
  }
  // The page at scale dots per twip.
  QImage Image(double scale) const {
    const PrintDocument& doc = surface.Document();
    QImage image(qCeil(doc.width * scale), qCeil(doc.height * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    EXPECT_TRUE(RenderPage(doc, 1, p, scale));
    return image;
  }
};

QRect Dots(const TextRun& run, double scale) {
  return QRect(qFloor(run.x * scale), qFloor(run.y * scale), qCeil(run.width * scale) + 1,
               qCeil(run.height * scale) + 1);
}

// The run is a column one em wide and five high at its position, drawn there, and dumped with
// its direction; a carriage return starts the next column to the left, at the same top.
TEST(VerticalText, ColumnIsFiveEmHighOneEmWideAndNextLineLiesLeft) {
  Sheet s;
  const double em = 40 * 20;  // 40 pt in twips
  s.Write(8000, 1000, kVerticalMincho, 40, QStringLiteral("賞状授与式"));
  const TextRun run = s.Run(0);
  EXPECT_TRUE(run.vertical);
  EXPECT_EQ(run.x, 8000);
  EXPECT_EQ(run.y, 1000);
  EXPECT_NEAR(run.height, 5 * em, 0.05 * em);
  EXPECT_NEAR(run.width, em, 0.2 * em);
  EXPECT_EQ(s.surface.CurrentY(), 1000 + qRound(run.height));
  EXPECT_EQ(s.surface.CurrentX(), 8000);

  const double scale = 0.1;
  const QImage image = s.Image(scale);
  const QRect ink = InkBox(image, image.rect());
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(Dots(run, scale).contains(ink))
      << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
  EXPECT_GT(ink.height(), 4.3 * em * scale);
  EXPECT_LT(ink.width(), 1.05 * em * scale);

  // Bold (drawn as outlines, the family having no bold style) darkens the same column.
  Sheet bold;
  bold.surface.SetFontBold(true);
  bold.Write(8000, 1000, kVerticalMincho, 40, QStringLiteral("賞状授与式"));
  const QImage bold_image = bold.Image(scale);
  EXPECT_EQ(bold.Run(0).height, run.height);
  const QRect bold_ink = InkBox(bold_image, bold_image.rect());
  EXPECT_TRUE(Dots(run, scale).contains(bold_ink));
  auto dark = [](const QImage& im) {
    int n = 0;
    for (int y = 0; y < im.height(); ++y) {
      for (int x = 0; x < im.width(); ++x) n += qGray(im.pixel(x, y)) < 160;
    }
    return n;
  };
  EXPECT_GT(dark(bold_image), dark(image) * 11 / 10);

  s.Write(8000, 1000, kVerticalMincho, 40, QStringLiteral("一行目\r二行目"));
  const TextRun first = s.Run(1);
  const TextRun second = s.Run(2);
  EXPECT_EQ(second.y, first.y);
  EXPECT_EQ(second.x, first.x - qRound(first.width));

  const QByteArray dump = DocumentToJsonLines(s.surface.Document(), 1);
  EXPECT_TRUE(dump.contains(R"("font":"@ＭＳ 明朝","size":40,"bold":false,"italic":false,)"
                            R"("vertical":true,"text":"賞状授与式"})"))
      << dump.toStdString();
  // The "@" face draws with the Mincho of its horizontal face.
  EXPECT_EQ(SubstituteFontFamily(kVerticalMincho), kIpaMincho);
}

// "ー" and "。" take the font's vertical forms; the vertical full stop sits in the upper right
// of its cell.
TEST(VerticalText, LongVowelAndFullStopTakeVerticalForms) {
  const QFont font = CertificateFont(kVerticalMincho, 40, false, false);
  const VerticalLine line = ShapeVertical(font, QStringLiteral("ー。"));
  ASSERT_EQ(line.glyphs.size(), 2u);
  const QList<quint32> horizontal =
      QRawFont::fromFont(font).glyphIndexesForString(QStringLiteral("ー。"));
  ASSERT_EQ(horizontal.size(), 2);
  EXPECT_NE(line.glyphs[0].index, horizontal[0]);
  EXPECT_NE(line.glyphs[1].index, horizontal[1]);

  // Nothing, and a broken surrogate among letters and ideographs, shape without harm.
  EXPECT_TRUE(ShapeVertical(font, QString()).glyphs.empty());
  const VerticalLine odd = ShapeVertical(font, QChar(0xD800) + QStringLiteral("a漢b"));
  EXPECT_EQ(odd.glyphs.size(), 4u);
  EXPECT_GT(odd.length, 40 * 20);

  Sheet s;
  s.Write(4000, 1000, kVerticalMincho, 72, QStringLiteral("。"));
  const TextRun run = s.Run(0);
  const double scale = 0.1;
  const QImage image = s.Image(scale);
  const QRect cell = Dots(run, scale);
  const QRect ink = InkBox(image, image.rect());
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GT(ink.center().x(), cell.center().x());
  EXPECT_LT(ink.center().y(), cell.center().y());
}

// Half-width letters and digits are turned clockwise; full-width ones stand upright.
TEST(VerticalText, HalfWidthTurnsClockwiseFullWidthStandsUpright) {
  const double em = 60 * 20;
  const double scale = 0.1;
  Sheet s;
  s.Write(3000, 500, kVerticalMincho, 60, QStringLiteral("50m"));
  s.Write(6000, 500, kVerticalMincho, 60, QStringLiteral("５０ｍ"));
  s.Write(9000, 500, kVerticalMincho, 60, QStringLiteral("_"));
  const QImage image = s.Image(scale);
  const TextRun turned = s.Run(0);
  const TextRun upright = s.Run(1);
  const TextRun underscore = s.Run(2);
  const QRect turned_ink = InkBox(image, Dots(turned, scale));
  const QRect upright_ink = InkBox(image, Dots(upright, scale));
  ASSERT_FALSE(turned_ink.isEmpty());
  ASSERT_FALSE(upright_ink.isEmpty());

  // Half-width advances go down the column: three characters take about one and a half em,
  // their letters lying across it as wide as a digit is high.
  EXPECT_NEAR(turned.height, 1.5 * em, 0.2 * em);
  EXPECT_LT(turned_ink.height(), 1.6 * em * scale);
  EXPECT_GT(turned_ink.width(), 0.55 * em * scale);
  // Full-width ones keep a whole em each, each glyph narrower than the column.
  EXPECT_NEAR(upright.height, 3 * em, 0.1 * em);
  EXPECT_GT(upright_ink.height(), 2.4 * em * scale);
  EXPECT_LT(upright_ink.width(), 0.85 * em * scale);
  // A "1", higher than wide when upright, is wider than high when turned.
  s.Write(3000, 5000, kVerticalMincho, 60, QStringLiteral("1"));
  s.Write(6000, 5000, kVerticalMincho, 60, QStringLiteral("１"));
  const QImage letters = s.Image(scale);
  const QRect turned_one = InkBox(letters, Dots(s.Run(3), scale));
  const QRect upright_one = InkBox(letters, Dots(s.Run(4), scale));
  EXPECT_GT(turned_one.width(), turned_one.height() * 1.5);
  EXPECT_GT(upright_one.height(), upright_one.width() * 1.5);

  // Clockwise: the foot of the letters (an underscore below the baseline) is on the left.
  const QRect cell = Dots(underscore, scale);
  const QRect low = InkBox(image, cell);
  ASSERT_FALSE(low.isEmpty());
  EXPECT_LT(low.center().x(), cell.center().x());
  EXPECT_GT(low.height(), low.width());
}

// A PDF page with a vertical run opens in another reader and shows its ink in the column.
TEST(VerticalText, PdfPageShowsTheColumn) {
  Sheet s;
  s.Write(7000, 1500, kVerticalMincho, 48, QStringLiteral("第一位　山田太郎"));
  ASSERT_TRUE(s.surface.EndDoc());
  const PrintDocument& doc = *s.surface.HeldDocument();
  const TextRun& run = std::get<TextRun>(doc.pages.front().elements.front());
  const QByteArray pdf = DocumentToPdf(doc);
  ASSERT_FALSE(pdf.isEmpty());

  test::Poppler poppler;
  const QImage image = poppler.Raster(pdf, QStringLiteral("v"), 1, 36);
  ASSERT_FALSE(image.isNull());

  const double scale = 36 / 1440.0;
  const QRect ink = InkBox(image, image.rect());
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(Dots(run, scale).adjusted(-1, -1, 1, 1).contains(ink));
  EXPECT_GT(ink.height(), 7 * 48 * 20 * scale);
}

// The font lists offer an "@" face after each family that writes Japanese.
TEST(VerticalText, FontListsOfferAVerticalFaceForJapaneseFamilies) {
  const QStringList listed =
      WithVerticalFaces({kIpaMincho, QStringLiteral("NoSuchFamily"), kIpaGothic});
  EXPECT_EQ(listed, (QStringList{kIpaMincho, u'@' + kIpaMincho, QStringLiteral("NoSuchFamily"),
                                 kIpaGothic, u'@' + kIpaGothic}));
  EXPECT_TRUE(IsVerticalFace(QStringLiteral(" @IPAGothic")));
  EXPECT_FALSE(IsVerticalFace(QStringLiteral("IPA@Gothic")));
  EXPECT_EQ(SubstituteFontFamily(u'@' + kIpaGothic), kIpaGothic);
}

}  // namespace
}  // namespace kvsys
