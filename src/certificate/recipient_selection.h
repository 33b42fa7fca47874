#pragma once

#include <QString>

#include "certificate/program_list.h"

namespace kvsys {

// The rank limits of a layout's print settings (KVS210 FLDB to FLDE).
struct RankLimits {
  int heats = 0;        // FLDB 予選
  int timed_final = 0;  // FLDC タイム決勝
  int final = 0;        // FLDD 決勝, Ａ決勝
  int b_final = 0;      // FLDE Ｂ決勝

  // The limit of a race stage given by its grid text (blanks around it do not count); 0 for
  // a stage without a limit of its own (a swim-off, say), which prints nothing.
  int ForStage(const QString& stage) const;
};

// The one rule of which result rows count, over 記録マスター. 事由入力ステータス 0 is a regular
// entrant and 4 an open one (ranked, printed "OP"); any other rules the row out (棄権, 失格, ...).
// A row is ranked when it has a time and one of those statuses.
QString RankedStatusCondition(bool exclude_open);
// A row still to come: no time yet, and a status under which it would be ranked, or none filled
// in yet (Null), so that an event with such a row is never taken as complete. Ranking, the
// check before printing, the status column and following a meet all use it.
QString PendingCondition(bool exclude_open);

// Whether the grid's stroke text names a relay.
bool IsRelayStroke(const QString& stroke);

// Sex, distance and stroke of the event without blanks: "男子50m自由形".
QString MakeEventName(const ProgramEvent& event);

// The finish time "mm:ss.hh" as printed: "01分02秒34", "58秒12" under a minute; a "#" for the
// hundredth reads 0. Empty for a blank text or one shorter than 8 bytes.
QString FormatGoalTime(const QString& goal);

// The record of a certificate: the formatted time, then for a new-record mark two blanks and
// the mark cut or filled to 6 bytes.
QString MakeRecordText(const QString& goal, const QString& mark);
// Bytes of a new-record mark the record text keeps.
inline constexpr int kRecordMarkBytes = 6;
// The mark when the record text cuts it (longer than kRecordMarkBytes), else empty.
QString CutRecordMark(const QString& mark);

// The rank as printed: full-width digits, or "OP" for an open entrant.
QString MakeRankText(int rank, bool open_entrant);

// How the results of one event are chosen.
struct ResultsFilter {
  int heat = 0;               // one heat only; 0 = every heat
  bool exclude_open = false;  // regular results only (status 0), no open entrants (4)
  bool class_wise = false;    // ranked within each class
  int class_no = 0;           // class-wise: this class only; 0 = every class
};

// The results query of one event: the entrants joined in (the relay team and its four legs
// for a relay), results with a time only, ordered as they are ranked.
QString ResultsQuery(int event_number, bool relay, const ResultsFilter& filter);

}  // namespace kvsys
