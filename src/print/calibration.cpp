#include "print/calibration.h"

#include <cmath>
#include <optional>

#include "common/profile_file.h"
#include "print/paper.h"

namespace kvsys {

namespace {

const QString kOffsetXKey = QStringLiteral("OffsetX");
const QString kOffsetYKey = QStringLiteral("OffsetY");
const QString kScaleKey = QStringLiteral("Scale");
const QString kPdfKey = QStringLiteral("Pdf");

// A number of at most one decimal as whole tenths; nullopt when it is not one.
std::optional<int> Tenths(const QString& text) {
  const QString t = text.trimmed();
  const qsizetype point = t.indexOf(u'.');
  if (point >= 0 && t.size() - point - 1 > 1) return std::nullopt;
  bool ok = false;
  const double value = t.toDouble(&ok);
  if (!ok || !std::isfinite(value) || std::fabs(value) > 1e6) return std::nullopt;
  return static_cast<int>(std::lround(value * 10));
}

QString TenthsText(int tenths, bool sign) {
  const QString text = QString::number(std::abs(tenths) / 10.0, 'f', 1);
  if (tenths < 0) return u'-' + text;
  return sign ? u'+' + text : text;
}

}  // namespace

QTransform PrinterCalibration::Twips() const {
  const double k = scale / 1000.0;
  return QTransform(k, 0, 0, k, offset_x / 10.0 * kTwipsPerMm, offset_y / 10.0 * kTwipsPerMm);
}

QString PrinterCalibration::Text() const {
  return QStringLiteral("横 %1mm　縦 %2mm　倍率 %3%")
      .arg(TenthsText(offset_x, true), TenthsText(offset_y, true), TenthsText(scale, false));
}

QString CalibrationSection(const QString& queue) {
  return QStringLiteral("Calibration:") + queue;
}

PrinterCalibration ParseCalibration(const QString& x, const QString& y, const QString& scale,
                                    const QString& pdf, QString* problem) {
  PrinterCalibration c;
  const auto read = [problem](const QString& key, const QString& text, int none, int low, int high,
                              int& to) {
    if (text.trimmed().isEmpty()) {
      to = none;
      return true;
    }
    const std::optional<int> tenths = Tenths(text);
    if (tenths && *tenths >= low && *tenths <= high) {
      to = *tenths;
      return true;
    }
    if (problem) {
      *problem = QStringLiteral(
                     "位置合わせの値が正しくありません（%1=%2）。\r%3 から %4 の間で、"
                     "小数点以下1桁までです。")
                     .arg(key, text.trimmed(), TenthsText(low, false), TenthsText(high, false));
    }
    return false;
  };
  const int max = PrinterCalibration::kMaxOffsetTenths;
  if (!read(kOffsetXKey, x, 0, -max, max, c.offset_x) ||
      !read(kOffsetYKey, y, 0, -max, max, c.offset_y) ||
      !read(kScaleKey, scale, 1000, PrinterCalibration::kMinScaleTenths,
            PrinterCalibration::kMaxScaleTenths, c.scale)) {
    return {};
  }
  c.pdf = pdf.trimmed() == QLatin1String("1");
  return c;
}

PrinterCalibration LoadCalibration(const QString& ini_file, const QString& queue,
                                   QString* problem) {
  if (ini_file.isEmpty() || queue.isEmpty()) return {};
  const QString section = CalibrationSection(queue);
  const auto value = [&](const QString& key) { return ReadProfileValue(ini_file, section, key); };
  QString why;
  PrinterCalibration c = ParseCalibration(value(kOffsetXKey), value(kOffsetYKey), value(kScaleKey),
                                          value(kPdfKey), &why);
  if (!why.isEmpty() && problem) {
    *problem = QStringLiteral("プリンタ「%1」の").arg(queue) + why;
  }
  return c;
}

bool SaveCalibration(const QString& ini_file, const QString& queue, const PrinterCalibration& c) {
  if (queue.isEmpty()) return false;
  const QString section = CalibrationSection(queue);
  const auto write = [&](const PrinterCalibration& w) {
    return WriteProfileValue(ini_file, section, kOffsetXKey, TenthsText(w.offset_x, false)) &&
           WriteProfileValue(ini_file, section, kOffsetYKey, TenthsText(w.offset_y, false)) &&
           WriteProfileValue(ini_file, section, kScaleKey, TenthsText(w.scale, false)) &&
           WriteProfileValue(ini_file, section, kPdfKey,
                             w.pdf ? QStringLiteral("1") : QStringLiteral("0"));
  };
  const PrinterCalibration before = LoadCalibration(ini_file, queue, nullptr);
  if (write(c)) return true;
  // Half of a calibration would misplace every certificate: the old one is put back.
  write(before);
  return false;
}

}  // namespace kvsys
