// A certificate of the vertical example ("@" faces: every line shaped with HarfBuzz and drawn as
// glyph runs) composed and rendered into a preview-sized image, or written as a PDF document,
// against the same certificate in the standard horizontal layout, in the same iteration. Counters:
// milliseconds a vertical certificate and the ratio vertical / horizontal, in CPU time of the
// drawing thread.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "bench_support.h"
#include "certificate/draw_certificate.h"
#include "certificate/example_layouts.h"
#include "layout/layout_items.h"
#include "layout/layout_settings.h"
#include "print/document_output.h"
#include "print/page_renderer.h"
#include "print/print_surface.h"
#include "results/meet_settings.h"

namespace {

using namespace kvsys;

constexpr int kCertificates = 50;
const double kScale = 96 / 1440.0;  // a sheet at 96 dpi, as the preview shows it at 100 %

CertificateLayout Standard() {
  CertificateLayout layout;
  for (int i = 0; i < kFontItemCount; ++i) {
    layout.Items[i].FontName = QStringLiteral("ＭＳ 明朝");
    layout.Items[i].FontSize = static_cast<int16_t>(kLayoutItems[i].new_size);
  }
  layout.PaperSize = 12;
  return layout;
}

// Composes and renders kCertificates certificates, into the image or, without one, as PDF
// documents; false when one was not drawn.
bool DrawAll(const CertificateLayout& layout, const RecipientTable& table, QImage* image) {
  SilentDialogs dialogs;
  PrintSurface surface;
  PlainWarningLabel label;
  PrintOptions options;
  options.Lattice = false;
  for (int k = 0; k < kCertificates; ++k) {
    if (DrawCertificate(surface, DrawMode::kPreview, label, layout, table, options, dialogs) !=
        DrawResult::kDrawn) {
      return false;
    }
    if (!image) {
      if (DocumentToPdf(*surface.HeldDocument()).isEmpty()) return false;
      continue;
    }
    image->fill(Qt::white);
    QPainter painter(image);
    if (!RenderPage(*surface.HeldDocument(), 1, painter, kScale)) return false;
  }
  return dialogs.shown == 0;
}

// Least times of the repetitions, image and PDF.
double least_vertical[2] = {0, 0};
double least_horizontal[2] = {0, 0};

// state.range(0): 0 renders images, 1 writes PDF documents.
void BM_VerticalAgainstHorizontal(benchmark::State& state) {
  const int pdf = static_cast<int>(state.range(0));
  MeetSettings meet;
  meet.大会名1 = QStringLiteral("第40回 府中ジュニアスイミングフェスティバル");
  meet.大会名2 = QStringLiteral("兼 高知県選手権予選");
  meet.始期間 = QStringLiteral("2025/07/04");
  CertificateLayout horizontal = Standard();
  ApplyPrintSettings(horizontal, NewLayoutSettings(meet));
  CertificateLayout vertical = VerticalExampleLayout();
  ApplyPrintSettings(vertical, VerticalExampleSettings(meet));
  RecipientTable table;
  table[1] = Recipient{QStringLiteral("山田 太郎"),
                       QStringLiteral("南クラブ"),
                       QStringLiteral("男子50m自由形"),
                       QStringLiteral("一般"),
                       QStringLiteral("１"),
                       QStringLiteral("25秒01"),
                       {}};
  table.CurrentRecipient = 1;
  table.RecipientCount = 1;
  QImage image(qCeil(14572 * kScale), qCeil(20639 * kScale), QImage::Format_RGB32);

  int repetition = 0;
  for (auto _ : state) {
    const bool horizontal_first = (repetition++ % 2) == 1;
    double plain = 0;
    bool ok = true;
    auto run_horizontal = [&] {
      const double cpu = ThreadSeconds();
      ok = DrawAll(horizontal, table, pdf ? nullptr : &image) && ok;
      plain = ThreadSeconds() - cpu;
    };
    if (horizontal_first) run_horizontal();
    const double cpu = ThreadSeconds();
    ok = DrawAll(vertical, table, pdf ? nullptr : &image) && ok;
    const double columns = ThreadSeconds() - cpu;
    if (!horizontal_first) run_horizontal();
    if (!ok) state.SkipWithError("a certificate was not drawn");
    state.SetIterationTime(columns);
    Keep(least_vertical[pdf], columns);
    Keep(least_horizontal[pdf], plain);
    state.counters["ms/vertical"] = columns * 1e3 / kCertificates;
    state.counters["ratio"] = columns / plain;
  }
}

BENCHMARK(BM_VerticalAgainstHorizontal)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(6)
    ->ComputeStatistics("min", Least);

}  // namespace

int main(int argc, char** argv) {
  RunBenchmarks(argc, argv);
  const char* outputs[] = {"an image at 96 dpi", "a PDF document"};
  for (int k = 0; k < 2; ++k) {
    if (least_vertical[k] <= 0 || least_horizontal[k] <= 0) continue;
    std::printf(
        "%d certificates composed, each into %s, least of the repetitions:\n"
        "vertical %.2f ms CPU, horizontal %.2f ms CPU a certificate, ratio %.2f\n",
        kCertificates, outputs[k], least_vertical[k] * 1e3 / kCertificates,
        least_horizontal[k] * 1e3 / kCertificates, least_vertical[k] / least_horizontal[k]);
  }
  benchmark::Shutdown();
  return 0;
}
