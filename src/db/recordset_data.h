#pragma once

// Rows and column facts shared by a recordset and its clones. Used inside src/db only.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <memory>
#include <vector>

#include "db/sqlite_connection.h"

namespace kvsys::detail {

struct RecordsetData {
  std::shared_ptr<Connection> conn;
  quint32 id = 0;  // tells bookmarks of other recordsets apart
  int type = 0;
  bool updatable = false;
  QString table;  // the table read (single-table sources); written only when updatable

  // Columns.
  int cols = 0;
  QStringList names;
  std::vector<char> affinity;   // 'i' integer, 'n' numeric, 'r' real, 't' text, 'b' none
  std::vector<int> origin;      // per column: index into origin_names, or -1 (not writable)
  QStringList origin_names;     // distinct table columns the recordset reads
  QHash<QString, int> exact;    // names as written, and alias.column
  QHash<QString, int> folded;   // the same in NormalizeFieldName form
  std::vector<int> pk_columns;  // recordset columns of the primary key (-1: not read)
  bool pk_known = false;

  // Rows, in storage order; rows are never removed, only marked deleted.
  std::vector<QVariant> values;  // row-major, cols per row
  std::vector<qint64> rowids;
  std::vector<uint8_t> deleted;
  int live = 0;
  std::vector<int> order;        // storage rows in recordset order
  std::vector<int> position_of;  // storage row -> index in order

  // Table-type index.
  QString index_name;
  std::vector<int> index_columns;

  int Rows() const { return static_cast<int>(deleted.size()); }
  const QVariant* Row(int row) const { return values.data() + static_cast<size_t>(row) * cols; }
  QVariant* Row(int row) { return values.data() + static_cast<size_t>(row) * cols; }
  int Find(const QString& name) const;
  void AppendRow(qint64 rowid, const QVariantList& row);
};

// Reads the rows of source (a table name or SQL) into a new RecordsetData.
std::shared_ptr<RecordsetData> LoadRecordset(const std::shared_ptr<Connection>& conn,
                                             const QString& source, const QVariantList& params,
                                             int type, int options);

}  // namespace kvsys::detail
