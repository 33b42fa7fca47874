#pragma once

// Runs the Jet reader helper as a child process. Used inside src/db only.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kvsys::detail {

struct JetReaderRun {
  enum class End { Exited, Signaled, TimedOut, NotStarted };
  End end = End::NotStarted;
  int status = 0;      // exit status, signal number, or errno when not started
  QByteArray message;  // the start of what the helper wrote on standard output
  int elapsed_ms = 0;
};

// Starts program with args (standard input and error on /dev/null, standard output read
// here), waits for it and kills it once wall_ms have passed. While it waits the application
// keeps painting and running its timers, but takes no user input.
JetReaderRun RunJetReader(const QString& program, const QStringList& args, int wall_ms);

}  // namespace kvsys::detail
