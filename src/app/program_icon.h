#pragma once

#include <QIcon>

namespace kvsys {

// The program's own icon for every window's title bar (else the toolkit shows its logo): a
// certificate sheet with a blue wave across it. Drawn, so that no image format plug-in is
// needed.
QIcon ProgramIcon();

}  // namespace kvsys
