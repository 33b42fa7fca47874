// The print run on the large sample meet (300 events, 20,000 results) with the rank limits
// 3-3-3-3: collecting the recipients of every event through the engine, against one
// hand-written SQLite query that ranks the same results in one pass; then the whole meet
// printed to PDF files, one per certificate and all in one file. Prints the ratio, the
// certificates per second and the CPU time of the one-file run at the end.
//
// The run asks for each event's results by event number. The generated meet, like a results
// table without an index, makes each of those queries read all 20,000 rows; the same pair is
// therefore measured again on a copy of the meet with an index on 記録マスター(競技番号), to
// tell the cost of the scans from the cost of the run itself.
//
// The check before printing is measured as the print list runs it, collection included and the
// log of a meet printed whole read, against the collection alone: without the layout check (what
// the check adds) and with it (which draws every certificate, as the layout question before
// printing did).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "bench_support.h"
#include "bench_world.h"
#include "certificate/pre_print_check.h"
#include "certificate/print_job.h"
#include "certificate/print_run.h"
#include "db/workspace.h"
#include "desk/award_status.h"
#include "desk/ceremony_sheet.h"
#include "desk/meet_follow.h"
#include "desk/print_log.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "print/document_output.h"
#include "samplemeet/sample_meet.h"

namespace {

using namespace kvsys;

struct World : BenchLayoutDb {
  QString meet_path;
  QString indexed_path;  // the same meet with an index on the event number of the results
  std::shared_ptr<Database> indexed_db;
  std::shared_ptr<Database> results_db;
  PrintOptions options;
  CertificateLayout layout;
  RecipientTable recipients;
  PrintRunObserver observer;
  PrintRequest request;
  int16_t meet_affiliation = 1;

  World() : BenchLayoutDb(3, CertificateTexts{}) {
    meet_path = WriteLargeMeet(dir.path());
    results_db = workspace.OpenDatabase(meet_path, false, true);
    request.events = ReadProgramme(*results_db, true, QString());
    indexed_path = dir.filePath(QStringLiteral("indexed.mdb"));
    QFile::copy(meet_path, indexed_path);
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(indexed_path).constData(), &db, SQLITE_OPEN_READWRITE,
                    nullptr);
    sqlite3_exec(db, "CREATE INDEX 記録マスター_競技番号 ON 記録マスター (競技番号)", nullptr,
                 nullptr, nullptr);
    sqlite3_close_v2(db);
    indexed_db = workspace.OpenDatabase(indexed_path, false, true);
  }
  PrintRunContext Context(bool indexed = false) {
    return PrintRunContext{*layout_db, indexed ? *indexed_db : *results_db,
                           state,      dialogs,
                           options,    meet_affiliation,
                           layout,     recipients,
                           observer};
  }
};

World& Data() {
  static World w;
  return w;
}

int collected_by_run = 0;
int ranked_by_query = 0;

void BM_CollectRecipients(benchmark::State& state) {
  World& w = Data();
  for (auto _ : state) {
    PrintRunContext c = w.Context(state.range(0) != 0);
    const CollectResult r = CollectRecipients(w.request, c);
    if (r.outcome != CollectOutcome::kDone) state.SkipWithError("collection did not finish");
    collected_by_run = r.count;
  }
  state.counters["recipients"] = collected_by_run;
}

int checked_rows = 0;

// A meet whose every certificate is in the log (written once).
const LoggedMeet kStatusMeet{QStringLiteral("Swim01.mdb"), QStringLiteral("status"), QString()};
void LogEveryCertificate(World& w) {
  PrintRunContext c = w.Context();
  const CollectResult r = CollectRecipients(w.request, c);
  std::vector<PrintLogRow> rows;
  for (int i = 1; i <= std::min(r.count, RecipientTable::kCapacity); ++i) {
    rows.push_back(LogRowOf(w.recipients[i], kStatusMeet, 1));
  }
  PrintLog log(*w.layout_db);
  if (log.Rows(kStatusMeet).empty()) log.Add(rows);
}

