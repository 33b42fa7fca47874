#pragma once

#include <QString>

namespace kvsys {

// Creates a new, empty SQLite database file (journal in DELETE mode). Raises 3204 when the file
// exists (nothing is overwritten) and 3044 when it cannot be created.
void CreateDatabase(const QString& path);

// The definition of a 16-bit integer column, for CREATE TABLE: values outside -32768..32767
// are refused with 3349. default_sql is an SQL literal ("0") or empty for none.
QString Int16Column(const QString& name, const QString& default_sql = QString());

}  // namespace kvsys
