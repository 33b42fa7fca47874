#pragma once

#include <QString>

namespace kvsys {

class Dialogs;
struct DbErrorState;

enum class ProgramFolderSetup {
  Ready,    // the folder and its KVSYS.mdb were there
  Created,  // KVSYS.mdb was made now (with the example layouts)
  Failed,   // the folder or KVSYS.mdb could not be made; dialogs has said why
};

// Makes a program folder that is not beside the executable usable: the folder, a KVSYS.mdb
// holding the example layouts (標準 decided, and 縦書き) and the first print options in
// KVSYS.ini. A KVSYS.mdb another workstation made meanwhile is kept as it is.
ProgramFolderSetup SetUpProgramFolder(const QString& folder, Dialogs& dialogs,
                                      DbErrorState& errors);

}  // namespace kvsys
