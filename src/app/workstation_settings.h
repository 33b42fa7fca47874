#pragma once

#include <QByteArray>
#include <QString>

namespace kvsys {

// Files of this workstation's user, apart from the program folder (which several
// workstations may share): where the windows were placed, and the meets already read.
struct WorkstationFiles {
  QString settings;    // an INI file; empty: nothing is remembered
  QString meet_cache;  // the meet list cache; empty: kept for this process only
};

// The places in the user's configuration and cache folders.
WorkstationFiles DefaultWorkstationFiles();

// A window's geometry as last saved under key (empty when none or no file).
QByteArray LoadWindowGeometry(const QString& settings, const QString& key);
// False when the file could not be written.
bool SaveWindowGeometry(const QString& settings, const QString& key, const QByteArray& geometry);

}  // namespace kvsys
