// The Jet reader as the program runs it: the file is copied, read by the helper process under
// its limits and loaded. Any bytes in: a DbError or a database whose every table reads, and
// never a wait much past the helper's limit.

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include "db/db_error.h"
#include "db/jet_file.h"
#include "fuzz_support.h"

namespace {

// Shorter than the program's, so that the fuzzer does not spend its time on hanging inputs;
// the program side must keep to them all the same.
constexpr kvsys::JetReadLimits kLimits{3, 2, qint64(512) << 20, qint64(256) << 20};
// Copying the input and loading the helper's file come on top of the helper's time.
constexpr qint64 kGraceMs = 4000;

QStringList Tables(sqlite3* db) {
  QStringList names;
  sqlite3_stmt* st = nullptr;
  FUZZ_CHECK(sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st,
                                nullptr) == SQLITE_OK);
  while (sqlite3_step(st) == SQLITE_ROW) {
    names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  }
  sqlite3_finalize(st);
  return names;
}

void ReadTable(sqlite3* db, const QString& table) {
  QString quoted = table;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  const QByteArray sql = "SELECT * FROM \"" + quoted.toUtf8() + "\"";
  sqlite3_stmt* st = nullptr;
  FUZZ_CHECK(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    for (int c = 0; c < sqlite3_column_count(st); ++c) (void)sqlite3_column_text(st, c);
  }
  FUZZ_CHECK(rc == SQLITE_DONE);
  sqlite3_finalize(st);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // As in the program: the helper is looked for beside the executable first.
  static QCoreApplication app(*argc, *argv);
  if (kvsys::JetReaderPath().isEmpty()) {
    std::fprintf(stderr, "kvsys-jetread not built\n");
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = kvsys::fuzz::ScratchFolder() + QStringLiteral("/MEET.mdb");
  {
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
               static_cast<qint64>(size));
  }
  sqlite3* db = nullptr;
  FUZZ_CHECK(sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr) == SQLITE_OK);
  QElapsedTimer timer;
  timer.start();
  try {
    kvsys::LoadJetFile(path, db, kLimits);
    for (const QString& table : Tables(db)) ReadTable(db, table);
  } catch (const kvsys::DbError& e) {
    FUZZ_CHECK(!e.text().isEmpty());
  }
  FUZZ_CHECK(timer.elapsed() < kLimits.wall_seconds * 1000 + kGraceMs);
  sqlite3_close(db);
  return 0;
}
