#pragma once

#include <QString>
#include <map>

namespace kvsys {

// What the system's printing service (CUPS) says of a queue before a run is sent to it.
enum class QueueState {
  kReady,      // there, started and taking jobs
  kNoDefault,  // no name given and the system has no default printer (or no printer at all)
  kMissing,    // no queue of that name
  kStopped,    // the queue is stopped: jobs would wait in it unprinted
  kRejecting,  // the queue refuses new jobs
  kNoService,  // the printing service itself does not answer
};

struct PrinterQueue {
  QString name;  // the queue asked for, or the default printer's name
  QueueState state = QueueState::kNoDefault;
};

// Asks the printing service about the queue of that name, or about the default printer when
// the name is empty. Each call asks again: a queue may be stopped between two runs.
PrinterQueue FindPrinterQueue(const QString& name);

// The operator's message for a queue that cannot take a run ("プリンタ「A」は停止しています。");
// empty for a ready queue.
QString QueueProblemText(const PrinterQueue& queue);

// What the printing service says became of a job. Completed means handed on to the printer,
// not on paper.
enum class JobFate { kActive, kCompleted, kStopped, kCancelled };

// The newest job of this user on the queue: the one just sent. 0 when the service does not say.
int NewestOwnJob(const QString& queue);
// The fate of each job of this user on the queue that the service still knows, by job id.
std::map<int, JobFate> OwnJobFates(const QString& queue);

}  // namespace kvsys
