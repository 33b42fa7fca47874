// A run's club files against the same run into one file: kvsys-print on the large sample meet
// (about 1,000 certificates, rank limits 3, and the table's 9,999, rank limits 99), each run a
// process of its own, the two kinds taking turns. Prints the least time of each and their
// ratio (aim: the club files within 1.2x the one file).
#include <benchmark/benchmark.h>

#include <QDir>
#include <cstdio>
#include <map>

#include "bench_support.h"
#include "bench_tool.h"
#include "bench_world.h"

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
  Spent least;
  int files = 0;
};
std::map<std::pair<int, bool>, Seen> seen;  // by rank limit and club files

void BM_Run(benchmark::State& state) {
  World& w = Data();
  const int limit = static_cast<int>(state.range(0));
  const bool clubs = state.range(1) != 0;
  static int n = 0;
  for (auto _ : state) {
    const QString target = QDir(w.out.path()).filePath(QStringLiteral("run-%1").arg(++n));
    const Spent s =
        RunTool({QStringLiteral("--program-folder"), (limit == 3 ? w.thousand : w.full).dir.path(),
                 QStringLiteral("--meet"), w.meet, QStringLiteral("--all"),
                 clubs ? QStringLiteral("--by-affiliation") : QStringLiteral("--pdf-file"),
                 clubs ? target : target + QStringLiteral(".pdf")});
    state.SetIterationTime(s.seconds);
    // A filled table is an incomplete run (3): its 9,999 certificates are out.
    if (s.exit != 0 && s.exit != 3) state.SkipWithError("kvsys-print failed");
    Seen& best = seen[{limit, clubs}];
    best.files = clubs ? static_cast<int>(QDir(target).entryList(QDir::Files).size()) : 1;
    if (best.least.exit < 0 || s.seconds < best.least.seconds) best.least = s;
    QDir(target).removeRecursively();
    QFile::remove(target + QStringLiteral(".pdf"));
  }
}

BENCHMARK(BM_Run)
    ->ArgNames({"limit", "clubs"})
    ->Args({3, 0})
    ->Args({3, 1})
    ->Args({99, 0})
    ->Args({99, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
  RunBenchmarks(argc, argv);
  benchmark::Shutdown();
  for (const int limit : {3, 99}) {
    const Seen& one = seen[{limit, false}];
    const Seen& clubs = seen[{limit, true}];
    if (one.least.exit < 0 || clubs.least.exit < 0) continue;
    std::printf(
        "rank limit %d: one file %.2f s (%.0f MB), %d club files %.2f s (%.0f MB): %.2fx "
        "(aim <= 1.2x)\n",
        limit, one.least.seconds, one.least.peak_mb, clubs.files, clubs.least.seconds,
        clubs.least.peak_mb, clubs.least.seconds / one.least.seconds);
  }
  return 0;
}
