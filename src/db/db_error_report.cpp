#include "db/db_error_report.h"

#include "db/database.h"
#include "db/workspace.h"

namespace kvsys {

bool IsTableLockedError(int number) {
  return number == dberr::kTableExclusive || number == dberr::kTableLockedByUser ||
         number == dberr::kTableLocked;
}

bool ReportDbError(Dialogs& dialogs, DbErrorState& state, const DbError& error,
                   const QString& title, const QString& target) {
  if (state.Tolerate(error)) return false;
  if (IsDbLockError(error, state)) {
    QString text = state.LastDbErrorText;
    if (IsTableLockedError(error.number()) && !target.isEmpty()) {
      text += QLatin1Char('\r') + target;
    }
    dialogs.MsgBox(text, MsgButtons::Ok, MsgIcon::Exclamation, title);
  } else {
    dialogs.MsgBox(error.text(), MsgButtons::Ok, MsgIcon::Critical, title);
  }
  return true;
}

void ReportOtherError(Dialogs& dialogs, const QString& text, const QString& title) {
  dialogs.MsgBox(text, MsgButtons::Ok, MsgIcon::Critical, title);
}

std::shared_ptr<Database> OpenDatabaseTolerating(Workspace& workspace, DbErrorState& state,
                                                 const QString& path,
                                                 std::initializer_list<int> tolerated) {
  state.SetExpected(tolerated);
  state.ExpectedErrorHit = 0;
  std::shared_ptr<Database> db;
  try {
    db = workspace.OpenDatabase(path, false);
  } catch (const DbError& e) {
    if (!state.Tolerate(e)) {
      state.ClearExpected();
      throw;
    }
  }
  state.ClearExpected();
  if (!db) state.ExpectedErrorHit = 99;
  return db;
}

}  // namespace kvsys
