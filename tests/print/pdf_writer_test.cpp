// The PDF writer of per-certificate files against Qt's PDF engine drawing the same pages.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "print/document_output.h"
#include "print/paper.h"
#include "print/pdf_writer.h"
#include "support/document_helpers.h"

namespace kvsys {
namespace {

using test::Poppler;
using test::TextAt;

// Compares two renderings tile by tile, so that one wrong word shows however much else agrees:
// the ink (dark pixels of either) of the worst tile and how many of its pixels clearly differ.
// A wrong glyph, slant or stroke makes a tile differ in most of its ink.
struct InkDifference {
  int ink = 0;
  int differing = 0;
  int total_ink = 0;
};

InkDifference Compare(const QImage& a, const QImage& b) {
  constexpr int kTile = 24;
  InkDifference worst;
  if (a.size() != b.size()) return worst;
  for (int ty = 0; ty < a.height(); ty += kTile) {
    for (int tx = 0; tx < a.width(); tx += kTile) {
      InkDifference d;
      for (int y = ty; y < std::min(ty + kTile, a.height()); ++y) {
        for (int x = tx; x < std::min(tx + kTile, a.width()); ++x) {
          const int ga = qGray(a.pixel(x, y));
          const int gb = qGray(b.pixel(x, y));
          if (ga < 160 || gb < 160) ++d.ink;
          if (std::abs(ga - gb) > 110) ++d.differing;
        }
      }
      worst.total_ink += d.ink;
      // A tile with a few dots of ink may differ by a shade here and there.
      if (d.ink >= 20 && d.differing * std::max(worst.ink, 1) > worst.differing * d.ink) {
        worst.ink = d.ink;
        worst.differing = d.differing;
      }
    }
  }
  return worst;
}

TextRun Styled(TextRun run, bool bold, bool italic, bool vertical = false) {
  run.bold = bold;
  run.italic = italic;
  run.vertical = vertical;
  return run;
}

PrintDocument Certificate(const QString& name) {
  PrintDocument doc;
  doc.paper = 12;  // B4
  const QSize sheet = PaperSizeTwips(doc.paper);
  doc.width = sheet.width();
  doc.height = sheet.height();
  const QString vertical = QStringLiteral("@ＭＳ 明朝");
  doc.pages.resize(2);
  auto& e = doc.pages[0].elements;
  e.emplace_back(TextAt(4500, 1500, QStringLiteral("賞　　状"), 60));
  e.emplace_back(Styled(TextAt(2000, 5000, name, 28), true, false));
  e.emplace_back(Styled(TextAt(2000, 7000, QStringLiteral("Aqua Club 2025 ｱｸｱ"), 12), false, true));
  e.emplace_back(TextAt(2000, 8000, QStringLiteral("第40回 高知県選手権（予選）"), 9,
                        QStringLiteral("ＭＳ ゴシック")));
  // Accented letters are composite glyphs in DejaVu, which also has a bold face of its own.
  e.emplace_back(
      Styled(TextAt(8000, 7000, QStringLiteral("Café Ōsaka"), 14, QStringLiteral("DejaVu Sans")),
             true, false));
  e.emplace_back(LineElement{1000, 9000, 13000, 9000});
  e.emplace_back(TextAt(11000, 10000, QStringLiteral("第一位　五〇ｍ　ー。50m"), 24, vertical));
  std::get<TextRun>(e.back()).vertical = true;
  e.emplace_back(
      Styled(TextAt(9500, 10000, QStringLiteral("自由形"), 24, vertical), true, false, true));
  doc.pages[1].elements.emplace_back(TextAt(1000, 1000, QStringLiteral("二枚目"), 20));
  return doc;
}

// Pages look as Qt's engine draws them, in one writer file after file, and the texts can be
// copied out of them.
TEST(PdfWriter, DrawsWhatQtDrawsAndKeepsTheTexts) {
  PdfWriter writer;
  Poppler poppler;
  for (const QString& name : {QStringLiteral("山田　太郎"), QStringLiteral("野村 菜々子")}) {
    const PrintDocument doc = Certificate(name);
    const QByteArray ours = writer.Write(doc);
    const QByteArray qt = DocumentToPdf(doc);
    ASSERT_FALSE(ours.isEmpty());
    for (int page = 1; page <= 2; ++page) {
      const QImage a = poppler.Raster(ours, QStringLiteral("ours"), page);
      const QImage b = poppler.Raster(qt, QStringLiteral("qt"), page);
      ASSERT_FALSE(a.isNull());
      ASSERT_EQ(a.size(), b.size());
      const InkDifference d = Compare(a, b);
      EXPECT_GT(d.total_ink, 100);
      EXPECT_LE(d.differing * 5, d.ink) << "page " << page << " of " << name.toStdString();
    }
    const QString text = QString::fromUtf8(
        poppler.Run(QStringLiteral("pdftotext"),
                    {poppler.Save(ours, QStringLiteral("t")), QStringLiteral("-")}));
    for (const QString& part :
         {QStringLiteral("賞"), name.left(2), QStringLiteral("Aqua Club"),
          QStringLiteral("Café Ōsaka"), QStringLiteral("高知県選手権"), QStringLiteral("二枚目")}) {
      EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in " << text.toStdString();
    }
    const QByteArray fonts =
        poppler.Run(QStringLiteral("pdffonts"), {poppler.Save(ours, QStringLiteral("f"))});
    for (const char* face : {"IPAMincho", "IPAGothic", "DejaVuSans-Bold"}) {
      EXPECT_TRUE(fonts.contains(face)) << fonts.toStdString();
    }
    EXPECT_FALSE(fonts.contains(" no ")) << fonts.toStdString();  // every font embedded
  }
}

// A run's one file draws each certificate as its own file does, with one subset of each face
// for the whole file; poppler and Ghostscript read every file without a word; a sink that
// stops taking bytes fails the file.
TEST(PdfWriter, ARunFileDrawsEachCertificateAsItsOwnFileDoes) {
  PdfWriter writer;
  Poppler poppler;
  const std::vector<PrintDocument> docs = {Certificate(QStringLiteral("山田　太郎")),
                                           Certificate(QStringLiteral("野村 菜々子"))};
  QByteArray run;
  PdfWriter::File file(writer, [&run](const QByteArray& bytes) {
    run.append(bytes);
    return true;
  });
  for (const PrintDocument& doc : docs) ASSERT_TRUE(file.Add(doc));
  ASSERT_TRUE(file.Close());
  EXPECT_FALSE(file.Add(docs[0]));  // closed: the file is whole
  EXPECT_EQ(poppler.Complaints(run, QStringLiteral("run")), QString());
  for (size_t i = 0; i < docs.size(); ++i) {
    const QByteArray alone = writer.Write(docs[i]);
    EXPECT_EQ(poppler.Complaints(alone, QStringLiteral("alone")), QString());
    for (int page = 1; page <= 2; ++page) {
      const QImage a = poppler.Raster(run, QStringLiteral("run"), 2 * static_cast<int>(i) + page);
      const QImage b = poppler.Raster(alone, QStringLiteral("alone"), page);
      ASSERT_EQ(a.size(), b.size());
      const InkDifference d = Compare(a, b);
      EXPECT_GT(d.total_ink, 100);
      EXPECT_LE(d.differing * 50, d.ink) << "document " << i << " page " << page;
    }
  }
  const QString text = QString::fromUtf8(poppler.Run(
      QStringLiteral("pdftotext"), {poppler.Save(run, QStringLiteral("t")), QStringLiteral("-")}));
  EXPECT_TRUE(text.contains(QStringLiteral("山田")) && text.contains(QStringLiteral("野村")));
  const QByteArray fonts =
      poppler.Run(QStringLiteral("pdffonts"), {poppler.Save(run, QStringLiteral("f"))});
  EXPECT_EQ(fonts.count("+IPAMincho "), 1) << fonts.toStdString();

  qsizetype taken = 0;
  PdfWriter::File full(writer, [&taken](const QByteArray& bytes) {
    taken += bytes.size();
    return taken < 1000;
  });
  bool added = true;
  for (int i = 0; i < 200 && added; ++i) added = full.Add(docs[i % 2]);
  EXPECT_FALSE(added && full.Close());
}

// Pages compressed when the file is closed: the same pages, held until then, but not past a
// bound, so that a file of thousands of pages is written as it goes.
TEST(PdfWriter, AFileCompressedWhenClosedDrawsTheSameAndHoldsABoundedPart) {
  PdfWriter writer;
  Poppler poppler;
  const PrintDocument doc = Certificate(QStringLiteral("山田　太郎"));
  const QByteArray at_once = writer.Write(doc);
  QByteArray later;
  PdfWriter::File file(writer, [&later](const QByteArray& bytes) {
    later.append(bytes);
    return true;
  });
  file.CompressWhenClosed();
  ASSERT_TRUE(file.Add(doc));
  // The choice may change from one document to the next: these pages are compressed at once.
  file.CompressWhenClosed(false);
  ASSERT_TRUE(file.Add(doc));
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(poppler.Complaints(later, QStringLiteral("later")), QString());
  for (int page = 1; page <= 4; ++page) {
    const QImage a = poppler.Raster(at_once, QStringLiteral("at_once"), (page - 1) % 2 + 1);
    const QImage b = poppler.Raster(later, QStringLiteral("later"), page);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_GT(Compare(a, b).total_ink, 100);
    EXPECT_EQ(Compare(a, b).differing, 0) << "page " << page;
  }

  // Until Close only the pages' contents are streams.
  bool contents_came = false;
  PdfWriter::File many(writer, [&contents_came](const QByteArray& bytes) {
    contents_came = contents_came || bytes.contains("stream");
    return true;
  });
  many.CompressWhenClosed();
  int added = 0;
  while (!contents_came && added < 20000 && many.Add(doc)) ++added;
  EXPECT_GT(added, 10);        // a club's worth is held
  EXPECT_TRUE(contents_came);  // thousands are not
  EXPECT_TRUE(many.Close());
}

// A face with CFF outlines is embedded as CFF (a CJK face keyed by CIDs): drawn as Qt draws
// it, its text searchable, in its own file as in a run's.
TEST(PdfWriter, EmbedsCffFacesAsCff) {
  PrintDocument doc = Certificate(QStringLiteral("山田　太郎"));
  const QString noto = QStringLiteral("Noto Serif CJK JP");
  doc.pages[1].elements.emplace_back(
      TextAt(1000, 3000, QStringLiteral("明朝の賞状ですAb"), 28, noto));
  doc.pages[1].elements.emplace_back(
      Styled(TextAt(1000, 5000, QStringLiteral("太字の名前"), 28, noto), true, false));
  PdfWriter writer;
  const QByteArray ours = writer.Write(doc);
  ASSERT_FALSE(ours.isEmpty());
  Poppler poppler;
  EXPECT_EQ(poppler.Complaints(ours, QStringLiteral("cff")), QString());
  const QByteArray fonts =
      poppler.Run(QStringLiteral("pdffonts"), {poppler.Save(ours, QStringLiteral("f"))});
  EXPECT_TRUE(fonts.contains("NotoSerifCJK") && fonts.contains("CID Type 0C"))
      << fonts.toStdString();
  // Finer than the others: the thin strokes of a Mincho face land on other pixels of a coarse
  // raster when one file hints them and the other draws them as outlines.
  const QImage a = poppler.Raster(ours, QStringLiteral("ours"), 2, 200);
  const QImage b = poppler.Raster(DocumentToPdf(doc), QStringLiteral("qt"), 2, 200);
  ASSERT_EQ(a.size(), b.size());
  const InkDifference d = Compare(a, b);
  EXPECT_GT(d.total_ink, 100);
  EXPECT_LE(d.differing * 5, d.ink);
  const QString text = QString::fromUtf8(poppler.Run(
      QStringLiteral("pdftotext"), {poppler.Save(ours, QStringLiteral("t")), QStringLiteral("-")}));
  EXPECT_TRUE(text.contains(QStringLiteral("明朝の賞状ですAb")) &&
              text.contains(QStringLiteral("太字の名前")))
      << text.toStdString();
}

// What the writer cannot draw as the renderer does goes through Qt's engine: the file is there
// all the same.
TEST(PdfWriter, LeavesToQtWhatItCannotDrawTheSame) {
  PrintDocument doc = Certificate(QStringLiteral("山田\t太郎"));
  EXPECT_TRUE(PdfWriter().Write(doc).isEmpty());
  PrintDocument italic = Certificate(QStringLiteral("山田"));
  std::get<TextRun>(italic.pages[0].elements.back()).italic = true;  // vertical italic
  EXPECT_TRUE(PdfWriter().Write(italic).isEmpty());

  QTemporaryDir dir;
  PdfOutput output(dir.path());
  doc.name = QStringLiteral("0001_タブ入り");
  ASSERT_TRUE(output.Write(doc, nullptr));
  Poppler poppler;
  QFile written(output.last_file());
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  const QByteArray text =
      poppler.Run(QStringLiteral("pdftotext"),
                  {poppler.Save(written.readAll(), QStringLiteral("t")), QStringLiteral("-")});
  EXPECT_TRUE(QString::fromUtf8(text).contains(QStringLiteral("二枚目")));
}

}  // namespace
}  // namespace kvsys
