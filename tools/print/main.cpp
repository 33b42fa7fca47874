// kvsys-print: the print run without a screen (see --help).
#include <QGuiApplication>
#include <QTextStream>

#include "print/print_command.h"

int main(int argc, char** argv) {
  // Fonts are measured through the window system; without a display (unset or empty) the
  // offscreen platform serves.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QGuiApplication app(argc, argv);
  QTextStream out(stdout);
  QTextStream err(stderr);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  return kvsys::printtool::RunPrintCommand(args, out, err);
}
