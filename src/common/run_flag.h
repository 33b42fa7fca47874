#pragma once

#include <QCoreApplication>

namespace kvsys {

// A long run inside a window's own loop (a print run): the window keeps processing events so
// that 中止 can set a flag the run reads, and a close asked meanwhile cancels the run and waits
// for its end.
class RunFlag {
 public:
  bool Running() const { return running_; }
  void Begin() {
    running_ = true;
    cancel_ = false;
    close_after_ = false;
  }
  // The run is over; true when the window was asked to close meanwhile (and should now).
  bool End() {
    running_ = false;
    cancel_ = false;
    const bool close = close_after_;
    close_after_ = false;
    return close;
  }
  // 中止.
  void Cancel() {
    if (running_) cancel_ = true;
  }
  // A close while running: the run is cancelled and the window closes after it. True when
  // the close must wait (the window ignores it now).
  bool HoldClose() {
    if (!running_) return false;
    cancel_ = close_after_ = true;
    return true;
  }
  // Lets the window process pending events; true when 中止 was asked meanwhile.
  bool CancelRequested() {
    QCoreApplication::processEvents();
    return cancel_;
  }

 private:
  bool running_ = false;
  bool cancel_ = false;
  bool close_after_ = false;
};

}  // namespace kvsys
