#pragma once

#include <QPageSize>
#include <QSize>
#include <QString>

#include "common/paper_table.h"

namespace kvsys {

// The drawing unit of certificates: twips, with the millimetre factor the layouts were made with.
inline constexpr double kTwipsPerMm = 56.7;
inline constexpr double kTwipsPerPoint = 20.0;
inline constexpr double kTwipsPerInch = 1440.0;

// Millimetres to whole twips, rounded to nearest with ties to even (the stored layouts were
// adjusted against that rounding).
int MmToTwips(double mm);

// Width and height of the sheet in twips.
QSize PaperSizeTwips(int code);

// Page size for a PDF file: the sheet exactly as the editor states it.
QPageSize PdfPageSize(int code);
// Page size asked of a printer: the standard paper of that code (the B sizes are the JIS ones
// that Japanese printers stock), never smaller than the sheet drawn on.
QPageSize PrinterPageSize(int code);

}  // namespace kvsys
