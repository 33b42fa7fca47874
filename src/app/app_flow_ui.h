#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "app/meet_list.h"
#include "app/workstation_settings.h"

namespace kvsys {

struct AppState;
class Dialogs;
class InstanceGuard;
class KVS00;
class KVSSEL;

// Which top-level window is up: the meet selection, or the main window of a chosen meet. The
// program ends only through finished (its own exit paths), never because a window closed.
class AppFlow : public QObject {
  Q_OBJECT

 public:
  AppFlow(AppState& state, Dialogs& dialogs, InstanceGuard& guard, QString program_folder,
          WorkstationFiles workstation = {});
  ~AppFlow() override;

  // Shows the meet selection after its start-up; false when the program is to end at once.
  bool Start();

  KVSSEL* selection() const { return selection_.get(); }
  KVS00* main() const { return main_.get(); }

 signals:
  void finished();

 private:
  void OnMeetSelected(const QString& meet_number, const QString& meet_name);
  void OnBackToSelection();

  AppState& state_;
  Dialogs& dialogs_;
  InstanceGuard& guard_;
  QString program_folder_;
  WorkstationFiles workstation_;
  MeetListCache meet_cache_;
  std::unique_ptr<KVSSEL> selection_;
  std::unique_ptr<KVS00> main_;
};

}  // namespace kvsys
