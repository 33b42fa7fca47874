#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "print/calibration.h"

class QCheckBox;
class QDoubleSpinBox;

namespace kvsys {

class Dialogs;

// 「プリンタの位置合わせ」: this workstation's calibration of the queue 印刷 goes to, typed in
// steps of 0.1 mm and 0.1 %, kept in KVSYS.ini and never in the layout. The calibration sheet
// is printed from here with the values as saved, so that a second sheet shows them applied.
class CalibrationDialog : public QDialog {
 public:
  // queue: the workstation's printer; empty when there is none (nothing to set).
  CalibrationDialog(Dialogs& dialogs, QString ini_file, QString queue,
                    std::function<void()> print_sheet, QWidget* parent = nullptr);
  PrinterCalibration Typed() const;

 private:
  // Writes the values typed; false (said) when KVSYS.ini could not be written.
  bool Save();

  Dialogs& dialogs_;
  QString ini_file_;
  QString queue_;
  std::function<void()> print_sheet_;
  QDoubleSpinBox* across_;
  QDoubleSpinBox* down_;
  QDoubleSpinBox* scale_;
  QCheckBox* pdf_;
};

}  // namespace kvsys
