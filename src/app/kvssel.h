#pragma once

#include <QMap>
#include <QWidget>

#include "app/start_up.h"

class QButtonGroup;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace kvsys {

class Dialogs;
class InstanceGuard;
class MeetListCache;
class WorkTableModel;

// The meet selection window: the first window of the program.
class KVSSEL : public QWidget, public StartUpView {
  Q_OBJECT

 public:
  KVSSEL(AppState& state, Dialogs& dialogs, InstanceGuard& guard, QString program_folder,
         QWidget* parent = nullptr);
  ~KVSSEL() override;

  // The load handler: runs the start-up. On Exit the program is to end.
  StartUpOutcome Load();

  // Meets already read are taken from here (may be null).
  void SetMeetListCache(MeetListCache* cache) { cache_ = cache; }

  // StartUpView
  void CenterOnScreen() override;
  void ShowWindow() override;
  void ShowDbFolder(const QString& folder) override;
  bool SelectVersionOption(int index) override;

 public slots:
  // Button actions, also reached by their keys.
  void SelectCurrentMeet();  // 選択(F5)
  void ChooseFolder();       // 検索(F8)
  void ExitProgram();        // 終了(F10)

 signals:
  // A meet was opened as the results database: the main window takes over.
  void meetSelected(const QString& meet_number, const QString& meet_name);
  // The program is to end (the workspace is closed already).
  void exitRequested();

 protected:
  // The window's own close button ends the program as 終了(F10) does.
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void VersionToggled(int index, bool checked);
  void OnCurrentRowChanged();
  void MeetDoubleClicked();

 private:
  void BuildControls();
  void LayOutControls();
  void ConnectControls();
  // F5, F8, F10; Home and End in the list.
  bool HandleKey(QKeyEvent* event);
  void OnVersionChanged(int index);
  void ListFolder(QString folder);

  AppState& state_;
  Dialogs& dialogs_;
  InstanceGuard& guard_;
  QString program_folder_;
  WorkTableModel* model_;
  MeetListCache* cache_ = nullptr;
  QMap<QString, QString> unreadable_;  // list number -> why that meet could not be read
  bool loading_ = false;               // option changes made by the start-up itself
  bool leaving_ = false;  // a meet was chosen or the program ends: the window may close

  QGroupBox* Frame1;
  QButtonGroup* versions_;
  QRadioButton* optVer_0;
  QRadioButton* optVer_1;
  QLabel* Label1;
  QLineEdit* txtDBFolder;
  QTableView* GRD1;
  QLabel* LBL1;
  QLabel* LBL2;
  QLabel* lblProgress;  // which meet is being read, while a slow folder is listed
  QPushButton* SSCommand1;
  QPushButton* SSCommand2;
  QPushButton* SSCommand3;
};

}  // namespace kvsys
