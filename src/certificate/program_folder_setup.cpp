#include "certificate/program_folder_setup.h"

#include <QDir>
#include <QFileInfo>

#include "certificate/example_layouts.h"
#include "common/dialogs.h"
#include "common/print_options.h"
#include "db/database.h"
#include "db/db_error.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "results/meet_settings.h"

namespace kvsys {

ProgramFolderSetup SetUpProgramFolder(const QString& folder, Dialogs& dialogs,
                                      DbErrorState& errors) {
  const QString shown = QDir::toNativeSeparators(folder);
  if (!QDir().mkpath(folder)) {
    dialogs.MsgBox(QStringLiteral("プログラムフォルダを作成できません。\r") + shown, MsgButtons::Ok,
                   MsgIcon::Critical);
    return ProgramFolderSetup::Failed;
  }
  const QString layout_db = QDir(folder).filePath(QStringLiteral("KVSYS.mdb"));
  ProgramFolderSetup outcome = ProgramFolderSetup::Ready;
  if (!QFileInfo::exists(layout_db)) {
    try {
      // No meet is chosen yet: the examples carry no meet name or date until the operator
      // gives them in the layout settings.
      CreateLayoutDatabase(layout_db, [&](Database& db) {
        LayoutStore store(db, dialogs, errors);
        if (!AddExampleLayouts(store, MeetSettings{})) throw DbError(dberr::kEngineFailure);
      });
      outcome = ProgramFolderSetup::Created;
    } catch (const DbError& e) {
      if (e.number() != dberr::kDatabaseExists) {
        dialogs.MsgBox(QStringLiteral("レイアウトデータベース（KVSYS.mdb）を作成できません。\r") +
                           QDir::toNativeSeparators(layout_db) + QStringLiteral("\r") + e.text(),
                       MsgButtons::Ok, MsgIcon::Critical);
        return ProgramFolderSetup::Failed;
      }
    }
  }
  if (!WriteFirstPrintOptions(dialogs, QDir(folder).filePath(QStringLiteral("KVSYS.ini")))) {
    return ProgramFolderSetup::Failed;
  }
  return outcome;
}

}  // namespace kvsys
