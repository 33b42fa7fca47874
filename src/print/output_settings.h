#pragma once

#include <QString>
#include <memory>

#include "print/document_output.h"

namespace kvsys {

class Dialogs;

// Workstation settings of where certificates go, section [Output] of KVSYS.ini:
//   Target=Printer   the default printer; PDF files when the machine has none (the default)
//   Target=PDF       always PDF files
//   PdfFolder=...    folder of the PDF files; relative to the program folder; default "pdf"
//   PdfFiles=Run     one PDF file for a whole run, its certificates as pages (the default)
//   PdfFiles=Certificate  one PDF file for each certificate, named after what it holds
enum class OutputTarget { Printer, Pdf };
enum class PdfFiles { Run, Certificate };

inline const QString kOutputSection = QStringLiteral("Output");
inline const QString kOutputTargetKey = QStringLiteral("Target");
inline const QString kOutputPdfFolderKey = QStringLiteral("PdfFolder");
inline const QString kOutputPdfFilesKey = QStringLiteral("PdfFiles");

struct OutputSettings {
  OutputTarget target = OutputTarget::Printer;
  QString pdf_folder;  // absolute path
  PdfFiles pdf_files = PdfFiles::Run;
};

// The settings from the texts of the two keys (empty when missing).
OutputSettings ParseOutputSettings(const QString& target, const QString& pdf_folder,
                                   const QString& program_folder,
                                   const QString& pdf_files = QString());
// Reads the [Output] keys of the settings file.
OutputSettings LoadOutputSettings(Dialogs& dialogs, const QString& ini_file,
                                  const QString& program_folder);

// Printer when it is asked for and the machine has a default printer, else PDF.
OutputTarget ChooseOutputTarget(const OutputSettings& settings, bool default_printer_exists);
// The output of the settings on this machine (asks CUPS for its default printer); PDF files in
// the settings' folder whatever the target when pdf_only is set.
std::unique_ptr<DocumentOutput> MakeOutput(const OutputSettings& settings, bool pdf_only = false);

}  // namespace kvsys
