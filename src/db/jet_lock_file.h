#pragma once

#include <QString>
#include <QStringList>

namespace kvsys {

// The computer names in the lock file (.ldb) that Jet keeps beside an open database, in the
// order they are listed, each once. Empty when there is no lock file or it cannot be read.
QStringList JetLockHolders(const QString& database_path);

}  // namespace kvsys
