#pragma once

#include <QWidget>

class QPushButton;

namespace kvsys {

struct AppState;
class Dialogs;
class KVS00;

// The menu window inside the main window.
class KVSMENU : public QWidget {
  Q_OBJECT

 public:
  KVSMENU(AppState& state, Dialogs& dialogs, KVS00& frame, QWidget* parent = nullptr);

  // 賞状印刷(F2): the print list when a layout is decided, else the layout settings.
  void PrintCertificates();

  QPushButton* SSCommand3;
  QPushButton* SSCommand4;
  QPushButton* SSCommand5;
  QPushButton* cmdHistory;  // 印刷履歴(F3)

 protected:
  // Closing the menu (Ctrl+F4, the frame's window list) does what 大会選択へ(F10) does.
  void closeEvent(QCloseEvent* event) override;

 private:
  // F1, F2, F10 and Esc, before the focused button.
  bool HandleKey(int key);

  AppState& state_;
  Dialogs& dialogs_;
  KVS00& frame_;
};

}  // namespace kvsys
