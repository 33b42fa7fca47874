#include <QApplication>
#include <QTextStream>

#include "app/app_flow_ui.h"
#include "app/app_state.h"
#include "app/instance_guard.h"
#include "app/program_icon.h"
#include "app/qt_translations.h"
#include "app/workstation_settings.h"
#include "common/dialogs_ui.h"

namespace {

// Without a display (an empty DISPLAY is none) Qt would abort with a platform error; say what
// to do instead.
bool HasDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
  if (!HasDisplay()) {
    QTextStream(stderr) << "画面（ディスプレイ）がありません。デスクトップから起動するか、"
                           "xvfb-run で起動してください。\n"
                           "No display: start the program from a desktop session or under "
                           "xvfb-run.\n";
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setWindowIcon(kvsys::ProgramIcon());
  kvsys::InstallJapaneseQtTranslations(app);
  kvsys::AppState state;
  kvsys::QtDialogs dialogs;
  kvsys::InstanceGuard guard;
  kvsys::AppFlow flow(state, dialogs, guard, QCoreApplication::applicationDirPath(),
                      kvsys::DefaultWorkstationFiles());
  QObject::connect(&flow, &kvsys::AppFlow::finished, &app, &QApplication::quit);
  if (!flow.Start()) return 0;
  return app.exec();
}
