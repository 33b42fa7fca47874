#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>

namespace kvsys {

// How often a run lets its window process events and show its progress.
inline constexpr qint64 kRunPaceMs = 50;

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
    events_.invalidate();
    progress_.invalidate();
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
  // Lets the window process pending events (at the first call, then at most every
  // kRunPaceMs: repainting the window for every certificate cost more than the certificates);
  // true when 中止 was asked meanwhile.
  bool CancelRequested() {
    if (!events_.isValid() || events_.elapsed() >= kRunPaceMs) {
      QCoreApplication::processEvents();
      events_.start();
    }
    return cancel_;
  }
  // Whether the progress done of total is worth showing now: the first and the last, and
  // the rest when the bar moves by a tenth or kRunPaceMs have passed. A bar repaints at once
  // when its value changes: every certificate of a long run would repaint it thousands of times.
  bool ProgressDue(int done, int total) {
    const int tenth = std::max(1, total / 10);
    if (done > 0 && done < total && done - shown_ < tenth && progress_.isValid() &&
        progress_.elapsed() < kRunPaceMs) {
      return false;
    }
    progress_.start();
    shown_ = done;
    return true;
  }

 private:
  bool running_ = false;
  bool cancel_ = false;
  bool close_after_ = false;
  QElapsedTimer events_;
  QElapsedTimer progress_;
  int shown_ = 0;
};

}  // namespace kvsys
