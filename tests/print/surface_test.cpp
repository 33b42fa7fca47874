// The print surface's document model: positions, fonts, line breaks, pages, modes, errors.
#include <gtest/gtest.h>

#include "print/paper.h"
#include "print/print_surface.h"
#include "support/document_helpers.h"

namespace kvsys {
namespace {

using test::RecordingOutput;

const TextRun& RunAt(const PrintSurface& s, int page, size_t i) {
  return std::get<TextRun>(s.Document().Page(page)->elements.at(i));
}

class SurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    surface.SetPreviewMode(true);
    surface.StartDoc();
    ASSERT_EQ(surface.Error(), kSurfaceOk);
  }
  RecordingOutput output;
  PrintSurface surface{&output};
};

TEST(Paper, CodesGiveTheSheetsInTwipsAndThePrinterTheSamePaper) {
  struct Case {
    int code;
    int width;
    int height;
  };
  // mm x 56.7, rounded: A3 297x420, A4 210x297 (and small), A5 148x210, B4 257x364 (JIS), B5
  // 182x257.
  for (const Case c : {Case{8, 16840, 23814}, Case{9, 11907, 16840}, Case{10, 11907, 16840},
                       Case{11, 8392, 11907}, Case{12, 14572, 20639}, Case{13, 10319, 14572}}) {
    EXPECT_EQ(PaperSizeTwips(c.code), QSize(c.width, c.height)) << c.code;
  }
  EXPECT_EQ(PaperSizeTwips(0), PaperSizeTwips(12));
  EXPECT_EQ(MmToTwips(-3), -170);
  // The printer is asked for the sheet the PDF page shows, for every code.
  for (const PaperSheet& p : kPaperSheets) {
    const QSizeF printer = PrinterPageSize(p.code).size(QPageSize::Millimeter);
    const QSizeF pdf = PdfPageSize(p.code).size(QPageSize::Millimeter);
    EXPECT_NEAR(printer.width(), pdf.width(), 0.5) << p.code;
    EXPECT_NEAR(printer.height(), pdf.height(), 0.5) << p.code;
  }
}

TEST(Paper, UnknownCodeDrawsOnB4ButIsKept) {
  PrintSurface s;
  s.SetPreviewMode(true);
  s.SetPaperSize(99);
  s.StartDoc();
  EXPECT_EQ(s.PaperSize(), 99);
  EXPECT_EQ(s.Document().paper, 99);
  EXPECT_EQ(s.PageHeight(), 20639);
  s.SetPaperSize(11);  // takes effect with the next document
  EXPECT_EQ(s.PageHeight(), 20639);
  s.EndDoc();
  EXPECT_EQ(s.PageHeight(), 11907);
}

TEST_F(SurfaceTest, RunKeepsItsPositionAndStoredFontAndAdvancesByItsWidth) {
  EXPECT_EQ(surface.PageCount(), 1);  // a new document has one empty page
  EXPECT_TRUE(surface.Document().Page(1)->elements.empty());
  surface.SetCurrentX(5557);
  surface.SetCurrentY(3969);
  surface.SetFontName(QStringLiteral("ＭＳ　明朝"));
  surface.SetFontSize(70);
  surface.SetFontBold(true);
  surface.SetFontItalic(true);
  surface.OutputText(QStringLiteral("賞状"));
  const TextRun& r = RunAt(surface, 1, 0);
  EXPECT_EQ(r.x, 5557);
  EXPECT_EQ(r.y, 3969);
  EXPECT_EQ(r.font, QStringLiteral("ＭＳ　明朝"));
  EXPECT_EQ(r.size, 70);
  EXPECT_TRUE(r.bold);
  EXPECT_TRUE(r.italic);
  // Full-width characters of the mincho face advance one em: 70 pt = 1400 twips each.
  EXPECT_NEAR(r.width, 2800, 1);
  EXPECT_NEAR(surface.CurrentX(), 5557 + 2800, 1);
  EXPECT_EQ(surface.CurrentY(), 3969);

  // Half-width letters are half an em in the fixed face, wider in the proportional one.
  surface.SetFontBold(false);
  surface.SetFontItalic(false);
  surface.SetFontSize(20);
  surface.OutputText(QStringLiteral("AB"));
  EXPECT_NEAR(RunAt(surface, 1, 1).width, 400, 1);
  surface.SetFontName(QStringLiteral("ＭＳ Ｐ明朝"));
  surface.OutputText(QStringLiteral("AB"));
  EXPECT_GT(RunAt(surface, 1, 2).width, 450);
}

