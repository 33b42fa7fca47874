#pragma once

#include <QString>
#include <QStringList>

namespace kvsys {

// Writes a new layout database (KVSYS.mdb) at path with every table of the layout store and
// the work tables, all empty. Refuses an existing file (3204) and raises a DbError on any
// failure; the file appears complete or not at all.
void CreateLayoutDatabase(const QString& path);

// The tables of a layout database, in the order they are created.
QStringList LayoutTableNames();
// The columns of one of those tables, in table order (empty for another name).
QStringList LayoutTableColumns(const QString& table);

}  // namespace kvsys
