#include "print/print_surface.h"

#include <QFontMetricsF>
#include <QHash>
#include <cmath>
#include <map>
#include <tuple>

#include "print/font_substitution.h"
#include "print/glyph_plan.h"
#include "print/paper.h"
#include "print/vertical_text.h"

namespace kvsys {

namespace {

const QString kNoOutput = QStringLiteral("出力先が設定されていません。");
const QString kNothingHeld = QStringLiteral("印刷するデータがありません。");

// Bounds of the measuring cache: above the names of a full run (9,999), so a run's check and
// its drawing measure each text once.
constexpr size_t kMaxMeasuredFonts = 64;
constexpr qsizetype kMaxWidthsPerFont = 16384;

}  // namespace

int PrintSurface::PageWidth() const {
  return open_ ? document_.width : PaperSizeTwips(paper_size_).width();
}

int PrintSurface::PageHeight() const {
  return open_ ? document_.height : PaperSizeTwips(paper_size_).height();
}

void PrintSurface::SetMargins(int left, int top, int /*right*/, int bottom) {
  margin_left_ = left;
  margin_top_ = top;
  margin_bottom_ = bottom;
}

bool PrintSurface::SetError(int code, const QString& text) {
  error_ = code;
  error_text_ = text;
  return code == kSurfaceOk;
}

void PrintSurface::StartDoc() {
  // A document left open is dropped: half a certificate must never reach the printer.
  open_ = false;
  SetError(kSurfaceOk, QString());
  document_ = PrintDocument();
  if (!preview_) {
    if (!output_) {
      SetError(kSurfaceNoOutput, kNoOutput);
      return;
    }
    QString why;
    if (!output_->Ready(&why)) {
      SetError(kSurfaceOutputNotReady, why);
      return;
    }
  }
  const QSize sheet = PaperSizeTwips(paper_size_);
  document_.name = document_name_;
  document_.paper = paper_size_;
  document_.width = sheet.width();
  document_.height = sheet.height();
  document_.pages.emplace_back();
  open_ = true;
  x_ = margin_left_;
  y_ = column_top_ = margin_top_;
}

bool PrintSurface::EndDoc() {
  if (!open_) {
    // Keep the reason a failed start gave.
    if (error_ == kSurfaceOk) SetError(kSurfaceNoDocument, kNothingHeld);
    return false;
  }
  open_ = false;
  if (preview_) {
    held_ = document_;
    return SetError(kSurfaceOk, QString());
  }
  if (!output_) return SetError(kSurfaceNoOutput, kNoOutput);
  QString why;
  if (!output_->Write(document_, &why)) return SetError(kSurfaceOutputFailed, why);
  return SetError(kSurfaceOk, QString());
}

bool PrintSurface::PrintHeld() {
  if (!held_) return SetError(kSurfaceNoDocument, kNothingHeld);
  if (!output_) return SetError(kSurfaceNoOutput, kNoOutput);
  QString why;
  if (!output_->Ready(&why)) return SetError(kSurfaceOutputNotReady, why);
  if (!output_->Write(*held_, &why)) return SetError(kSurfaceOutputFailed, why);
  return SetError(kSurfaceOk, QString());
}

void PrintSurface::NewPage() {
  if (!open_) return;
  document_.pages.emplace_back();
  x_ = margin_left_;
  y_ = column_top_ = margin_top_;
}

void PrintSurface::SetFontName(const QString& face) {
  face_ = face;
}

void PrintSurface::SetFontSize(double points) {
  if (!std::isfinite(points)) return;
  size_ = points;
}

void PrintSurface::SetFontBold(bool bold) {
  bold_ = bold;
}

void PrintSurface::SetFontItalic(bool italic) {
  italic_ = italic;
}

// A font as measured, with the widths of the lines already measured in it: certificates repeat
// their fonts and most of their texts, and measuring large glyphs loads each again. Kept per
// thread for every surface: a run's check and its drawing measure the same texts.
struct PrintSurface::MeasuredFont {
  QFont font;                     // held, so that its engine stays loaded
  double line_spacing = 0;        // asked for every text: kept rather than asked of the font
  QHash<QString, double> widths;  // advance along the line: a vertical line's height
};

PrintSurface::MeasuredFont& PrintSurface::Measured() {
  thread_local std::map<std::tuple<QString, double, bool, bool>, MeasuredFont> measured;
  const auto key = std::make_tuple(face_, size_, bold_, italic_);
  auto it = measured.find(key);
  if (it == measured.end()) {
    if (measured.size() >= kMaxMeasuredFonts) measured.clear();
    const QFont font = CertificateFont(face_, size_, bold_, italic_);
    it = measured.emplace(key, MeasuredFont{font, QFontMetricsF(font).lineSpacing(), {}}).first;
  }
  return it->second;
}

double PrintSurface::Width(const QString& line) {
  MeasuredFont& font = Measured();
  const auto it = font.widths.constFind(line);
  if (it != font.widths.constEnd()) return *it;
  if (font.widths.size() >= kMaxWidthsPerFont) font.widths.clear();
  // Measured as it is drawn: one shaping serves both.
  TextRun run;
  run.font = face_;
  run.size = size_;
  run.bold = bold_;
  run.italic = italic_;
  run.vertical = IsVerticalFace(face_);
  run.text = line;
  const double width = PlanText(run)->advance;
  font.widths.insert(line, width);
  return width;
}

double PrintSurface::LineHeight() {
  return Measured().line_spacing;
}

void PrintSurface::OutputText(const QString& text) {
  if (!open_) return;
  QString normalised = text;
  normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\r"))
      .replace(QLatin1Char('\n'), QLatin1Char('\r'));
  const QStringList lines = normalised.split(QLatin1Char('\r'));
  const double line_height = LineHeight();
  const bool vertical = IsVerticalFace(face_);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i > 0 && vertical) {
      x_ -= qRound(line_height);
      y_ = column_top_;
    } else if (i > 0) {
      x_ = indent_;
      y_ += qRound(line_height);
    }
    const QString& line = lines[i];
    if (line.isEmpty()) continue;
    // A vertical line runs down from the current position as a column.
    const double along = Width(line);
    const double down = vertical ? along : line_height;
    BreakPageFor(down);
    TextRun run;
    run.x = x_;
    run.y = y_;
    run.font = face_;
    run.size = size_;
    run.bold = bold_;
    run.italic = italic_;
    run.text = line;
    run.vertical = vertical;
    run.width = vertical ? line_height : along;
    run.height = down;
    (vertical ? y_ : x_) += qRound(along);
    CurrentPage().elements.emplace_back(std::move(run));
  }
}

void PrintSurface::BreakPageFor(double extent) {
  if (y_ + extent > document_.height - margin_bottom_ && y_ > margin_top_) {
    const int x = x_;
    NewPage();
    x_ = x;
  }
}

void PrintSurface::DrawLine(int x1, int y1, int x2, int y2) {
  if (!open_) return;
  CurrentPage().elements.emplace_back(LineElement{x1, y1, x2, y2});
}

}  // namespace kvsys
