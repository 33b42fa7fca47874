#pragma once

#include <QString>

#include "db/db_error_report.h"

namespace kvsys {

// Names of the data shown after a table-locked error of the results routines.
inline const QString kTargetMeetSettings = QStringLiteral("(対象：大会設定データ)");
inline const QString kTargetLaneBoxes = QStringLiteral("(対象：レーンボックスデータ)");
inline const QString kTargetClasses = QStringLiteral("(対象：クラスデータ)");

// The platform's text for a null read where a value is required.
inline const QString kInvalidUseOfNullText = QStringLiteral("Null の使い方が不正です。");

}  // namespace kvsys
