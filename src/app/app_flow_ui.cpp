#include "app/app_flow_ui.h"

#include <QGuiApplication>

#include "app/kvs00.h"
#include "app/kvssel.h"
#include "common/dialogs.h"

namespace kvsys {

AppFlow::AppFlow(AppState& state, Dialogs& dialogs, InstanceGuard& guard, QString program_folder,
                 WorkstationFiles workstation)
    : state_(state),
      dialogs_(dialogs),
      guard_(guard),
      program_folder_(std::move(program_folder)),
      workstation_(std::move(workstation)),
      meet_cache_(workstation_.meet_cache) {
  // Between the main window and the next meet selection no window may be up for a moment;
  // that must not end the program.
  QGuiApplication::setQuitOnLastWindowClosed(false);
}

AppFlow::~AppFlow() = default;

bool AppFlow::Start() {
  selection_ = std::make_unique<KVSSEL>(state_, dialogs_, guard_, program_folder_);
  selection_->SetMeetListCache(&meet_cache_);
  connect(selection_.get(), &KVSSEL::exitRequested, this, &AppFlow::finished, Qt::QueuedConnection);
  connect(selection_.get(), &KVSSEL::meetSelected, this, &AppFlow::OnMeetSelected,
          Qt::QueuedConnection);
  if (selection_->Load() == StartUpOutcome::Exit) {
    selection_.reset();
    return false;
  }
  selection_->show();
  return true;
}

void AppFlow::OnMeetSelected(const QString& meet_number, const QString& meet_name) {
  selection_->hide();
  selection_.release()->deleteLater();
  main_ = std::make_unique<KVS00>(state_, dialogs_);
  main_->SetWorkstationSettings(workstation_.settings);
  // Directly: the meet selection is up before the main window goes.
  connect(main_.get(), &KVS00::backToMeetSelection, this, &AppFlow::OnBackToSelection);
  connect(main_.get(), &KVS00::endSystem, this, &AppFlow::finished, Qt::QueuedConnection);
  main_->Open(meet_number, meet_name);
}

void AppFlow::OnBackToSelection() {
  main_.release()->deleteLater();
  if (!Start()) emit finished();
}

}  // namespace kvsys
