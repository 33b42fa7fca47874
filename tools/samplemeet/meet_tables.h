#pragma once

#include <QString>
#include <QVariant>
#include <vector>

namespace kvsys::samplemeet {

enum class ColumnType { Integer, Text };

struct Column {
  QString name;
  ColumnType type = ColumnType::Integer;
  bool primary_key = false;
};

// One table of a results database held in memory: the columns in their stored order and
// the rows in insertion order (a null QVariant is written as NULL).
struct Table {
  QString name;
  std::vector<Column> columns;
  std::vector<std::vector<QVariant>> rows;

  int ColumnIndex(const QString& column) const;
  // Value of a column in a row, null when the column does not exist.
  QVariant Value(size_t row, const QString& column) const;
};

struct MeetTables {
  std::vector<Table> tables;

  Table* Find(const QString& name);
  const Table* Find(const QString& name) const;
};

// Yes/No columns of the results system store -1 for true.
inline constexpr int kJetTrue = -1;
inline constexpr int kJetFalse = 0;

// The tables and columns of a results database, with no rows.
MeetTables EmptyResultsSchema();

// Writes the tables into a new SQLite database at `path` (which must not hold a database
// yet) in one transaction. Returns false with a message in `error` on failure; the file may
// then hold part of the data and is the caller's to remove.
bool WriteTablesToSqlite(const QString& path, const MeetTables& meet, QString* error);

}  // namespace kvsys::samplemeet
