#pragma once

#include <QString>

namespace kvsys {

class Database;
class Dialogs;
struct DbErrorState;

inline const QString kDecideLayoutFirstMessage = QStringLiteral("表示内容を決定してください。");

// What the menu asks of the window it stands in; the menu knows the main window only so.
class MenuActions {
 public:
  virtual ~MenuActions() = default;
  virtual void ShowLayoutSettings() = 0;   // 賞状設定(F1)
  virtual void ShowPrintList() = 0;        // 賞状印刷(F2) with a decided layout
  virtual void ShowPrintHistory() = 0;     // 印刷履歴(F3)
  virtual void BackToMeetSelection() = 0;  // 大会選択へ(F10)
  // True once the main window is going away: the menu may close.
  virtual bool Leaving() const = 0;
};

// 賞状印刷(F2): the print list when a layout is decided; else, after kDecideLayoutFirstMessage,
// the layout settings. Nothing after a reported database error.
void StartPrinting(MenuActions& actions, Database& layout_db, DbErrorState& errors,
                   Dialogs& dialogs);

}  // namespace kvsys
