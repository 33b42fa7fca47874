#pragma once

#include <QString>

#include "app/app_state.h"

namespace kvsys {

class Dialogs;
class InstanceGuard;

// Outcome of reading KVSYS.ini at start: a fatal flag and its detail text.
struct SettingsReadResult {
  bool fatal = false;
  QString detail;
};

// Reads Ver, D_B/DB_Path and every Prn key into the state. A blank DB_Path is fatal and
// leaves the Prn keys unread.
SettingsReadResult ReadSettings(AppState& state, Dialogs& dialogs);

// The program folder as the state keeps it (no trailing separator) and the paths derived.
void SetProgramFolder(AppState& state, const QString& program_folder);

// What the start-up needs of the meet selection window.
class StartUpView {
 public:
  virtual ~StartUpView() = default;
  virtual void CenterOnScreen() = 0;
  // Puts the window on the screen before the meets are listed, so that the operator sees the
  // program at work and every message of the start-up stands over its window.
  virtual void ShowWindow() {}
  virtual void ShowDbFolder(const QString& folder) = 0;
  // Selects the version option with this index, which lists the meets; false when there is
  // no such option.
  virtual bool SelectVersionOption(int index) = 0;
};

enum class StartUpOutcome { Listed, Exit };

// The start-up sequence run when the meet selection window loads. On Exit the caller ends
// the program; the workspace is closed already.
StartUpOutcome StartUp(AppState& state, Dialogs& dialogs, InstanceGuard& guard,
                       const QString& program_folder, StartUpView& view);

}  // namespace kvsys
