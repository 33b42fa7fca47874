#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "certificate/recipient.h"
#include "common/print_options.h"
#include "db/database.h"
#include "db/db_error.h"
#include "db/workspace.h"
#include "layout/certificate_layout.h"
#include "preview/underlay.h"
#include "results/meet_settings.h"

namespace kvsys {

// The process-wide application record. It derives from DbErrorState so the tolerated-error
// list and the last lock error text read as state.ExpectedErrors / state.LastDbErrorText.
struct AppState : DbErrorState {
  QString AppFolder;     // program folder, no trailing separator
  QString IniPath;       // AppFolder/KVSYS.ini
  QString LayoutDbPath;  // AppFolder/KVSYS.mdb

  std::unique_ptr<kvsys::Workspace> Workspace;
  std::shared_ptr<Database> LayoutDb;
  std::shared_ptr<Database> ResultsDb;

  int16_t ResultVersion = 0;  // 0 = Ver.5.0, 1 = Ver.4.6
  QString DbFolder;           // folder of the meets, as last listed with success
  QString ResultsDbPath;
  int16_t MeetNo = 0;
  QString MeetNoText;  // MeetNo as two digits

  PrintOptions Prn;
  kvsys::MeetSettings MeetSettings;  // the chosen meet's settings row
  CertificateLayout Layout;          // the layout certificates are drawn from
  RecipientTable Recipients;         // the recipients of the last print run
  // The installed font names the font lists offer, collected when the main window opens.
  QStringList FontNames;
  // The preview's pictures of the blank stock, read once and said once per program run.
  UnderlayPictures Underlays;

  // Closes both databases and the workspace (going back to the meet selection, ending).
  void CloseDatabases();
  // After the meet's file changed: a Jet meet is read whole when opened, so it is opened
  // again; a meet read in place shows the change as it is.
  void ReopenChangedMeet();
};

}  // namespace kvsys
