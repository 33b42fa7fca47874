// PDF files as another program reads them: certificates drawn into the PDF folder are opened
// with poppler's pdftoppm, which must find one page of the sheet's size in each.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <memory>

#include "certificate/draw_certificate.h"
#include "db/database.h"
#include "db/workspace.h"
#include "layout/certificate_layout.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "print/document_output.h"
#include "print/print_surface.h"
#include "support/program_folder.h"
#include "support/scripted_dialogs.h"

namespace kvsys {
namespace {

constexpr int kDpi = 36;

struct Rasterised {
  QString error;  // empty when pdftoppm ran and succeeded
  QList<QImage> pages;
};

// Every page of a PDF as pdftoppm renders it at kDpi.
Rasterised RasterisePdf(const QString& pdf, const QString& prefix) {
  Rasterised r;
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
  if (tool.isEmpty()) {
    r.error = QStringLiteral("pdftoppm not found (install poppler-utils)");
    return r;
  }
  QProcess process;
  process.start(tool,
                {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-png"), pdf, prefix});
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    r.error = QStringLiteral("pdftoppm failed: ") +
              QString::fromLocal8Bit(process.readAllStandardError());
    return r;
  }
  const QFileInfo base(prefix);
  const QStringList files =
      QDir(base.path())
          .entryList({base.fileName() + QStringLiteral("-*.png")}, QDir::Files, QDir::Name);
  for (const QString& f : files) r.pages << QImage(QDir(base.path()).filePath(f));
  return r;
}

bool HasInk(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) return true;
    }
  }
  return false;
}

struct Sheet {
  int paper;
  double width_mm;
  double height_mm;
};

TEST(PdfPages, EachCertificateIsOnePageOfTheSheetAsPopplerReadsIt) {
  test::ProgramFolder folder;
  test::ScriptedDialogs dialogs;
  DbErrorState errors;
  Workspace workspace;
  std::shared_ptr<Database> db = workspace.OpenDatabase(folder.LayoutDbPath());
  LayoutSettings settings;
  settings.title = QStringLiteral("賞状");
  settings.meet_name1 = QStringLiteral("市民水泳大会");
  settings.body =
      QStringLiteral("あなたは優秀なる成績を収めましたのでその栄誉を讃えこれを賞します");
  settings.presenter = QStringLiteral("見本 太郎");
  ASSERT_EQ(LayoutStore(*db, dialogs, errors).CreateLayout(1, QStringLiteral("標準"), 1, settings),
            1);
  CertificateLayout layout;
  layout.CurrentLayoutNumber = 1;
  LoadLayout(*db, layout);
  LoadShowFlags(*db, layout);
  layout.Texts.title = settings.title;
  layout.Texts.meet_name1 = settings.meet_name1;
  layout.Texts.body = settings.body;
  layout.Texts.presenter = settings.presenter;

  RecipientTable table;
  const QStringList names = {QStringLiteral("山田 太郎"), QStringLiteral("佐藤 花子"),
                             QStringLiteral("鈴木 一郎")};
  for (int i = 1; i <= names.size(); ++i) {
    table[i] = Recipient{names[i - 1],
                         QStringLiteral("南クラブ"),
                         QStringLiteral("男子50m自由形"),
                         QStringLiteral("一般"),
                         QString(QChar(0xFF10 + i)),
                         QStringLiteral("25秒01"),
                         {}};
  }
  table.RecipientCount = static_cast<int16_t>(names.size());
  PrintOptions options;
  options.Lattice = false;

  for (const Sheet& sheet : {Sheet{12, 257, 364}, Sheet{9, 210, 297}}) {
    SCOPED_TRACE(sheet.paper);
    layout.PaperSize = static_cast<int16_t>(sheet.paper);
    // The new layout is placed for B4; on A4 the preview would move it up and left to fit.
    for (LayoutItem& item : layout.Items) {
      item.X = sheet.paper == 9 ? 20 : 0;
      item.Y = sheet.paper == 9 ? 40 : 0;
    }
    const QString pdf_folder = folder.File(QStringLiteral("pdf-%1").arg(sheet.paper));
    PdfOutput output(pdf_folder);
    PrintSurface surface(&output);
    PlainWarningLabel label;
    for (int i = 1; i <= names.size(); ++i) {
      table.CurrentRecipient = static_cast<int16_t>(i);
      ASSERT_EQ(
          DrawCertificate(surface, DrawMode::kPrinting, label, layout, table, options, dialogs),
          DrawResult::kDrawn)
          << surface.ErrorText().toStdString();
      ASSERT_EQ(surface.PageCount(), 1);
      ASSERT_FALSE(label.visible());
    }

    const QStringList pdfs =
        QDir(pdf_folder).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    ASSERT_EQ(pdfs.size(), names.size());
    const int width_px = qRound(sheet.width_mm / 25.4 * kDpi);
    const int height_px = qRound(sheet.height_mm / 25.4 * kDpi);
    QList<QImage> firsts;
    for (int i = 0; i < pdfs.size(); ++i) {
      SCOPED_TRACE(pdfs[i].toStdString());
      const Rasterised r =
          RasterisePdf(QDir(pdf_folder).filePath(pdfs[i]),
                       folder.File(QStringLiteral("png-%1-%2").arg(sheet.paper).arg(i)));
      ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
      ASSERT_EQ(r.pages.size(), 1);
      const QImage& page = r.pages.front();
      EXPECT_NEAR(page.width(), width_px, 1);
      EXPECT_NEAR(page.height(), height_px, 1);
      EXPECT_TRUE(HasInk(page));  // the texts were drawn and the fonts embedded
      firsts << page;
    }
    // Each file holds its own recipient's certificate.
    EXPECT_NE(firsts[0], firsts[1]);
    EXPECT_NE(firsts[1], firsts[2]);
  }
}

}  // namespace
}  // namespace kvsys
