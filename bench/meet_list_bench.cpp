// Listing a folder of 99 Ver.5.0 meets, as the meet selection does on every start and every
// version or folder change; against opening the same 99 files and reading their settings row
// through the raw SQLite API in the same run. And a folder of 20 Jet meets listed again (as at
// the next start) with the cache of meets already read, against reading every file again.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/app_state.h"
#include "app/meet_list.h"
#include "bench_support.h"
#include "common/dialogs.h"
#include "layout/layout_schema.h"
#include "samplemeet/sample_meet.h"

namespace {

constexpr int kMeets = 99;
constexpr int kJetMeets = 20;
const QString kJetMeet = QStringLiteral(KVSYS_SOURCE_DIR "/tests/fixtures/jet/Swim01.mdb");

struct Fixture {
  QTemporaryDir dir;
  QString meets;
  QString jet_meets;
  bool jet_ready = true;
  kvsys::AppState state;
  kvsys::SilentDialogs dialogs;

  Fixture() {
    meets = dir.filePath(QStringLiteral("meets"));
    QDir().mkpath(meets);
    for (int n = 1; n <= kMeets; ++n) {
      kvsys::samplemeet::MeetSpec spec;
      spec.number = n;
      spec.swimmers = 20;
      spec.events = 4;
      spec.days = 1;
      QString error;
      kvsys::samplemeet::WriteSampleMeet(meets, kvsys::samplemeet::FolderLayout::Ver50, spec, false,
                                         &error);
    }
    jet_meets = dir.filePath(QStringLiteral("jet"));
    QDir().mkpath(jet_meets);
    for (int n = 1; n <= kJetMeets; ++n) {
      jet_ready =
          QFile::copy(
              kJetMeet,
              QStringLiteral("%1/Swim%2.mdb").arg(jet_meets).arg(n, 2, 10, QLatin1Char('0'))) &&
          jet_ready;
    }
    const QString layout_db = dir.filePath(QStringLiteral("KVSYS.mdb"));
    kvsys::CreateLayoutDatabase(layout_db);
    state.IniPath = dir.filePath(QStringLiteral("KVSYS.ini"));
    state.Workspace = std::make_unique<kvsys::Workspace>();
    state.LayoutDb = state.Workspace->OpenDatabase(layout_db);
  }
};

Fixture* fixture = nullptr;

void BM_ListMeets(benchmark::State& state) {
  for (auto _ : state) {
    QString folder = fixture->meets;
    if (!kvsys::ListMeets(fixture->state, fixture->dialogs, folder)) {
      state.SkipWithError("listing failed");
    }
  }
  state.counters["boxes"] = fixture->dialogs.shown;
}

void BM_RawOpenAndRead(benchmark::State& state) {
  for (auto _ : state) {
    for (int n = 1; n <= kMeets; ++n) {
      const QByteArray path = QStringLiteral("%1/Swim%2.mdb")
                                  .arg(fixture->meets)
                                  .arg(n, 2, 10, QLatin1Char('0'))
                                  .toUtf8();
      sqlite3* db = nullptr;
      sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
      sqlite3_stmt* stmt = nullptr;
      sqlite3_prepare_v2(db, "SELECT 大会名1, 始期間, 終期間 FROM 大会設定", -1, &stmt, nullptr);
      while (sqlite3_step(stmt) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_text(stmt, 0));
      }
      sqlite3_finalize(stmt);
      sqlite3_close(db);
    }
  }
}

// Every Jet file read by the helper process, as without the cache.
void BM_ListJetMeetsRead(benchmark::State& state) {
  if (!fixture->jet_ready) state.SkipWithError("missing fixture tests/fixtures/jet/Swim01.mdb");
  for (auto _ : state) {
    kvsys::MeetListCache empty;
    QString folder = fixture->jet_meets;
    if (!kvsys::ListMeets(fixture->state, fixture->dialogs, folder,
                          kvsys::MeetListHooks{&empty, {}, nullptr}) ||
        empty.Misses() != kJetMeets) {
      state.SkipWithError("listing failed");
    }
  }
}

// The same folder again with the cache of the first listing.
void BM_ListJetMeetsCached(benchmark::State& state) {
  if (!fixture->jet_ready) state.SkipWithError("missing fixture tests/fixtures/jet/Swim01.mdb");
  kvsys::MeetListCache cache;
  QString folder = fixture->jet_meets;
  kvsys::ListMeets(fixture->state, fixture->dialogs, folder,
                   kvsys::MeetListHooks{&cache, {}, nullptr});
  for (auto _ : state) {
    folder = fixture->jet_meets;
    if (!kvsys::ListMeets(fixture->state, fixture->dialogs, folder,
                          kvsys::MeetListHooks{&cache, {}, nullptr})) {
      state.SkipWithError("listing failed");
    }
  }
  state.counters["hits_per_listing"] =
      static_cast<double>(cache.Hits()) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_ListJetMeetsRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListJetMeetsCached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawOpenAndRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListMeets)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Fixture f;
  fixture = &f;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fixture = nullptr;
  return 0;
}
