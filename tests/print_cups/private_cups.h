#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kvsys::test {

// A CUPS scheduler of the test's own: its configuration, spool and logs in a temporary folder,
// reached through a domain socket in it (no port, nothing of the machine's own CUPS touched).
// Its queues hand each job, as the filters made it, to a small backend that copies it into
// the queue's folder. Start sets CUPS_SERVER for this process and the programs it starts, so
// it must run before anything asks the printing service. The scheduler is stopped and the
// folder removed on destruction, and the scheduler ends with this process if it dies.
class PrivateCups {
 public:
  PrivateCups();
  ~PrivateCups();
  PrivateCups(const PrivateCups&) = delete;
  PrivateCups& operator=(const PrivateCups&) = delete;

  // Empty when the scheduler answers; else why it could not start.
  QString Start();
  // Ends the scheduler; its socket no longer answers.
  void Stop();
  // A queue taking PDF (the cups-pdf driver's paper list) whose jobs land in JobFolder(name).
  bool AddQueue(const QString& name, bool make_default, QString* error);
  // Runs one of the CUPS command-line tools (lpadmin, cupsdisable, ...) on this scheduler.
  bool Tool(const QString& tool, const QStringList& args, QString* error);

  QString JobFolder(const QString& queue) const;
  // The job files of the queue, once there are count of them or the time is up.
  QStringList WaitForJobs(const QString& queue, int count, int timeout_ms) const;
  // The last lines of the scheduler's error log, for a failure message.
  QString LogTail() const;

 private:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  bool Answers();

  QTemporaryDir dir_;
  QProcess cupsd_;
};

// Pages and page size (points) that pdfinfo reads from a PDF file; pages 0 when it cannot.
struct PdfInfo {
  int pages = 0;
  double width = 0;
  double height = 0;
  QString error;
};
PdfInfo ReadPdfInfo(const QString& file);

}  // namespace kvsys::test
