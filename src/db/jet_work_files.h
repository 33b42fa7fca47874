#pragma once

// The work files of reading a Jet file: a private folder and a copy of the database taken at
// one moment. Used inside src/db only.

#include <QByteArray>
#include <QString>
#include <functional>

namespace kvsys::detail {

// A folder only this user can enter (mode 0700) in the temporary folder, removed with all it
// holds when the object goes. Its name carries the owner's pid ("kvsys-jet-PID-XXXXXX"), so
// that the folders of a process killed while reading are cleared by the next one.
class JetWorkFolder {
 public:
  JetWorkFolder();
  ~JetWorkFolder();
  JetWorkFolder(const JetWorkFolder&) = delete;
  JetWorkFolder& operator=(const JetWorkFolder&) = delete;

  bool ok() const { return !path_.isEmpty(); }
  int error() const { return error_; }  // errno when not ok
  QString File(const QString& name) const;

 private:
  QByteArray path_;
  int error_ = 0;
};

// Removes the work folders of processes that no longer run from the temporary folder (once a
// process; later calls do nothing unless forced).
void RemoveDeadJetWorkFolders(bool force = false);

struct JetSnapshot {
  enum class Result { Copied, SourceError, TargetError, KeptChanging };
  Result result = Result::Copied;
  int error = 0;  // errno of a source or target error
};

// Copies source to target as it stood at one moment. The results system may be writing the
// file: a copy during which its size or time changed is made again, up to attempts times,
// pause_ms apart. copied(attempt) runs after each copy, before the source is looked at again.
JetSnapshot CopyStableSnapshot(const QString& source, const QString& target, int attempts = 5,
                               int pause_ms = 150,
                               const std::function<void(int)>& copied = nullptr);

}  // namespace kvsys::detail
