#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>
#include <vector>

namespace kvsys::printtool {

// Exit codes of kvsys-print.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a folder, a database, the layout or the output failed
inline constexpr int kExitBadArguments = 2;
// More recipients than a run holds: the first 9999 were printed, the rest were not (stderr
// says how many and where they start).
inline constexpr int kExitIncomplete = 3;

struct CommandLine {
  bool help = false;
  bool version = false;
  QString program_folder;  // empty: the folder kvsys would use
  // A meet and its events ...
  QString meet;
  bool all_events = false;
  std::vector<int> events;  // in the order given
  QString day;              // "yyyy/mm/dd"; empty for every day of the meet
  int rank = 0;
  int skip_up_to = 0;
  int heat = 0;
  bool class_wise = false;
  int class_no = 0;  // class-wise: 0 = every class
  bool open_excluded = false;
  int affiliation = 0;  // 1 to 4; 0 = PrnShozNo of KVSYS.ini
  QString recipients_out;
  // With no layout decided, create one with the layout editor's new-layout values for the meet
  // and decide it (a demo program folder has none).
  bool default_layout = false;
  // Save the standard layout and the vertical example ("縦書き") when the layout database has
  // no layout of their names; with no event asked for, that is all the command does.
  bool example_layouts = false;
  // Decide the saved layout of this name before printing.
  QString layout_name;
  // ... or a recipients file.
  QString recipients;
  int index = 0;  // only this recipient; 0 = all
  // Outputs.
  QString pdf;              // a folder: one file per certificate
  QString pdf_file;         // one file for the run
  QString by_affiliation;   // a folder: one file per club, sorted by affiliation
  bool to_printer = false;  // a printer queue: printer, or the default printer when empty
  QString printer;
  QString dump;
  // The print log.
  bool new_only = false;  // only certificates the log does not hold, each claimed first
  bool log = false;       // write the meet's log rows, print nothing
  bool changed = false;   // write the log rows that differ from today's results, print nothing
  // Follow the meet: print each chosen event's certificates not yet in the log as soon as its
  // results are complete, until SIGINT or SIGTERM.
  bool follow = false;
  int interval = 5;            // seconds between looks at the meet file
  int hold = 0;                // --follow: minutes an event waits after its last result (protests)
  bool calling_order = false;  // each event's certificates in the ceremony's calling order
  QString ceremony_sheet;      // write the chosen events' ceremony sheet here, print nothing
  bool handed = false;         // mark the chosen certificates as handed over, print nothing
  bool not_handed = false;     // take that mark back
  bool since_last_sheet = false;  // the sheet of the events printed since the last one
  bool check = false;  // write the check before printing of the chosen events, print nothing
  bool calibration_sheet = false;  // the calibration sheet of every paper size, nothing else
};

// Only the dump is written: no PDF and no printer (nothing is printed, nothing logged).
bool DumpOnly(const CommandLine& cl);

// Parses the arguments (without the program name); nullopt with a message in error when they
// are not usable.
std::optional<CommandLine> ParseCommandLine(const QStringList& args, QString* error);

QString UsageText();

// Runs the command; returns the exit code. Messages a window would show in a box go to err,
// one a line; what was written goes to out.
int RunPrintCommand(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace kvsys::printtool
