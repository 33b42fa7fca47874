#include <QAtomicInteger>

#include "db/db_constants.h"
#include "db/field_name.h"
#include "db/recordset_data.h"
#include "db/sql_text.h"

namespace kvsys::detail {

namespace {

QAtomicInteger<quint32> next_id{1};

char AffinityOf(const char* decl) {
  const QByteArray t = QByteArray(decl ? decl : "").toUpper();
  if (t.contains("INT")) return 'i';
  if (t.contains("CHAR") || t.contains("CLOB") || t.contains("TEXT")) return 't';
  if (t.isEmpty() || t.contains("BLOB")) return 'b';
  if (t.contains("REAL") || t.contains("FLOA") || t.contains("DOUB")) return 'r';
  return 'n';
}

int TableColumnCount(sqlite3* db, const QString& table) {
  Statement st(db, QStringLiteral("SELECT count(*) FROM pragma_table_info(?)"));
  st.Bind(1, table);
  return st.Step() ? st.Column(0).toInt() : 0;
}

// The table or alias each result column comes from, when the select list can be lined up with
// the result; empty otherwise (then only plain names are known).
QStringList Qualifiers(sqlite3* db, const SelectShape& shape, int cols) {
  if (!shape.is_select || !shape.sources_known) return {};
  QStringList out;
  for (const SelectShape::Item& item : shape.items) {
    switch (item.kind) {
      case SelectShape::Item::kStar:
        for (const SelectShape::Source& src : shape.sources) {
          const int n = TableColumnCount(db, src.table);
          for (int i = 0; i < n; ++i) out << src.name;
        }
        break;
      case SelectShape::Item::kQualifiedStar: {
        const QString wanted = NormalizeFieldName(item.qualifier);
        const SelectShape::Source* src = nullptr;
        for (const SelectShape::Source& s : shape.sources) {
          if (NormalizeFieldName(s.name) == wanted) src = &s;
        }
        if (!src) return {};
        const int n = TableColumnCount(db, src->table);
        for (int i = 0; i < n; ++i) out << src->name;
        break;
      }
      case SelectShape::Item::kColumn:
        if (!item.qualifier.isEmpty()) {
          out << item.qualifier;
        } else {
          out << (shape.sources.size() == 1 ? shape.sources[0].name : QString());
        }
        break;
      case SelectShape::Item::kExpression:
        out << QString();
        break;
    }
  }
  if (out.size() != cols) return {};
  return out;
}

void AddNameIfAbsent(RecordsetData& d, const QString& name, int index) {
  if (name.isEmpty()) return;
  if (!d.exact.contains(name)) d.exact.insert(name, index);
  const QString folded = NormalizeFieldName(name);
  if (!d.folded.contains(folded)) d.folded.insert(folded, index);
}

// The columns of a prepared statement: names (plain first, then qualified), affinities, and
// for an updatable recordset the table column each one writes.
void DescribeColumns(RecordsetData& d, sqlite3* db, sqlite3_stmt* stmt, const SelectShape& shape,
                     bool with_rowid) {
  const int first = with_rowid ? 1 : 0;
  d.cols = sqlite3_column_count(stmt) - first;
  const QStringList qualifiers = Qualifiers(db, shape, d.cols);
  for (int i = 0; i < d.cols; ++i) {
    const int c = i + first;
    const QString name = QString::fromUtf8(sqlite3_column_name(stmt, c));
    d.names << name;
    d.affinity.push_back(AffinityOf(sqlite3_column_decltype(stmt, c)));
    const char* origin = sqlite3_column_origin_name(stmt, c);
    int slot = -1;
    if (with_rowid && origin) {
      const QString o = QString::fromUtf8(origin);
      slot = static_cast<int>(d.origin_names.indexOf(o));
      if (slot < 0) {
        d.origin_names << o;
        slot = static_cast<int>(d.origin_names.size()) - 1;
      }
    }
    d.origin.push_back(slot);
    AddNameIfAbsent(d, name, i);
  }
  // Qualified names come after the plain ones so that a plain name keeps its first column.
  if (!qualifiers.isEmpty()) {
    for (int i = 0; i < d.cols; ++i) {
      if (qualifiers[i].isEmpty()) continue;
      AddNameIfAbsent(d, qualifiers[i] + QLatin1Char('.') + d.names[i], i);
    }
  }
}

}  // namespace

int RecordsetData::FindAndRemember(const QString& name) const {
  NameSlot& slot = SlotOf(name);
  int index = -1;
  auto it = exact.constFind(name);
  if (it != exact.constEnd()) {
    index = it.value();
  } else {
    auto f = folded.constFind(NormalizeFieldName(name));
    if (f != folded.constEnd()) index = f.value();
  }
  slot.name = name;
  slot.index = index;
  return index;
}

void RecordsetData::AppendRow(qint64 rowid, const RowStore& from) {
  const int r = Rows();
  if (from.Rows() > 0) {
    values.AppendCopy(from, 0);
  } else {
    values.AppendNulls();
  }
  rowids.push_back(rowid);
  deleted.push_back(0);
  order.push_back(r);
  position_of.push_back(static_cast<int>(order.size()) - 1);
  ++live;
}

std::shared_ptr<RecordsetData> LoadRecordset(const std::shared_ptr<Connection>& conn,
                                             const QString& source, const QVariantList& params,
                                             int type, int options) {
  sqlite3* db = conn->Handle();
  if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot) {
    throw DbError(dberr::kInvalidArgument);
  }
  const QString table = SingleTableName(source);
  if (type == dbOpenTable && table.isEmpty()) {
    throw DbError(dberr::kInvalidOperation, DbErrorText(dberr::kInvalidOperation), source);
  }
  const bool want_write = type != dbOpenSnapshot && !(options & dbReadOnly) && !conn->ReadOnly();
  const QString sql = table.isEmpty() ? ToSqliteDialect(source)
                                      : QStringLiteral("SELECT * FROM ") + QuoteIdentifier(table);
  const SelectShape shape = AnalyzeSelect(sql);

