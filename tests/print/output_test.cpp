// PDF files, the printer painting path, the choice of output and its settings.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>

#include "print/document_output.h"
#include "print/output_settings.h"
#include "print/print_surface.h"
#include "support/document_helpers.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace kvsys {
namespace {

using test::RecordingOutput;
using test::TempFolder;
using test::TextAt;

struct PdfFacts {
  int pages = 0;
  QList<QSizeF> media_boxes;  // points
};

PdfFacts ReadPdf(const QByteArray& pdf) {
  PdfFacts f;
  static const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page[^s])"));
  static const QRegularExpression box(
      QStringLiteral(R"(/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])"));
  const QString text = QString::fromLatin1(pdf);
  f.pages = static_cast<int>(text.count(page));
  for (auto it = box.globalMatch(text); it.hasNext();) {
    const auto m = it.next();
    f.media_boxes << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
  }
  return f;
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

PrintDocument TwoPages(int paper) {
  RecordingOutput out;
  PrintSurface s(&out);
  s.SetPaperSize(paper);
  s.StartDoc();
  s.SetFontSize(40);
  s.OutputText(QStringLiteral("賞状"));
  s.NewPage();
  s.DrawLine(0, 1, 100, 1);
  s.EndDoc();
  return out.written.at(0);
}

double Pt(double mm) {
  return mm * 72 / 25.4;
}

TEST(Pdf, PagesHaveTheSheetSizeAndVectorTextInTheSubstitutedFont) {
  const QByteArray pdf = DocumentToPdf(TwoPages(12));
  ASSERT_TRUE(pdf.startsWith("%PDF-"));
  const PdfFacts f = ReadPdf(pdf);
  EXPECT_EQ(f.pages, 2);
  ASSERT_EQ(f.media_boxes.size(), 2);
  for (const QSizeF& b : f.media_boxes) {  // JIS B4, 257 x 364 mm, whole points
    EXPECT_NEAR(b.width(), Pt(257), 1);
    EXPECT_NEAR(b.height(), Pt(364), 1);
  }
  EXPECT_TRUE(pdf.contains("/FontFile2"));  // an embedded outline font, not an image
  EXPECT_TRUE(pdf.contains("IPAMincho"));

  const PdfFacts a5 = ReadPdf(DocumentToPdf(TwoPages(11)));
  ASSERT_FALSE(a5.media_boxes.isEmpty());
  EXPECT_NEAR(a5.media_boxes[0].width(), Pt(148), 1);
  EXPECT_NEAR(a5.media_boxes[0].height(), Pt(210), 1);
}

TEST(Pdf, OneFilePerDocumentAndNoFileIsEverReplaced) {
  TempFolder tmp;
  const QString folder = tmp.File(QStringLiteral("out/pdf"));  // created on demand
  PdfOutput pdf(folder);
  pdf.SetClock([] { return QDateTime(QDate(2025, 6, 1), QTime(9, 30, 0)); });
  ASSERT_TRUE(pdf.Ready(nullptr));
  const QString taken =
      QDir(folder).filePath(QStringLiteral("certificate-20250601-093000-001.pdf"));
  tmp.Write(QStringLiteral("out/pdf/certificate-20250601-093000-001.pdf"), "keep");

  PrintSurface s(&pdf);
  for (int i = 0; i < 2; ++i) {
    s.StartDoc();
    ASSERT_EQ(s.Error(), kSurfaceOk) << s.ErrorText().toStdString();
    s.OutputText(QStringLiteral("賞状"));
    ASSERT_TRUE(s.EndDoc()) << s.ErrorText().toStdString();
  }
  EXPECT_EQ(ReadFile(taken), QByteArray("keep"));
  const QStringList files =
      QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
  EXPECT_EQ(files, (QStringList{QStringLiteral("certificate-20250601-093000-001.pdf"),
                                QStringLiteral("certificate-20250601-093000-002.pdf"),
                                QStringLiteral("certificate-20250601-093000-003.pdf")}));
  EXPECT_EQ(pdf.last_file(), QDir(folder).filePath(files.last()));
  EXPECT_EQ(ReadPdf(ReadFile(pdf.last_file())).pages, 1);

  // The writability probe leaves nothing behind.
  EXPECT_TRUE(QDir(folder)
                  .entryList({QStringLiteral(".kvsys-probe*")}, QDir::Files | QDir::Hidden)
                  .isEmpty());
}

// The folder is probed once a run, not for every certificate; a folder that goes away in
// the middle of a run is made again, and one that cannot be is reported, not skipped.
TEST(Pdf, FolderGoneDuringTheRunIsMadeAgainOrReported) {
  TempFolder tmp;
  const QString folder = tmp.File(QStringLiteral("out"));
  PdfOutput pdf(folder);
  PrintSurface s(&pdf);
  auto print = [&] {
    s.StartDoc();
    if (s.Error() != kSurfaceOk) return false;
    s.OutputText(QStringLiteral("賞状"));
    return s.EndDoc();
  };
  ASSERT_TRUE(print()) << s.ErrorText().toStdString();
  ASSERT_TRUE(QDir(folder).removeRecursively());
  ASSERT_TRUE(print()) << s.ErrorText().toStdString();
  EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 1);

