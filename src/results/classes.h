#pragma once

#include <QString>
#include <vector>

#include "common/dialogs.h"
#include "db/database.h"
#include "db/db_error.h"

namespace kvsys {

// Width, in CP932 bytes, to which a class name is cut.
inline constexpr int kClassNameWidth = 20;
inline const QString kNoClassName = QStringLiteral("クラス名なし");
inline const QString kAllClassesItem = QStringLiteral("各クラス別一括");

// One entry of a choice list: the text shown and the value it stands for.
struct ListChoice {
  QString text;
  int value = 0;

  bool operator==(const ListChoice&) const = default;
};

// The class choice of the print list.
struct ClassChoices {
  bool applies = false;             // the meet ranks by class
  std::vector<ListChoice> choices;  // empty when it does not
};

// The name of a class, cut to 20 bytes: "クラス名なし" when the meet uses classes but the
// number is not in クラス, 20 spaces when the meet has no classes. After a reported error
// (title "クラス名取得") the empty text.
QString GetClassName(Database& db, DbErrorState& state, Dialogs& dialogs, int class_no);

// For a meet with classes "各クラス別一括" (value 0), then each class in class-number order
// (its name, value its number); nothing for a meet without classes. Errors are reported under
// "クラスコンボ作成"; the choices read until then are kept.
ClassChoices ReadClassChoices(Database& db, DbErrorState& state, Dialogs& dialogs);

}  // namespace kvsys
