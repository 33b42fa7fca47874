#pragma once

#include <QString>

#include "certificate/recipient.h"

namespace kvsys {

// Where printing the recipient table stands, so that a run stopped by 中止 or by an output
// that failed can say what was output and go on from the next certificate.
class PrintResume {
 public:
  // Printing the table from entry first begins.
  void Begin(int first);
  // Entry first + done of first to first + total - 1 is about to be drawn (what the run
  // reports before each certificate).
  void Drawing(int done, int total);
  bool Begun() const { return first_ > 0; }
  // The run ended; completed is true when it reached its last entry.
  void End(bool completed);
  // Nothing to continue (a new run, or the table changed).
  void Forget();

  bool CanContinue() const { return next_ > 0; }
  // The entry to print next; 0 when there is none.
  int Next() const { return next_; }
  int Last() const { return last_; }
  // Certificates of the table output so far, counting earlier parts of the same table.
  int Output() const { return next_ > 0 ? next_ - 1 : output_; }

 private:
  int first_ = 0;
  int last_ = 0;
  int drawing_ = 0;  // the entry being drawn; 0 before the first
  int next_ = 0;
  int output_ = 0;
};

// The operator's note after a stop: how many were output and who comes next (event, class,
// rank and name), or that every certificate was output.
QString DescribePrintStop(const PrintResume& resume, const RecipientTable& table);

}  // namespace kvsys
