#pragma once

// SQLite files as the program meets them: meets as the results system leaves them, made with
// plain SQL outside the engine, and a layout database of the layout tables for the engine's own
// tests.

#include <QString>

#include "db/db_error.h"
#include "db/workspace.h"
#include "support/temp_folder.h"

namespace kvsys::test {

// The tables and columns of a real meet, empty (the fixture swim-schema.sql).
QString SwimSchemaSql();

// A meet file at path (its folder made when missing) holding what sql makes; the path.
QString WriteMeetFile(const QString& path, const QString& sql);

// A meet holding only the meet settings that the meet list reads.
QString WriteListedMeet(const QString& path, const QString& name, const QString& first_day,
                        const QString& last_day);

// The small meet of the fixtures (swim-schema.sql and meet-basic.sql, the rows of Swim01.mdb) as
// an SQLite file.
QString MakeMeetDb(const TempFolder& folder, const QString& name = QStringLiteral("SWIM.mdb"));

// A layout database with layouts 1 ("標準") and 2 ("予備"), a ShowOrNot row for layout 1 only,
// the decision row pointing at layout 1 and empty work tables. Built by hand, not with
// CreateLayoutDatabase, so the engine's tests do not depend on the layout library.
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
