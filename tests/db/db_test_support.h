#pragma once

// Real SQLite files for the engine's tests: a results database made from the shared meet
// fixture, a layout database of the layout tables, and a raw connection to act as another
// workstation or program.

#include <sqlite3.h>

#include <QFile>
#include <QString>
#include <memory>

#include "db/workspace.h"
#include "support/temp_folder.h"

namespace kvsys::test {

inline QString JetFixture(const QString& name) {
  return QStringLiteral(KVSYS_SOURCE_DIR "/../shared/fixtures/jet/") + name;
}

// A connection of its own, outside the engine.
class RawDb {
 public:
  explicit RawDb(const QString& path, bool create = false);
  ~RawDb();
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;
  // Runs SQL text (several statements); returns SQLite's result code.
  int Exec(const QString& sql);
  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// The meet of the shared fixture (schema and rows of a small meet) as an SQLite file.
QString MakeMeetDb(const TempFolder& folder, const QString& name = QStringLiteral("SWIM.mdb"));

// A layout database with layouts 1 ("標準") and 2 ("予備"), a ShowOrNot row for layout 1 only,
// the decision row pointing at layout 1 and empty work tables.
QString MakeLayoutDb(const TempFolder& folder, const QString& name = QStringLiteral("KVSYS.mdb"));

// Runs fn and returns the number of the DbError it raises, or 0 when it raises none.
template <typename Fn>
int ErrorOf(Fn&& fn) {
  try {
    fn();
  } catch (const DbError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace kvsys::test
