#pragma once

#include <QString>

#include "common/dialogs.h"
#include "db/database.h"
#include "db/db_error.h"

namespace kvsys {

// Width, in CP932 bytes, to which a class name is cut.
inline constexpr int kClassNameWidth = 20;
inline const QString kNoClassName = QStringLiteral("クラス名なし");
inline const QString kAllClassesItem = QStringLiteral("各クラス別一括");

// A list control with an item text and an item value per item (the class choice of the
// print list); FillClassCombo works on any such list.
class ItemList {
 public:
  virtual ~ItemList() = default;
  virtual void Clear() = 0;
  virtual void AddItem(const QString& text, int value) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // Grey background (red 192, green 192, blue 192) for a list that does not apply.
  virtual void SetGrey(bool grey) = 0;
};

// The name of a class, cut to 20 bytes: "クラス名なし" when the meet uses classes but the
// number is not in クラス, 20 spaces when the meet has no classes. After a reported error
// (title "クラス名取得") the empty text.
QString GetClassName(Database& db, DbErrorState& state, Dialogs& dialogs, int class_no);

// Empties the list; for a meet with classes adds "各クラス別一括" (value 0) and then each class
// in class-number order (its name, value its number); for a meet without classes disables
// the list and greys it (a meet with classes clears the grey). Errors are reported under
// "クラスコンボ作成"; the list keeps the items added until then.
void FillClassCombo(Database& db, DbErrorState& state, Dialogs& dialogs, ItemList& list);

}  // namespace kvsys
