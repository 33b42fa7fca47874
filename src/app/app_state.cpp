#include "app/app_state.h"

namespace kvsys {

void AppState::CloseDatabases() {
  if (ResultsDb) ResultsDb->Close();
  ResultsDb.reset();
  if (Workspace) Workspace->Close();
  Workspace.reset();
  LayoutDb.reset();
}

}  // namespace kvsys
