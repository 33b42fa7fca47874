#pragma once

#include <QString>

namespace kvsys {

// Kinds of CodeName.
inline constexpr int kCodeStage = 1;      // 予決
inline constexpr int kCodeStroke = 2;     // 種目
inline constexpr int kCodeSex = 3;        // 性別
inline constexpr int kCodeDistance = 4;   // 距離, followed by "m"
inline constexpr int kCodeSchool = 5;     // 学童 / 中学 / 高校 / 大学
inline constexpr int kCodeSchoolAlt = 6;  // 小学 / 中学 / 高校 / 大学

// The word of a results-database code, as lists show it: a slot of fixed width (full-width
// characters count two) cut from the kind's constant text, so names line up in columns.
// A code outside the kind's table gives spaces of the slot's width (distance: four spaces and
// "m"); a kind other than 1 to 6 gives the empty text.
QString CodeName(int kind, int code);

}  // namespace kvsys
