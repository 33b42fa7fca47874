#pragma once

#include <QString>

namespace kvsys {

class Database;

// Empties a work table of the layout database; a failure raises DbError.
void ClearTable(Database& db, const QString& table);

}  // namespace kvsys
