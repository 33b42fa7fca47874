#include "db/row_store.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <charconv>
#include <cstring>
#include <type_traits>
#include <utility>

namespace kvsys::detail {

namespace {

// A variant holding value without a second reference to it (QVariant(const QString&) would
// take one and drop the other at once). data() also marks the variant as not null.
template <typename T>
QVariant Holding(T&& value) {
  QVariant v{QMetaType::fromType<std::decay_t<T>>()};
  *static_cast<std::decay_t<T>*>(v.data()) = std::forward<T>(value);
  return v;
}

}  // namespace

RowStore::Block& RowStore::BlockForNewRow() {
  if (rows_ % kBlockRows == 0) {
    // A full block gives back the room its bytes grew into (up to half of them).
    if (!blocks_.empty()) blocks_.back().bytes.shrink_to_fit();
    blocks_.emplace_back();
    // The first block grows with the rows (most recordsets are small); later ones are full.
    const size_t rows = blocks_.size() == 1 ? 8 : kBlockRows;
    blocks_.back().cells.reserve(rows * static_cast<size_t>(cols_));
  }
  return blocks_.back();
}

void RowStore::AppendBytes(Block& block, Cell& cell, Kind kind, const void* data, int size) {
  cell.kind = kind;
  cell.at = static_cast<qint64>(block.bytes.size());
  cell.size = static_cast<uint32_t>(size);
  if (size > 0) {
    const char* p = static_cast<const char*>(data);
    block.bytes.insert(block.bytes.end(), p, p + size);
  }
}

void RowStore::AppendFromStatement(sqlite3_stmt* stmt, int first) {
  Block& block = BlockForNewRow();
  for (int i = first; i < first + cols_; ++i) {
    // One call for the column, then the value's own accessors: the column accessors would each
    // look the column up again. Connections are opened for one thread only (NOMUTEX), which is
    // what makes the unprotected value safe to read.
    sqlite3_value* value = sqlite3_column_value(stmt, i);
    // Filled in place: a cell put together beside the vector and then copied stalls the copy.
    Cell& cell = block.cells.emplace_back();
    switch (sqlite3_value_type(value)) {
      case SQLITE_INTEGER:
        cell.integer = sqlite3_value_int64(value);
        cell.kind = cell.integer >= INT32_MIN && cell.integer <= INT32_MAX ? kInt : kLongLong;
        break;
      case SQLITE_FLOAT:
        cell.real = sqlite3_value_double(value);
        cell.kind = kDouble;
        break;
      case SQLITE_TEXT: {
        const unsigned char* p = sqlite3_value_text(value);
        AppendBytes(block, cell, kText, p, sqlite3_value_bytes(value));
        break;
      }
      case SQLITE_BLOB: {
        const void* p = sqlite3_value_blob(value);
        AppendBytes(block, cell, kBlob, p, sqlite3_value_bytes(value));
        break;
      }
      default:
        cell.kind = kNull;
        break;
    }
  }
  ++rows_;
}

RowStore::Cell RowStore::CopyOf(Block& block, const RowStore& from, int from_row, int col) {
  const Block& source = from.BlockOf(from_row);
  Cell cell = source.cells[from.CellIndex(from_row, col)];
  if (cell.kind == kText || cell.kind == kBlob) {
    AppendBytes(block, cell, cell.kind, source.bytes.data() + cell.at, static_cast<int>(cell.size));
  }
  return cell;
}

void RowStore::AppendCopy(const RowStore& from, int from_row) {
  Block& block = BlockForNewRow();
  for (int i = 0; i < cols_; ++i) block.cells.push_back(CopyOf(block, from, from_row, i));
  ++rows_;
}

void RowStore::AppendNulls() {
  Block& block = BlockForNewRow();
  block.cells.resize(block.cells.size() + static_cast<size_t>(cols_));  // zero is null
  ++rows_;
}

void RowStore::CopyCell(int row, int col, const RowStore& from, int from_row) {
  Block& block = BlockOf(row);
  Cell& cell = block.cells[CellIndex(row, col)];
  const Block& source = from.BlockOf(from_row);
  const Cell& given = source.cells[from.CellIndex(from_row, col)];
  // Bytes that fit where the old ones were go there (no other cell shares them), so a row
  // written again and again does not grow the block; longer ones go to its end.
  const bool has_bytes = given.kind == kText || given.kind == kBlob;
  if (has_bytes && (cell.kind == kText || cell.kind == kBlob) && given.size <= cell.size) {
    if (given.size > 0) {
      std::memcpy(block.bytes.data() + cell.at, source.bytes.data() + given.at, given.size);
    }
    cell.kind = given.kind;
    cell.size = given.size;
    return;
  }
  cell = CopyOf(block, from, from_row, col);
}

std::optional<QByteArray> RowStore::TextBytes(int row, int col) const {
  const Block& block = BlockOf(row);
  const Cell& cell = block.cells[CellIndex(row, col)];
  if (cell.kind != kText) return std::nullopt;
  return QByteArray(cell.size ? block.bytes.data() + cell.at : "", cell.size);
}

void RowStore::AppendText(int row, int col, QByteArray& out) const {
  const Block& block = BlockOf(row);
  const Cell& cell = block.cells[CellIndex(row, col)];
  switch (cell.kind) {
    case kNull:
      return;
    case kInt:
    case kLongLong: {
      char digits[24];
      const auto end = std::to_chars(digits, digits + sizeof digits, cell.integer).ptr;
      out.append(digits, end - digits);
      return;
    }
    case kDouble:
      out.append(QString::number(cell.real, 'g', QLocale::FloatingPointShortest).toUtf8());
      return;
    case kText:
    case kBlob:
      if (cell.size) out.append(block.bytes.data() + cell.at, cell.size);
      return;
  }
}

QVariant RowStore::Value(int row, int col) const {
  const Block& block = BlockOf(row);
  const Cell& cell = block.cells[CellIndex(row, col)];
  switch (cell.kind) {
    case kNull:
      return QVariant();
    case kInt:
      return QVariant(static_cast<int>(cell.integer));
    case kLongLong:
      return QVariant(static_cast<qlonglong>(cell.integer));
    case kDouble:
      return QVariant(cell.real);
    case kText:
      // An empty text is an empty QString, never a null one.
      return Holding(QString::fromUtf8(
          QByteArrayView(cell.size ? block.bytes.data() + cell.at : "", cell.size)));
    case kBlob:
      // An empty blob is a null QByteArray, as SQLite gives no bytes for it.
      if (cell.size == 0) return QVariant(QByteArray());
      return Holding(QByteArray(block.bytes.data() + cell.at, cell.size));
  }
  return QVariant();
}

}  // namespace kvsys::detail
