#include "app/instance_guard.h"

#include <QDir>
#include <QStandardPaths>

namespace kvsys {

InstanceGuard::InstanceGuard(QString lock_path) : lock_path_(std::move(lock_path)) {
  if (lock_path_.isEmpty()) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    lock_path_ = QDir(dir).filePath(QStringLiteral("kvsys.lock"));
  }
}

bool InstanceGuard::Acquire() {
  if (lock_ && lock_->isLocked()) return true;
  lock_ = std::make_unique<QLockFile>(lock_path_);
  // A lock left by a crashed copy is taken over (QLockFile checks the owner's pid).
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return true;
  lock_.reset();
  return false;
}

}  // namespace kvsys