// As the print list runs it, with the log of a meet printed whole: the printed ones are said
// apart.
void BM_CollectAndCheck(benchmark::State& state) {
  World& w = Data();
  const bool with_layout = state.range(0) != 0;
  LogEveryCertificate(w);
  const RunLogTarget log{PrintLogOpener(*w.layout_db), kStatusMeet, false};
  for (auto _ : state) {
    PrintRunContext c = w.Context();
    const CollectResult r = CollectRecipients(w.request, c);
    if (r.outcome != CollectOutcome::kDone) state.SkipWithError("collection did not finish");
    w.recipients.RecipientCount = static_cast<int16_t>(r.count);
    const std::optional<PrePrintCheck> check = CheckBeforePrinting(w.request, c, with_layout, &log);
    if (!check || check->certificates != r.count || check->printed != r.count) {
      state.SkipWithError("check did not finish");
    }
    checked_rows = check ? static_cast<int>(check->rows.size()) : 0;
  }
  state.counters["events"] = checked_rows;
}

// The ceremony sheet of every event, the log of a meet printed whole read for what is printed,
// written as one A4 PDF: against the collection alone (aim: at most 1.5 times).
int sheet_pages = 0;
void BM_CeremonySheet(benchmark::State& state) {
  World& w = Data();
  LogEveryCertificate(w);
  static int n = 0;
  for (auto _ : state) {
    const QString file = w.dir.filePath(QStringLiteral("sheet-%1.pdf").arg(++n));
    RunOptions run;
    run.output = [file] { return std::make_unique<RunPdfOutput>(QString(), file); };
    run.log = {PrintLogOpener(*w.layout_db), kStatusMeet, false};
    PrintJob job(w.dialogs, w.dir.filePath(QStringLiteral("KVSYS.ini")), w.dir.path());
    PrintRunContext c = w.Context();
    const PrintJobResult r =
        PrintCeremonySheet(job, run, w.request, c, QStringLiteral("大会"), CallFrom::kLast);
    if (r.outcome != RunOutcome::kPrinted) state.SkipWithError("no sheet");
    state.PauseTiming();
    sheet_pages = PdfPageCount(file);
    QFile::remove(file);
    state.ResumeTiming();
  }
  state.counters["pages"] = sheet_pages;
}

double status_cpu_ms = 0;
double unchanged_look_us = 0;

// One refresh of the print list's status column over the whole large meet, every certificate
// of which is in the log: the collection, the log read, the changes since printing and the
// results still to come. CPU time (aim: at most 100 ms).
void BM_AwardStatus(benchmark::State& state) {
  World& w = Data();
  const LoggedMeet& meet = kStatusMeet;
  LogEveryCertificate(w);
  for (auto _ : state) {
    PrintRunContext c = w.Context();
    const std::clock_t cpu = std::clock();
    const std::optional<std::map<int, EventAwardStatus>> status =
        ReadAwardStatus(w.request, c, meet, true);
    Keep(status_cpu_ms, 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
    if (!status) state.SkipWithError("no status");
  }
  state.counters["CPU ms"] = status_cpu_ms;
}

// A look at a followed meet whose file did not change: nothing is read.
void BM_FollowLookUnchanged(benchmark::State& state) {
  World& w = Data();
  MeetFollower follower(w.meet_path, LoggedMeet{}, true, FollowPrinting{});
  PlainWarningLabel label;
  const auto context = [&w] { return w.Context(); };
  follower.Look(w.request, context, false, label);
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    const FollowLook look = follower.Look(w.request, context, false, label);
    Keep(unchanged_look_us, static_cast<double>(timer.nsecsElapsed()) / 1000.0);
    if (look.read) state.SkipWithError("read an unchanged meet");
  }
  state.counters["us"] = unchanged_look_us;
}

// The same ranks in one statement: each event's results joined to their swimmer or team,
// ranked by status and time within the event, kept up to the stage's limit.
const char* const kRankQuery = R"(
WITH base AS (
  SELECT k.競技番号, k.組, k.水路, k.ゴール, k.事由入力ステータス, k.新記録印刷マーク, p.予決,
         s.氏名, s.主所属, s.所属名称１, s.所属名称２, s.所属名称３, t.チーム名,
         l1.氏名 AS m1, l2.氏名 AS m2, l3.氏名 AS m3, l4.氏名 AS m4
  FROM 記録マスター k JOIN プログラム p ON p.競技番号 = k.競技番号
  LEFT JOIN 選手マスター s ON p.種目 < 6 AND s.選手番号 = k.選手番号
  LEFT JOIN チームマスター t ON p.種目 >= 6 AND t.チーム番号 = k.選手番号
  LEFT JOIN 選手マスター l1 ON p.種目 >= 6 AND l1.選手番号 = k.第１泳者
  LEFT JOIN 選手マスター l2 ON p.種目 >= 6 AND l2.選手番号 = k.第２泳者
  LEFT JOIN 選手マスター l3 ON p.種目 >= 6 AND l3.選手番号 = k.第３泳者
  LEFT JOIN 選手マスター l4 ON p.種目 >= 6 AND l4.選手番号 = k.第４泳者
  WHERE p.競技番号 > 0 AND k.ゴール <> '' AND k.事由入力ステータス IN (0, 4)
    AND (s.選手番号 IS NOT NULL OR t.チーム番号 IS NOT NULL)),
