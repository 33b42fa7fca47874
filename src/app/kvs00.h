#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace kvsys {

struct AppState;
class Dialogs;
class KVSMENU;

// The main window of a chosen meet: a frame holding the menu, the layout editor, the print
// list and the preview as sub-windows.
class KVS00 : public QMainWindow {
  Q_OBJECT

 public:
  KVS00(AppState& state, Dialogs& dialogs, QWidget* parent = nullptr);

  // Where this workstation remembers the window's place (empty: opens maximised each time).
  void SetWorkstationSettings(const QString& settings) { workstation_settings_ = settings; }

  // Loads the meet settings, places the window and shows the menu inside it.
  void Open(const QString& meet_number, const QString& meet_name);

  // True once the window is going away: its sub-windows may close.
  bool Leaving() const { return leaving_; }

  // Menu and button actions.
  void BackToMeetSelection();  // 大会選択(&S), 大会選択へ(F10)
  void EndSystem();            // システム終了(&X)
  void ShowLayoutSettings();   // 印刷設定(&1), 賞状設定(F1)
  void ShowPrintList();        // 印刷処理(&2)
  void ShowPrintHistory();     // 印刷履歴(&3), 印刷履歴(F3)

  QMdiArea* mdi() const { return mdi_; }
  KVSMENU* menuWindow() const { return menu_; }

  QLabel* StatusBar1_Panel1;
  QLabel* StatusBar1_Panel2;
  QComboBox* Combo1;  // installed font names, for the font choices of other windows
  QAction* pEnd01;
  QAction* pExe203;  // 印刷履歴(&3)
  QAction* pEnd02;
  QAction* pExe201;
  QAction* pExe202;

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
  // The installed font names the main window collected.
  QStringList FontNames() const;

  AppState& state_;
  Dialogs& dialogs_;
  QMdiArea* mdi_;
  KVSMENU* menu_ = nullptr;
  QString workstation_settings_;
  bool leaving_ = false;
};

}  // namespace kvsys
