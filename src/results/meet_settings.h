#pragma once

#include <QString>
#include <cstdint>

#include "common/dialogs.h"
#include "db/database.h"
#include "db/db_error.h"

namespace kvsys {

// Widths, in CP932 bytes, to which the text settings are cut when loaded.
inline constexpr int kMeetNameWidth = 50;
inline constexpr int kVenueWidth = 50;
inline constexpr int kRemarksWidth = 200;
inline constexpr int kDateWidth = 10;
inline constexpr int kRecordSettingWidth = 10;

// The chosen meet's 大会設定 row in memory, one field per column in the order it is loaded,
// plus the summary of レーンボックス. Texts are cut to their width; a null or blank text reads
// as spaces of its width, a null, blank or non-numeric integer as the column's default. A
// fresh record holds those defaults (and empty texts).
struct MeetSettings {
  bool クラス分け = false;
  int16_t 選手使用所属 = 1;
  int16_t タッチ板 = 1;
  int16_t 使用水路予選 = 8;
  int16_t 使用水路タイム決勝 = 8;
  int16_t 使用水路決勝 = 8;
  int16_t 団体名 = 1;
  int16_t 選手エントリーチェック = 1;
  int16_t プール = 1;
  int16_t 大会名印刷 = 1;
  int16_t 備考欄 = 1;
  int16_t プールコンディション = 1;
  int16_t 新記録上段 = 0;  // stored as text: the number before the first ":" and "."
  int16_t 新記録下段 = 0;
  int16_t 学校 = 1;
  int16_t ラップ = 1;
  int16_t 印刷用競技番号 = 2;
  QString 大会名1;
  QString 大会名2;
  // 大会名1 and 大会名2 as stored, trimmed but never cut: what a certificate names the meet with.
  QString WholeName1;
  QString WholeName2;
  QString 開催地;
  QString 備考;
  QString 始期間;
  QString 終期間;
  int16_t 組内最少人数 = 3;

  // For lane-box rows 1 to 10: the last digit of レーンボックス (a missing row gives the last
  // digit of its own number), and "1" / "2" for 班組使用水路 true / false ("1" when missing).
  QString LaneBoxDigits = QStringLiteral("1234567890");
  QString LaneUseDigits = QStringLiteral("1111111111");
};

// The meet number (大会No.) the results system's file name gives: "SwimNN.mdb", or "SWIM.mdb"
// in a folder "NN"; 0 when the name gives none.
int MeetNumberOfFile(const QString& path);

// Reads 大会設定 (first row) and レーンボックス of the results database into a new record.
// Errors are reported under "Ｓｙｓｄ取得"; the record then holds what was read, the other
// fields their defaults. A missing column is reported once and leaves that field at its
// default while the other columns are still read.
MeetSettings LoadMeetSettings(Database& db, DbErrorState& state, Dialogs& dialogs);

// 大会名1, 大会名2 and 始期間 of the first 大会設定 row, read afresh; the empty text after a
// reported error (a null column is one), under the title "大会名取得".
QString GetMeetName1(Database& db, DbErrorState& state, Dialogs& dialogs);
QString GetMeetName2(Database& db, DbErrorState& state, Dialogs& dialogs);
QString GetMeetStartDate(Database& db, DbErrorState& state, Dialogs& dialogs);

// Whether the meet is divided into classes (クラス分け true, stored as -1), read afresh; false
// after a reported error (title "クラス有無取得") and for a null value.
bool HasClasses(Database& db, DbErrorState& state, Dialogs& dialogs);

}  // namespace kvsys
