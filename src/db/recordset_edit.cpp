// Writing through a recordset: AddNew / Edit / Update / Delete with optimistic checks.
#include <cmath>
#include <optional>

#include "db/recordset.h"
#include "db/recordset_data.h"
#include "db/sql_text.h"

namespace kvsys {

using detail::RecordsetData;

namespace {

bool IsIntegerType(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
      return true;
    default:
      return false;
  }
}

QVariant IntegerValue(double d) {
  if (!std::isfinite(d)) throw DbError(dberr::kTypeConversion);
  const double r = std::nearbyint(d);  // halves to even, as the old engine rounded
  if (std::fabs(r) > 9.2e18) throw DbError(dberr::kNumericOverflow);
  return QVariant(static_cast<qlonglong>(r));
}

// The value as the column's declared kind takes it. A text written to a number column must
// read as a number: anything else would be stored as text and read back as garbage.
QVariant ConvertForColumn(const QVariant& v, char affinity) {
  if (v.isNull()) return QVariant();
  if (affinity != 'i' && affinity != 'n' && affinity != 'r') return v;
  if (v.typeId() == QMetaType::Bool) return QVariant(v.toBool() ? -1 : 0);
  if (IsIntegerType(v)) {
    return affinity == 'r' ? QVariant(v.toDouble()) : QVariant(v.toLongLong());
  }
  if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
    return affinity == 'i' ? IntegerValue(v.toDouble()) : QVariant(v.toDouble());
  }
  if (v.typeId() == QMetaType::QByteArray) return v;
  const QString text = v.toString().trimmed();
  bool ok = false;
  const qlonglong n = text.toLongLong(&ok);
  if (ok) return affinity == 'r' ? QVariant(static_cast<double>(n)) : QVariant(n);
  const double d = text.toDouble(&ok);
  if (!ok || !std::isfinite(d)) {
    throw DbError(dberr::kTypeConversion, DbErrorText(dberr::kTypeConversion), v.toString());
  }
  return affinity == 'i' ? IntegerValue(d) : QVariant(d);
}

// "rowid = ? AND "a" IS ? AND ..." over every table column the recordset read, with the
// values to bind: the row must still hold what was read, texts byte for byte.
QString SameRowCondition(const RecordsetData& d, int row, QVariantList& params) {
  QString where = QStringLiteral("rowid = ?");
  params << d.rowids[static_cast<size_t>(row)];
  std::vector<bool> done(static_cast<size_t>(d.origin_names.size()), false);
  for (int i = 0; i < d.cols; ++i) {
    const int slot = d.origin[static_cast<size_t>(i)];
    if (slot < 0 || done[static_cast<size_t>(slot)]) continue;
    done[static_cast<size_t>(slot)] = true;
    where +=
        QStringLiteral(" AND ") + QuoteIdentifier(d.origin_names[slot]) + QStringLiteral(" IS ?");
    if (std::optional<QByteArray> text = d.values.TextBytes(row, i)) {
      params << QVariant::fromValue(detail::Utf8Text{std::move(*text)});
    } else {
      params << d.Value(row, i);
    }
  }
  return where;
}

void EnsurePrimaryKey(RecordsetData& d, sqlite3* db) {
  if (d.pk_known) return;
  detail::Statement st(
      db, QStringLiteral("SELECT name FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk"));
  st.Bind(1, d.table);
  while (st.Step()) d.pk_columns.push_back(d.Find(st.Column(0).toString()));
  d.pk_known = true;
}

}  // namespace

detail::RowStore Recordset::ReadRow(qint64 rowid) const {
  const RecordsetData& d = *data_;
  sqlite3* db = d.conn->Handle();
  // One result column per recordset column; those that are no table column read as null.
  QString sql = QStringLiteral("SELECT ");
  for (int i = 0; i < d.cols; ++i) {
    if (i > 0) sql += QStringLiteral(", ");
    const int slot = d.origin[static_cast<size_t>(i)];
    sql += slot >= 0 ? QuoteIdentifier(d.origin_names[slot]) : QStringLiteral("NULL");
  }
  if (d.cols == 0) sql += QStringLiteral("rowid");
  sql += QStringLiteral(" FROM ") + QuoteIdentifier(d.table) + QStringLiteral(" WHERE rowid = ?");
  detail::Statement st(db, sql);
  st.Bind(1, rowid);
  detail::RowStore out(d.cols);
  if (st.Step()) out.AppendFromStatement(st.get(), 0);
  return out;
}

void Recordset::RefreshRow(int row, const detail::RowStore& now) {
  RecordsetData& d = *data_;
  if (now.Rows() == 0) return;
  for (int i = 0; i < d.cols; ++i) {
    if (d.origin[static_cast<size_t>(i)] >= 0) d.values.CopyCell(row, i, now, 0);
  }
}

void Recordset::RaiseConflict(int row) {
  RecordsetData& d = *data_;
  const detail::RowStore now = ReadRow(d.rowids[static_cast<size_t>(row)]);
  bool gone = now.Rows() == 0;
  if (!gone) {
    // A row that now holds another key is a new row that took the number of a deleted one.
    EnsurePrimaryKey(d, d.conn->Handle());
    for (int k : d.pk_columns) {
      if (k >= 0 && d.Value(row, k) != now.Value(0, k)) gone = true;
    }
  }
  if (gone) {
    d.deleted[static_cast<size_t>(row)] = 1;
    --d.live;
    CancelEdit();
    throw DbError(dberr::kRowDeleted);
  }
  // Hold the row as it stands now, so that a second Update overwrites the other change.
  RefreshRow(row, now);
  if (edit_mode_ == dbEditInProgress) {
    for (int i = 0; i < d.cols; ++i) {
      if (!changed_[static_cast<size_t>(i)]) buffer_[static_cast<size_t>(i)] = now.Value(0, i);
    }
  }
  throw DbError(dberr::kRowChanged);
}

