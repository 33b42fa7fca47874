#include <QApplication>
#include <QTextStream>

#include "app/app_flow_ui.h"
#include "app/app_state.h"
#include "app/first_start.h"
#include "app/instance_guard.h"
#include "app/program_icon.h"
#include "app/qt_translations.h"
#include "app/workstation_settings.h"
#include "common/dialogs_ui.h"
#include "common/program_folder_place.h"
#include "common/program_version.h"

namespace {

// Without a display (an empty DISPLAY is none) Qt would abort with a platform error; say what
// to do instead.
bool HasDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

QStringList ArgumentsOf(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  // The version and the usage need no display: answered before the toolkit starts.
  if (const kvsys::ProgramArguments early = kvsys::ParseProgramArguments(ArgumentsOf(argc, argv));
      early.error.isEmpty() && (early.version || early.help)) {
    QTextStream out(stdout);
    if (early.version) {
      out << "kvsys " << kvsys::ProgramVersion() << "\n";
    } else {
      out << kvsys::ProgramUsageText();
    }
    return 0;
  }
  if (!HasDisplay()) {
    QTextStream(stderr) << "画面（ディスプレイ）がありません。デスクトップから起動するか、"
                           "xvfb-run で起動してください。\n"
                           "No display: start the program from a desktop session or under "
                           "xvfb-run.\n";
    return 1;
  }
  QApplication app(argc, argv);
  // Qt has taken its own options (-platform and the like) out by now.
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  const kvsys::ProgramArguments arguments = kvsys::ParseProgramArguments(args);
  if (!arguments.error.isEmpty()) {
    QTextStream(stderr) << arguments.error << "\n\n" << kvsys::ProgramUsageText();
    return 2;
  }
  QApplication::setApplicationVersion(kvsys::ProgramVersion());
  // Ties the windows to the desktop entry (and its icon) where the desktop asks by that name.
  QGuiApplication::setDesktopFileName(QStringLiteral("jp.kvsys.kvsys"));
  QApplication::setWindowIcon(kvsys::ProgramIcon());
  kvsys::InstallJapaneseQtTranslations(app);
  kvsys::AppState state;
  kvsys::QtDialogs dialogs;
  kvsys::InstanceGuard guard;
  const kvsys::ProgramFolderPlace place =
      kvsys::ChooseProgramFolder(kvsys::ProgramFolderFactsOfThisProcess(arguments.program_folder));
  // A second copy is refused by the start-up, before it asks anything of the operator.
  if (guard.Acquire() && !kvsys::PrepareProgramFolder(place, dialogs, state)) return 1;
  kvsys::AppFlow flow(state, dialogs, guard, place.folder, kvsys::DefaultWorkstationFiles());
  QObject::connect(&flow, &kvsys::AppFlow::finished, &app, &QApplication::quit);
  if (!flow.Start()) return 0;
  return app.exec();
}
