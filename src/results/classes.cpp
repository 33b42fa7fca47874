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

void FillClassCombo(Database& db, DbErrorState& state, Dialogs& dialogs, ItemList& list) {
  list.Clear();
  if (!HasClasses(db, state, dialogs)) {
    list.SetEnabled(false);
    list.SetGrey(true);
    return;
  }
  list.SetGrey(false);  // a list greyed for an earlier meet
  list.AddItem(kAllClassesItem, 0);
  try {
    auto rs = OpenClassTable(db);
    const bool keyed = UsePrimaryKey(*rs);
    std::vector<std::pair<int, QString>> classes;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
      // A row whose number is not a class number cannot be chosen; it is left out.
      const auto number = ToInt16(rs->Field(kNumberColumn));
      if (!number) continue;
      const QString name = NullTo(rs->Field(kNameColumn), kNullToText, 0).toString();
      if (keyed) {
        list.AddItem(name, *number);
      } else {
        classes.emplace_back(*number, name);
      }
    }
    std::stable_sort(classes.begin(), classes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [number, name] : classes) list.AddItem(name, number);
  } catch (const DbError& error) {
    ReportDbError(dialogs, state, error, kClassComboTitle, kTargetClasses);
  } catch (const std::exception& error) {
    ReportOtherError(dialogs, QString::fromLocal8Bit(error.what()), kClassComboTitle);
  }
}

}  // namespace kvsys
