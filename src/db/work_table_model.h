#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace kvsys {

class Database;

// Read-only grid source over a work table of the layout database: the grid shows the named
// columns under the given headers, as they were at the last Refresh.
class WorkTableModel : public QAbstractTableModel {
 public:
  WorkTableModel(QStringList columns, QStringList headers, QObject* parent = nullptr);

  // Rereads the table; a database error propagates as DbError and leaves the grid empty.
  void Refresh(Database& db, const QString& table);
  void Clear();

  QVariant Value(int row, const QString& column) const;
  // A last column the table does not hold, one text per row (missing rows show nothing); an
  // empty header shows no such column. Kept until the next Refresh or Clear.
  // alert: rows whose extra cell is coloured for the operator to notice (may be shorter).
  void SetExtraColumn(const QString& header, QStringList texts, std::vector<bool> alert = {});
  // Columns of numbers, shown right-aligned.
  void SetRightAligned(QList<int> columns) { right_aligned_ = std::move(columns); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  QStringList columns_;
  QStringList headers_;
  std::vector<std::vector<QVariant>> rows_;
  QString extra_header_;
  QStringList extra_;
  std::vector<bool> extra_alert_;
  QList<int> right_aligned_;
};

}  // namespace kvsys
