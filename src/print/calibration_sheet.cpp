#include "print/calibration_sheet.h"

#include <cmath>

#include "print/paper.h"
#include "print/print_surface.h"

namespace kvsys {

namespace {

int Mm(double mm) {
  return static_cast<int>(std::lround(mm * kTwipsPerMm));
}

// Ticks every millimetre, longer every 5 and 10, from each edge inwards.
double TickLength(int mm) {
  return mm % 10 == 0 ? 6 : mm % 5 == 0 ? 4 : 2;
}

void DrawRulers(PrintSurface& s, int width_mm, int height_mm) {
  const int w = Mm(width_mm);
  const int h = Mm(height_mm);
  for (int m = 0; m <= width_mm; ++m) {
    const int x = Mm(m);
    s.DrawLine(x, 0, x, Mm(TickLength(m)));
    s.DrawLine(x, h, x, h - Mm(TickLength(m)));
  }
  for (int m = 0; m <= height_mm; ++m) {
    const int y = Mm(m);
    s.DrawLine(0, y, Mm(TickLength(m)), y);
    s.DrawLine(w, y, w - Mm(TickLength(m)), y);
  }
  s.SetFontSize(6);
  const double half_line = s.LineHeight() / 2;
  for (int m = 10; m <= width_mm - 5; m += 10) {
    const QString n = QString::number(m);
    s.SetCurrentX(Mm(m) - static_cast<int>(s.TextLength(n) / 2));
    s.SetCurrentY(Mm(7));
    s.OutputText(n);
  }
  for (int m = 10; m <= height_mm - 10; m += 10) {
    s.SetCurrentX(Mm(7));
    s.SetCurrentY(Mm(m) - static_cast<int>(half_line));
    s.OutputText(QString::number(m));
  }
}

void DrawFrameAndCross(PrintSurface& s, int width_mm, int height_mm) {
  const int w = Mm(width_mm);
  const int h = Mm(height_mm);
  const int in = Mm(10);
  s.DrawLine(in, in, w - in, in);
  s.DrawLine(w - in, in, w - in, h - in);
  s.DrawLine(w - in, h - in, in, h - in);
  s.DrawLine(in, h - in, in, in);
  const int cx = Mm(width_mm / 2.0);
  const int cy = Mm(height_mm / 2.0);
  s.DrawLine(cx - Mm(30), cy, cx + Mm(30), cy);
  s.DrawLine(cx, cy - Mm(30), cx, cy + Mm(30));
  s.DrawLine(cx - Mm(5), cy - Mm(5), cx + Mm(5), cy - Mm(5));
  s.DrawLine(cx + Mm(5), cy - Mm(5), cx + Mm(5), cy + Mm(5));
  s.DrawLine(cx + Mm(5), cy + Mm(5), cx - Mm(5), cy + Mm(5));
  s.DrawLine(cx - Mm(5), cy + Mm(5), cx - Mm(5), cy - Mm(5));
  s.SetFontSize(8);
  s.SetCurrentX(cx + Mm(2));
  s.SetCurrentY(cy + Mm(6));
  s.OutputText(QStringLiteral("中心（%1, %2mm）")
                   .arg(QString::number(width_mm / 2.0), QString::number(height_mm / 2.0)));
}

void DrawExplanation(PrintSurface& s, const PaperSheet& sheet, const QString& applied) {
  const int left = Mm(20);
  s.SetLineIndent(left);
  s.SetCurrentX(left);
  s.SetCurrentY(Mm(16));
  s.SetFontSize(12);
  s.OutputText(QStringLiteral("%1　%2（%3×%4mm）\r")
                   .arg(kCalibrationSheetName, QString::fromUtf16(sheet.name))
                   .arg(sheet.width_mm)
                   .arg(sheet.height_mm));
  s.SetFontSize(8);
  const int span = static_cast<int>(sheet.width_mm) - 20;
  s.OutputText(QStringLiteral("この印刷の位置合わせ：") + applied + QStringLiteral("\r"));
  s.OutputText(QStringLiteral("1. 普通紙に印刷し、賞状用紙と重ねて透かすか定規で測ります。\r"));
  s.OutputText(
      QStringLiteral("2. 用紙の左端から「10」の縦線まで、上端から「10」の横線までを\r"
                     "　 測ります。10mm より長ければその差をマイナス、短ければ\r"
                     "　 プラスで、今の「横」「縦」に足します。\r"));
  s.OutputText(QStringLiteral("3. 上の目盛りの「10」から「%1」までを測り、%2mm÷測った長さ×\r"
                              "　 今の倍率を「倍率」にします。\r")
                   .arg(span + 10)
                   .arg(span));
  s.OutputText(QStringLiteral("4. 値を入れてもう一度印刷し、目盛りが正しい位置か確かめます。\r"));
}

}  // namespace

PrintDocument DrawCalibrationSheet(int paper_code, const QString& applied) {
  const PaperSheet& sheet = PaperSheetOf(paper_code);
  PrintSurface s;
  s.SetPreviewMode(true);
  s.SetPaperSize(sheet.code);
  s.SetMargins(0, 0, 0, 0);
  s.SetDocumentName(kCalibrationSheetName);
  s.StartDoc();
  s.SetFontName(QStringLiteral("ＭＳ ゴシック"));
  const int width_mm = static_cast<int>(sheet.width_mm);
  const int height_mm = static_cast<int>(sheet.height_mm);
  DrawRulers(s, width_mm, height_mm);
  DrawFrameAndCross(s, width_mm, height_mm);
  DrawExplanation(s, sheet, applied);
  return s.Document();
}

std::vector<int> CalibrationSheetPapers() {
  std::vector<int> codes;
  for (const PaperSheet& p : kPaperSheets) {
    bool seen = false;
    for (int code : codes) {
      const PaperSheet& q = PaperSheetOf(code);
      seen = seen || (q.width_mm == p.width_mm && q.height_mm == p.height_mm);
    }
    if (!seen) codes.push_back(p.code);
  }
  return codes;
}

std::vector<PrintDocument> DrawCalibrationSheets(const QString& queue,
                                                 const PrinterCalibration& calibration) {
  const QString applied =
      queue.isEmpty() ? QStringLiteral("なし（PDF）")
                      : (calibration.IsNone() ? QStringLiteral("なし") : calibration.Text()) +
                            QStringLiteral("（プリンタ「%1」）").arg(queue);
  std::vector<PrintDocument> sheets;
  for (const int code : CalibrationSheetPapers())
    sheets.push_back(DrawCalibrationSheet(code, applied));
  return sheets;
}

}  // namespace kvsys
