#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace kvsys {

class Database;

// Writes a new layout database (KVSYS.mdb) at path with every table of the layout store and
// the work tables, all empty. Refuses an existing file (3204) and raises a DbError on any
// failure; the file appears complete or not at all. fill, when given, writes the first rows
// before the file appears, so that no other workstation ever sees it without them.
void CreateLayoutDatabase(const QString& path,
                          const std::function<void(Database&)>& fill = nullptr);

// The tables of a layout database, in the order they are created.
QStringList LayoutTableNames();
// The columns of one of those tables, in table order (empty for another name).
QStringList LayoutTableColumns(const QString& table);

}  // namespace kvsys
