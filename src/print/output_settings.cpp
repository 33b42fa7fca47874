#include "print/output_settings.h"

#include <QDir>

#include "common/profile.h"

namespace kvsys {

OutputSettings ParseOutputSettings(const QString& target, const QString& pdf_folder,
                                   const QString& program_folder, const QString& pdf_files) {
  OutputSettings s;
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
  return ParseOutputSettings(GetProfileEx(dialogs, ini_file, kOutputSection, kOutputTargetKey),
                             GetProfileEx(dialogs, ini_file, kOutputSection, kOutputPdfFolderKey),
                             program_folder,
                             GetProfileEx(dialogs, ini_file, kOutputSection, kOutputPdfFilesKey));
}

OutputTarget ChooseOutputTarget(const OutputSettings& settings, bool default_printer_exists) {
  return settings.target == OutputTarget::Printer && default_printer_exists ? OutputTarget::Printer
                                                                            : OutputTarget::Pdf;
}

std::unique_ptr<DocumentOutput> MakeOutput(const OutputSettings& settings, bool pdf_only) {
  const QString printer = pdf_only ? QString() : DefaultPrinterName();
  if (ChooseOutputTarget(settings, !printer.isEmpty()) == OutputTarget::Printer) {
    return std::make_unique<PrinterOutput>(printer);
  }
  if (settings.pdf_files == PdfFiles::Certificate) {
    return std::make_unique<PdfOutput>(settings.pdf_folder);
  }
  return std::make_unique<RunPdfOutput>(settings.pdf_folder);
}

}  // namespace kvsys
