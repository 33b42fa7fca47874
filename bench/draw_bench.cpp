// 1,000 certificates of a new layout composed with DrawCertificate and written through the run's
// PDF output (RunPdfOutput: the page renderer, one file, published when the run finishes),
// against drawing the same texts at the same positions in the same fonts with QPainter
// directly into one QPdfWriter on a file, in the same iteration. Counters: our time over the
// direct time (the aim is at most 1.2) and our certificates a second (the aim is at least
// 2,000), in CPU time of the drawing thread (the machine is shared), and the same in wall time.
// BM_PerCertificateFiles writes one file per certificate (PdfOutput) against the direct
// drawing with a new QPdfWriter per file (the aim is at least 500 files a second), and the
// sizes of the files of both.
// BM_ComposeOnly shows what composing costs without any rendering.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
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
#include "print/document_output.h"
#include "print/font_substitution.h"
#include "print/page_renderer.h"
#include "print/paper.h"
#include "print/print_surface.h"

namespace {

using namespace kvsys;

constexpr int kCertificates = 1000;

// A PDF writer set up as the PDF outputs set it up: the sheet, no margins, one dot a twip; on a
// file when one is named, else in memory.
struct PdfTarget {
  QBuffer buffer;
  QFile file;
  std::unique_ptr<QPdfWriter> writer;
  QPainter painter;
  bool first_page = true;

  explicit PdfTarget(int paper, const QString& path = QString()) : file(path) {
    QIODevice* device = &buffer;
    if (path.isEmpty()) {
      buffer.open(QIODevice::WriteOnly);
    } else {
      file.open(QIODevice::WriteOnly);
      device = &file;
    }
    writer = std::make_unique<QPdfWriter>(device);
    writer->setPageSize(PdfPageSize(paper));
    writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    writer->setResolution(static_cast<int>(kTwipsPerInch));
    painter.begin(writer.get());
  }
  void NextPage() {
    if (!first_page) writer->newPage();
    first_page = false;
  }
  qint64 Finish() {
    painter.end();
    writer.reset();
    if (file.isOpen()) {
      file.close();
      return file.size();
    }
    return buffer.size();
  }
};

// Keeps the documents it is given.
class KeepingOutput : public DocumentOutput {
 public:
  bool Ready(QString*) override { return true; }
  bool Write(const PrintDocument& doc, QString*) override {
    documents.push_back(doc);
    return true;
  }
  std::vector<PrintDocument> documents;
};

struct World : BenchLayoutDb {
  PrintOptions options;
  CertificateLayout layout;
  RecipientTable recipients;
  int paper = kPaperB4;

  // The texts each certificate draws, for the direct drawing.
  std::vector<std::vector<DirectText>> direct;
  DirectTexts direct_fonts;
  int direct_texts = 0;

