#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>
#include <vector>

#include "samplemeet/sample_meet.h"

namespace kvsys::samplemeet {

// Exit codes of kvsys-samplemeet.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a meet could not be written or already exists
inline constexpr int kExitBadArguments = 2;

struct CommandLine {
  bool help = false;
  QString folder;
  FolderLayout layout = FolderLayout::Ver50;
  bool force = false;
  std::vector<MeetSpec> meets;
  // --advance N FILE: the next N events of a meet in progress get their results.
  int advance = 0;
  QString advance_file;
};

// Parses the arguments (without the program name). nullopt with a message in `error` when
// they are not usable.
std::optional<CommandLine> ParseCommandLine(const QStringList& args, QString* error);

QString UsageText();

// Runs the command: parses, checks that no meet would be overwritten (unless --force),
// writes the meets and reports each; returns the exit code.
int RunSampleMeetCommand(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace kvsys::samplemeet
