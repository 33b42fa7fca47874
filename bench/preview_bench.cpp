// A redraw of the preview: one certificate of a 9,999-certificate run composed with
// DrawCertificate into the held document, then painted through the view's paint path into a
// 1000 x 1414 image, against painting the same texts at the same places directly with
// QPainter into the same image, in the same repetition. Counters: milliseconds per redraw (the
// aim is at most 10) and our time over the direct time (the aim is at most 1.3), in CPU time
// of the drawing thread (the machine is shared), and the same in wall time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "bench_support.h"
#include "bench_world.h"
#include "certificate/draw_certificate.h"
#include "db/workspace.h"
#include "layout/certificate_layout.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "preview/page_view_ui.h"
#include "preview/preview_session.h"
#include "print/font_substitution.h"

namespace {

using namespace kvsys;

constexpr int kRunSize = 9999;
constexpr int kRedraws = 200;  // pages shown per repetition, spread over the whole run
const QSize kImage(1000, 1414);

struct World : BenchLayoutDb {
  PrintOptions options;
  CertificateLayout run_layout;
  RecipientTable recipients;
  std::unique_ptr<PreviewSession> session;
  std::vector<int> pages;
  // The texts of each page's certificate, for the direct painting.
  std::map<int, std::vector<DirectText>> direct;
  DirectTexts direct_fonts;
  QSize sheet;

  World() {
    if (settings) ApplyPrintSettings(run_layout, *settings);
    options.Lattice = false;
    options.Length = false;

    for (int i = 1; i <= kRunSize; ++i) {
      Recipient& r = recipients[i];
      r.Name = QStringLiteral("選手 %1").arg(i);
      r.Affiliation = QStringLiteral("第%1スイミングクラブ").arg(i % 40 + 1);
      r.EventName = QStringLiteral("男子%1m自由形").arg(50 << (i % 3));
      r.ClassName = QStringLiteral("%1歳以上").arg(10 + i % 8);
      r.RankText = QString(QChar(0xFF10 + 1 + i % 8));
      r.RecordText =
          QStringLiteral("%1秒%2").arg(30 + i % 30).arg(i % 100, 2, 10, QLatin1Char('0'));
    }
    recipients.RecipientCount = kRunSize;

    session = std::make_unique<PreviewSession>(
        PreviewRecords{state, layout_db, options, run_layout, recipients, QString(), QString()},
        dialogs);
    if (!session->Open()) return;
    PlainWarningLabel label;
    for (int k = 0; k < kRedraws; ++k) {
      const int page =
          1 + static_cast<int>(static_cast<long long>(k) * (kRunSize - 1) / (kRedraws - 1));
      pages.push_back(page);
      session->Draw(page, label);
      const PrintDocument* doc = session->Held();
      if (!doc) continue;
      sheet = QSize(doc->width, doc->height);
      direct[page] = direct_fonts.Of(*doc->Page(1));
    }
  }
};

World& Data() {
  static World w;
  return w;
}

// What the view does on a page change: draw the certificate, paint it.
bool RedrawOurs(World& w, QImage& image, int page) {
  PlainWarningLabel label;
  if (!w.session->Draw(page, label)) return false;
  image.fill(Qt::lightGray);
  QPainter painter(&image);
  PaintSheet(painter, w.session->Held(), QRectF(QPointF(0, 0), QSizeF(kImage)));
  return true;
}

// The same texts straight onto a painter at the same scale.
void PaintDirect(World& w, QImage& image, int page) {
  image.fill(Qt::lightGray);
  QPainter p(&image);
  p.fillRect(QRect(QPoint(0, 0), kImage), Qt::white);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.scale(kImage.width() / static_cast<double>(w.sheet.width()),
          kImage.height() / static_cast<double>(w.sheet.height()));
  p.setPen(Qt::black);
  DrawDirect(p, w.direct[page]);
}

double least_ours = 0;
double least_direct = 0;
double least_ours_wall = 0;
double least_direct_wall = 0;
int repetition = 0;

void BM_RedrawAgainstDirect(benchmark::State& state) {
  World& w = Data();
  if (w.pages.size() != static_cast<size_t>(kRedraws) || w.dialogs.shown != 0) {
    state.SkipWithError("the certificates were not composed");
    return;
  }
  QImage image(kImage, QImage::Format_ARGB32_Premultiplied);
  double ours = 0;
  double direct = 0;
  for (auto _ : state) {
    const bool direct_first = (repetition++ % 2) == 1;
    QElapsedTimer timer;
    double direct_wall = 0;
    auto paint_direct = [&] {
      timer.restart();
      const double cpu = ThreadSeconds();
      for (int page : w.pages) PaintDirect(w, image, page);
      direct = ThreadSeconds() - cpu;
      direct_wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    };
    if (direct_first) paint_direct();
    timer.restart();
    const double cpu = ThreadSeconds();
    bool ok = true;
    for (int page : w.pages) ok = RedrawOurs(w, image, page) && ok;
    ours = ThreadSeconds() - cpu;
    const double ours_wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    state.SetIterationTime(ours);
    if (!ok) state.SkipWithError("a redraw failed");
    if (!direct_first) paint_direct();
    Keep(least_ours, ours);
    Keep(least_direct, direct);
    Keep(least_ours_wall, ours_wall);
    Keep(least_direct_wall, direct_wall);
  }
  state.counters["ms/redraw"] = ours * 1e3 / kRedraws;
  state.counters["direct ms/paint"] = direct * 1e3 / kRedraws;
  state.counters["ratio"] = ours / direct;
}

BENCHMARK(BM_RedrawAgainstDirect)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(8)
    ->ComputeStatistics("min", Least);

}  // namespace

int main(int argc, char** argv) {
  RunBenchmarks(argc, argv);
  if (least_ours > 0 && least_direct > 0) {
    std::printf(
        "%d redraws of a %d-certificate run into %dx%d, least of the repetitions:\n"
        "ours %.2f ms a redraw CPU (%.2f wall), direct %.2f ms CPU (%.2f wall)\n"
        "ratio %.2f CPU, %.2f wall (aim: <= 10 ms a redraw, ratio <= 1.30)\n",
        kRedraws, kRunSize, kImage.width(), kImage.height(), least_ours * 1e3 / kRedraws,
        least_ours_wall * 1e3 / kRedraws, least_direct * 1e3 / kRedraws,
        least_direct_wall * 1e3 / kRedraws, least_ours / least_direct,
        least_ours_wall / least_direct_wall);
  }
  benchmark::Shutdown();
  return 0;
}
