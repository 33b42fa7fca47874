#pragma once

#include <QString>
#include <initializer_list>
#include <memory>

#include "common/dialogs.h"
#include "db/db_error.h"

namespace kvsys {

class Database;
class Workspace;

// What windows that save data answer a busy or duplicate-key error with.
inline const QString kBusyMessage =
    QStringLiteral("他の端末がデータを扱っているため処理しませんでした。");

// A table locked exclusively by another program or workstation (3008, 3189, 3261).
bool IsTableLockedError(int number);

// The standard report of a database error under a routine's title: a sharing or locking
// error shows LastDbErrorText with an exclamation icon, followed for a table locked
// exclusively by a carriage return and `target`; any other error shows its text with a
// critical-stop icon. An error on the tolerated list is not shown: the hit flag is set and
// false returned, so the caller goes on with its next step.
bool ReportDbError(Dialogs& dialogs, DbErrorState& state, const DbError& error,
                   const QString& title, const QString& target = QString());

// Any other failure (not from the engine), shown with a critical-stop icon.
void ReportOtherError(Dialogs& dialogs, const QString& text, const QString& title);

// Opens a database where the results system may hold it: an error of the tolerated list
// (3006, 3045) gives null with ExpectedErrorHit 99 instead of raising; other errors raise.
// The tolerated list is empty again afterwards.
std::shared_ptr<Database> OpenDatabaseTolerating(Workspace& workspace, DbErrorState& state,
                                                 const QString& path,
                                                 std::initializer_list<int> tolerated);

}  // namespace kvsys
