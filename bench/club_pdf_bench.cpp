// A run's club files against the same run into one file: kvsys-print on the large sample meet
// (about 1,000 certificates, rank limits 3, and the table's 9,999, rank limits 99), each run a
// process of its own, the two kinds taking turns, each from an empty print log. Prints the
// least time of each and their ratio (aim: the club files within 1.2x the one file), and what
// making 200 files costs in the folder written to, which weighs on the club files alone.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "bench_support.h"
#include "bench_tool.h"
#include "bench_world.h"
#include "desk/print_log.h"

namespace {

using namespace kvsys;

struct World {
  BenchLayoutDb thousand{3, CertificateTexts{}};
  BenchLayoutDb full{99, CertificateTexts{}};
  QTemporaryDir out;
  QString meet = WriteLargeMeet(out.path());
};

World& Data() {
  static World w;
  return w;
}

struct Seen {
  Spent one;  // the least of each kind
  Spent clubs;
  int files = 0;
  std::vector<double> ratios;  // of each pair of runs, one right after the other
};
std::map<int, Seen> seen;  // by rank limit

Spent RunInto(const World& w, int limit, bool clubs, const QString& target) {
  // Each run as the first of the meet: a log that grew with the runs before would weigh on the
  // second of a pair alone.
  Database& db = *(limit == 3 ? w.thousand : w.full).layout_db;
  for (const QString& table : {kPrintLogTable, kPrintLogMeetTable, kCeremonySheetTable}) {
    db.Execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(table));
  }
  return RunTool({QStringLiteral("--program-folder"), (limit == 3 ? w.thousand : w.full).dir.path(),
                  QStringLiteral("--meet"), w.meet, QStringLiteral("--all"),
                  clubs ? QStringLiteral("--by-affiliation") : QStringLiteral("--pdf-file"),
                  clubs ? target : target + QStringLiteral(".pdf")});
}

// The machine may be busy with something else: the two kinds run in pairs, so that a pair
// meets the same load.
void BM_ClubFilesAgainstOneFile(benchmark::State& state) {
  World& w = Data();
  const int limit = static_cast<int>(state.range(0));
  static int n = 0;
  for (auto _ : state) {
    const QString target = QDir(w.out.path()).filePath(QStringLiteral("run-%1").arg(++n));
    const Spent one = RunInto(w, limit, false, target);
    const Spent clubs = RunInto(w, limit, true, target);
    state.SetIterationTime(clubs.seconds);
    // A filled table is an incomplete run (3): its 9,999 certificates are out.
    for (const Spent& s : {one, clubs}) {
      if (s.exit != 0 && s.exit != 3) state.SkipWithError("kvsys-print failed");
    }
    Seen& best = seen[limit];
    best.files = static_cast<int>(QDir(target).entryList(QDir::Files).size());
    if (best.one.exit < 0 || one.seconds < best.one.seconds) best.one = one;
    if (best.clubs.exit < 0 || clubs.seconds < best.clubs.seconds) best.clubs = clubs;
    best.ratios.push_back(clubs.seconds / one.seconds);
    // The files stay until the end: ext4 makes files slowly for minutes after hundreds were
    // removed near them, which an operator's folder seldom sees and the next run would.
  }
}

BENCHMARK(BM_ClubFilesAgainstOneFile)
    ->ArgName("limit")
    ->Arg(3)
    ->Arg(99)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(9);

// What making files costs in the folder the runs write to: the club runs make one a club, and
// on some file systems that swings with what was removed near it minutes before (ext4 without
// a journal makes a file tens of times slower then), which the one-file run never pays.
double MillisecondsToMake(int files, qsizetype size) {
  const QDir dir(QDir(Data().out.path()).filePath(QStringLiteral("floor-%1").arg(files)));
  if (!QDir().mkpath(dir.path())) return -1;
  const QByteArray bytes(size, 'x');
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < files; ++i) {
    QFile f(dir.filePath(QStringLiteral("%1.pdf").arg(i)));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != size) return -1;
  }
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  // Measured before the runs, kept like their files until the end.
  const double floor = MillisecondsToMake(200, 20 * 1024);
  RunBenchmarks(argc, argv);
  benchmark::Shutdown();
  std::printf("making 200 files of 20 KB in the output folder took %.1f ms\n", floor);
  for (auto& [limit, s] : seen) {
    if (s.ratios.empty()) continue;
    std::sort(s.ratios.begin(), s.ratios.end());
    std::printf(
        "rank limit %d: one file %.2f s (%.0f MB), %d club files %.2f s (%.0f MB): least %.2fx, "
        "median of pairs %.2fx (aim <= 1.2x)\n",
        limit, s.one.seconds, s.one.peak_mb, s.files, s.clubs.seconds, s.clubs.peak_mb,
        s.clubs.seconds / s.one.seconds, s.ratios[s.ratios.size() / 2]);
  }
  return 0;
}
