// The page renderer, checked by where ink lands in rendered images.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "print/font_substitution.h"
#include "print/page_renderer.h"
#include "print/paper.h"
#include "print/print_surface.h"
#include "support/document_helpers.h"

namespace kvsys {
namespace {

using test::InkBox;
using test::RecordingOutput;
using test::TextAt;

PrintDocument OnePage(int width, int height, std::vector<PageElement> elements) {
  PrintDocument doc;
  doc.paper = 12;
  doc.width = width;
  doc.height = height;
  doc.pages.push_back(PrintPage{std::move(elements)});
  return doc;
}

QImage White(int w, int h, int dpi = 96) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  image.setDotsPerMeterX(qRound(dpi / 0.0254));
  image.setDotsPerMeterY(qRound(dpi / 0.0254));
  return image;
}

QImage Rendered(const PrintDocument& doc, double scale, int dpi = 96) {
  QImage image = White(qCeil(doc.width * scale), qCeil(doc.height * scale), dpi);
  QPainter p(&image);
  EXPECT_TRUE(RenderPage(doc, 1, p, scale));
  return image;
}

// The sizes printed in points are right: at 720 dpi a 72 pt full-width square is one inch
// from one glyph to the next (720 dots) and as tall as the font's outline says.
TEST(RenderPage, GlyphSizeMatchesPointsAtAKnownResolution) {
  const double scale = 720 / kTwipsPerInch;
  const PrintDocument doc = OnePage(4320, 2880, {TextAt(720, 720, QStringLiteral("■■"), 72)});
  const QImage image = Rendered(doc, scale);
  const QRect first = InkBox(image, QRect(0, 0, 1080, image.height()));
  const QRect second = InkBox(image, QRect(1080, 0, image.width() - 1080, image.height()));
  ASSERT_FALSE(first.isEmpty());
  ASSERT_FALSE(second.isEmpty());
  EXPECT_NEAR(second.left() - first.left(), 720, 1);

  const QFont font = CertificateFont(QStringLiteral("ＭＳ 明朝"), 72, false, false);
  QPainterPath outline;
  outline.addText(QPointF(0, 0), font, QStringLiteral("■"));
  const QRectF glyph = outline.boundingRect();
  EXPECT_NEAR(first.height(), glyph.height() * scale, 2);
  EXPECT_NEAR(first.top(), (720 + QFontMetricsF(font).ascent() + glyph.top()) * scale, 2);
  // The square is most of the em (720 dots), whatever the face's exact design.
  EXPECT_GT(first.height(), 0.6 * 720);
  EXPECT_LT(first.height(), 0.95 * 720);
}

TEST(RenderPage, DeviceResolutionDoesNotChangeTheSize) {
  const PrintDocument doc = OnePage(6000, 3000, {TextAt(500, 500, QStringLiteral("記録"), 40)});
  const QRect screen = InkBox(Rendered(doc, 0.1, 96), QRect(0, 0, 600, 300));
  const QRect printer = InkBox(Rendered(doc, 0.1, 600), QRect(0, 0, 600, 300));
  ASSERT_FALSE(screen.isEmpty());
  EXPECT_EQ(screen, printer);
  // Twice the scale, twice the ink.
  const QRect big = InkBox(Rendered(doc, 0.2), QRect(0, 0, 1200, 600));
  EXPECT_NEAR(big.width(), 2 * screen.width(), 3);
  EXPECT_NEAR(big.height(), 2 * screen.height(), 3);
}

// A certificate composed on B4 the way the drawing does it: ink where the title, the name and
// the body are, none where nothing was put, none past the sheet.
TEST(RenderPage, CertificateInkLiesWhereItemsWereAndNotPastTheSheet) {
  RecordingOutput out;
  PrintSurface s(&out);
  s.SetPreviewMode(true);
  s.SetPaperSize(12);
  s.StartDoc();
  auto put = [&](double x_mm, double y_mm, double size, const QString& text) {
    s.SetCurrentX(MmToTwips(x_mm));
    s.SetCurrentY(MmToTwips(y_mm));
    s.SetFontName(QStringLiteral("ＭＳ 明朝"));
    s.SetFontSize(size);
    s.OutputText(text);
  };
  put(98, 70, 70, QStringLiteral("賞状"));
  put(83, 142, 37, QStringLiteral("水泳 太郎"));
  s.SetLineIndent(MmToTwips(48));
  put(48, 218, 30,
      QStringLiteral("\rあなたは優秀なる成績を収めました\rのでその栄誉を讃えこれを賞します"));
  put(240, 300, 40, QStringLiteral("はみ出す長い文字列"));  // runs off the right edge
  s.DrawLine(-500, 20000, 20000, 20000);                    // longer than the sheet
  ASSERT_TRUE(s.EndDoc());
  const PrintDocument& doc = *s.HeldDocument();

  // One dot per mm, the sheet drawn at (20, 20) inside a larger image.
  const double scale = 1 / kTwipsPerMm;
  const QRect sheet(20, 20, qRound(doc.width * scale), qRound(doc.height * scale));
  QImage image = White(sheet.width() + 40, sheet.height() + 40);
  {
    QPainter p(&image);
    ASSERT_TRUE(RenderPage(doc, 1, p, QRectF(sheet)));
  }
  auto mm = [&](double x, double y, double w, double h) {
    return QRect(sheet.left() + qRound(x), sheet.top() + qRound(y), qRound(w), qRound(h));
  };
  EXPECT_FALSE(InkBox(image, mm(98, 70, 50, 25)).isEmpty());    // title, 70 pt ~ 25 mm
  EXPECT_FALSE(InkBox(image, mm(83, 142, 65, 13)).isEmpty());   // name
  EXPECT_FALSE(InkBox(image, mm(48, 228, 170, 24)).isEmpty());  // two body lines
  EXPECT_TRUE(InkBox(image, mm(0, 0, 250, 65)).isEmpty());      // above the title
  EXPECT_TRUE(InkBox(image, mm(48, 218, 170, 9)).isEmpty());    // body starts a line lower
  EXPECT_FALSE(InkBox(image, mm(240, 300, 10, 14)).isEmpty());
  EXPECT_FALSE(InkBox(image, mm(0, 351, 250, 3)).isEmpty());  // the line, inside the sheet

  QImage outside = image.copy();
  QPainter erase(&outside);
  erase.fillRect(sheet, Qt::white);
  erase.end();
  EXPECT_TRUE(InkBox(outside, outside.rect()).isEmpty());
}

// Large text is drawn from a smaller font scaled up: a long mixed line of each size lands on
// the same dots as the same text painted in the run's own font, and ends where the surface
// measured it to end.
TEST(RenderPage, ScaledDrawingPutsInkWhereTheFullSizeFontDoes) {
  const QString line = QStringLiteral("第45回 市民水泳競技大会 男子200m個人メドレー 2分03秒45");
  for (const double size : {9.0, 14.0, 37.0, 70.0}) {
    RecordingOutput out;
    PrintSurface s(&out);
    s.SetPreviewMode(true);
    s.StartDoc();
    s.SetCurrentX(300);
    s.SetCurrentY(300);
    s.SetFontName(QStringLiteral("ＭＳ 明朝"));
    s.SetFontSize(size);
    s.OutputText(line);
    ASSERT_TRUE(s.EndDoc());
    const TextRun& run = std::get<TextRun>(s.HeldDocument()->pages.at(0).elements.at(0));
    const int width = qCeil(run.width) + 600;
    const int height = qCeil(run.height) + 600;
    const double scale = 0.1;
    const QImage ours = Rendered(OnePage(width, height, {run}), scale);

    QImage direct = White(ours.width(), ours.height());
    {
      const QFont font = CertificateFont(run.font, run.size, false, false);
      QPainter p(&direct);
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setRenderHint(QPainter::TextAntialiasing, true);
      p.scale(scale, scale);
      p.setFont(font);
      p.setPen(Qt::black);
      p.drawText(QPointF(run.x, run.y + QFontMetricsF(font).ascent()), run.text);
    }
    const QRect a = InkBox(ours, ours.rect());
    const QRect b = InkBox(direct, direct.rect());
    ASSERT_FALSE(a.isEmpty()) << size;
    EXPECT_NEAR(a.left(), b.left(), 1) << size;
    EXPECT_NEAR(a.right(), b.right(), 1) << size;
    EXPECT_NEAR(a.top(), b.top(), 1) << size;
    EXPECT_NEAR(a.bottom(), b.bottom(), 1) << size;
    // The last glyph ("5") ends a little before its advance does.
    EXPECT_LE(a.right(), (run.x + run.width) * scale + 1) << size;
    EXPECT_GT(a.right(), (run.x + run.width - run.size * 20) * scale) << size;
  }
}

TEST(RenderPage, BoldPutsMoreInkAtEverySizeAndMissingPagesDrawNothing) {
  TextRun bold = TextAt(200, 200, QStringLiteral("優勝"), 40);
  bold.bold = true;
  auto dark = [](const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += qGray(img.pixel(x, y)) < 160;
    return n;
  };
  // Small glyphs on screen and large ones on a printer alike.
  for (const double scale : {0.05, 0.2, 1.0}) {
    const int plain =
        dark(Rendered(OnePage(4000, 1400, {TextAt(200, 200, QStringLiteral("優勝"), 40)}), scale));
    const int heavy = dark(Rendered(OnePage(4000, 1400, {bold}), scale));
    EXPECT_GT(heavy, plain * 23 / 20) << scale;
    EXPECT_LT(heavy, plain * 2) << scale;
  }

  const PrintDocument doc = OnePage(1000, 1000, {TextAt(0, 0, QStringLiteral("字"), 20)});
  QImage image = White(100, 100);
  QPainter p(&image);
  EXPECT_FALSE(RenderPage(doc, 0, p, 0.1));
  EXPECT_FALSE(RenderPage(doc, 2, p, 0.1));
  EXPECT_FALSE(RenderPage(doc, 1, p, 0.0));
  p.end();
  EXPECT_TRUE(InkBox(image, image.rect()).isEmpty());
}

}  // namespace
}  // namespace kvsys
