#pragma once

#include <QString>

#include "certificate/recipient.h"

namespace kvsys {

// Where printing the recipient table stands, so that a run stopped by 中止 or by an output
// that failed can say what was output and go on from the next certificate.
class PrintResume {
 public:
  // A run of the table ended: next is the entry it did not output (0 when it reached its
  // end), last the entry it was to end at.
  void Ended(int next, int last) {
    next_ = next;
    last_ = last;
  }
  // Nothing to continue (a new run, or the table changed).
  void Forget() { *this = PrintResume(); }

  bool CanContinue() const { return next_ > 0; }
  // The entry to print next; 0 when there is none.
  int Next() const { return next_; }
  int Last() const { return last_; }
  // Certificates of the table output so far, counting earlier parts of the same table: a run
  // goes on from where the one before it stopped.
  int Output() const { return next_ > 0 ? next_ - 1 : last_; }

 private:
  int next_ = 0;
  int last_ = 0;
};

// The operator's note after a stop: how many were output and who comes next (event, class,
// rank and name); empty when there is nothing to go on with.
QString DescribePrintStop(const PrintResume& resume, const RecipientTable& table);

}  // namespace kvsys
