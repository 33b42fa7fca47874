#pragma once

#include <QString>
#include <vector>

#include "print/calibration.h"
#include "print/print_document.h"

namespace kvsys {

inline const QString kCalibrationSheetName = QStringLiteral("位置合わせシート");

// The sheet a printer's calibration is read from: on the whole sheet of the paper, rulers in
// millimetres along its four edges (numbered every 10 mm along the top and the left, 0 at the
// sheet's corner), a frame 10 mm inside the edges, a cross at the centre, and how to read
// them. Printed on plain paper and laid on the stock, or measured; printed again after the
// values are typed, its marks stand where they say. applied: the calibration it goes out
// with, as the operator reads it.
PrintDocument DrawCalibrationSheet(int paper_code, const QString& applied);

// The codes of the sheets a layout may have, each size once (A4 Small is A4).
std::vector<int> CalibrationSheetPapers();

// The sheet of every paper size, saying the calibration it goes out with: the queue's, or
// none when queue is empty (PDF files).
std::vector<PrintDocument> DrawCalibrationSheets(const QString& queue,
                                                 const PrinterCalibration& calibration);

}  // namespace kvsys
