#include "db/work_table.h"

#include "db/database.h"

namespace kvsys {

void ClearTable(Database& db, const QString& table) {
  db.Execute(QStringLiteral("DELETE FROM ") + table, dbFailOnError);
}

}  // namespace kvsys
