#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>

namespace kvsys {

// The program's own icon for every window's title bar (else the toolkit shows its logo): a
// certificate sheet with a blue wave across it. Drawn, so that no image format plug-in is
// needed.
QIcon ProgramIcon();

// The same drawing as one image of size x size pixels, and as SVG: the desktop's icon files
// are made from these, so the menu and the windows show one picture.
QImage ProgramIconImage(int size);
QByteArray ProgramIconSvg();

}  // namespace kvsys
