#include "print/output_settings.h"

#include <QDir>

#include "common/profile.h"
#include "print/printer_queue.h"

namespace kvsys {

OutputSettings ParseOutputSettings(const QString& target, const QString& pdf_folder,
                                   const QString& program_folder, const QString& pdf_files,
                                   const QString& printer) {
  OutputSettings s;
  s.printer = printer.trimmed();
  s.pdf_files = pdf_files.trimmed().compare(QStringLiteral("Certificate"), Qt::CaseInsensitive) == 0
                    ? PdfFiles::Certificate
                    : PdfFiles::Run;
  s.target = target.trimmed().compare(QStringLiteral("PDF"), Qt::CaseInsensitive) == 0
                 ? OutputTarget::Pdf
                 : OutputTarget::Printer;
  QString folder = pdf_folder.trimmed();
  // A folder copied from a Windows settings file may end in a backslash.
  while (folder.size() > 1 &&
         (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))) {
    folder.chop(1);
  }
  if (folder.isEmpty()) folder = QStringLiteral("pdf");
  s.pdf_folder = QDir::cleanPath(QDir(program_folder).absoluteFilePath(folder));
  return s;
}

OutputSettings LoadOutputSettings(Dialogs& dialogs, const QString& ini_file,
                                  const QString& program_folder) {
  OutputSettings s = ParseOutputSettings(
      GetProfileEx(dialogs, ini_file, kOutputSection, kOutputTargetKey),
      GetProfileEx(dialogs, ini_file, kOutputSection, kOutputPdfFolderKey), program_folder,
      GetProfileEx(dialogs, ini_file, kOutputSection, kOutputPdfFilesKey),
      GetProfileEx(dialogs, ini_file, kOutputSection, kOutputPrinterKey));
  s.settings_file = ini_file;
  return s;
}

std::unique_ptr<DocumentOutput> MakeOutput(const OutputSettings& settings, bool pdf_only) {
  if (settings.target == OutputTarget::Printer && !pdf_only) {
    return std::make_unique<PrinterOutput>(settings.printer, settings.settings_file);
  }
  std::unique_ptr<DocumentOutput> pdf;
  if (settings.pdf_files == PdfFiles::Certificate) {
    pdf = std::make_unique<PdfOutput>(settings.pdf_folder);
  } else {
    pdf = std::make_unique<RunPdfOutput>(settings.pdf_folder);
  }
  pdf->SetPlacement(PdfCalibrationOf(settings).calibration.Twips());
  return pdf;
}

PdfCalibration PdfCalibrationOf(const OutputSettings& settings) {
  if (settings.settings_file.isEmpty()) return {};
  const QString queue = WorkstationQueue(settings);
  // Values that cannot be read leave PDF files as the layout has them; a printer run says why.
  const PrinterCalibration c = LoadCalibration(settings.settings_file, queue, nullptr);
  if (!c.pdf) return {};
  return {queue, c};
}

QString WorkstationQueue(const OutputSettings& settings) {
  return settings.printer.isEmpty() ? FindPrinterQueue(QString()).name : settings.printer;
}

OutputDestination CheckOutputDestination(const OutputSettings& settings, bool pdf_only) {
  OutputDestination d;
  if (settings.target == OutputTarget::Printer && !pdf_only) {
    const PrinterQueue queue = FindPrinterQueue(settings.printer);
    d.target = OutputTarget::Printer;
    d.text = queue.name.isEmpty() ? QStringLiteral("通常使うプリンタ")
                                  : QStringLiteral("プリンタ「%1」").arg(queue.name);
    d.problem = QueueProblemText(queue);
    return d;
  }
  d.target = OutputTarget::Pdf;
  d.text = (settings.pdf_files == PdfFiles::Certificate
                ? QStringLiteral("PDFファイル（1枚1ファイル）　")
                : QStringLiteral("PDFファイル（1回の印刷を1ファイル）　")) +
           QDir::toNativeSeparators(settings.pdf_folder);
  return d;
}

}  // namespace kvsys
