#pragma once

#include "common/program_folder_place.h"

namespace kvsys {

class Dialogs;
struct DbErrorState;

// Readies a program folder that is not beside the executable before the meet selection: on the
// first start there it makes KVSYS.mdb with the example layouts and asks for the meets folder
// (the meet selection cannot start without one). False when the program is to end; the
// operator has been told why. A folder beside the executable is left as it is.
bool PrepareProgramFolder(const ProgramFolderPlace& place, Dialogs& dialogs, DbErrorState& errors);

}  // namespace kvsys