TEST_F(SurfaceTest, CarriageReturnGoesToTheIndentOneLineLower) {
  surface.SetFontSize(30);
  const double line = surface.LineHeight();
  // A line is a little more than the em of 600 twips, not a screen-resolution figure.
  EXPECT_GT(line, 600);
  EXPECT_LT(line, 900);
  surface.SetCurrentX(3000);
  surface.SetCurrentY(5000);
  surface.SetLineIndent(1200);
  surface.OutputText(QStringLiteral("\rあなたは\r\n優秀な\n成績"));
  ASSERT_EQ(surface.Document().Page(1)->elements.size(), 3u);
  const int step = qRound(line);
  EXPECT_EQ(RunAt(surface, 1, 0).x, 1200);
  EXPECT_EQ(RunAt(surface, 1, 0).y, 5000 + step);
  EXPECT_EQ(RunAt(surface, 1, 1).x, 1200);
  EXPECT_EQ(RunAt(surface, 1, 1).y, 5000 + 2 * step);
  EXPECT_EQ(RunAt(surface, 1, 2).text, QStringLiteral("成績"));
  EXPECT_EQ(RunAt(surface, 1, 2).y, 5000 + 3 * step);
  EXPECT_NEAR(surface.CurrentX(), 1200 + 1200, 1);
  // A trailing break moves the position but draws nothing.
  surface.OutputText(QStringLiteral("\r"));
  EXPECT_EQ(surface.CurrentY(), 5000 + 4 * step);
  EXPECT_EQ(surface.Document().Page(1)->elements.size(), 3u);
  EXPECT_EQ(surface.PageCount(), 1);
}

TEST_F(SurfaceTest, TextBelowThePageContinuesOnANewPage) {
  surface.SetFontSize(30);
  const int line = qRound(surface.LineHeight());
  const int height = surface.PageHeight();
  surface.SetCurrentX(2000);
  surface.SetCurrentY(height - line - 1);  // fits
  surface.OutputText(QStringLiteral("最終行"));
  EXPECT_EQ(surface.PageCount(), 1);
  surface.SetLineIndent(800);
  surface.OutputText(QStringLiteral("\r次の行"));
  ASSERT_EQ(surface.PageCount(), 2);
  const TextRun& moved = RunAt(surface, 2, 0);
  EXPECT_EQ(moved.text, QStringLiteral("次の行"));
  EXPECT_EQ(moved.x, 800);
  EXPECT_EQ(moved.y, 0);
  surface.OutputText(QStringLiteral("続き"));
  EXPECT_EQ(RunAt(surface, 2, 1).y, 0);
  EXPECT_EQ(surface.PageCount(), 2);
}

TEST_F(SurfaceTest, FontTallerThanThePageDoesNotMakePagesForever) {
  surface.SetMargins(0, 0, 0, 19000);  // leaves 1072 twips, less than a 100 pt line
  surface.SetFontSize(100);
  surface.OutputText(QStringLiteral("大"));
  EXPECT_EQ(surface.PageCount(), 1);
  surface.OutputText(QStringLiteral("\r大"));
  EXPECT_EQ(surface.PageCount(), 2);
  EXPECT_EQ(RunAt(surface, 2, 0).y, 0);
}

TEST_F(SurfaceTest, LinesAndTextStayInDrawingOrderAndMarginsMoveNewPages) {
  surface.OutputText(QStringLiteral("前"));
  surface.DrawLine(0, 1, 14175, 1);
  surface.OutputText(QStringLiteral("後"));
  const auto& elements = surface.Document().Page(1)->elements;
  ASSERT_EQ(elements.size(), 3u);
  EXPECT_EQ(std::get<LineElement>(elements[1]), (LineElement{0, 1, 14175, 1}));
  EXPECT_EQ(std::get<TextRun>(elements[2]).text, QStringLiteral("後"));

  surface.SetMargins(500, 700, 0, 0);
  surface.NewPage();
  EXPECT_EQ(surface.PageCount(), 2);
  EXPECT_EQ(surface.CurrentX(), 500);
  EXPECT_EQ(surface.CurrentY(), 700);
}

