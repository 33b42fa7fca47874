#pragma once

#include <QString>

#include "common/dialogs.h"
#include "db/db_error.h"

namespace kvsys {

// Names of the data shown after a table-locked error of the results routines.
inline const QString kTargetMeetSettings = QStringLiteral("(対象：大会設定データ)");
inline const QString kTargetLaneBoxes = QStringLiteral("(対象：レーンボックスデータ)");
inline const QString kTargetClasses = QStringLiteral("(対象：クラスデータ)");

// The platform's text for a null read where a value is required.
inline const QString kInvalidUseOfNullText = QStringLiteral("Null の使い方が不正です。");

// The standard report of a database error under a routine's title: a sharing or locking
// error shows LastDbErrorText with an exclamation icon, followed for a table locked
// exclusively (3008, 3189, 3261) by a carriage return and `target`; any other error shows
// its text with a critical-stop icon. An error on the tolerated list is not shown: the hit
// flag is set and false returned, so the caller goes on with its next step.
bool ReportDbError(Dialogs& dialogs, DbErrorState& state, const DbError& error,
                   const QString& title, const QString& target);

// Any other failure (not from the engine), shown with a critical-stop icon.
void ReportOtherError(Dialogs& dialogs, const QString& text, const QString& title);

}  // namespace kvsys
