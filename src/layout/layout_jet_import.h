#pragma once

#include <QString>

namespace kvsys {

class Database;
class Dialogs;

// When the layout database at path is still a Jet file (an operator moving from a Windows
// workstation), converts it once into the layout database of this system: every table with
// its rows, the layout tables in their own schema (a column the schema lacks is added). The
// Jet file stays beside it as path + ".jet" (".jet2" ... when that name is taken), and one
// information box says so. Returns false, touching nothing, for a file that is no Jet file.
// Raises DbError when the conversion fails; nothing on disk has changed then.
bool ConvertJetLayoutDatabase(const QString& path, Dialogs& dialogs);

// The copy behind it, from any database: each table of from with its rows into to, into the
// table of the same name when to has one (columns paired as field names are, a missing one
// added), else into a new table.
void CopyTablesInto(Database& from, Database& to);

}  // namespace kvsys