  World() {
    // As the print run reads it: the decided layout, its items, flags, texts and paper.
    layout.CurrentLayoutNumber = 1;
    LoadLayout(*layout_db, layout);
    LoadShowFlags(*layout_db, layout);
    if (settings) {
      ApplyPrintSettings(layout, *settings);
      paper = settings->paper_code;
    }
    // Certificates as printed: the grid is an aid for adjusting layouts.
    options.Lattice = false;

    // Every name and record differs, as in a meet; clubs, events, classes and ranks repeat.
    static const char16_t* const kFamily[] = {
        u"山田", u"佐藤", u"鈴木", u"高橋", u"渡辺", u"伊藤", u"中村", u"小林", u"加藤",
        u"吉田", u"山本", u"松本", u"井上", u"木村", u"林",   u"清水", u"山崎", u"森",
        u"池田", u"橋本", u"阿部", u"石川", u"前田", u"藤田", u"小川"};
    static const char16_t* const kGiven[] = {
        u"太郎", u"花子", u"一郎", u"美咲", u"健太", u"さくら", u"翔",   u"陽菜", u"大輔",
        u"結衣", u"蓮",   u"葵",   u"湊",   u"凛",   u"陽翔",   u"芽依", u"悠真", u"美羽",
        u"大和", u"莉子", u"樹",   u"結菜", u"颯太", u"杏",     u"朝陽", u"心春", u"蒼",
        u"紬",   u"律",   u"澪",   u"奏太", u"彩",   u"隼人",   u"千尋", u"拓海", u"琴音",
        u"海斗", u"楓",   u"陸",   u"優奈", u"航"};
    static const char16_t* const kStroke[] = {u"自由形", u"背泳ぎ", u"平泳ぎ", u"バタフライ",
                                              u"個人メドレー"};
    for (int i = 1; i <= kCertificates; ++i) {
      Recipient& r = recipients[i];
      r.Name = QString::fromUtf16(kFamily[i % 25]) + QLatin1Char(' ') +
               QString::fromUtf16(kGiven[i % 41]);
      r.Affiliation = QStringLiteral("第%1スイミングクラブ").arg(i % 40 + 1);
      r.EventName = (i % 2 ? QStringLiteral("男子") : QStringLiteral("女子")) +
                    QStringLiteral("%1m").arg(50 << (i % 3)) + QString::fromUtf16(kStroke[i % 5]);
      r.ClassName = QStringLiteral("%1歳以上").arg(10 + i % 8);
      r.RankText = QString(QChar(0xFF10 + 1 + i % 8));  // full-width 1 to 8
      r.RecordText = QStringLiteral("%1分%2秒%3")
                         .arg(i / 600)
                         .arg(i / 10 % 60, 2, 10, QLatin1Char('0'))
                         .arg(i % 100, 2, 10, QLatin1Char('0'));
    }
    recipients.RecipientCount = kCertificates;

    // The direct drawing takes the texts of the documents DrawCertificate composes.
    KeepingOutput keep;
    PrintSurface surface(&keep);
    PlainWarningLabel label;
    for (int i = 1; i <= kCertificates; ++i) {
      recipients.CurrentRecipient = static_cast<int16_t>(i);
      (void)DrawCertificate(surface, DrawMode::kPrinting, label, layout, recipients, options,
                            dialogs);
    }
    for (const PrintDocument& doc : keep.documents) {
      std::vector<DirectText>& texts = direct.emplace_back();
      for (const PrintPage& page : doc.pages) {
        const std::vector<DirectText> more = direct_fonts.Of(page);
        texts.insert(texts.end(), more.begin(), more.end());
      }
      direct_texts += static_cast<int>(texts.size());
    }
  }
};

World& Data() {
  static World w;
  return w;
}

// Each run with every certificate, DrawCertificate onto the run's PDF file. False on failure.
bool DrawOurs(World& w, const QString& file, qint64* bytes) {
  RunPdfOutput output(QString(), file);
  PrintSurface surface(&output);
  PlainWarningLabel label;
  bool ok = true;
  for (int i = 1; i <= kCertificates; ++i) {
    w.recipients.CurrentRecipient = static_cast<int16_t>(i);
    ok = DrawCertificate(surface, DrawMode::kPrinting, label, w.layout, w.recipients, w.options,
                         w.dialogs) == DrawResult::kDrawn &&
         ok;
  }
  QString error;
  ok = output.Finish(&error) && output.pages() == kCertificates && ok;
  *bytes = QFileInfo(file).size();
  return ok;
}

void SetUpDirect(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.setPen(Qt::black);
}

// The same texts straight onto the painter of one file, one page a certificate.
void DrawDirect(World& w, const QString& file, qint64* bytes) {
  PdfTarget target(w.paper, file);
  SetUpDirect(target.painter);
  for (const std::vector<DirectText>& certificate : w.direct) {
    target.NextPage();
    DrawDirect(target.painter, certificate);
  }
  *bytes = target.Finish();
}

double Seconds(const QElapsedTimer& timer) {
  return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// For the summary: the least CPU and wall times seen.
double least_ours = 0;
double least_direct = 0;
double least_ours_wall = 0;
double least_direct_wall = 0;

int repetition = 0;

void BM_DrawAgainstDirect(benchmark::State& state) {
  World& w = Data();
  if (w.direct.size() != static_cast<size_t>(kCertificates) || w.dialogs.shown != 0) {
    state.SkipWithError("the certificates were not composed");
    return;
  }
  double ours = 0;
  double direct = 0;
  double ours_wall = 0;
  double direct_wall = 0;
  qint64 our_bytes = 0;
  qint64 direct_bytes = 0;
  QTemporaryDir out;
  int run = 0;
  for (auto _ : state) {
    ++run;
    const QString our_file = out.filePath(QStringLiteral("ours-%1.pdf").arg(run));
    const QString direct_file = out.filePath(QStringLiteral("direct-%1.pdf").arg(run));
    // Every other repetition draws directly first, so neither side gains by going second.
    const bool direct_first = (repetition++ % 2) == 1;
    QElapsedTimer timer;
    double cpu = 0;
    auto draw_direct = [&] {
      timer.restart();
      cpu = ThreadSeconds();
      DrawDirect(w, direct_file, &direct_bytes);
      direct = ThreadSeconds() - cpu;
      direct_wall = Seconds(timer);
    };
    if (direct_first) draw_direct();
    timer.restart();
    cpu = ThreadSeconds();
    const bool ok = DrawOurs(w, our_file, &our_bytes);
    ours = ThreadSeconds() - cpu;
    ours_wall = Seconds(timer);
    state.SetIterationTime(ours);
    if (!ok) state.SkipWithError("DrawCertificate failed");
    if (!direct_first) draw_direct();
    // Only the last files are kept: a run of repetitions must not fill the disk.
    QFile::remove(our_file);
    QFile::remove(direct_file);
    Keep(least_ours, ours);
    Keep(least_direct, direct);
    Keep(least_ours_wall, ours_wall);
    Keep(least_direct_wall, direct_wall);
  }
  state.counters["ratio"] = ours / direct;
  state.counters["wall ratio"] = ours_wall / direct_wall;
  state.counters["certificates/s"] = kCertificates / ours;
  state.counters["direct certificates/s"] = kCertificates / direct;
  state.counters["PDF kB"] = static_cast<double>(our_bytes) / 1024;
  state.counters["direct PDF kB"] = static_cast<double>(direct_bytes) / 1024;
}

double least_files = 0;
double least_direct_files = 0;
qint64 our_file_bytes = 0;  // of the last repetition
qint64 direct_file_bytes = 0;

// One PDF file per certificate: DrawCertificate through PdfOutput into a folder, against a
// new QPdfWriter per certificate on its own file with the same texts, in CPU time.
void BM_PerCertificateFiles(benchmark::State& state) {
  World& w = Data();
  double ours = 0;
  double direct = 0;
  int files = 0;
  for (auto _ : state) {
    QTemporaryDir our_dir;
    QTemporaryDir direct_dir;
    PdfOutput output(our_dir.path());
    PrintSurface surface(&output);
    PlainWarningLabel label;
    double cpu = ThreadSeconds();
    bool ok = true;
    for (int i = 1; i <= kCertificates; ++i) {
      w.recipients.CurrentRecipient = static_cast<int16_t>(i);
      surface.SetDocumentName(
          QStringLiteral("%1_%2").arg(i, 4, 10, QLatin1Char('0')).arg(w.recipients[i].Name));
      ok = DrawCertificate(surface, DrawMode::kPrinting, label, w.layout, w.recipients, w.options,
                           w.dialogs) == DrawResult::kDrawn &&
           ok;
    }
    ours = ThreadSeconds() - cpu;
    state.SetIterationTime(ours);
    cpu = ThreadSeconds();
    int n = 0;
    for (const std::vector<DirectText>& certificate : w.direct) {
      PdfTarget target(w.paper, direct_dir.filePath(QStringLiteral("%1.pdf").arg(++n)));
      SetUpDirect(target.painter);
      target.NextPage();
      DrawDirect(target.painter, certificate);
      target.Finish();
    }
    direct = ThreadSeconds() - cpu;
    const QFileInfoList ours_files = QDir(our_dir.path()).entryInfoList(QDir::Files);
    files = static_cast<int>(ours_files.size());
    our_file_bytes = 0;
    for (const QFileInfo& f : ours_files) our_file_bytes += f.size();
    direct_file_bytes = 0;
    for (const QFileInfo& f : QDir(direct_dir.path()).entryInfoList(QDir::Files)) {
      direct_file_bytes += f.size();
    }
    if (!ok || files != kCertificates) state.SkipWithError("one PDF file per certificate");
    Keep(least_files, ours);
    Keep(least_direct_files, direct);
  }
  state.counters["ratio"] = ours / direct;
  state.counters["files/s"] = files / ours;
  state.counters["direct files/s"] = kCertificates / direct;
}

// Composition alone: the documents made and handed to an output that keeps nothing.
void BM_ComposeOnly(benchmark::State& state) {
  class Discard : public DocumentOutput {
   public:
    bool Ready(QString*) override { return true; }
    bool Write(const PrintDocument&, QString*) override { return true; }
  } discard;
  World& w = Data();
  PrintSurface surface(&discard);
  PlainWarningLabel label;
  for (auto _ : state) {
    for (int i = 1; i <= kCertificates; ++i) {
      w.recipients.CurrentRecipient = static_cast<int16_t>(i);
      (void)DrawCertificate(surface, DrawMode::kPrinting, label, w.layout, w.recipients, w.options,
                            w.dialogs);
    }
  }
  state.counters["certificates/s"] =
      benchmark::Counter(kCertificates, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_DrawAgainstDirect)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->ComputeStatistics("min", Least);
BENCHMARK(BM_PerCertificateFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("min", Least);
BENCHMARK(BM_ComposeOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  RunBenchmarks(argc, argv);
  if (least_ours > 0 && least_direct > 0) {
    std::printf(
        "%d certificates, %d texts, least of the repetitions: ours %.0f ms CPU (%.0f ms "
        "wall), direct %.0f ms CPU (%.0f ms wall)\n"
        "one file: ratio %.2f CPU, %.2f wall (aim <= 0.50); %.0f certificates/s CPU, %.0f wall "
        "(aim >= 2000)\n",
        kCertificates, Data().direct_texts, least_ours * 1e3, least_ours_wall * 1e3,
        least_direct * 1e3, least_direct_wall * 1e3, least_ours / least_direct,
        least_ours_wall / least_direct_wall, kCertificates / least_ours,
        kCertificates / least_ours_wall);
  }
  if (least_files > 0 && least_direct_files > 0) {
    std::printf(
        "file per certificate: ours %.0f ms CPU, direct %.0f ms CPU, ratio %.2f; %.0f files/s "
        "CPU (aim >= 500), direct %.0f files/s; %.1f KB a file, direct %.1f KB\n",
        least_files * 1e3, least_direct_files * 1e3, least_files / least_direct_files,
        kCertificates / least_files, kCertificates / least_direct_files,
        static_cast<double>(our_file_bytes) / kCertificates / 1024,
        static_cast<double>(direct_file_bytes) / kCertificates / 1024);
  }
  benchmark::Shutdown();
  return 0;
}
