// One PDF file per club: each document in its club's file after the cover, where Plan said
// before the files were there, and a club whose pages only Qt draws exactly written by Qt.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include "print/club_output.h"
#include "print/print_surface.h"
#include "support/document_helpers.h"
#include "support/file_size_limit.h"
#include "support/temp_folder.h"

namespace kvsys {
namespace {

// Whether the folder holds n files, hidden ones too, within a few seconds: a club's file is
// ended on a thread of its own.
bool SoonFilesIn(const QString& folder, qsizetype n) {
  for (int waited = 0; waited < 5000; waited += 10) {
    if (QDir(folder).entryList(QDir::Files | QDir::Hidden).size() == n) return true;
    QThread::msleep(10);
  }
  return false;
}

PrintDocument Certificate(const QString& name, const QString& text, bool vertical_italic) {
  PrintSurface surface;
  surface.SetPreviewMode(true);
  surface.SetPaperSize(9);
  surface.SetDocumentName(name);
  surface.StartDoc();
  surface.SetFontName(vertical_italic ? QStringLiteral("@ＭＳ 明朝") : QStringLiteral("ＭＳ 明朝"));
  surface.SetFontItalic(vertical_italic);
  surface.SetFontSize(24);
  surface.SetCurrentX(3000);
  surface.SetCurrentY(3000);
  surface.OutputText(text);
  return surface.Document();
}

TEST(ClubPdf, EachClubItsOwnFileWithItsCoverFirst) {
  test::TempFolder dir;
  const QString folder = dir.File(QStringLiteral("clubs"));
  ClubPdfOutput out(folder, {{QStringLiteral("d1"), QStringLiteral("A"), QStringLiteral("男子50m"),
                              QStringLiteral("１"), QStringLiteral("山田")},
                             {QStringLiteral("d2"), QStringLiteral("B"), QStringLiteral("女子50m"),
                              QStringLiteral("２"), QStringLiteral("鈴木")},
                             {QStringLiteral("d3"), QStringLiteral("A"), QStringLiteral("男子100m"),
                              QStringLiteral("３"), QStringLiteral("田中")},
                             // Never comes: the run stopped before it.
                             {QStringLiteral("d4"), QStringLiteral("B"), QStringLiteral("女子100m"),
                              QStringLiteral("１"), QStringLiteral("佐藤")}});
  QString error;
  ASSERT_TRUE(out.Ready(&error)) << error.toStdString();
  EXPECT_EQ(out.HoldUntilPublished(), DocumentOutput::Holding::kRun);
  ASSERT_TRUE(out.Write(Certificate(QStringLiteral("d1"), QStringLiteral("山田"), false), &error));
  // The run is drawn by our writer: a page only Qt's engine draws exactly is refused, not left
  // out of its file unsaid.
  EXPECT_FALSE(out.Write(Certificate(QStringLiteral("d2"), QStringLiteral("鈴木"), true), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("同じPDFファイルに書けません")));
  ASSERT_TRUE(out.Write(Certificate(QStringLiteral("d2"), QStringLiteral("鈴木"), false), &error));
  ASSERT_TRUE(out.Write(Certificate(QStringLiteral("d3"), QStringLiteral("田中"), false), &error));
  // A document no certificate names has no club: refused, not put in some club's file.
  EXPECT_FALSE(out.Write(Certificate(QStringLiteral("d9"), QStringLiteral("誰か"), false), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("所属の分からない賞状です。")));
  EXPECT_TRUE(out.LastWritten().held);
  EXPECT_EQ(out.WrittenTo().kind, OutputPlace::Kind::kNothing);

  // A club whose certificates have all come is ended meanwhile, on disk under a hidden name;
  // the other is ended by Plan.
  EXPECT_TRUE(SoonFilesIn(folder, 1));
  EXPECT_FALSE(out.Write(Certificate(QStringLiteral("d3"), QStringLiteral("田中"), false), &error));

  const std::vector<DocumentPlace> planned = out.Plan();
  ASSERT_EQ(planned.size(), 3u);
  const QString a = QDir(folder).filePath(QStringLiteral("A.pdf"));
  const QString b = QDir(folder).filePath(QStringLiteral("B.pdf"));
  EXPECT_EQ(planned[0].place.where, a);
  EXPECT_EQ(planned[0].page, 2);
  EXPECT_EQ(planned[1].place.where, b);
  EXPECT_EQ(planned[1].page, 2);
  EXPECT_EQ(planned[2].place.where, a);
  EXPECT_EQ(planned[2].page, 3);
  EXPECT_FALSE(QFile::exists(a));  // nothing is there before Finish

  ASSERT_TRUE(out.Finish(&error)) << error.toStdString();
  EXPECT_EQ(out.WrittenTo().kind, OutputPlace::Kind::kPdfFolder);
  const std::vector<DocumentPlace> placed = out.Finished(planned);
  ASSERT_EQ(placed.size(), 3u);
  for (size_t k = 0; k < placed.size(); ++k) {
    EXPECT_FALSE(placed[k].held);
    EXPECT_EQ(placed[k].place.where, planned[k].place.where);
    EXPECT_EQ(placed[k].page, planned[k].page);
  }
  test::Poppler poppler;
  EXPECT_EQ(poppler.Pages(a), 3);
  EXPECT_EQ(poppler.Pages(b), 2);
  const QString cover = QString::fromUtf8(
      poppler.Run(QStringLiteral("pdftotext"),
                  {QStringLiteral("-l"), QStringLiteral("1"), a, QStringLiteral("-")}));
  EXPECT_TRUE(cover.contains(QStringLiteral("A 賞状一覧（2枚）"))) << cover.toStdString();
  EXPECT_TRUE(cover.contains(QStringLiteral("田中")));
  EXPECT_FALSE(cover.contains(QStringLiteral("鈴木")));
  EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
  const auto producer = [&poppler](const QString& file) {
    for (const QByteArray& line : poppler.Run(QStringLiteral("pdfinfo"), {file}).split('\n')) {
      if (line.startsWith("Producer:")) return QString::fromUtf8(line.mid(9).trimmed());
    }
    return QString();
  };
  EXPECT_EQ(producer(a), QStringLiteral("KVSYS"));

  // A run only Qt's engine draws exactly: its documents held and drawn by Qt, cover first,
  // a file already there never replaced.
  const QString vertical = dir.File(QStringLiteral("vertical"));
  dir.Write(QStringLiteral("vertical/A.pdf"), "not ours");
  ClubPdfOutput qt(vertical, {{QStringLiteral("v1"), QStringLiteral("A"), QStringLiteral("男子50m"),
                               QStringLiteral("１"), QStringLiteral("山田")},
                              {QStringLiteral("v2"), QStringLiteral("A"), QStringLiteral("男子50m"),
                               QStringLiteral("２"), QStringLiteral("田中")}});
  ASSERT_TRUE(qt.Write(Certificate(QStringLiteral("v1"), QStringLiteral("山田"), true), &error));
  ASSERT_TRUE(qt.Write(Certificate(QStringLiteral("v2"), QStringLiteral("田中"), true), &error));
  ASSERT_TRUE(qt.Finish(&error)) << error.toStdString();
  EXPECT_EQ(dir.Read(QStringLiteral("vertical/A.pdf")), QByteArray("not ours"));
  const QString a2 = QDir(vertical).filePath(QStringLiteral("A_2.pdf"));
  EXPECT_EQ(poppler.Pages(a2), 3);
  EXPECT_NE(producer(a2), QStringLiteral("KVSYS"));
  const std::vector<DocumentPlace> at = qt.Finished({});
  ASSERT_EQ(at.size(), 2u);
  EXPECT_EQ(at[1].place.where, a2);
  EXPECT_EQ(at[1].page, 3);
}

// A club's file that cannot be written, ended while the run goes on: the run fails with the
// reason, publishes no club's file and leaves no hidden one.
TEST(ClubPdf, AFileThatCannotBeEndedFailsTheWholeRun) {
  test::TempFolder dir;
  const QString folder = dir.File(QStringLiteral("clubs"));
  {
    ClubPdfOutput out(folder,
                      {{QStringLiteral("d1"), QStringLiteral("A"), QStringLiteral("男子50m"),
                        QStringLiteral("１"), QStringLiteral("山田")},
                       {QStringLiteral("d2"), QStringLiteral("B"), QStringLiteral("女子50m"),
                        QStringLiteral("２"), QStringLiteral("鈴木")}});
    QString error;
    ASSERT_TRUE(out.Ready(&error)) << error.toStdString();
    // A file size limit makes the club's file fail part way, as a full disk does.
    test::FileSizeLimit limit(1024);
    ASSERT_TRUE(limit.set());
    const bool first =
        out.Write(Certificate(QStringLiteral("d1"), QStringLiteral("山田"), false), &error);
    // Club A is ended meanwhile: the run hears of it at its next document or at the end.
    const bool finished =
        first &&
        out.Write(Certificate(QStringLiteral("d2"), QStringLiteral("鈴木"), false), &error) &&
        out.Finish(&error);
    limit.Lift();
    EXPECT_TRUE(first);
    EXPECT_FALSE(finished);
    EXPECT_TRUE(error.contains(QStringLiteral("A.pdf"))) << error.toStdString();
    EXPECT_EQ(out.WrittenTo().kind, OutputPlace::Kind::kNothing);
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
  }
  // What the run held goes with it.
  EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
}  // namespace kvsys