ranked AS (
  SELECT *, RANK() OVER (PARTITION BY 競技番号 ORDER BY 事由入力ステータス, ゴール) AS rnk
  FROM base)
SELECT * FROM ranked WHERE rnk <= CASE 予決 WHEN 6 THEN 0 ELSE 3 END
ORDER BY 競技番号, 事由入力ステータス, ゴール, 組, 水路)";

void BM_HandWrittenRankQuery(benchmark::State& state) {
  sqlite3* db = nullptr;
  const QString& path = state.range(0) != 0 ? Data().indexed_path : Data().meet_path;
  sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, kRankQuery, -1, &st, nullptr) != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      break;
    }
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        if (sqlite3_column_type(st, i) == SQLITE_TEXT) {
          QString text =
              QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                sqlite3_column_bytes(st, i));
          benchmark::DoNotOptimize(text);
        } else {
          benchmark::DoNotOptimize(sqlite3_column_int(st, i));
        }
      }
      ++rows;
    }
    sqlite3_finalize(st);
    ranked_by_query = rows;
  }
  sqlite3_close_v2(db);
  state.counters["recipients"] = ranked_by_query;
}

double certificates_per_second[2] = {0, 0};  // without and with the print log

// The run of the whole meet through the print job, as the print list starts it.
struct MeetRun {
  MeetRun(World& w, OutputFactory make)
      : world(w), context(w.Context()), job(context.dialogs, QString(), QString()) {
    options.output = std::move(make);
  }
  PrintJobResult Print() { return job.Run(options, world.request, context, label); }

  World& world;
  PlainWarningLabel label;
  PrintRunContext context;
  PrintJob job;
  RunOptions options;
};

// logged: every certificate that comes out is logged in KVSYS.mdb (as the windows and the print
// tool run), one transaction each.
void BM_PrintMeetToPdf(benchmark::State& state) {
  World& w = Data();
  for (auto _ : state) {
    QTemporaryDir out_dir;
    MeetRun run(w, [&out_dir] { return std::make_unique<PdfOutput>(out_dir.path()); });
    if (state.range(0) != 0)
      run.options.log = {PrintLogOpener(*w.layout_db),
                         LoggedMeet{QStringLiteral("bench.mdb"), QString(), QString()}, false};
    QElapsedTimer timer;
    timer.start();
    const PrintJobResult printed = run.Print();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (printed.outcome != RunOutcome::kPrinted) state.SkipWithError("the meet was not printed");
    const int files = static_cast<int>(QDir(out_dir.path()).entryList(QDir::Files).size());
    if (files != w.recipients.RecipientCount) state.SkipWithError("one PDF per certificate");
    certificates_per_second[state.range(0) != 0] = files / seconds;
  }
  state.counters["certificates/s"] = certificates_per_second[state.range(0) != 0];
}

double one_file_cpu_seconds = 0;
int one_file_pages = 0;

// The whole meet into one PDF file (the default of the PDF output), in CPU time of the run.
void BM_PrintMeetToOnePdf(benchmark::State& state) {
  World& w = Data();
  for (auto _ : state) {
    QTemporaryDir out_dir;
    MeetRun run(w, [&out_dir] { return std::make_unique<RunPdfOutput>(out_dir.path()); });
    const std::clock_t cpu = std::clock();
    const PrintJobResult printed = run.Print();  // the file is finished by the job
    const double seconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    if (printed.outcome != RunOutcome::kPrinted || !QFile::exists(printed.written.where)) {
      state.SkipWithError("not printed");
    }
    if (printed.output != w.recipients.RecipientCount) {
      state.SkipWithError("one page a certificate");
    }
    Keep(one_file_cpu_seconds, seconds);
    one_file_pages = printed.output;
  }
  state.counters["certificates"] = one_file_pages;
  state.counters["CPU s"] = one_file_cpu_seconds;
}

