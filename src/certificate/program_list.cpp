// The event list of the print list: the days of the meet, the programme query and the work
// table KVS40 the grid shows.
#include "certificate/program_list.h"

#include <QDate>

#include "common/text_util.h"
#include "common/wait_cursor.h"
#include "db/database.h"
#include "db/db_error_report.h"
#include "db/recordset.h"
#include "db/work_table.h"
#include "layout/store_transaction.h"
#include "results/code_name.h"

namespace kvsys {

namespace {

const QString kEventTable = QStringLiteral("KVS40");
// A meet is a few days long; a pair of dates years apart is a typing error in the results
// system, and listing every day of it would only bury the operator.
constexpr int kMaxDays = 366;

QDate ParseDay(const QString& text) {
  return QDate::fromString(TrimBlanks(text), QStringLiteral("yyyy/M/d"));
}

// A value of the results database inside a quoted SQL literal.
QString Quoted(const QString& text) {
  QString t = TrimBlanks(text);
  t.replace(QLatin1Char('\''), QStringLiteral("''"));
  return t;
}

int Code(const QVariant& v) {
  return ToInt16(v).value_or(0);
}

QString Text(const QVariant& v) {
  return NullTo(v, kNullToText, 0).toString();
}

enum class Step { kRetry, kSkip, kStop };

// Shows the message of a database error met while the list is rebuilt. A row changed by
// another terminal is overwritten when the operator says so (kRetry), else its pending
// edit is cancelled (kSkip); everything else ends the rebuild.
Step ReportListError(Dialogs& dialogs, DbErrorState& state, const DbError& e, const QString& target,
                     Recordset* pending) {
  const int n = e.number();
  IsDbLockError(e, state);  // fills LastDbErrorText
  if (IsTableLockedError(n)) {
    dialogs.MsgBox(state.LastDbErrorText + QLatin1Char('\r') + target, MsgButtons::Ok,
                   MsgIcon::Exclamation, kEventListTitle);
    return Step::kStop;
  }
  if ((n == dberr::kRowDeleted || n == dberr::kRowChanged) && pending) {
    const Answer a = dialogs.MsgBox(QStringLiteral("処理中に他の端末がこのデータを変更しています") +
                                        QStringLiteral("このデータを上書き保存しますか？"),
                                    MsgButtons::YesNo, MsgIcon::Question, kAppTitle, 2);
    if (a == Answer::Yes) return Step::kRetry;
    pending->CancelUpdate();
    return Step::kSkip;
  }
  if (n == dberr::kDuplicateKey || n == dberr::kLocked) {
    dialogs.MsgBox(kBusyMessage, MsgButtons::Ok, MsgIcon::Exclamation);
    return Step::kStop;
  }
  dialogs.MsgBox(e.text(), MsgButtons::Ok, MsgIcon::Exclamation);
  return Step::kStop;
}

}  // namespace

std::vector<DayEntry> MeetDayEntries(const QString& first_day, const QString& last_day) {
  std::vector<DayEntry> entries;
  const QDate first = ParseDay(first_day);
  const QDate last = ParseDay(last_day);
  if (!first.isValid() || !last.isValid() || first > last) return entries;
  entries.push_back({kAllDaysItem, 0});
  int n = 1;
  for (QDate d = first; d <= last && n <= kMaxDays; d = d.addDays(1), ++n) {
    entries.push_back({QString::number(n) + QStringLiteral("日目") + QStringLiteral("   ") +
                           d.toString(QStringLiteral("yyyy/MM/dd")),
                       n});
  }
  return entries;
}

QString DayFilter(const DayEntry& entry, const QString& first_day, const QString& last_day) {
  if (entry.data == 0) {
    return QStringLiteral("WHERE プログラム.日付>='") + Quoted(first_day) + QStringLiteral("'") +
           QStringLiteral(" and プログラム.日付<='") + Quoted(last_day) + QStringLiteral("'");
  }
  return QStringLiteral("WHERE プログラム.日付='") + Quoted(entry.text.right(10)) +
         QStringLiteral("'");
}

QString ProgrammeQuery(bool has_classes, const QString& filter) {
  if (has_classes) {
    return QStringLiteral("SELECT プログラム.*, クラス.番号, クラス.クラス名称 ") +
           QStringLiteral(
               "FROM プログラム INNER JOIN クラス ON プログラム.クラス番号 = クラス.番号 ") +
           filter + QStringLiteral("ORDER BY 競技番号;");
  }
  return QStringLiteral("SELECT * FROM プログラム ") + filter +
         QStringLiteral("ORDER BY 競技番号;");
}

std::vector<ProgramEvent> ReadProgramme(Database& results_db, bool has_classes,
                                        const QString& filter) {
  std::vector<ProgramEvent> events;
  auto rs = results_db.OpenRecordset(ProgrammeQuery(has_classes, filter), dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    ProgramEvent e;
    e.number = Code(rs->Field(QStringLiteral("競技番号")));
    if (e.number <= 0) continue;
    e.sex = CodeName(kCodeSex, Code(rs->Field(QStringLiteral("性別"))));
    e.stroke = CodeName(kCodeStroke, Code(rs->Field(QStringLiteral("種目"))));
    e.distance = CodeName(kCodeDistance, Code(rs->Field(QStringLiteral("距離"))));
    if (has_classes) e.class_name = Text(rs->Field(QStringLiteral("クラス名称")));
    e.heats = Text(rs->Field(QStringLiteral("組")));
    e.stage = CodeName(kCodeStage, Code(rs->Field(QStringLiteral("予決"))));
    events.push_back(e);
  }
  return events;
}

int16_t SUB_ProgGridSet(Database& results_db, Database& layout_db, bool has_classes,
                        DbErrorState& state, Dialogs& dialogs, const QString& SQL_W) {
  WaitCursor wait;
  std::vector<ProgramEvent> events;
  try {
    ClearTable(layout_db, kEventTable);
  } catch (const DbError& e) {
    wait.Restore();
    ReportListError(dialogs, state, e, kTargetEventList, nullptr);
    return 0;
  }
  try {
    events = ReadProgramme(results_db, has_classes, SQL_W);
  } catch (const DbError& e) {
    wait.Restore();
    ReportListError(dialogs, state, e, kTargetProgramme, nullptr);
    return 0;
  }
  // One transaction: one write to the disk for the whole list, and a failure leaves no
  // half list behind.
  int written = 0;
  bool reported = false;
  try {
    StoreTransaction tx(layout_db);
    auto rs = layout_db.OpenRecordset(kEventTable, dbOpenDynaset);
    for (const ProgramEvent& e : events) {
      rs->AddNew();
      rs->SetField(QStringLiteral("flda"), QString::number(e.number));
      rs->SetField(QStringLiteral("FLDB"), e.sex);
      rs->SetField(QStringLiteral("FLDC"), e.stroke);
      rs->SetField(QStringLiteral("FLDD"), e.distance);
      if (has_classes) rs->SetField(QStringLiteral("FLDE"), e.class_name);
      rs->SetField(QStringLiteral("FLDF"), e.heats);
      rs->SetField(QStringLiteral("FLDG"), e.stage);
      for (;;) {
        try {
          rs->Update();
          ++written;
          break;
        } catch (const DbError& err) {
          wait.Restore();
          const Step step = ReportListError(dialogs, state, err, kTargetEventList, rs.get());
          if (step == Step::kRetry) continue;
          if (step == Step::kSkip) break;
          reported = true;
          throw;
        }
      }
    }
    rs->Close();
    tx.Commit();
  } catch (const DbError& e) {
    // The transaction is rolled back: nothing of this list stays.
    if (!reported) {
      wait.Restore();
      ReportListError(dialogs, state, e, kTargetEventList, nullptr);
    }
    return 0;
  }
  return static_cast<int16_t>(written);
}

ProgramEvent EventOfRow(const std::function<QVariant(const QString& column)>& field) {
  ProgramEvent e;
  e.number = Code(field(QStringLiteral("flda")));
  e.sex = Text(field(QStringLiteral("FLDB")));
  e.stroke = Text(field(QStringLiteral("FLDC")));
  e.distance = Text(field(QStringLiteral("FLDD")));
  e.class_name = Text(field(QStringLiteral("FLDE")));
  e.heats = Text(field(QStringLiteral("FLDF")));
  e.stage = Text(field(QStringLiteral("FLDG")));
  return e;
}

std::vector<ProgramEvent> ReadEventList(Database& layout_db) {
  std::vector<ProgramEvent> events;
  auto rs = layout_db.OpenRecordset(kEventTable, dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    events.push_back(EventOfRow([&rs](const QString& column) { return rs->Field(column); }));
  }
  return events;
}

}  // namespace kvsys
