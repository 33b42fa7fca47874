#pragma once

#include <QString>
#include <QTransform>

namespace kvsys {

// How one printer queue feeds pre-printed stock: the whole page moved across and down and
// scaled about the sheet's top-left corner, so that the layout's positions land on the stock
// where they are meant. Kept for this workstation per queue, never in the layout, which every
// desk shares. Steps of 0.1 mm and 0.1 %, held as whole tenths so that what is typed, stored
// and applied is the same number.
//
// KVSYS.ini, a section per queue:
//   [Calibration:QUEUE]
//   OffsetX=1.5   mm, to the right (negative: to the left)
//   OffsetY=-0.8  mm, down (negative: up)
//   Scale=100.3   percent
//   Pdf=1         PDF files too, when this queue is the workstation's printer (default 0: PDF
//                 files keep the layout's true positions)
struct PrinterCalibration {
  static constexpr int kMaxOffsetTenths = 300;  // 30.0 mm either way
  static constexpr int kMinScaleTenths = 900;   // 90.0 %
  static constexpr int kMaxScaleTenths = 1100;  // 110.0 %

  int offset_x = 0;  // tenths of a millimetre
  int offset_y = 0;
  int scale = 1000;  // tenths of a percent
  bool pdf = false;  // asked for in PDF files too

  bool IsNone() const { return offset_x == 0 && offset_y == 0 && scale == 1000; }
  // From the sheet's twips to where they land, in twips.
  QTransform Twips() const;
  // For the operator: "横 +1.5mm　縦 -0.8mm　倍率 100.3%".
  QString Text() const;
  bool operator==(const PrinterCalibration&) const = default;
};

QString CalibrationSection(const QString& queue);

// The queue's calibration from the key texts (empty: not set). problem gets why a value cannot
// be used (not a number, out of range, finer than a tenth); the calibration is then none.
PrinterCalibration ParseCalibration(const QString& x, const QString& y, const QString& scale,
                                    const QString& pdf, QString* problem);
// Reads the queue's section of the settings file; none for an empty queue or file.
PrinterCalibration LoadCalibration(const QString& ini_file, const QString& queue, QString* problem);
// Writes the queue's section; false (the file as it was) when it could not be written.
bool SaveCalibration(const QString& ini_file, const QString& queue, const PrinterCalibration& c);

}  // namespace kvsys
