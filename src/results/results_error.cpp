#include "results/results_error.h"

namespace kvsys {

namespace {

bool IsTableLocked(int number) {
  return number == 3008 || number == 3189 || number == 3261;
}

}  // namespace

bool ReportDbError(Dialogs& dialogs, DbErrorState& state, const DbError& error,
                   const QString& title, const QString& target) {
  if (state.Tolerate(error)) return false;
  if (IsDbLockError(error, state)) {
    QString text = state.LastDbErrorText;
    if (IsTableLocked(error.number())) text += QLatin1Char('\r') + target;
    dialogs.MsgBox(text, MsgButtons::Ok, MsgIcon::Exclamation, title);
  } else {
    dialogs.MsgBox(error.text(), MsgButtons::Ok, MsgIcon::Critical, title);
  }
  return true;
}

void ReportOtherError(Dialogs& dialogs, const QString& text, const QString& title) {
  dialogs.MsgBox(text, MsgButtons::Ok, MsgIcon::Critical, title);
}

}  // namespace kvsys
