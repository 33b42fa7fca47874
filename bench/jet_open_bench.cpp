// Opening a real Jet meet (19,800 results) and running the print run's results query for one
// event, against mdb-export of the same seven tables in the same run. The copy, the helper
// process and the load into memory all count. Needs mdb-export (Debian package mdbtools).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFileInfo>
#include <QString>
#include <chrono>
#include <string>
#include <vector>

#include "db/workspace.h"

extern char** environ;

namespace {

const QString kMeet = QStringLiteral(KVSYS_SOURCE_DIR "/tests/fixtures/jet/meet-large-jet4.mdb");
const std::vector<std::string> kTables = {"大会設定",    "レーンボックス", "クラス",
                                          "プログラム",  "選手マスター",   "チームマスター",
                                          "記録マスター"};

using Clock = std::chrono::steady_clock;

// One mdb-export per table, its output thrown away. False when mdb-export cannot be run.
bool ExportSevenTables() {
  const std::string file = kMeet.toStdString();
  for (const std::string& table : kTables) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words = {"mdb-export", file, table};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, "mdb-export", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (rc != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      return false;
    }
  }
  return true;
}

int OneIndividualEvent(kvsys::Database& db) {
  auto rs = db.OpenRecordset(
      QStringLiteral("SELECT 競技番号 FROM プログラム WHERE 種目 <= 5 ORDER BY 競技番号"),
      kvsys::dbOpenSnapshot);
  return rs->Field(0).toInt();
}

// Opens the meet and reads the results of one event as the print run does; the rows read.
int OpenAndQuery() {
  kvsys::Workspace workspace;
  auto db = workspace.OpenDatabase(kMeet);
  const int event = OneIndividualEvent(*db);
  auto rs = db->OpenRecordset(
      QStringLiteral(" SELECT 記録マスター.*,選手マスター.主所属,選手マスター.氏名 ") +
      QStringLiteral(" FROM (記録マスター INNER JOIN 選手マスター ON 記録マスター.選手番号 = "
                     "選手マスター.選手番号) ") +
      QStringLiteral(" WHERE 記録マスター.競技番号 = ") + QString::number(event) +
      QStringLiteral(" AND (事由入力ステータス=0 or 事由入力ステータス=4) ") +
      QStringLiteral(" AND ゴール<>'' ORDER BY 事由入力ステータス,ゴール ASC,組,水路"));
  int rows = 0;
  for (; !rs->Eof(); rs->MoveNext()) {
    benchmark::DoNotOptimize(rs->Field(QStringLiteral("氏名")));
    ++rows;
  }
  return rows;
}

// False, with the benchmark marked failed, when the meet is not in the source tree.
bool MeetPresent(benchmark::State& state) {
  if (QFileInfo(kMeet).isFile()) return true;
  state.SkipWithError("missing fixture tests/fixtures/jet/meet-large-jet4.mdb");
  return false;
}

void BM_MdbExportSevenTables(benchmark::State& state) {
  if (!MeetPresent(state)) return;
  for (auto _ : state) {
    if (!ExportSevenTables()) {
      state.SkipWithError("mdb-export not found: install the Debian package mdbtools");
      return;
    }
  }
}
BENCHMARK(BM_MdbExportSevenTables)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Reports its own time and, as counters, the mdb-export baseline timed in between and the
// ratio of the two (the target is at most 2).
void BM_OpenJetMeetAndQueryOneEvent(benchmark::State& state) {
  Clock::duration ours{};
  Clock::duration baseline{};
  int64_t rounds = 0;
  if (!MeetPresent(state)) return;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(OpenAndQuery());
    const auto t1 = Clock::now();
    state.PauseTiming();
    const bool exported = ExportSevenTables();
    const auto t2 = Clock::now();
    state.ResumeTiming();
    if (!exported) {
      state.SkipWithError("mdb-export not found: install the Debian package mdbtools");
      return;
    }
    ours += t1 - t0;
    baseline += t2 - t1;
    ++rounds;
  }
  if (rounds == 0) return;
  const double ours_ms = std::chrono::duration<double, std::milli>(ours).count() / rounds;
  const double base_ms = std::chrono::duration<double, std::milli>(baseline).count() / rounds;
  state.counters["open_query_ms"] = ours_ms;
  state.counters["mdb_export_ms"] = base_ms;
  state.counters["ratio"] = ours_ms / base_ms;
}
BENCHMARK(BM_OpenJetMeetAndQueryOneEvent)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