TEST(SurfaceModes, PrintingModeWritesEachEndedDocumentOnce) {
  RecordingOutput out;
  PrintSurface s(&out);
  s.StartDoc();
  EXPECT_EQ(s.Error(), kSurfaceOk);
  s.OutputText(QStringLiteral("一"));
  EXPECT_TRUE(out.written.empty());
  EXPECT_TRUE(s.EndDoc());
  ASSERT_EQ(out.written.size(), 1u);
  EXPECT_EQ(out.written[0].PageCount(), 1);
  EXPECT_EQ(s.HeldDocument(), nullptr);
  // A document started again before it was ended is dropped, not printed half drawn.
  s.StartDoc();
  s.OutputText(QStringLiteral("半分"));
  s.StartDoc();
  EXPECT_TRUE(s.EndDoc());
  ASSERT_EQ(out.written.size(), 2u);
  EXPECT_TRUE(out.written[1].Page(1)->elements.empty());
  // Nothing open: a second end fails instead of printing again.
  EXPECT_FALSE(s.EndDoc());
  EXPECT_EQ(s.Error(), kSurfaceNoDocument);
  EXPECT_EQ(out.written.size(), 2u);
}

TEST(SurfaceModes, StartFailsWithoutAUsableOutputAndDrawsNothing) {
  PrintSurface none;
  none.StartDoc();
  EXPECT_EQ(none.Error(), kSurfaceNoOutput);
  EXPECT_FALSE(none.DocOpen());
  none.OutputText(QStringLiteral("無視"));
  none.DrawLine(0, 0, 1, 1);
  EXPECT_EQ(none.PageCount(), 0);

  RecordingOutput out;
  out.ready = false;
  PrintSurface s(&out);
  s.StartDoc();
  EXPECT_EQ(s.Error(), kSurfaceOutputNotReady);
  EXPECT_EQ(s.ErrorText(), QStringLiteral("準備できません"));
  EXPECT_FALSE(s.EndDoc());
  EXPECT_EQ(s.ErrorText(), QStringLiteral("準備できません"));  // the first reason is kept
  EXPECT_TRUE(out.written.empty());
}

TEST(SurfaceModes, FailedWriteIsReportedNotSuccess) {
  RecordingOutput out;
  out.write_ok = false;
  PrintSurface s(&out);
  s.StartDoc();
  EXPECT_FALSE(s.EndDoc());
  EXPECT_EQ(s.Error(), kSurfaceOutputFailed);
  EXPECT_EQ(s.ErrorText(), QStringLiteral("書けません"));
}

TEST(SurfaceModes, PreviewHoldsTheDocumentAndPrintsItOnRequest) {
  RecordingOutput out;
  PrintSurface s(&out);
  s.SetPreviewMode(true);
  EXPECT_FALSE(s.PrintHeld());
  EXPECT_EQ(s.Error(), kSurfaceNoDocument);

  s.StartDoc();
  EXPECT_EQ(out.ready_calls, 0);  // a preview needs no output
  s.SetFontName(QStringLiteral("ＭＳ ゴシック"));
  s.OutputText(QStringLiteral("見本"));
  EXPECT_TRUE(s.EndDoc());
  EXPECT_TRUE(out.written.empty());
  ASSERT_NE(s.HeldDocument(), nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(s.PrintHeld());
  ASSERT_EQ(out.written.size(), 3u);
  EXPECT_EQ(std::get<TextRun>(out.written[2].Page(1)->elements[0]).text, QStringLiteral("見本"));

  // The held document stays while the next one is composed.
  s.StartDoc();
  s.OutputText(QStringLiteral("次"));
  EXPECT_EQ(std::get<TextRun>(s.HeldDocument()->Page(1)->elements[0]).text, QStringLiteral("見本"));

  out.write_ok = false;
  EXPECT_FALSE(s.PrintHeld());
  EXPECT_EQ(s.Error(), kSurfaceOutputFailed);
}

}  // namespace
}  // namespace kvsys
