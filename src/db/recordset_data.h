#pragma once

// Rows and column facts shared by a recordset and its clones. Used inside src/db only.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <array>
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
  // Values row by row, in blocks of kBlockRows rows so that reading never moves them.
  static constexpr int kBlockRows = 512;
  std::vector<std::vector<QVariant>> blocks;
  std::vector<qint64> rowids;
  std::vector<uint8_t> deleted;
  int live = 0;
  std::vector<int> order;        // storage rows in recordset order
  std::vector<int> position_of;  // storage row -> index in order

  // Table-type index.
  QString index_name;
  std::vector<int> index_columns;

  // Recently asked names, by the address of their characters: callers pass the same literal
  // for every row, and this spares hashing it each time. A slot keeps its own copy of the name,
  // so the characters at that address stay alive and unchanged while the slot holds them.
  struct NameSlot {
    QString name;
    int index = -1;
  };
  mutable std::array<NameSlot, 64> recent;

  int Rows() const { return static_cast<int>(deleted.size()); }
  const QVariant* Row(int row) const {
    return blocks[static_cast<size_t>(row / kBlockRows)].data() +
           static_cast<size_t>(row % kBlockRows) * static_cast<size_t>(cols);
  }
  QVariant* Row(int row) {
    return blocks[static_cast<size_t>(row / kBlockRows)].data() +
           static_cast<size_t>(row % kBlockRows) * static_cast<size_t>(cols);
  }
  // Room for the values of one more row (its first cell).
  std::vector<QVariant>& BlockForNewRow() {
    if (blocks.empty() || blocks.back().size() >= static_cast<size_t>(kBlockRows) * cols) {
      blocks.emplace_back();
      blocks.back().reserve(static_cast<size_t>(kBlockRows) * static_cast<size_t>(cols));
    }
    return blocks.back();
  }
  int Find(const QString& name) const;
  void AppendRow(qint64 rowid, const QVariantList& row);
};

// Reads the rows of source (a table name or SQL) into a new RecordsetData.
std::shared_ptr<RecordsetData> LoadRecordset(const std::shared_ptr<Connection>& conn,
                                             const QString& source, const QVariantList& params,
                                             int type, int options);

}  // namespace kvsys::detail
