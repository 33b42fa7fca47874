#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace kvsys {

// Shows the wait cursor for the life of the object; Restore() ends it early (before a
// message box, as the operator should not wait on an hourglass while reading).
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~WaitCursor() { Restore(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  void Restore() {
    if (active_) QGuiApplication::restoreOverrideCursor();
    active_ = false;
  }

 private:
  bool active_ = true;
};

}  // namespace kvsys
