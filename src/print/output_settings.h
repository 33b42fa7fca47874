#pragma once

#include <QString>
#include <memory>

#include "print/document_output.h"

namespace kvsys {

class Dialogs;

// Workstation settings of where certificates go, section [Output] of KVSYS.ini:
//   Target=Printer   a printer (the default); a printer that is missing or stopped is reported
//                    and nothing goes elsewhere unless the operator chooses PDF files then
//   Printer=NAME     the printer's queue; empty for the system's default printer
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
inline const QString kOutputPrinterKey = QStringLiteral("Printer");

struct OutputSettings {
  OutputTarget target = OutputTarget::Printer;
  QString pdf_folder;  // absolute path
  PdfFiles pdf_files = PdfFiles::Run;
  QString printer;        // the queue; empty: the system's default printer
  QString settings_file;  // KVSYS.ini, whose section of the queue calibrates the printer
};

// The settings from the texts of the keys (empty when missing).
OutputSettings ParseOutputSettings(const QString& target, const QString& pdf_folder,
                                   const QString& program_folder,
                                   const QString& pdf_files = QString(),
                                   const QString& printer = QString());
// Reads the [Output] keys of the settings file.
OutputSettings LoadOutputSettings(Dialogs& dialogs, const QString& ini_file,
                                  const QString& program_folder);

// The output of the settings: the printer (which reports a missing or stopped queue itself, on
// every document), or PDF files in the settings' folder; PDF files whatever the target when
// pdf_only is set.
std::unique_ptr<DocumentOutput> MakeOutput(const OutputSettings& settings, bool pdf_only = false);

// The workstation's printer queue: the one named, or the system's default printer (empty when
// there is none). Its calibration is applied to printer runs, and to PDF files when asked for.
QString WorkstationQueue(const OutputSettings& settings);

// The calibration of the workstation's printer when it is asked for in PDF files too (Pdf=1),
// with its queue; none otherwise.
struct PdfCalibration {
  QString queue;
  PrinterCalibration calibration;
};
PdfCalibration PdfCalibrationOf(const OutputSettings& settings);

// Where a run of these settings would go now, as the operator reads it.
struct OutputDestination {
  OutputTarget target = OutputTarget::Printer;
  QString text;  // "プリンタ「A」", "PDFファイル（1回の印刷を1ファイル） /srv/pdf"
  QString problem;  // why the printer cannot take a run now; empty when it can
};
// Asks the printing service about the printer of the settings (not when PDF is the target or
// pdf_only is set).
OutputDestination CheckOutputDestination(const OutputSettings& settings, bool pdf_only = false);

}  // namespace kvsys
