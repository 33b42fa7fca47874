#include "app/app_state.h"

#include "db/workspace.h"

namespace kvsys {

void AppState::CloseDatabases() {
  if (ResultsDb) ResultsDb->Close();
  ResultsDb.reset();
  if (Workspace) Workspace->Close();
  Workspace.reset();
  LayoutDb.reset();
}

void AppState::ReopenChangedMeet() {
  if (!Workspace || !IsJetFile(ResultsDbPath)) return;
  ResultsDb = Workspace->OpenDatabase(ResultsDbPath, false, true);
}

}  // namespace kvsys
