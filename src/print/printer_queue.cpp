#include "print/printer_queue.h"

#include <cups/cups.h>

#include <cstdlib>
#include <cstring>

namespace kvsys {

namespace {

// IPP printer-state: 3 idle, 4 processing, 5 stopped.
constexpr int kIppStopped = 5;

}  // namespace

PrinterQueue FindPrinterQueue(const QString& name) {
  PrinterQueue queue;
  queue.name = name;
  const QByteArray wanted = name.toUtf8();
  cups_dest_t* dest =
      cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.isEmpty() ? nullptr : wanted.constData(), nullptr);
  if (!dest) {
    queue.state = name.isEmpty() ? QueueState::kNoDefault : QueueState::kMissing;
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
  }
  return QString();
}

}  // namespace kvsys
