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

#include "db/row_store.h"
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
  RowStore values;
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
  QVariant Value(int row, int col) const { return values.Value(row, col); }
  // The column of a name, or -1. The name asked last time at the same address is found
  // without hashing it.
  int Find(const QString& name) const {
    const NameSlot& slot = SlotOf(name);
    if (slot.name.constData() == name.constData() && slot.name.size() == name.size() &&
        !slot.name.isNull()) {
      return slot.index;
    }
    return FindAndRemember(name);
  }
  NameSlot& SlotOf(const QString& name) const {
    const auto address = reinterpret_cast<quintptr>(name.constData());
    return recent[(address * 0x9E3779B97F4A7C15ULL) >> 58];  // 64 slots
  }
  int FindAndRemember(const QString& name) const;
  void AppendRow(qint64 rowid, const RowStore& from);  // its first row, or nulls when none
};

// Reads the rows of source (a table name or SQL) into a new RecordsetData.
std::shared_ptr<RecordsetData> LoadRecordset(const std::shared_ptr<Connection>& conn,
                                             const QString& source, const QVariantList& params,
                                             int type, int options);

}  // namespace kvsys::detail
