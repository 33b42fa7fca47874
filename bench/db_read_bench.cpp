// Reading 20,000 rows of a 12-column table through a Recordset (open, walk, every field by
// name) against the same query through the raw SQLite API (prepare, step, every column).
// Prints the ratios of CPU times at the end (the least of ten interleaved repetitions); the
// engine aims at no more than 1.5x. BM_RawSqliteToQString shows what turning the texts into
// QString alone costs.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "db/workspace.h"

namespace {

constexpr int kRows = 20000;
const char* const kQuery = "SELECT * FROM 記録 ORDER BY 番号";

struct Fixture {
  QTemporaryDir dir;
  QString path;
  QStringList names;

  Fixture() {
    path = dir.filePath(QStringLiteral("bench.db"));
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_exec(db,
                 "CREATE TABLE 記録 (番号 INTEGER PRIMARY KEY, 競技番号 SMALLINT, 組 SMALLINT, "
                 "水路 SMALLINT, 選手番号 SMALLINT, 事由入力ステータス SMALLINT, 氏名 TEXT, "
                 "所属名称１ TEXT, 所属名称２ TEXT, ゴール TEXT, 新記録印刷マーク TEXT, 備考 TEXT);"
                 "BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO 記録 VALUES (?,?,?,?,?,?,?,?,?,?,?,?)", -1, &ins, nullptr);
    for (int i = 0; i < kRows; ++i) {
      const std::string name = "選手 " + std::to_string(i);
      const std::string team =
          (i % 3 ? "市民スイミングクラブ" : "Aqua Club ") + std::to_string(i % 200);
      const std::string school = "東小学校" + std::to_string(i % 50);
      char time[16];
      std::snprintf(time, sizeof time, "%02d:%02d.%02d", i % 3, i % 60, i % 100);
      sqlite3_bind_int(ins, 1, i);
      sqlite3_bind_int(ins, 2, i % 300);
      sqlite3_bind_int(ins, 3, i % 10);
      sqlite3_bind_int(ins, 4, i % 8);
      sqlite3_bind_int(ins, 5, i % 2000);
      sqlite3_bind_int(ins, 6, i % 7 == 0 ? 4 : 0);
      sqlite3_bind_text(ins, 7, name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 8, team.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 9, school.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 10, time, -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 11, i % 50 == 0 ? "大会新" : "", -1, SQLITE_STATIC);
      if (i % 4 == 0) {
        sqlite3_bind_null(ins, 12);
      } else {
        sqlite3_bind_text(ins, 12, "備考あり", -1, SQLITE_STATIC);
      }
      sqlite3_step(ins);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
    names = {QStringLiteral("番号"),
             QStringLiteral("競技番号"),
             QStringLiteral("組"),
             QStringLiteral("水路"),
             QStringLiteral("選手番号"),
             QStringLiteral("事由入力ステータス"),
             QStringLiteral("氏名"),
             QStringLiteral("所属名称１"),
             QStringLiteral("所属名称２"),
             QStringLiteral("ゴール"),
             QStringLiteral("新記録印刷マーク"),
             QStringLiteral("備考")};
  }
};

Fixture& Data() {
  static Fixture f;
  return f;
}

void RawRead(benchmark::State& state, bool to_qstring) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(QFile::encodeName(Data().path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, kQuery, -1, &st, nullptr);
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      const int n = sqlite3_column_count(st);
      for (int i = 0; i < n; ++i) {
        switch (sqlite3_column_type(st, i)) {
          case SQLITE_INTEGER:
            benchmark::DoNotOptimize(sqlite3_column_int64(st, i));
            break;
          case SQLITE_TEXT: {
            const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            const int len = sqlite3_column_bytes(st, i);
            if (to_qstring) {
              QString s = QString::fromUtf8(p, len);
              benchmark::DoNotOptimize(s);
            } else {
              benchmark::DoNotOptimize(p);
              benchmark::DoNotOptimize(len);
            }
            break;
          }
          default:
            break;
        }
      }
      ++rows;
    }
    sqlite3_finalize(st);
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  sqlite3_close_v2(db);
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_RawSqlite(benchmark::State& state) {
  RawRead(state, false);
}
void BM_RawSqliteToQString(benchmark::State& state) {
  RawRead(state, true);
}

void RecordsetRead(benchmark::State& state, int type) {
  kvsys::Workspace ws;
  auto db = ws.OpenDatabase(Data().path);
  const QString sql = QString::fromUtf8(kQuery);
  const QStringList& names = Data().names;
  for (auto _ : state) {
    auto rs = db->OpenRecordset(sql, type);
    int rows = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
      for (const QString& name : names) {
        QVariant v = rs->Field(name);
        benchmark::DoNotOptimize(v);
      }
      ++rows;
    }
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_RecordsetDynaset(benchmark::State& state) {
  RecordsetRead(state, kvsys::dbOpenDynaset);
}
void BM_RecordsetSnapshot(benchmark::State& state) {
  RecordsetRead(state, kvsys::dbOpenSnapshot);
}

BENCHMARK(BM_RawSqlite)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", kvsys::Least);
BENCHMARK(BM_RawSqliteToQString)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", kvsys::Least);
BENCHMARK(BM_RecordsetDynaset)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", kvsys::Least);
BENCHMARK(BM_RecordsetSnapshot)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", kvsys::Least);

// Keeps the CPU time per iteration (the machine may be shared, so wall time is noisy) of each
// benchmark to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Iteration) last_[name] = run.GetAdjustedCPUTime();
      // With repetitions the least time stands for the benchmark.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") {
        least_[name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    const std::map<std::string, double>& t = least_.empty() ? last_ : least_;
    const auto raw = t.find("BM_RawSqlite");
    if (raw == t.end() || raw->second <= 0) return;
    for (const auto& [name, time] : t) {
      if (name == raw->first) continue;
      std::printf("ratio (CPU time) %s / BM_RawSqlite = %.2f\n", name.c_str(), time / raw->second);
    }
  }

 private:
  std::map<std::string, double> last_;
  std::map<std::string, double> least_;
};

}  // namespace

int main(int argc, char** argv) {
  // Repeated and interleaved by default, as the machine is usually shared; arguments given on
  // the command line come later and win.
  std::vector<char*> args(argv, argv + argc);
  static char repetitions[] = "--benchmark_repetitions=10";
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static char aggregates[] = "--benchmark_report_aggregates_only=true";
  args.insert(args.begin() + 1, {repetitions, interleave, aggregates});
  argc = static_cast<int>(args.size());
  argv = args.data();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Data();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
