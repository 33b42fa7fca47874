#pragma once

#include <QString>
#include <QStringList>

namespace kvsys {

// Where KVSYS.ini and KVSYS.mdb are kept.
enum class ProgramFolderKind {
  Beside,  // the executable's own folder (a build, or a program folder made by hand)
  Named,   // named by --program-folder or KVSYS_PROGRAM_FOLDER (a folder workstations share)
  User,    // the user's data folder: the program is installed, its folder is not ours
};

struct ProgramFolderPlace {
  QString folder;  // absolute, no trailing separator; empty when none can be found
  ProgramFolderKind kind = ProgramFolderKind::Beside;
};

// What the choice depends on, gathered apart so that it can be decided for any user.
struct ProgramFolderFacts {
  QString option;             // --program-folder as given; empty when not given
  QString environment;        // KVSYS_PROGRAM_FOLDER
  QString executable_folder;  // absolute
  bool executable_folder_writable = false;
  bool executable_folder_has_ini = false;  // a KVSYS.ini lies beside the executable
  QString data_home;                       // $XDG_DATA_HOME, else ~/.local/share
  QString working_folder;                  // relative names are taken from here
};

// The facts of this process (the executable, its environment, the user's folders).
ProgramFolderFacts ProgramFolderFactsOfThisProcess(const QString& option);

// The option first, then the environment; else the executable's folder when the program is
// not installed (that folder is ours to write, or holds a KVSYS.ini already); else the user's
// data folder's kvsys. A system folder such as /usr/bin is never the program folder, not even
// for root, who could write there.
ProgramFolderPlace ChooseProgramFolder(const ProgramFolderFacts& facts);

// The arguments of kvsys (Qt's own already taken out).
struct ProgramArguments {
  bool version = false;
  bool help = false;
  QString program_folder;
  QString error;  // not empty: the arguments are not usable
};

ProgramArguments ParseProgramArguments(const QStringList& args);

// kvsys --help.
QString ProgramUsageText();

}  // namespace kvsys
