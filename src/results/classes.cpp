#include "results/classes.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "common/text_util.h"
#include "results/meet_settings.h"
#include "results/results_error.h"

namespace kvsys {

namespace {

const QString kClassTable = QStringLiteral("クラス");
const QString kNumberColumn = QStringLiteral("番号");
const QString kNameColumn = QStringLiteral("クラス名称");
const QString kClassNameTitle = QStringLiteral("クラス名取得");
const QString kClassComboTitle = QStringLiteral("クラスコンボ作成");

std::unique_ptr<Recordset> OpenClassTable(Database& db) {
  return db.OpenRecordset(kClassTable, dbOpenTable, dbReadOnly);
}

// Orders the rows by class number through the table's primary key. A copy of the table
// without that index is still usable: the caller then searches the rows itself.
bool UsePrimaryKey(Recordset& rs) {
  try {
    rs.SetIndex(QStringLiteral("PrimaryKey"));
    return true;
  } catch (const DbError& error) {
    if (error.number() != dberr::kNoSuchIndex) throw;
    return false;
  }
}

}  // namespace

QString GetClassName(Database& db, DbErrorState& state, Dialogs& dialogs, int class_no) {
  if (!HasClasses(db, state, dialogs)) return QString(kClassNameWidth, QLatin1Char(' '));
  try {
    auto rs = OpenClassTable(db);
    bool found = false;
    if (rs->RecordCount() > 0) {
      if (UsePrimaryKey(*rs)) {
        rs->Seek(QStringLiteral("="), class_no);
        found = !rs->NoMatch();
      } else {
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
          if (ToInt16(rs->Field(kNumberColumn)) == class_no) {
            found = true;
            break;
          }
        }
      }
    }
    if (!found) return kNoClassName;
    return NullTo(rs->Field(kNameColumn), kNullToLeftBytes, kClassNameWidth).toString();
  } catch (const DbError& error) {
    ReportDbError(dialogs, state, error, kClassNameTitle, kTargetClasses);
  } catch (const std::exception& error) {
    ReportOtherError(dialogs, QString::fromLocal8Bit(error.what()), kClassNameTitle);
  }
  return QString();
}

ClassChoices ReadClassChoices(Database& db, DbErrorState& state, Dialogs& dialogs) {
  ClassChoices result;
  if (!HasClasses(db, state, dialogs)) return result;
  result.applies = true;
  result.choices.push_back({kAllClassesItem, 0});
  try {
    auto rs = OpenClassTable(db);
    const bool keyed = UsePrimaryKey(*rs);
    std::vector<ListChoice> classes;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
      // A row whose number is not a class number cannot be chosen; it is left out.
      const auto number = ToInt16(rs->Field(kNumberColumn));
      if (!number) continue;
      classes.push_back({NullTo(rs->Field(kNameColumn), kNullToText, 0).toString(), *number});
    }
    if (!keyed) {
      std::stable_sort(classes.begin(), classes.end(),
                       [](const ListChoice& a, const ListChoice& b) { return a.value < b.value; });
    }
    result.choices.insert(result.choices.end(), classes.begin(), classes.end());
  } catch (const DbError& error) {
    ReportDbError(dialogs, state, error, kClassComboTitle, kTargetClasses);
  } catch (const std::exception& error) {
    ReportOtherError(dialogs, QString::fromLocal8Bit(error.what()), kClassComboTitle);
  }
  return result;
}

}  // namespace kvsys
