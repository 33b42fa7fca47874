#include "app/menu_actions.h"

#include "common/dialogs.h"
#include "db/db_error_report.h"
#include "layout/layout_store.h"

namespace kvsys {

void StartPrinting(MenuActions& actions, Database& layout_db, DbErrorState& errors,
                   Dialogs& dialogs) {
  int decided = 0;
  try {
    decided = LayoutStore(layout_db, dialogs, errors).DecidedLayout();
  } catch (const DbError& e) {
    ReportDbError(dialogs, errors, e, kAppTitle);
    return;
  }
  if (decided == 0) {
    dialogs.MsgBox(kDecideLayoutFirstMessage);
    actions.ShowLayoutSettings();
  } else {
    actions.ShowPrintList();
  }
}

}  // namespace kvsys