  // An updatable recordset also reads each row's rowid, in a hidden first column.
  std::unique_ptr<Statement> st;
  bool with_rowid = false;
  if (want_write && shape.single_table && shape.list_start >= 0) {
    const QString with = sql.left(shape.list_start) + QuoteIdentifier(shape.sources[0].name) +
                         QStringLiteral(".rowid, ") + sql.mid(shape.list_start);
    try {
      st = std::make_unique<Statement>(db, with);
      with_rowid = true;
    } catch (const DbError& e) {
      if (e.number() != dberr::kUnknownColumn) throw;  // a view or a table without rowid
    }
  }
  if (!st) st = std::make_unique<Statement>(db, sql);
  sqlite3_stmt* stmt = st->get();
  if (!sqlite3_stmt_readonly(stmt)) {
    throw DbError(dberr::kInvalidOperation, DbErrorText(dberr::kInvalidOperation), source);
  }
  st->BindAll(params);

  auto d = std::make_shared<RecordsetData>();
  d->conn = conn;
  d->id = next_id.fetchAndAddRelaxed(1);
  d->type = type;
  d->updatable = with_rowid;
  if (shape.single_table) d->table = shape.sources[0].table;
  const int first = with_rowid ? 1 : 0;
  DescribeColumns(*d, db, stmt, shape, with_rowid);

  d->values = RowStore(d->cols);
  while (st->Step()) {
    const int r = d->Rows();
    d->rowids.push_back(with_rowid ? sqlite3_column_int64(stmt, 0) : 0);
    d->values.AppendFromStatement(stmt, first);
    d->deleted.push_back(0);
    d->order.push_back(r);
    d->position_of.push_back(r);
  }
  d->live = d->Rows();
  return d;
}

}  // namespace kvsys::detail