void Recordset::AddNew() {
  RecordsetData& d = Data();
  if (!d.updatable) throw DbError(dberr::kReadOnly);
  CancelEdit();
  edit_mode_ = dbEditAdd;
  buffer_.assign(static_cast<size_t>(d.cols), QVariant());
  changed_.assign(static_cast<size_t>(d.cols), false);
}

void Recordset::Edit() {
  RecordsetData& d = Data();
  if (!d.updatable) throw DbError(dberr::kReadOnly);
  const int row = LiveRow();
  CancelEdit();
  edit_mode_ = dbEditInProgress;
  buffer_.resize(static_cast<size_t>(d.cols));
  for (int i = 0; i < d.cols; ++i) buffer_[static_cast<size_t>(i)] = d.Value(row, i);
  changed_.assign(static_cast<size_t>(d.cols), false);
}

int Recordset::EditMode() const {
  Data();
  return edit_mode_;
}

void Recordset::SetField(const QString& name, const QVariant& value) {
  const int index = Data().Find(name);
  if (index < 0) throw DbError(dberr::kItemNotFound, DbErrorText(dberr::kItemNotFound), name);
  SetField(index, value);
}

void Recordset::SetField(int index, const QVariant& value) {
  RecordsetData& d = Data();
  if (edit_mode_ == dbEditNone) throw DbError(dberr::kNoEditPending);
  if (index < 0 || index >= d.cols) throw DbError(dberr::kItemNotFound);
  if (d.origin[static_cast<size_t>(index)] < 0) {
    throw DbError(dberr::kFieldNotUpdatable, DbErrorText(dberr::kFieldNotUpdatable),
                  d.names[index]);
  }
  buffer_[static_cast<size_t>(index)] =
      ConvertForColumn(value, d.affinity[static_cast<size_t>(index)]);
  changed_[static_cast<size_t>(index)] = true;
}

void Recordset::CancelUpdate() {
  Data();
  CancelEdit();
}

void Recordset::Update() {
  RecordsetData& d = Data();
  if (edit_mode_ == dbEditNone) throw DbError(dberr::kNoEditPending);
  sqlite3* db = d.conn->Handle();

  // The columns to write, each table column once (the last value set wins).
  QStringList columns;
  QVariantList values;
  for (int i = 0; i < d.cols; ++i) {
    const int slot = d.origin[static_cast<size_t>(i)];
    if (!changed_[static_cast<size_t>(i)] || slot < 0) continue;
    const QString& name = d.origin_names[slot];
    const qsizetype at = columns.indexOf(name);
    if (at >= 0) {
      values[at] = buffer_[static_cast<size_t>(i)];
    } else {
      columns << name;
      values << buffer_[static_cast<size_t>(i)];
    }
  }

  if (edit_mode_ == dbEditAdd) {
    QString sql = QStringLiteral("INSERT INTO ") + QuoteIdentifier(d.table);
    if (columns.isEmpty()) {
      sql += QStringLiteral(" DEFAULT VALUES");
    } else {
      QStringList quoted, marks;
      for (const QString& c : columns) {
        quoted << QuoteIdentifier(c);
        marks << QStringLiteral("?");
      }
      sql += QStringLiteral(" (") + quoted.join(QStringLiteral(", ")) +
             QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    detail::WriteTransaction tx(db);
    detail::Exec(db, sql, values);
    const qint64 rowid = sqlite3_last_insert_rowid(db);
    const detail::RowStore stored = ReadRow(rowid);
    tx.Commit();
    d.AppendRow(rowid, stored);
    last_modified_ = d.Rows() - 1;
    CancelEdit();
    return;
  }

  const int row = LiveRow();
  if (columns.isEmpty()) {
    CancelEdit();
    return;
  }
  QStringList sets;
  for (const QString& c : columns) sets << QuoteIdentifier(c) + QStringLiteral(" = ?");
  QVariantList params = values;
  const QString where = SameRowCondition(d, row, params);
  detail::WriteTransaction tx(db);
  detail::Exec(db,
               QStringLiteral("UPDATE ") + QuoteIdentifier(d.table) + QStringLiteral(" SET ") +
                   sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") + where,
               params);
  if (sqlite3_changes(db) == 0) RaiseConflict(row);
  const detail::RowStore stored = ReadRow(d.rowids[static_cast<size_t>(row)]);
  tx.Commit();
  RefreshRow(row, stored);
  last_modified_ = row;
  CancelEdit();
}

void Recordset::Delete() {
  RecordsetData& d = Data();
  if (!d.updatable) throw DbError(dberr::kReadOnly);
  const int row = LiveRow();
  CancelEdit();
  sqlite3* db = d.conn->Handle();
  QVariantList params;
  const QString where = SameRowCondition(d, row, params);
  detail::WriteTransaction tx(db);
  detail::Exec(
      db,
      QStringLiteral("DELETE FROM ") + QuoteIdentifier(d.table) + QStringLiteral(" WHERE ") + where,
      params);
  if (sqlite3_changes(db) == 0) RaiseConflict(row);
  tx.Commit();
  d.deleted[static_cast<size_t>(row)] = 1;
  --d.live;
}

}  // namespace kvsys