  // Now a plain file stands where the folder was.
  ASSERT_TRUE(QDir(folder).removeRecursively());
  tmp.Write(QStringLiteral("out"), "x");
  EXPECT_FALSE(print());
  EXPECT_EQ(s.Error(), kSurfaceOutputNotReady);
  EXPECT_TRUE(s.ErrorText().startsWith(QStringLiteral("PDF出力フォルダを作成できませんでした。")));
}

TEST(Pdf, FolderThatCannotBeMadeIsAnErrorNotASuccess) {
  TempFolder tmp;
  tmp.Write(QStringLiteral("plain-file"), "x");
  PdfOutput pdf(tmp.File(QStringLiteral("plain-file/pdf")));
  PrintSurface s(&pdf);
  s.StartDoc();
  EXPECT_EQ(s.Error(), kSurfaceOutputNotReady);
  EXPECT_EQ(s.ErrorText(),
            QStringLiteral("PDF出力フォルダを作成できませんでした。\r") +
                QDir::toNativeSeparators(tmp.File(QStringLiteral("plain-file/pdf"))));
  QString error;
  EXPECT_FALSE(pdf.Write(TwoPages(12), &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("PDF出力フォルダを作成できませんでした。")));
  EXPECT_TRUE(pdf.last_file().isEmpty());
}

