#pragma once

#include <QByteArray>
#include <QString>

#include "common/new_file.h"
#include "print/document_output.h"
#include "print/print_document.h"

namespace kvsys {

// A document as JSON Lines, one object a line, keys in a fixed order, Japanese unescaped:
//   {"doc":1,"op":"document","paper":12,"width":14175,"height":20072,"pages":1}
//   {"doc":1,"page":1,"op":"text","x":5557,"y":3969,"font":"ＭＳ 明朝","size":70,
//    "bold":false,"italic":false,"text":"賞状"}
//   a vertical run (an "@" face) has "vertical":true after "italic".
//   {"doc":1,"page":1,"op":"line","x1":0,"y1":1,"x2":14175,"y2":1}
// The positions are the layout's; a printer's calibration is a line of its own, first:
//   {"op":"calibration","queue":"A","offset_x_mm":1.5,"offset_y_mm":-0.8,"scale_percent":100.3}
QByteArray DocumentToJsonLines(const PrintDocument& doc, int doc_number);
QByteArray CalibrationToJsonLine(const QString& queue, const PrinterCalibration& c);

// Writes every document it is given to one file, numbered 1, 2, ... in order. The file
// appears as a whole when the run finishes; an existing file is never replaced (the run goes
// to "name_2.jsonl", ... then), and a run that does not finish leaves nothing.
class JsonLinesSink : public DocumentOutput {
 public:
  explicit JsonLinesSink(QString path) : path_(std::move(path)), file_(path_) {}
  bool Ready(QString* error) override;
  bool Write(const PrintDocument& doc, QString* error) override;
  bool Finish(QString* error) override;

  // The calibration the run's printer applies, recorded before the first document.
  void SetCalibration(const QString& queue, const PrinterCalibration& c) {
    calibration_ = CalibrationToJsonLine(queue, c);
  }
  const QString& path() const { return path_; }
  // The file the finished run went to (empty before).
  const QString& written_path() const { return written_path_; }
  int documents_written() const { return written_; }

 private:
  QString path_;
  PendingFile file_;
  QString written_path_;
  QByteArray calibration_;
  int written_ = 0;
};

}  // namespace kvsys
