// A printer's calibration as KVSYS.ini keeps it: tenths exactly, bad values refused with the
// reason, and the calibration sheet of every paper size on its own sheet.
#include <gtest/gtest.h>

#include <QFile>

#include "print/calibration.h"
#include "print/calibration_sheet.h"
#include "print/output_settings.h"
#include "print/paper.h"
#include "print/pdf_writer.h"
#include "print/print_surface.h"
#include "support/document_helpers.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace kvsys {
namespace {

TEST(Calibration, TenthsAreKeptExactlyAndBadValuesAreRefusedWithTheReason) {
  QString problem;
  const PrinterCalibration c =
      ParseCalibration(QStringLiteral(" -1.5 "), QStringLiteral("+0.3"), QStringLiteral("100.2"),
                       QStringLiteral("1"), &problem);
  EXPECT_TRUE(problem.isEmpty());
  EXPECT_EQ(c.offset_x, -15);
  EXPECT_EQ(c.offset_y, 3);
  EXPECT_EQ(c.scale, 1002);
  EXPECT_TRUE(c.pdf);
  EXPECT_EQ(c.Text(), QStringLiteral("横 -1.5mm　縦 +0.3mm　倍率 100.2%"));
  // The page about the sheet's corner: a point 100 mm across lands 1.5 mm to the left of
  // 100.2 mm.
  const QPointF moved = c.Twips().map(QPointF(MmToTwips(100), 0));
  EXPECT_NEAR(moved.x() / kTwipsPerMm, 100.2 - 1.5, 1e-9);
  EXPECT_TRUE(ParseCalibration({}, {}, {}, {}, &problem).IsNone());

  for (const auto& [x, scale] :
       {std::pair{"1.25", "100"}, std::pair{"abc", "100"}, std::pair{"30.1", "100"},
        std::pair{"0", "89.9"}, std::pair{"0", "nan"}, std::pair{"1,5", "100"}}) {
    problem.clear();
    const PrinterCalibration bad = ParseCalibration(QString::fromLatin1(x), QStringLiteral("2"),
                                                    QString::fromLatin1(scale), {}, &problem);
    EXPECT_TRUE(bad.IsNone()) << x << " " << scale;
    EXPECT_TRUE(problem.startsWith(QStringLiteral("位置合わせの値が正しくありません"))) << x;
  }

  // Per queue in the settings file; another queue's section is not this one's.
  test::TempFolder dir;
  const QString ini = dir.File(QStringLiteral("KVSYS.ini"));
  ASSERT_TRUE(SaveCalibration(ini, QStringLiteral("office"), c));
  EXPECT_EQ(LoadCalibration(ini, QStringLiteral("office"), &problem), c);
  EXPECT_TRUE(LoadCalibration(ini, QStringLiteral("desk"), &problem).IsNone());
  EXPECT_TRUE(LoadCalibration(ini, QString(), &problem).IsNone());
  QFile file(ini);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write("[Calibration:desk]\nScale=120\n");
  file.close();
  problem.clear();
  EXPECT_TRUE(LoadCalibration(ini, QStringLiteral("desk"), &problem).IsNone());
  EXPECT_TRUE(problem.startsWith(QStringLiteral("プリンタ「desk」の位置合わせの値が正しく")))
      << problem.toStdString();
}

TEST(Calibration, TheSheetOfEverySizeMarksItsOwnSheet) {
  const std::vector<PrintDocument> sheets =
      DrawCalibrationSheets(QStringLiteral("office"), PrinterCalibration{});
  // A4 Small is A4: five sizes.
  ASSERT_EQ(sheets.size(), 5u);
  for (const PrintDocument& sheet : sheets) {
    SCOPED_TRACE(sheet.paper);
    EXPECT_EQ(sheet.PageCount(), 1);
    EXPECT_EQ(QSize(sheet.width, sheet.height), PaperSizeTwips(sheet.paper));
    int right_edge = 0;
    int bottom_edge = 0;
    QStringList texts;
    for (const PageElement& e : sheet.pages[0].elements) {
      if (const auto* line = std::get_if<LineElement>(&e)) {
        right_edge = std::max({right_edge, line->x1, line->x2});
        bottom_edge = std::max({bottom_edge, line->y1, line->y2});
      } else if (const auto* run = std::get_if<TextRun>(&e)) {
        texts << run->text;
      }
    }
    // The rulers reach the sheet's edges, and say the calibration it goes out with.
    EXPECT_EQ(right_edge, sheet.width);
    EXPECT_EQ(bottom_edge, sheet.height);
    EXPECT_TRUE(texts.contains(QStringLiteral("この印刷の位置合わせ：なし（プリンタ「office」）")))
        << texts.join(u'|').toStdString();
  }
  EXPECT_EQ(sheets[3].paper, kPaperB4);
}

// PDF files get the workstation printer's calibration only when it is asked for (Pdf=1), in
// our writer's files and Qt's alike.
TEST(Calibration, PdfFilesAreCalibratedOnlyWhenAskedFor) {
  test::TempFolder dir;
  const QString ini = dir.File(QStringLiteral("KVSYS.ini"));
  const auto pdf_of = [&](const QByteArray& section, bool qt) {
    QFile f(ini);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Output]\nTarget=PDF\nPrinter=office\n[Calibration:office]\n" + section);
    f.close();
    test::ScriptedDialogs dialogs;  // no box expected
    const OutputSettings settings = LoadOutputSettings(dialogs, ini, dir.path());
    PrintSurface surface;
    surface.SetPreviewMode(true);
    surface.SetPaperSize(kPaperB4);
    surface.StartDoc();
    surface.SetFontName(qt ? QStringLiteral("@ＭＳ 明朝") : QStringLiteral("ＭＳ 明朝"));
    surface.SetFontItalic(qt);  // vertical italic: only Qt's engine draws it
    surface.SetFontSize(30);
    surface.SetCurrentX(MmToTwips(40));
    surface.SetCurrentY(MmToTwips(60));
    surface.OutputText(QStringLiteral("賞状"));
    surface.EndDoc();
    if (qt)
      return DocumentToPdf(surface.Document(), PdfCalibrationOf(settings).calibration.Twips());
    QByteArray bytes;
    PdfWriter writer;
    PdfWriter::File file(writer, [&bytes](const QByteArray& b) {
      bytes += b;
      return true;
    });
    file.SetPlacement(PdfCalibrationOf(settings).calibration.Twips());
    EXPECT_TRUE(file.Add(surface.Document()) && file.Close());
    return bytes;
  };
  test::Poppler poppler;
  const double mm = 72 / 25.4;
  for (const bool qt : {false, true}) {
    SCOPED_TRACE(qt);
    const QByteArray plain = pdf_of("OffsetX=5.0\nOffsetY=-3.0\nScale=102.0\nPdf=0\n", qt);
    const QByteArray asked = pdf_of("OffsetX=5.0\nOffsetY=-3.0\nScale=102.0\nPdf=1\n", qt);
    const QString word = qt ? QStringLiteral("賞") : QStringLiteral("賞状");
    const QRectF at = poppler.WordBox(poppler.Save(plain, QStringLiteral("plain")), word);
    const QRectF moved = poppler.WordBox(poppler.Save(asked, QStringLiteral("asked")), word);
    ASSERT_FALSE(at.isEmpty());
    EXPECT_NEAR(at.left(), 40 * mm, 3);  // the layout's own place (a column in vertical text)
    EXPECT_NEAR(moved.left(), 5.0 * mm + 1.02 * at.left(), 0.3);
    EXPECT_NEAR(moved.top(), -3.0 * mm + 1.02 * at.top(), 0.3);
  }
}

}  // namespace
}  // namespace kvsys
