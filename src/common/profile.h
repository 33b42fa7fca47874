#pragma once

#include <QString>

#include "common/dialogs.h"

namespace kvsys {

// The system's own profile, used when a profile routine is given no file name: WIN.INI in a
// folder of ours under the user's configuration folder.
QString SystemProfilePath();

// The key's value from the file (the system profile when file is empty), at most 255 bytes;
// the empty text when the key or the file is missing. A blank section or key shows
// "GetProfileEx(file,section,key)" titled "パラメタ不正検出" and reads nothing.
QString GetProfileEx(Dialogs& dialogs, const QString& file, const QString& section,
                     const QString& key);

// Writes the key (the file is created if missing). A blank or unstorable section, key or value
// shows "SetProfileEx(file,section,key,value)" titled "パラメタ不正検出"; a failed write shows
// "<file>に書き込みエラーが発生しました。" ("WIN.INI" for the system profile) titled
// "SetProfileEx()" and leaves the old file intact. Returns true on success.
bool SetProfileEx(Dialogs& dialogs, const QString& file, const QString& section, const QString& key,
                  const QString& value);

}  // namespace kvsys