BENCHMARK(BM_HandWrittenRankQuery)
    ->ArgName("indexed")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Least);
BENCHMARK(BM_CollectRecipients)
    ->ArgName("indexed")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Least);
BENCHMARK(BM_CeremonySheet)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Least);
BENCHMARK(BM_AwardStatus)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_FollowLookUnchanged)->Unit(benchmark::kMicrosecond)->Iterations(100)->Repetitions(3);
BENCHMARK(BM_CollectAndCheck)
    ->ArgName("layout")
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Least);
BENCHMARK(BM_CollectAndCheck)
    ->ArgName("layout")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("min", Least);
BENCHMARK(BM_PrintMeetToPdf)
    ->ArgName("logged")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_PrintMeetToOnePdf)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// Keeps the least wall time per iteration of each benchmark for the ratio after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.run_name.function_name + "/" + run.run_name.args;
      const double t = run.GetAdjustedRealTime();
      const double cpu = run.GetAdjustedCPUTime();
      if (!least_.count(name) || t < least_[name]) least_[name] = t;
      if (!least_cpu_.count(name) || cpu < least_cpu_[name]) least_cpu_[name] = cpu;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintSummary() {
    for (const char* args : {"indexed:0", "indexed:1"}) {
      const std::string query = std::string("BM_HandWrittenRankQuery/") + args;
      const std::string run = std::string("BM_CollectRecipients/") + args;
      if (!least_.count(query) || !least_.count(run) || least_[query] <= 0) continue;
      std::printf(
          "%s: collect %.1f ms (CPU %.1f ms) for %d recipients; one ranking query "
          "%.1f ms (CPU %.1f ms) for %d rows; ratio %.2f (CPU %.2f)\n",
          args, least_[run], least_cpu_[run], collected_by_run, least_[query], least_cpu_[query],
          ranked_by_query, least_[run] / least_[query], least_cpu_[run] / least_cpu_[query]);
    }
    const std::string collect = "BM_CollectRecipients/indexed:0";
    for (const char* args : {"layout:0", "layout:1"}) {
      const std::string check = std::string("BM_CollectAndCheck/") + args;
      if (!least_.count(collect) || !least_.count(check) || least_[collect] <= 0) continue;
      std::printf(
          "check before printing (%s) over %d events: collect and check %.1f ms, collect "
          "alone %.1f ms; ratio %.2f (aim <= 1.5)\n",
          args, checked_rows, least_[check], least_[collect], least_[check] / least_[collect]);
    }
    const std::string sheet = "BM_CeremonySheet/";
    if (least_.count(collect) && least_.count(sheet) && least_[collect] > 0) {
      std::printf(
          "ceremony sheet of %d events (%d pages): %.1f ms, collect alone %.1f ms; ratio %.2f "
          "(aim <= 1.5)\n",
          static_cast<int>(Data().request.events.size()), sheet_pages, least_[sheet],
          least_[collect], least_[sheet] / least_[collect]);
    }
    if (certificates_per_second[0] > 0 && certificates_per_second[1] > 0) {
      std::printf(
          "print to PDF, a file per certificate: %.0f certificates/s, %.0f logged (ratio %.2f)\n",
          certificates_per_second[0], certificates_per_second[1],
          certificates_per_second[1] / certificates_per_second[0]);
    }
    if (status_cpu_ms > 0) {
      std::printf(
          "print list status over %d events, all printed: %.1f ms CPU (aim <= 100); a look at an "
          "unchanged meet: %.1f us\n",
          static_cast<int>(Data().request.events.size()), status_cpu_ms, unchanged_look_us);
    }
    if (one_file_cpu_seconds > 0) {
      std::printf(
          "whole meet to one PDF: %d certificates in %.2f s CPU (collecting included; aim < 1 s), "
          "%.0f certificates/s\n",
          one_file_pages, one_file_cpu_seconds, one_file_pages / one_file_cpu_seconds);
    }
  }

 private:
  std::map<std::string, double> least_;
  std::map<std::string, double> least_cpu_;
};

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
