#include "common/program_folder_place.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kvsys {

namespace {

QString Absolute(const QString& folder, const QString& working_folder) {
  const QString path = QDir::fromNativeSeparators(folder);
  return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                    : QDir(working_folder).absoluteFilePath(path));
}

bool IsSystemProgramFolder(const QString& folder) {
  static const QStringList kSystem = {QStringLiteral("/usr/bin"),  QStringLiteral("/usr/local/bin"),
                                      QStringLiteral("/bin"),      QStringLiteral("/usr/games"),
                                      QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
  return kSystem.contains(QDir::cleanPath(folder));
}

}  // namespace

ProgramFolderFacts ProgramFolderFactsOfThisProcess(const QString& option) {
  ProgramFolderFacts facts;
  facts.option = option;
  facts.environment = qEnvironmentVariable("KVSYS_PROGRAM_FOLDER");
  facts.executable_folder = QCoreApplication::applicationDirPath();
  const QFileInfo folder(facts.executable_folder);
  facts.executable_folder_writable = folder.isDir() && folder.isWritable();
  facts.executable_folder_has_ini =
      QFileInfo::exists(QDir(facts.executable_folder).filePath(QStringLiteral("KVSYS.ini")));
  // Follows XDG_DATA_HOME, and ~/.local/share without it.
  facts.data_home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  facts.working_folder = QDir::currentPath();
  return facts;
}

ProgramFolderPlace ChooseProgramFolder(const ProgramFolderFacts& facts) {
  if (!facts.option.isEmpty()) {
    return {Absolute(facts.option, facts.working_folder), ProgramFolderKind::Named};
  }
  if (!facts.environment.isEmpty()) {
    return {Absolute(facts.environment, facts.working_folder), ProgramFolderKind::Named};
  }
  if (!IsSystemProgramFolder(facts.executable_folder) &&
      (facts.executable_folder_writable || facts.executable_folder_has_ini)) {
    return {QDir::cleanPath(facts.executable_folder), ProgramFolderKind::Beside};
  }
  if (facts.data_home.isEmpty()) return {QString(), ProgramFolderKind::User};
  return {Absolute(facts.data_home, facts.working_folder) + QStringLiteral("/kvsys"),
          ProgramFolderKind::User};
}

ProgramArguments ParseProgramArguments(const QStringList& args) {
  ProgramArguments parsed;
  const QString option = QStringLiteral("--program-folder");
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg == QLatin1String("--version")) {
      parsed.version = true;
    } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      parsed.help = true;
    } else if (arg == option || arg.startsWith(option + u'=')) {
      const QString value = arg == option ? (i + 1 < args.size() ? args[++i] : QString())
                                          : arg.mid(option.size() + 1);
      if (value.isEmpty()) {
        parsed.error = QStringLiteral("--program-folder にフォルダがありません。");
        return parsed;
      }
      parsed.program_folder = value;
    } else {
      parsed.error = QStringLiteral("知らない引数です: %1").arg(arg);
      return parsed;
    }
  }
  return parsed;
}

QString ProgramUsageText() {
  return QStringLiteral(
      "使い方: kvsys [--program-folder DIR] | --version | --help\n"
      "  賞状印刷システム［競泳］を起動します。\n"
      "  プログラムフォルダ（KVSYS.ini と KVSYS.mdb）は、--program-folder DIR、環境変数\n"
      "  KVSYS_PROGRAM_FOLDER、実行ファイルのフォルダ（インストールされていないとき）、\n"
      "  $XDG_DATA_HOME/kvsys（既定は ~/.local/share/kvsys）の順に決めます。\n"
      "Usage: kvsys [--program-folder DIR] | --version | --help\n"
      "  The program folder (KVSYS.ini, KVSYS.mdb) is DIR, else $KVSYS_PROGRAM_FOLDER, else the\n"
      "  executable's folder unless installed, else $XDG_DATA_HOME/kvsys.\n");
}

}  // namespace kvsys
