#include "db/recordset.h"

#include <QtEndian>
#include <algorithm>

#include "db/criteria.h"
#include "db/field_name.h"
#include "db/recordset_data.h"

namespace kvsys {

using detail::RecordsetData;

Recordset::Recordset(std::shared_ptr<RecordsetData> data) : data_(std::move(data)) {
  const int first = FirstLive(0, 1);
  pos_ = first >= 0 ? first : kAfter;
}

Recordset::~Recordset() = default;

namespace {
[[noreturn]] void RaiseClosed() {
  throw DbError(dberr::kObjectClosed);
}
}  // namespace

// Small enough to be inlined into every read: the throw is out of line.
RecordsetData& Recordset::Data() const {
  if (!data_ || !data_->conn->IsOpen()) [[unlikely]]
    RaiseClosed();
  return *data_;
}

int Recordset::FirstLive(int from, int step) const {
  const RecordsetData& d = *data_;
  const int n = static_cast<int>(d.order.size());
  for (int p = from; p >= 0 && p < n; p += step) {
    if (!d.deleted[static_cast<size_t>(d.order[static_cast<size_t>(p)])]) return p;
  }
  return -1;
}

int Recordset::LiveRow() const {
  const RecordsetData& d = Data();
  if (pos_ < 0 || d.live == 0) throw DbError(dberr::kNoCurrentRecord);
  const int row = d.order[static_cast<size_t>(pos_)];
  if (d.deleted[static_cast<size_t>(row)]) throw DbError(dberr::kRowDeleted);
  return row;
}

void Recordset::CancelEdit() {
  edit_mode_ = dbEditNone;
  buffer_.clear();
  changed_.clear();
}

bool Recordset::Eof() const {
  const RecordsetData& d = Data();
  return d.live == 0 || pos_ == kAfter;
}

bool Recordset::Bof() const {
  const RecordsetData& d = Data();
  return d.live == 0 || pos_ == kBefore;
}

int Recordset::RecordCount() const {
  return Data().live;
}

void Recordset::MoveTo(int position) {
  CancelEdit();
  pos_ = position;
}

void Recordset::MoveFirst() {
  Data();
  const int p = FirstLive(0, 1);
  MoveTo(p >= 0 ? p : kAfter);
}

void Recordset::MoveLast() {
  const RecordsetData& d = Data();
  const int p = FirstLive(static_cast<int>(d.order.size()) - 1, -1);
  MoveTo(p >= 0 ? p : kAfter);
}

void Recordset::MoveNext() {
  if (Eof()) throw DbError(dberr::kNoCurrentRecord);
  const int p = FirstLive(pos_ == kBefore ? 0 : pos_ + 1, 1);
  MoveTo(p >= 0 ? p : kAfter);
}

void Recordset::MovePrevious() {
  if (Bof()) throw DbError(dberr::kNoCurrentRecord);
  const int from = pos_ == kAfter ? static_cast<int>(data_->order.size()) - 1 : pos_ - 1;
  const int p = FirstLive(from, -1);
  MoveTo(p >= 0 ? p : kBefore);
}

int Recordset::FieldIndex(const QString& name) const {
  return Data().Find(name);
}

bool Recordset::HasField(const QString& name) const {
  return FieldIndex(name) >= 0;
}

int Recordset::FieldCount() const {
  return Data().cols;
}

QString Recordset::FieldName(int index) const {
  const RecordsetData& d = Data();
  if (index < 0 || index >= d.cols) throw DbError(dberr::kItemNotFound);
  return d.names[index];
}

QVariant Recordset::Field(const QString& name) const {
  // The path every read of every row takes: one check of each kind, no second lookup.
  const RecordsetData& d = Data();
  const int index = d.Find(name);
  if (index < 0) throw DbError(dberr::kItemNotFound, DbErrorText(dberr::kItemNotFound), name);
  if (edit_mode_ != dbEditNone) return buffer_[static_cast<size_t>(index)];
  if (pos_ < 0 || d.live == 0) throw DbError(dberr::kNoCurrentRecord);
  const int row = d.order[static_cast<size_t>(pos_)];
  if (d.deleted[static_cast<size_t>(row)]) throw DbError(dberr::kRowDeleted);
  return d.Value(row, index);
}

QVariant Recordset::Field(int index) const {
  const RecordsetData& d = Data();
  if (index < 0 || index >= d.cols) throw DbError(dberr::kItemNotFound);
  if (edit_mode_ != dbEditNone) return buffer_[static_cast<size_t>(index)];
  return d.Value(LiveRow(), index);
}

void Recordset::AppendFieldText(int index, QByteArray& out) const {
  const RecordsetData& d = Data();
  if (index < 0 || index >= d.cols) throw DbError(dberr::kItemNotFound);
  if (edit_mode_ != dbEditNone) {
    out.append(buffer_[static_cast<size_t>(index)].toString().toUtf8());
    return;
  }
  d.values.AppendText(LiveRow(), index, out);
}

namespace {
constexpr int kBookmarkSize = 8;
}

QByteArray Recordset::Bookmark() const {
  const RecordsetData& d = Data();
  const int row = LiveRow();
  QByteArray b(kBookmarkSize, Qt::Uninitialized);
  qToLittleEndian<quint32>(d.id, b.data());
  qToLittleEndian<quint32>(static_cast<quint32>(row), b.data() + 4);
  return b;
}

void Recordset::SetBookmark(const QByteArray& bookmark) {
  const RecordsetData& d = Data();
  if (bookmark.size() != kBookmarkSize ||
      qFromLittleEndian<quint32>(bookmark.constData()) != d.id) {
    throw DbError(dberr::kInvalidBookmark);
  }
  const quint32 row = qFromLittleEndian<quint32>(bookmark.constData() + 4);
  if (row >= static_cast<quint32>(d.Rows())) throw DbError(dberr::kInvalidBookmark);
  if (d.deleted[row]) throw DbError(dberr::kRowDeleted);
  MoveTo(d.position_of[row]);
}

QByteArray Recordset::LastModified() const {
  const RecordsetData& d = Data();
  if (last_modified_ < 0) return QByteArray();
  QByteArray b(kBookmarkSize, Qt::Uninitialized);
  qToLittleEndian<quint32>(d.id, b.data());
  qToLittleEndian<quint32>(static_cast<quint32>(last_modified_), b.data() + 4);
  return b;
}

std::unique_ptr<Recordset> Recordset::Clone() const {
  Data();
  return std::unique_ptr<Recordset>(new Recordset(data_));
}

void Recordset::Find(const QString& criteria, int from, int step) {
  RecordsetData& d = Data();
  const Criteria c = Criteria::Parse(criteria, [&d](const QString& n) { return d.Find(n); });
  // Only the fields the condition names are read from each row.
  const std::vector<int> fields = c.Fields();
  std::vector<QVariant> values(static_cast<size_t>(d.cols));
  const int n = static_cast<int>(d.order.size());
  for (int p = from; p >= 0 && p < n; p += step) {
    const int row = d.order[static_cast<size_t>(p)];
    if (d.deleted[static_cast<size_t>(row)]) continue;
    for (int f : fields) values[static_cast<size_t>(f)] = d.Value(row, f);
    if (c.Matches(values.data())) {
      no_match_ = false;
      MoveTo(p);
      return;
    }
  }
  no_match_ = true;
}

void Recordset::FindFirst(const QString& criteria) {
  Find(criteria, 0, 1);
}

void Recordset::FindLast(const QString& criteria) {
  Find(criteria, static_cast<int>(Data().order.size()) - 1, -1);
}

void Recordset::FindNext(const QString& criteria) {
  const int n = static_cast<int>(Data().order.size());
  Find(criteria, pos_ >= 0 ? pos_ + 1 : (pos_ == kBefore ? 0 : n), 1);
}

void Recordset::FindPrevious(const QString& criteria) {
  const int n = static_cast<int>(Data().order.size());
  Find(criteria, pos_ >= 0 ? pos_ - 1 : (pos_ == kAfter ? n - 1 : -1), -1);
}

bool Recordset::NoMatch() const {
  Data();
  return no_match_;
}

namespace {

// Index order: nulls first, then by value.
int KeyCompare(const QVariant& value, const QVariant& key) {
  if (value.isNull() || key.isNull())
    return value.isNull() == key.isNull() ? 0 : (value.isNull() ? -1 : 1);
  if (const auto c = CompareValues(value, key)) return *c;
  return QString::compare(value.toString(), key.toString(), Qt::CaseInsensitive);
}

}  // namespace

void Recordset::SetIndex(const QString& index) {
  RecordsetData& d = Data();
  if (d.type != dbOpenTable) throw DbError(dberr::kNotSupportedHere);
  sqlite3* db = d.conn->Handle();
  QStringList columns;
  if (NormalizeFieldName(index) == QLatin1String("primarykey")) {
    detail::Statement st(
        db, QStringLiteral("SELECT name FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk"));
    st.Bind(1, d.table);
    while (st.Step()) columns << st.Column(0).toString();
  } else {
    detail::Statement st(
        db, QStringLiteral(
                "SELECT ii.name FROM pragma_index_list(?1) il, pragma_index_info(il.name) ii "
                "WHERE il.name = ?2 COLLATE NOCASE ORDER BY ii.seqno"));
    st.Bind(1, d.table);
    st.Bind(2, index);
    while (st.Step()) columns << st.Column(0).toString();
  }
  std::vector<int> keys;
  for (const QString& c : columns) {
    const int i = d.Find(c);
    if (i < 0) throw DbError(dberr::kNoSuchIndex, DbErrorText(dberr::kNoSuchIndex), index);
    keys.push_back(i);
  }
  if (keys.empty()) throw DbError(dberr::kNoSuchIndex, DbErrorText(dberr::kNoSuchIndex), index);

  d.index_name = index;
  d.index_columns = keys;
  // The keys of every row, read once rather than at each comparison.
  const size_t width = keys.size();
  std::vector<QVariant> key_values(static_cast<size_t>(d.Rows()) * width);
  for (int row = 0; row < d.Rows(); ++row) {
    for (size_t k = 0; k < width; ++k) {
      key_values[static_cast<size_t>(row) * width + k] = d.Value(row, keys[k]);
    }
  }
  std::stable_sort(d.order.begin(), d.order.end(), [&key_values, width](int a, int b) {
    const QVariant* ka = key_values.data() + static_cast<size_t>(a) * width;
    const QVariant* kb = key_values.data() + static_cast<size_t>(b) * width;
    for (size_t k = 0; k < width; ++k) {
      const int c = KeyCompare(ka[k], kb[k]);
      if (c != 0) return c < 0;
    }
    return false;
  });
  for (size_t p = 0; p < d.order.size(); ++p)
    d.position_of[static_cast<size_t>(d.order[p])] = static_cast<int>(p);
  const int first = FirstLive(0, 1);
  MoveTo(first >= 0 ? first : kAfter);
}

QString Recordset::Index() const {
  return Data().index_name;
}

void Recordset::Seek(const QString& op, const QVariant& key) {
  Seek(op, QVariantList{key});
}

void Recordset::Seek(const QString& op, const QVariantList& key) {
  RecordsetData& d = Data();
  if (d.type != dbOpenTable) throw DbError(dberr::kNotSupportedHere);
  if (d.index_columns.empty()) throw DbError(dberr::kNoCurrentIndex);
  if (key.isEmpty() || key.size() > static_cast<qsizetype>(d.index_columns.size())) {
    throw DbError(dberr::kInvalidArgument);
  }
  const QString o = op.trimmed();
  if (o != u"=" && o != u"<" && o != u"<=" && o != u">" && o != u">=") {
    throw DbError(dberr::kInvalidArgument, DbErrorText(dberr::kInvalidArgument), op);
  }
  auto compare = [&](int row) {
    for (qsizetype k = 0; k < key.size(); ++k) {
      const QVariant v = d.Value(row, d.index_columns[static_cast<size_t>(k)]);
      if (o == u"=" && (v.isNull() || key[k].isNull())) return 2;  // null never equals
      const int c = KeyCompare(v, key[k]);
      if (c != 0) return c;
    }
    return 0;
  };
  const bool backwards = o == u"<" || o == u"<=";
  const int n = static_cast<int>(d.order.size());
  for (int i = 0; i < n; ++i) {
    const int p = backwards ? n - 1 - i : i;
    const int row = d.order[static_cast<size_t>(p)];
    if (d.deleted[static_cast<size_t>(row)]) continue;
    const int c = compare(row);
    const bool hit = (o == u"=" && c == 0) || (o == u">=" && c >= 0 && c != 2) ||
                     (o == u">" && c > 0 && c != 2) || (o == u"<=" && c <= 0) ||
                     (o == u"<" && c < 0);
    if (hit) {
      no_match_ = false;
      MoveTo(p);
      return;
    }
  }
  no_match_ = true;
}

void Recordset::SetLockEdits(bool lock) {
  Data();
  lock_edits_ = lock;
}

bool Recordset::LockEdits() const {
  Data();
  return lock_edits_;
}

int Recordset::Type() const {
  return Data().type;
}

bool Recordset::Updatable() const {
  return Data().updatable;
}

void Recordset::Close() {
  CancelEdit();
  data_.reset();
}

bool Recordset::IsOpen() const {
  return data_ && data_->conn->IsOpen();
}

int16_t CountRows(Recordset& rs) {
  QByteArray mark;
  if (!rs.Eof() && !rs.Bof()) {
    try {
      mark = rs.Bookmark();
    } catch (const DbError&) {
      // a deleted current row has no position to come back to
    }
  }
  int count = 0;
  rs.MoveFirst();
  while (!rs.Eof()) {
    ++count;
    rs.MoveNext();
  }
  if (!mark.isEmpty()) rs.SetBookmark(mark);
  return static_cast<int16_t>(std::min(count, 32767));
}

}  // namespace kvsys
