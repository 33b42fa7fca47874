#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/dialogs.h"
#include "db/db_error.h"

namespace kvsys {

class Database;

// Title and data names of the messages of the event list rebuild.
inline const QString kEventListTitle = QStringLiteral("賞状印刷データ一覧作成");
inline const QString kTargetProgramme = QStringLiteral("(対象：大会プログラムデータ)");
inline const QString kTargetEventList = QStringLiteral("(対象：賞状印刷データ一覧作成)");
inline const QString kAllDaysItem = QStringLiteral("全日程");

// One event of the print list: a row of the work table KVS40 and of the grid, with the words
// of its codes as the grid shows them (filled with blanks to their slot width).
struct ProgramEvent {
  int number = 0;      // flda 競技番号
  QString sex;         // FLDB
  QString stroke;      // FLDC
  QString distance;    // FLDD
  QString class_name;  // FLDE, empty in a meet without classes
  QString heats;       // FLDF 組
  QString stage;       // FLDG 予決

  bool operator==(const ProgramEvent&) const = default;
};

// One entry of the day list: its text and its data (0 for every day, n for day n).
struct DayEntry {
  QString text;
  int data = 0;
};

// The day list of a meet held from first_day to last_day ("yyyy/mm/dd"): "全日程" then
// "n日目   yyyy/mm/dd" for each day. Empty when the first day is after the last one or either
// is not a date.
std::vector<DayEntry> MeetDayEntries(const QString& first_day, const QString& last_day);

// The WHERE clause of a day list entry over プログラム.日付.
QString DayFilter(const DayEntry& entry, const QString& first_day, const QString& last_day);

// The programme query with the filter, ordered by event number.
QString ProgrammeQuery(bool has_classes, const QString& filter);

// The events the filter selects, event 0 left out. Raises DbError.
std::vector<ProgramEvent> ReadProgramme(Database& results_db, bool has_classes,
                                        const QString& filter);

// SUB_ProgGridSet: empties KVS40 and writes the events of the filter into it; the number of
// rows written. Database errors are reported as the rebuild's messages say; the list then
// holds no half-written part (0 rows).
int16_t SUB_ProgGridSet(Database& results_db, Database& layout_db, bool has_classes,
                        DbErrorState& state, Dialogs& dialogs, const QString& SQL_W);

// An event from the KVS40 columns of a row (of the table, or of the grid showing it).
ProgramEvent EventOfRow(const std::function<QVariant(const QString& column)>& field);

// The rows of KVS40 in the order they were written. Raises DbError.
std::vector<ProgramEvent> ReadEventList(Database& layout_db);

}  // namespace kvsys
