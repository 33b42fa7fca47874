#pragma once

#include <QString>

#include "app/app_state.h"

namespace kvsys {

class Dialogs;

// Replacement names of the meet list.
inline const QString kNoMeetName = QStringLiteral("(大会名１が未登録)");
inline const QString kMeetInMaintenance =
    QStringLiteral("(現在リザルト側でデータの保守中につき使用できません)");

inline const QString kNoMeetFoundText = QStringLiteral("競泳ＤＢ（SWIM.mdb）が見つかりません｡ ");

// Ver.4.6 folders taken from one listing, at most.
constexpr int kMaxMeetFolders = 100;

// Fills the work table KVSSEL with the meets of the folder in the layout of
// state.ResultVersion. The folder gets a trailing separator. When a meet was found, DB_Path
// is written and state.DbFolder becomes the folder. Returns whether a meet was found and
// recorded; every failure has been shown to the operator.
bool ListMeets(AppState& state, Dialogs& dialogs, QString& folder);

// The meet selection's report of a failed open or listing: a lock error, a missing file
// (with the caller's not-found text) or any other error with its number.
void ReportMeetSelectionError(AppState& state, Dialogs& dialogs, const DbError& e,
                              const QString& not_found_text);

// The path of a file in a folder, matched without regard to case as the results system's
// Windows file names are ("Swim01.mdb" is found as "SWIM01.mdb"); empty when none exists.
QString FindFileNoCase(const QString& folder, const QString& name);

}  // namespace kvsys

namespace kvsys {

enum class SelectOutcome { Selected, Stay, Exit };

// Opens the chosen meet as state.ResultsDb (list number flda, shown name meet_name). Stay:
// a message told why not; Exit: the results system holds the meet exclusively and the
// program ends as its exit button does.
SelectOutcome SelectMeet(AppState& state, Dialogs& dialogs, const QVariant& flda,
                         const QString& meet_name);

}  // namespace kvsys
