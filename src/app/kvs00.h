#pragma once

#include <QMainWindow>
#include <functional>

#include "app/menu_actions.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace kvsys {

struct AppState;
class Dialogs;

// The main window of a chosen meet: a frame holding the menu, the layout editor, the print
// list and the preview as sub-windows.
class KVS00 : public QMainWindow, public MenuActions {
  Q_OBJECT

 public:
  KVS00(AppState& state, Dialogs& dialogs, QWidget* parent = nullptr);

  // Where this workstation remembers the window's place (empty: opens maximised each time).
  void SetWorkstationSettings(const QString& settings) { workstation_settings_ = settings; }

  // Loads the meet settings, places the window and shows the menu inside it.
  void Open(const QString& meet_number, const QString& meet_name);

  // True once the window is going away: its sub-windows may close.
  bool Leaving() const override { return leaving_; }

  QMdiArea* mdi() const { return mdi_; }
  QWidget* menuWindow() const { return menu_; }

 public slots:
  // Menu and button actions.
  void BackToMeetSelection() override;  // 大会選択(&S), 大会選択へ(F10)
  void EndSystem();                     // システム終了(&X)
  void ShowLayoutSettings() override;   // 印刷設定(&1), 賞状設定(F1)
  void ShowPrintList() override;        // 印刷処理(&2)
  void ShowPrintHistory() override;     // 印刷履歴(&3), 印刷履歴(F3)
  void ShowAbout();                     // バージョン情報(&A)

 signals:
  void backToMeetSelection();
  void endSystem();

 protected:
  // The window's close button asks as システム終了 does.
  void closeEvent(QCloseEvent* event) override;

 private:
  // Remembers the window's place, closes the databases and the sub-windows.
  void Leave();
  // Cancels a running print run; true when there was one.
  bool StopPrintRun();
  // Shows the sub-window with this object name, made by create the first time (the frame
  // closes and deletes it with the window).
  QMdiSubWindow* ShowSubWindow(const QString& name, const std::function<QWidget*()>& create);
  void BuildMenuBar();

  AppState& state_;
  Dialogs& dialogs_;
  QMdiArea* mdi_;
  QWidget* menu_ = nullptr;
  QString workstation_settings_;
  bool leaving_ = false;

  QLabel* StatusBar1_Panel1;
  QLabel* StatusBar1_Panel2;
  QAction* pEnd01;   // 大会選択(&S)
  QAction* pEnd02;   // システム終了(&X)
  QAction* pExe201;  // 印刷設定(&1)
  QAction* pExe202;  // 印刷処理(&2)
  QAction* pExe203;  // 印刷履歴(&3)
};

}  // namespace kvsys