TEST(Pdf, FolderWithoutWritePermissionIsAnError) {
  TempFolder tmp;
  QString error;
  const QString locked = tmp.File(QStringLiteral("locked"));
  QDir().mkpath(locked);
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
  PdfOutput ro(locked);
  if (QFile probe(locked + QStringLiteral("/p")); probe.open(QIODevice::WriteOnly)) {
    probe.remove();
    GTEST_SKIP() << "permissions are not enforced for this user";
  }
  EXPECT_FALSE(ro.Ready(&error));
  EXPECT_EQ(error, QStringLiteral("PDF出力フォルダに書き込めません。\r") +
                       QDir::toNativeSeparators(locked));
  EXPECT_FALSE(ro.Write(TwoPages(12), &error));
  EXPECT_TRUE(QDir(locked).isEmpty());
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The printer path paints through QPrinter; a PDF-format printer shows what a job would hold.
TEST(Printer, PrinterPaintingUsesTheStandardPaperAndEveryPage) {
  TempFolder tmp;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(tmp.File(QStringLiteral("job.pdf")));
  QString error;
  ASSERT_TRUE(PrintDocumentOn(printer, TwoPages(12), &error)) << error.toStdString();
  const PdfFacts f = ReadPdf(tmp.Read(QStringLiteral("job.pdf")));
  EXPECT_EQ(f.pages, 2);
  ASSERT_FALSE(f.media_boxes.isEmpty());
  EXPECT_NEAR(f.media_boxes[0].width(), Pt(257), 1);  // JIS B4 paper
  EXPECT_NEAR(f.media_boxes[0].height(), Pt(364), 1);

  if (!DefaultPrinterName().isEmpty()) return;  // a machine with a printer prints on it
  PrinterOutput none{QString()};
  EXPECT_FALSE(none.Ready(&error));
  EXPECT_EQ(error, test::AbsentPrinterText(QString()));
  EXPECT_FALSE(none.Write(TwoPages(12), &error));
}

// One file for the run: every document's pages in order with their own sheets, under its name
// only once the run finishes, never over an existing file.
TEST(Pdf, OneFileForTheWholeRun) {
  TempFolder tmp;
  const QString folder = tmp.File(QStringLiteral("out"));
  const auto clock = [] { return QDateTime(QDate(2026, 7, 18), QTime(9, 30)); };
  QString error;
  {
    RunPdfOutput run(folder);
    run.SetClock(clock);
    ASSERT_TRUE(run.Ready(&error)) << error.toStdString();
    ASSERT_TRUE(run.Write(TwoPages(12), &error)) << error.toStdString();
    ASSERT_TRUE(run.Write(TwoPages(9), &error)) << error.toStdString();
    EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files).isEmpty());
    ASSERT_TRUE(run.Finish(&error)) << error.toStdString();
    EXPECT_EQ(run.file(), QDir(folder).filePath(QStringLiteral("賞状_20260718-093000.pdf")));
    const PdfFacts f = ReadPdf(ReadFile(run.file()));
    EXPECT_EQ(f.pages, 4);
    ASSERT_EQ(f.media_boxes.size(), 4);
    EXPECT_NEAR(f.media_boxes[0].width(), Pt(257), 1);  // B4, then A4
    EXPECT_NEAR(f.media_boxes[3].width(), Pt(210), 1);
  }
  RunPdfOutput second(folder);
  second.SetClock(clock);
  ASSERT_TRUE(second.Write(TwoPages(12), &error));
  ASSERT_TRUE(second.Finish(&error));
  EXPECT_TRUE(second.file().endsWith(QStringLiteral("賞状_20260718-093000_2.pdf")));
  {
    RunPdfOutput abandoned(folder);  // a run that fails leaves nothing
    ASSERT_TRUE(abandoned.Write(TwoPages(12), &error));
  }
  EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);

  RunPdfOutput named(QString(), second.file());
  EXPECT_FALSE(named.Ready(&error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("同じ名前のファイルがあります。")));
}

// A certificate's file is named after what it holds and stays inside its folder whatever the
// data say; a taken name is never overwritten.
TEST(Pdf, CertificateFilesAreNamedSafelyAfterTheirContent) {
  TempFolder tmp;
  const QString folder = tmp.File(QStringLiteral("out"));
  PdfOutput out(folder);
  QString error;
  const QString kanji = QString(100, QChar(u'漢'));  // 300 bytes
  for (const QString& name :
       {QStringLiteral("0001_男子50m自由形_1位_山田太郎"), QStringLiteral("../../x"),
        QStringLiteral("a/b\\c"), QStringLiteral(".hidden"), QStringLiteral("0002_名\t前\r"), kanji,
        QStringLiteral("../../x"), QStringLiteral("0003_\u202E fdp.exe\u200B_名")}) {
    PrintDocument doc = TwoPages(12);
    doc.name = name;
    ASSERT_TRUE(out.Write(doc, &error)) << error.toStdString();
    EXPECT_EQ(QFileInfo(out.last_file()).absolutePath(), QDir(folder).absolutePath());
    EXPECT_LE(QFileInfo(out.last_file()).fileName().toUtf8().size(), 210);
  }
  const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  EXPECT_EQ(files.size(), 8);
  // A right-to-left override would make the name read otherwise than it is.
  EXPECT_TRUE(files.contains(QStringLiteral("0003_ fdp.exe_名.pdf")))
      << files.join(u' ').toStdString();
  EXPECT_TRUE(files.contains(QStringLiteral("0001_男子50m自由形_1位_山田太郎.pdf")));
  EXPECT_TRUE(files.contains(QStringLiteral("0002_名_前_.pdf")));
  EXPECT_TRUE(files.contains(QStringLiteral("____x.pdf")));
  EXPECT_TRUE(files.contains(QStringLiteral("____x_2.pdf")));
  EXPECT_TRUE(files.contains(QStringLiteral("a_b_c.pdf")));
  EXPECT_TRUE(files.contains(QStringLiteral("hidden.pdf")));
  EXPECT_TRUE(QDir(tmp.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).isEmpty());
}

