// The print log at its size: kvsys-print on the large sample meet (rank limits 3).
// - A whole-meet print into one PDF, and the same with --new-only, with an empty log against a
//   log of 100,000 rows of that meet for certificates the run does not print (other entrants),
//   so that both runs print the same and only the log's size differs.
// - --log and --changed with 100,000 rows that are the meet's own certificates printed again
//   and again, as a long day of reprints leaves them.
// Each run is a process of its own: wall time and peak memory (the process's maximum resident
// set) are its own. Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <map>
#include <string>

#include "bench_support.h"
#include "bench_tool.h"
#include "bench_world.h"
#include "certificate/program_list.h"
#include "db/database.h"
#include "desk/print_log.h"
#include "results/meet_settings.h"

namespace {

using namespace kvsys;

constexpr int kLogRows = 100000;

struct World {
  BenchLayoutDb empty{3, CertificateTexts{}};
  BenchLayoutDb full{3, CertificateTexts{}};
  BenchLayoutDb reprints{3, CertificateTexts{}};
  QTemporaryDir out;
  QString meet;
  qint64 last_row = 0;  // the full log's last row before any run

  World() {
    meet = WriteLargeMeet(out.path());
    Workspace ws;
    auto results = ws.OpenDatabase(meet, false, true);
    SilentDialogs dialogs;
    DbErrorState state;
    const LoggedMeet logged = LoggedMeetOf(meet, LoadMeetSettings(*results, state, dialogs));
    const std::vector<ProgramEvent> events = ReadProgramme(*results, true, QString());
    std::vector<PrintLogRow> rows(kLogRows);
    for (int i = 0; i < kLogRows; ++i) {
      PrintLogRow& r = rows[static_cast<size_t>(i)];
      r.meet = logged;
      r.key = {events[static_cast<size_t>(i) % events.size()].number, 0, 0, false, 1000000 + i, 1};
      r.name = QStringLiteral("履歴 %1").arg(i);
      r.rank = QStringLiteral("１");
      r.output = kLogPdf;
      r.where = QStringLiteral("/nowhere/%1.pdf").arg(i);
      r.page = 1;
    }
    PrintLog(*empty.layout_db);
    PrintLog log(*full.layout_db);
    log.Add(rows);
    last_row = rows.back().id;
    // The meet printed once, then its rows copied until there are 100,000.
    RunTool({QStringLiteral("--program-folder"), reprints.dir.path(), QStringLiteral("--meet"),
             meet, QStringLiteral("--all"), QStringLiteral("--pdf-file"),
             QDir(out.path()).filePath(QStringLiteral("reprints.pdf"))});
    Database& db = *reprints.layout_db;
    QStringList columns = db.ColumnNames(kPrintLogTable);
    columns.removeAll(QStringLiteral("番号"));
    const QString copy = QStringLiteral("INSERT INTO 印刷履歴 (%1) SELECT %1 FROM 印刷履歴")
                             .arg(columns.join(QStringLiteral(", ")));
    db.BeginTrans();
    while (Count(db) < kLogRows) db.Execute(copy);
    db.ExecuteWithParams(QStringLiteral("DELETE FROM 印刷履歴 WHERE 番号 > ?"), {kLogRows});
    db.CommitTrans();
  }
  static int Count(Database& db) {
    return db.OpenRecordset(QStringLiteral("SELECT max(番号) FROM 印刷履歴"), dbOpenSnapshot)
        ->Field(0)
        .toInt();
  }
  // Rows a run added are taken away, so that every run finds the log as it was.
  void Reset() {
    for (BenchLayoutDb* db : {&empty, &full}) {
      db->layout_db->ExecuteWithParams(QStringLiteral("DELETE FROM 印刷履歴 WHERE 番号 > ?"),
                                       {db == &full ? last_row : 0});
    }
  }
  QString Folder(bool with_log) const { return (with_log ? full : empty).dir.path(); }
};

World& Data() {
  static World w;
  return w;
}

std::map<std::string, Spent> least;  // the fastest run of each case

void Note(const std::string& name, const Spent& s) {
  Spent& l = least[name];
  if (l.exit < 0 || s.seconds < l.seconds) l = s;
}

// A whole-meet print into one PDF; new_only: --new-only.
void BM_WholeMeet(benchmark::State& state) {
  World& w = Data();
  const bool with_log = state.range(0) != 0;
  const bool new_only = state.range(1) != 0;
  static int n = 0;  // each run a file of its own, across repetitions
  for (auto _ : state) {
    QStringList args = {
        QStringLiteral("--program-folder"),
        w.Folder(with_log),
        QStringLiteral("--meet"),
        w.meet,
        QStringLiteral("--all"),
        QStringLiteral("--pdf-file"),
        QDir(w.out.path())
            .filePath(QStringLiteral("run-%1-%2-%3.pdf").arg(with_log).arg(new_only).arg(++n))};
    if (new_only) args << QStringLiteral("--new-only");
    const Spent s = RunTool(args);
    state.PauseTiming();
    w.Reset();
    state.ResumeTiming();
    if (s.exit != 0) state.SkipWithError("kvsys-print failed");
    Note("whole" + std::to_string(with_log) + std::to_string(new_only), s);
  }
}

// --log or --changed of the meet with 100,000 rows of reprints.
void BM_LogQuery(benchmark::State& state) {
  World& w = Data();
  const QString what = state.range(0) == 0 ? QStringLiteral("--log") : QStringLiteral("--changed");
  for (auto _ : state) {
    const Spent s = RunTool({QStringLiteral("--program-folder"), w.reprints.dir.path(),
                             QStringLiteral("--meet"), w.meet, what});
    if (s.exit != 0) state.SkipWithError("kvsys-print failed");
    Note(what.toStdString(), s);
  }
}

BENCHMARK(BM_WholeMeet)
    ->ArgNames({"log", "new_only"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_LogQuery)
    ->ArgName("changed")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
  RunBenchmarks(argc, argv);
  benchmark::Shutdown();
  for (const char* run : {"0", "1"}) {
    const Spent& e = least[std::string("whole0") + run];
    const Spent& f = least[std::string("whole1") + run];
    if (e.seconds <= 0) continue;
    std::printf(
        "%s with %d log rows against an empty log: time %.2fx (%.2f s / %.2f s), "
        "peak memory %.2fx (%.0f MB / %.0f MB)\n",
        run[0] == '1' ? "--new-only" : "whole-meet print", kLogRows, f.seconds / e.seconds,
        f.seconds, e.seconds, f.peak_mb / e.peak_mb, f.peak_mb, e.peak_mb);
  }
  for (const char* q : {"--log", "--changed"}) {
    const Spent& s = least[q];
    std::printf("%s at %d rows of reprints: %.2f s, peak memory %.0f MB\n", q, kLogRows, s.seconds,
                s.peak_mb);
  }
  return 0;
}
