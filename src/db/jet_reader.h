#pragma once

#include <QString>

struct sqlite3;

namespace kvsys {

// Copies the tables (names, columns and rows) of the Jet file at path into target, an empty
// in-memory SQLite database. Raises DbError when the file cannot be read.
void ReadJetDatabase(const QString& path, sqlite3* target);

}  // namespace kvsys
