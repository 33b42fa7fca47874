#include "db/jet_reader.h"

#include "db/db_error.h"

namespace kvsys {

// The Jet reader is not written yet: Jet files are recognised and refused with a clear text.
void ReadJetDatabase(const QString& path, sqlite3* /*target*/) {
  throw DbError(dberr::kNotADatabase,
                QStringLiteral("Jet形式（.mdb）のデータベースはまだ読み込めません。"), path);
}

}  // namespace kvsys
