#pragma once

#include <QString>

namespace kvsys {

// The version the build was made as (the project's version in CMake).
QString ProgramVersion();

// The terms the program is given under, as the About box and the package state them.
QString LicenceText();

// The About box's text: the program, its version, its licence and the program folder in use.
QString AboutText(const QString& program_folder);

}  // namespace kvsys
