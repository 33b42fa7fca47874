#include "work_table.h"

#include "database.h"

namespace kvsys {

void ClearTable(Database& db, const QString& table) {
  db.Execute(QStringLiteral("DELETE FROM ") + table, dbFailOnError);
}

}  // namespace kvsys
