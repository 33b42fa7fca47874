#include "db/work_table_model.h"

#include <QColor>

#include "db/database.h"

namespace kvsys {

WorkTableModel::WorkTableModel(QStringList columns, QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)), headers_(std::move(headers)) {}

void WorkTableModel::Refresh(Database& db, const QString& table) {
  beginResetModel();
  rows_.clear();
  extra_.clear();
  try {
    auto rs = db.OpenRecordset(table, dbOpenSnapshot);
    for (; !rs->Eof(); rs->MoveNext()) {
      std::vector<QVariant> row;
      row.reserve(static_cast<size_t>(columns_.size()));
      for (const QString& c : columns_) row.push_back(rs->Field(c));
      rows_.push_back(std::move(row));
    }
    rs->Close();
  } catch (...) {
    rows_.clear();
    endResetModel();
    throw;
  }
  endResetModel();
}

void WorkTableModel::Clear() {
  beginResetModel();
  rows_.clear();
  extra_.clear();
  endResetModel();
}

void WorkTableModel::SetExtraColumn(const QString& header, QStringList texts,
                                    std::vector<bool> alert) {
  extra_alert_ = std::move(alert);
  if (header != extra_header_) {
    beginResetModel();
    extra_header_ = header;
    extra_ = std::move(texts);
    endResetModel();
    return;
  }
  extra_ = std::move(texts);
  if (rowCount() > 0 && !extra_header_.isEmpty()) {
    const int column = static_cast<int>(columns_.size());
    emit dataChanged(index(0, column), index(rowCount() - 1, column));
  }
}

QVariant WorkTableModel::Value(int row, const QString& column) const {
  const int c = static_cast<int>(columns_.indexOf(column));
  if (row < 0 || row >= rowCount() || c < 0) return QVariant();
  return rows_[static_cast<size_t>(row)][static_cast<size_t>(c)];
}

int WorkTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int WorkTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(columns_.size()) + (extra_header_.isEmpty() ? 0 : 1);
}

QVariant WorkTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return QVariant();
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(
        Qt::AlignVCenter |
        (right_aligned_.contains(index.column()) ? Qt::AlignRight : Qt::AlignLeft));
  }
  const bool extra = index.column() >= columns_.size();
  const bool alert = extra && static_cast<size_t>(index.row()) < extra_alert_.size() &&
                     extra_alert_[static_cast<size_t>(index.row())];
  if (alert && role == Qt::BackgroundRole) return QColor(255, 120, 120);
  if (alert && role == Qt::ForegroundRole) return QColor(Qt::black);
  if (role != Qt::DisplayRole) return QVariant();
  if (extra) return extra_.value(index.row());
  return rows_[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())];
}

QVariant WorkTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QVariant();
  if (orientation == Qt::Horizontal && section >= 0 && section < headers_.size()) {
    return headers_[section];
  }
  if (orientation == Qt::Horizontal && section == columns_.size()) return extra_header_;
  return orientation == Qt::Vertical ? QVariant(section + 1) : QVariant();
}

}  // namespace kvsys