// The printer setting always means the printer: with none there, the output says so and
// never turns into PDF files on its own.
TEST(OutputChoice, PrinterIsNeverSilentlyReplacedByPdf) {
  OutputSettings s;
  s.pdf_folder = QStringLiteral("somewhere");
  s.printer = QStringLiteral("kvsys-no-such-queue");
  const auto printer = MakeOutput(s);
  ASSERT_NE(dynamic_cast<PrinterOutput*>(printer.get()), nullptr);
  QString error;
  EXPECT_FALSE(printer->Ready(&error));
  EXPECT_EQ(error, test::AbsentPrinterText(s.printer));
  const OutputDestination dest = CheckOutputDestination(s);
  EXPECT_EQ(dest.target, OutputTarget::Printer);
  EXPECT_EQ(dest.problem, error);
  // PDF files only when they are asked for, in the settings or for this run.
  EXPECT_NE(dynamic_cast<RunPdfOutput*>(MakeOutput(s, true).get()), nullptr);  // one file a run
  EXPECT_EQ(CheckOutputDestination(s, true).text,
            QStringLiteral("PDFファイル（1回の印刷を1ファイル）　somewhere"));
  s.target = OutputTarget::Pdf;
  s.pdf_files = PdfFiles::Certificate;
  const auto out = MakeOutput(s);
  const auto* pdf = dynamic_cast<PdfOutput*>(out.get());
  ASSERT_NE(pdf, nullptr);
  EXPECT_EQ(pdf->folder(), QStringLiteral("somewhere"));
  EXPECT_TRUE(CheckOutputDestination(s).problem.isEmpty());
}

TEST(OutputChoice, SettingsAreReadFromTheOutputSectionOfKvsysIni) {
  TempFolder tmp;
  test::ScriptedDialogs dialogs;  // no box expected
  const QString ini = tmp.Write(QStringLiteral("KVSYS.ini"),
                                "[Prn]\r\nTarget=Printer\r\n[Output]\r\nTarget=PDF\r\n"
                                "PdfFolder=証書\r\nPrinter= 事務室 \r\n");
  OutputSettings s = LoadOutputSettings(dialogs, ini, tmp.path());
  EXPECT_EQ(s.target, OutputTarget::Pdf);
  EXPECT_EQ(s.printer, QStringLiteral("事務室"));
  EXPECT_EQ(s.pdf_folder, QDir(tmp.path()).filePath(QStringLiteral("証書")));
  s = LoadOutputSettings(dialogs, tmp.File(QStringLiteral("missing.ini")), tmp.path());
  EXPECT_EQ(s.target, OutputTarget::Printer);
  EXPECT_TRUE(s.printer.isEmpty());  // the default printer
  EXPECT_EQ(s.pdf_folder, QDir(tmp.path()).filePath(QStringLiteral("pdf")));
  // A folder copied from a Windows file keeps no trailing backslash; unknown targets print.
  s = ParseOutputSettings(QStringLiteral(" pdf "), QStringLiteral("/srv/share/pdf\\"), tmp.path());
  EXPECT_EQ(s.target, OutputTarget::Pdf);
  EXPECT_EQ(s.pdf_folder, QStringLiteral("/srv/share/pdf"));
  EXPECT_EQ(ParseOutputSettings(QStringLiteral("Fax"), QString(), tmp.path()).target,
            OutputTarget::Printer);
  EXPECT_EQ(s.pdf_files, PdfFiles::Run);
  EXPECT_EQ(ParseOutputSettings(QString(), QString(), tmp.path(), QStringLiteral(" certificate"))
                .pdf_files,
            PdfFiles::Certificate);
}

TEST(OutputChoice, MultiOutputTriesAllAndReportsTheFailure) {
  RecordingOutput good;
  RecordingOutput bad;
  bad.write_ok = false;
  MultiOutput both({&bad, &good});
  QString error;
  EXPECT_FALSE(both.Write(TwoPages(12), &error));
  EXPECT_EQ(error, QStringLiteral("書けません"));
  EXPECT_EQ(good.written.size(), 1u);
  bad.ready = false;
  EXPECT_FALSE(both.Ready(&error));
  EXPECT_EQ(error, QStringLiteral("準備できません"));
}

}  // namespace
}  // namespace kvsys
