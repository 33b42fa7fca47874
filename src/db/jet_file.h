#pragma once

// Reading the results system's Jet (.mdb) files. A Jet file is never opened in place: a copy
// of it is parsed by the helper program kvsys-jetread in a child process under limits, and
// the SQLite file the helper writes is loaded into memory. The engine runs every query on
// that in-memory copy.

#include <QString>
#include <QtGlobal>

struct sqlite3;

namespace kvsys {

// How long and how much the helper may take to read one Jet file (the copy before it is not
// counted). A real meet reads in well under a second; a file that takes longer is damaged.
struct JetReadLimits {
  int wall_seconds = 8;  // then the helper is killed
  int cpu_seconds = 5;
  qint64 memory_bytes = qint64(1) << 30;
  qint64 output_bytes = qint64(1) << 30;
};

// Copies every user table of the Jet file at path into target, an empty in-memory SQLite
// database, whose main database then accepts no changes. Raises DbError: 3024 no such file,
// 3045 held by another program or written to during every copy attempt, 3343 damaged, not a
// Jet file or not read within the limits, 3035 no room for the work files, 3000 helper
// program missing. Waiting for the helper keeps the application painting (no user input).
void LoadJetFile(const QString& path, sqlite3* target, const JetReadLimits& limits = {});

// The helper program: beside the running program, else where the build put it; empty when
// neither has it.
QString JetReaderPath();

}  // namespace kvsys
