#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace kvsys {

// Refuses a second running copy on this workstation. The lock lives in the user's runtime
// folder, not in the program folder, so workstations that share a program folder on the
// network do not block each other. It is held for the life of the process.
class InstanceGuard {
 public:
  // An empty path means the default lock in the user's runtime folder.
  explicit InstanceGuard(QString lock_path = QString());
  // True when this process holds the lock (taken now or earlier).
  bool Acquire();

 private:
  QString lock_path_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace kvsys
