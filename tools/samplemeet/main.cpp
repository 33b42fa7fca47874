// kvsys-samplemeet: writes sample results databases for demonstrations, tests and benchmarks.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "samplemeet/command_line.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  QTextStream out(stdout);
  QTextStream err(stderr);
  return kvsys::samplemeet::RunSampleMeetCommand(args, out, err);
}
