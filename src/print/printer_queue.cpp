#include "print/printer_queue.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kvsys {

namespace {

// IPP printer-state: 3 idle, 4 processing, 5 stopped.
constexpr int kIppStopped = 5;
constexpr int kConnectTimeoutMs = 5000;

// Whether the scheduler takes a connection at all (a named queue that cannot be asked for
// comes back as simply not found).
bool ServiceAnswers() {
  http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                              kConnectTimeoutMs, nullptr);
  if (!http) return false;
  httpClose(http);
  return true;
}

}  // namespace

PrinterQueue FindPrinterQueue(const QString& name) {
  PrinterQueue queue;
  queue.name = name;
  const QByteArray wanted = name.toUtf8();
  cups_dest_t* dest =
      cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.isEmpty() ? nullptr : wanted.constData(), nullptr);
  if (!dest) {
    // With the scheduler down every printer is "missing", which sends the operator looking
    // for the wrong fault.
    if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || !ServiceAnswers()) {
      queue.state = QueueState::kNoService;
    } else {
      queue.state = name.isEmpty() ? QueueState::kNoDefault : QueueState::kMissing;
    }
    return queue;
  }
  if (name.isEmpty()) queue.name = QString::fromUtf8(dest->name);
  const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
  const char* accepting =
      cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
  if (state && std::atoi(state) == kIppStopped) {
    queue.state = QueueState::kStopped;
  } else if (accepting && std::strcmp(accepting, "false") == 0) {
    queue.state = QueueState::kRejecting;
  } else {
    queue.state = QueueState::kReady;
  }
  cupsFreeDests(1, dest);
  return queue;
}

namespace {

// Jobs of this user on the queue, finished ones too; the callback sees each.
template <typename F>
void ForOwnJobs(const QString& queue, F&& each) {
  const QByteArray name = queue.toUtf8();
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), 1, CUPS_WHICHJOBS_ALL);
  for (int i = 0; i < count; ++i) each(jobs[i]);
  if (count > 0) cupsFreeJobs(count, jobs);
}

}  // namespace

int NewestOwnJob(const QString& queue) {
  int newest = 0;
  ForOwnJobs(queue, [&newest](const cups_job_t& job) { newest = std::max(newest, job.id); });
  return newest;
}

std::map<int, JobFate> OwnJobFates(const QString& queue) {
  std::map<int, JobFate> fates;
  ForOwnJobs(queue, [&fates](const cups_job_t& job) {
    switch (job.state) {
      case IPP_JSTATE_COMPLETED:
        fates[job.id] = JobFate::kCompleted;
        break;
      case IPP_JSTATE_STOPPED:
        fates[job.id] = JobFate::kStopped;
        break;
      case IPP_JSTATE_CANCELED:
      case IPP_JSTATE_ABORTED:
        fates[job.id] = JobFate::kCancelled;
        break;
      default:
        fates[job.id] = JobFate::kActive;
        break;
    }
  });
  return fates;
}

QString QueueProblemText(const PrinterQueue& queue) {
  switch (queue.state) {
    case QueueState::kReady:
      return QString();
    case QueueState::kNoDefault:
      return QStringLiteral("通常使うプリンタが見つかりません。");
    case QueueState::kMissing:
      return QStringLiteral("プリンタ「%1」が見つかりません。").arg(queue.name);
    case QueueState::kStopped:
      return QStringLiteral("プリンタ「%1」は停止しています。").arg(queue.name);
    case QueueState::kRejecting:
      return QStringLiteral("プリンタ「%1」は印刷を受け付けていません。").arg(queue.name);
    case QueueState::kNoService:
      return QStringLiteral("印刷サービス（CUPS）に接続できません。");
  }
  return QString();
}

}  // namespace kvsys
