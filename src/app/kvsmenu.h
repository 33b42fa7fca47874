#pragma once

#include <QWidget>

class QKeyEvent;
class QPushButton;

namespace kvsys {

struct AppState;
class Dialogs;
class MenuActions;

// The menu window inside the main window.
class KVSMENU : public QWidget {
  Q_OBJECT

 public:
  KVSMENU(AppState& state, Dialogs& dialogs, MenuActions& actions, QWidget* parent = nullptr);

 public slots:
  // 賞状印刷(F2): the print list when a layout is decided, else the layout settings.
  void PrintCertificates();

 protected:
  // Closing the menu (Ctrl+F4, the frame's window list) does what 大会選択へ(F10) does.
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void ShowLayoutSettings();
  void ShowPrintHistory();
  void BackToMeetSelection();

 private:
  void BuildControls();
  void LayOutControls();
  void ConnectControls();
  // F1, F2, F3, F10 and Esc, before the focused button.
  bool HandleKey(QKeyEvent* event);

  AppState& state_;
  Dialogs& dialogs_;
  MenuActions& actions_;

  QPushButton* SSCommand3;  // 賞状設定(F1)
  QPushButton* SSCommand4;  // 賞状印刷(F2)
  QPushButton* cmdHistory;  // 印刷履歴(F3)
  QPushButton* SSCommand5;  // 大会選択へ(F10)
};

}  // namespace kvsys
