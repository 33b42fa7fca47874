#pragma once

// What the print log's files share of its table: columns, row values and the row read back.
#include <QDateTime>
#include <QStringList>
#include <QVariantList>
#include <vector>

#include "desk/print_log.h"

namespace kvsys {

class Recordset;

namespace logsql {

inline const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
// Columns after 番号, in table order; a log line shows the first kPrintedColumns of them.
const QStringList& Columns();
inline constexpr int kPrintedColumns = 26;
QVariantList Values(const PrintLogRow& row, qint64 meet_number);
// "SELECT 番号, ... FROM 印刷履歴": the columns ReadRow reads, in its order.
QString SelectRows();
PrintLogRow ReadRow(const Recordset& rs);
QDateTime ParseTime(const QString& text);
// "(1,2,3)" for an IN clause of numbers.
QString InList(const std::vector<qint64>& numbers);

}  // namespace logsql

}  // namespace kvsys
