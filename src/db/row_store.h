#pragma once

// The values of a recordset's rows, kept compactly: numbers in place, texts (UTF-8, as SQLite
// gives them) and blobs in one byte buffer per block of rows. A value becomes a QVariant only
// when it is read, so reading a query allocates per block, not per value. Texts keep the bytes
// the file holds, which the optimistic check of an edit compares with. Used inside src/db only.

#include <sqlite3.h>

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <optional>
#include <vector>

namespace kvsys::detail {

class RowStore {
 public:
  explicit RowStore(int cols = 0) : cols_(cols) {}

  int Rows() const { return rows_; }
  int Cols() const { return cols_; }

  // Appends the current row of stmt, columns first .. first + Cols() - 1.
  void AppendFromStatement(sqlite3_stmt* stmt, int first);
  // Appends a copy of a row of another store (not this one) with the same columns, or a row of
  // nulls.
  void AppendCopy(const RowStore& from, int from_row);
  void AppendNulls();
  // Replaces one value by the one another store (not this one) holds.
  void CopyCell(int row, int col, const RowStore& from, int from_row);

  // The value as the engine hands it out: null as a null QVariant, integers as int (qlonglong
  // beyond 32 bits), reals as double, texts as QString, blobs as QByteArray.
  QVariant Value(int row, int col) const;
  // The bytes of a text as the file holds them (decoding may not give them back, e.g. a
  // leading BOM or bad bytes); nullopt for any other value.
  std::optional<QByteArray> TextBytes(int row, int col) const;
  // Appends the value as Value(...).toString() gives it, in UTF-8, without making a QVariant:
  // texts and blobs as their bytes, numbers in decimal, null as nothing.
  void AppendText(int row, int col, QByteArray& out) const;

 private:
  enum Kind : uint8_t { kNull, kInt, kLongLong, kDouble, kText, kBlob };
  struct Cell {
    union {
      qint64 integer;
      double real;
      qint64 at;  // texts and blobs: start in the block's bytes
    };
    uint32_t size;  // texts and blobs: bytes
    Kind kind;
  };
  static_assert(sizeof(Cell) == 16);

  struct Block {
    std::vector<Cell> cells;
    std::vector<char> bytes;
  };

  static constexpr int kBlockRows = 512;

  Block& BlockForNewRow();
  const Block& BlockOf(int row) const { return blocks_[static_cast<size_t>(row / kBlockRows)]; }
  Block& BlockOf(int row) { return blocks_[static_cast<size_t>(row / kBlockRows)]; }
  size_t CellIndex(int row, int col) const {
    return static_cast<size_t>(row % kBlockRows) * static_cast<size_t>(cols_) +
           static_cast<size_t>(col);
  }
  // The cell of from at from_row, its bytes copied into block.
  static Cell CopyOf(Block& block, const RowStore& from, int from_row, int col);
  static void AppendBytes(Block& block, Cell& cell, Kind kind, const void* data, int size);

  int cols_;
  int rows_ = 0;
  std::vector<Block> blocks_;
};

}  // namespace kvsys::detail
