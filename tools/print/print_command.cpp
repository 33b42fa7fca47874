#include "print/print_command.h"

#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QIODevice>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <memory>

#include "certificate/award_changes.h"
#include "certificate/award_status.h"
#include "certificate/example_layouts.h"
#include "certificate/layout_for_meet.h"
#include "certificate/meet_follow.h"
#include "certificate/pre_print_check.h"
#include "certificate/print_job.h"
#include "certificate/print_run.h"
#include "certificate/program_folder_setup.h"
#include "certificate/program_list.h"
#include "common/print_options.h"
#include "common/profile_file.h"
#include "common/program_folder_place.h"
#include "common/program_version.h"
#include "common/text_util.h"
#include "db/database.h"
#include "db/workspace.h"
#include "layout/layout_db_open.h"
#include "layout/layout_store.h"
#include "print/console_dialogs.h"
#include "print/document_output.h"
#include "print/json_lines.h"
#include "print/output_settings.h"
#include "print/printer_queue.h"
#include "print/recipients_file.h"
#include "results/meet_settings.h"

namespace kvsys::printtool {

namespace {

// Reads a whole number in [lo, hi]; nullopt when the text is anything else.
std::optional<int> Number(const QString& text, int lo, int hi) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  if (!ok || n < lo || n > hi) return std::nullopt;
  return n;
}

// Only the dump is written: no PDF and no printer.
bool DumpOnly(const CommandLine& cl) {
  return !cl.dump.isEmpty() && cl.pdf.isEmpty() && cl.pdf_file.isEmpty() && !cl.to_printer;
}

QString BadValue(const QString& option, const QString& value) {
  return QStringLiteral("%1 の値が正しくありません: %2").arg(option, value);
}

// Everything a run of the command holds open.
struct Session {
  explicit Session(QTextStream& err) : dialogs(err) {}
  ConsoleDialogs dialogs;
  DbErrorState state;
  Workspace workspace;
  std::shared_ptr<Database> layout_db;
  std::shared_ptr<Database> results_db;
  PrintOptions options;
  CertificateLayout layout;
  RecipientTable recipients;
  int run_layout = 0;  // --layout: the saved layout of this run; 0 = the decided one
};

// A layout as the editor creates it for this meet, decided; for a program folder that has
// none yet. Under one write lock, so two runs at once make one 標準 and decide it.
bool DecideDefaultLayout(Session& s, QTextStream& out) {
  LayoutStore store(*s.layout_db, s.dialogs, s.state);
  QString done;
  const bool ok = store.WriteInOneTransaction([&] {
    if (store.DecidedLayout() != 0) return true;
    int number = store.FindLayoutNamed(kStandardExampleName);
    if (number != 0) {
      done = QStringLiteral("レイアウト %1「標準」を決定しました。").arg(number);
    } else {
      const MeetSettings meet = LoadMeetSettings(*s.results_db, s.state, s.dialogs);
      number = store.ChooseNewNumber();
      if (number == 0) return false;
      number = store.CreateLayout(number, kStandardExampleName,
                                  MeetNumberOfFile(s.results_db->Name()), NewLayoutSettings(meet));
      if (number == 0) return false;
      done = QStringLiteral("レイアウト %1「標準」を作成して決定しました。").arg(number);
    }
    return store.DecideLayout(number);
  });
  if (ok && !done.isEmpty()) out << done << Qt::endl;
  return ok;
}

// The example layouts, and the layout asked for (for this run only: the decision every desk
// prints with is the editor's).
bool PrepareLayouts(const CommandLine& cl, Session& s, QTextStream& out, QTextStream& err) {
  LayoutStore store(*s.layout_db, s.dialogs, s.state);
  if (cl.example_layouts) {
    const MeetSettings meet = LoadMeetSettings(*s.results_db, s.state, s.dialogs);
    if (!AddExampleLayouts(store, meet)) return false;
    out << QStringLiteral("レイアウト「%1」「%2」があります。")
               .arg(kStandardExampleName, kVerticalExampleName)
        << Qt::endl;
  }
  if (cl.layout_name.isEmpty()) return true;
  s.run_layout = store.FindLayoutNamed(cl.layout_name);
  if (s.run_layout != 0) return true;
  err << QStringLiteral("レイアウト「%1」は保存されていません。").arg(cl.layout_name) << Qt::endl;
  return false;
}

// The events of the command line, from the meet's list (of the day, when one is given).
bool ChooseEvents(const CommandLine& cl, Session& s, const MeetSettings& meet,
                  std::vector<ProgramEvent>& chosen, QTextStream& err) {
  const DayEntry entry = cl.day.isEmpty() ? DayEntry{kAllDaysItem, 0} : DayEntry{cl.day, 1};
  const std::vector<ProgramEvent> listed =
      ReadProgramme(*s.results_db, meet.クラス分け, DayFilter(entry, meet.始期間, meet.終期間));
  if (cl.all_events) {
    chosen = listed;
    return true;
  }
  for (int number : cl.events) {
    const auto it = std::find_if(listed.begin(), listed.end(),
                                 [number](const ProgramEvent& e) { return e.number == number; });
    if (it == listed.end()) {
      err << QStringLiteral("競技番号 %1 は%2の種目一覧にありません。")
                 .arg(number)
                 .arg(cl.day.isEmpty() ? QStringLiteral("大会") : cl.day)
          << Qt::endl;
      return false;
    }
    chosen.push_back(*it);
  }
  return true;
}

// --log and --changed: the meet's log rows, all (a page at a time) or those that differ from
// today's results.
int WriteLog(const CommandLine& cl, Session& s, QTextStream& out) {
  const MeetSettings meet = LoadMeetSettings(*s.results_db, s.state, s.dialogs);
  // Only read: claims of ended desks are shown as they stand (the next printing desk settles
  // them), and a layout database that never logged anything is not given the log's tables.
  if (!s.layout_db->TableExists(kPrintLogTable)) {
    out << (cl.log ? QString() : QStringLiteral("変化\t内容\t")) << PrintLogHeaderLine()
        << Qt::endl;
    return kExitOk;
  }
  PrintLog log(*s.layout_db);
  PrinterJobFollower jobs(log, false);
  if (cl.log) {
    // What the printing service says of this desk's jobs first, then every row as it stands.
    for (PrintLogRow& row : log.OpenPrinterJobs(LoggedMeetOf(cl.meet, meet))) jobs.Follow(row);
    out << PrintLogHeaderLine() << Qt::endl;
    // Bytes straight to the stream's file; a stream on a string (tests) takes them decoded.
    QIODevice* const device = out.device();
    QByteArray page;
    const auto write = [&] {
      if (device) {
        device->write(page);
      } else {
        out << QString::fromUtf8(page);
      }
      page.clear();
    };
    log.ForEachLine(LoggedMeetOf(cl.meet, meet), [&](const QByteArray& line) {
      page += line;
      page += '\n';
      if (page.size() > (1 << 16)) write();
    });
    write();
    out.flush();
    return kExitOk;
  }
  std::vector<PrintLogRow> rows = log.LatestPerCertificate(LoggedMeetOf(cl.meet, meet));
  for (PrintLogRow& row : rows) jobs.Follow(row);
  PrintRunObserver observer;
  PrintRunContext context{*s.layout_db,      *s.results_db, s.state,      s.dialogs, s.options,
                          meet.選手使用所属, s.layout,      s.recipients, observer};
  const std::optional<std::vector<AwardComparison>> compared =
      CompareWithResults(rows, context, meet.クラス分け);
  if (!compared) return kExitFailed;
  out << QStringLiteral("変化\t内容\t") << PrintLogHeaderLine() << Qt::endl;
  for (const AwardComparison& c : ChangedOnly(*compared)) out << ComparisonLine(c) << Qt::endl;
  return kExitOk;
}

// The request of the meet options; kExitOk when it was made, else the exit code (said on err).
int MakeRequest(const CommandLine& cl, Session& s, const MeetSettings& meet, PrintRequest& request,
                QTextStream& err) {
  if (cl.class_wise && !meet.クラス分け) {
    err << QStringLiteral("この大会はクラス分けをしていないため、クラス別に印刷できません。")
        << Qt::endl;
    return kExitBadArguments;
  }
  try {
    if (!ChooseEvents(cl, s, meet, request.events, err)) return kExitBadArguments;
  } catch (const DbError& e) {
    err << e.text() << QStringLiteral(" (%1)").arg(e.number()) << Qt::endl;
    return kExitFailed;
  }
  request.rank_only = cl.rank;
  request.skip_up_to = cl.skip_up_to;
  request.heat = cl.heat;
  request.class_wise = cl.class_wise;
  request.class_no = cl.class_no;
  // The workstation's option (open entrants get no certificate) holds here as in the print list.
  request.exclude_open = cl.open_excluded || s.options.Open;
  request.PrnShozNo = s.options.PrnShozNo;
  request.layout = s.run_layout;
  return kExitOk;
}

// --check: the recipients collected as for printing, and the check before printing written as
// tab-separated lines. Nothing is drawn.
int WriteCheck(const CommandLine& cl, Session& s, QTextStream& out, QTextStream& err) {
  const MeetSettings meet = LoadMeetSettings(*s.results_db, s.state, s.dialogs);
  PrintRequest request;
  if (const int chosen = MakeRequest(cl, s, meet, request, err); chosen != kExitOk) return chosen;
  if (request.events.empty()) {
    err << kNoSelectionMessage << Qt::endl;
    return kExitBadArguments;
  }
  PrintRunObserver observer;
  PrintRunContext context{*s.layout_db,      *s.results_db, s.state,      s.dialogs, s.options,
                          meet.選手使用所属, s.layout,      s.recipients, observer};
  const CollectResult collected = CollectRecipients(request, context);
  switch (collected.outcome) {
    case CollectOutcome::kDone:
      s.recipients.RecipientCount = static_cast<int16_t>(collected.count);
      break;
    case CollectOutcome::kFull:
      // The check covers the certificates a run could print; the rest are said.
      s.recipients.RecipientCount = RecipientTable::kCapacity;
      err << QString(TableFullMessage(collected)).replace(u'\r', u' ') << Qt::endl;
      break;
    case CollectOutcome::kNoDecision:
      err << kNoDecisionMessage << Qt::endl;
      return kExitFailed;
    case CollectOutcome::kNoSettings:
      err << kNoSettingsMessage << Qt::endl;
      return kExitFailed;
    case CollectOutcome::kCancelled:
    case CollectOutcome::kFailed:  // said by the error handler
      return kExitFailed;
  }
  const std::optional<PrePrintCheck> check = CheckBeforePrinting(request, context, true);
  if (!check) return kExitFailed;
  for (const QString& line : PrePrintCheckLines(*check)) out << line << Qt::endl;
  return collected.outcome == CollectOutcome::kFull ? kExitIncomplete : kExitOk;
}

// Set by SIGINT and SIGTERM: a followed meet ends after the certificate being drawn.
std::atomic<bool> stop_following{false};

extern "C" void StopFollowing(int) {
  stop_following = true;
}

class FollowObserver : public PrintRunObserver {
 public:
  bool CancelRequested() override { return stop_following; }
};

// --follow: looks at the meet file every interval; when it changed, reads each event's
// progress and prints the chosen events that became complete since, only certificates not in
// the log (claimed first, so desks following the same meet share the work). A result changed
// after its certificate came out is announced, never printed again by itself.
int Follow(const CommandLine& cl, Session& s, FollowPrinting printing, const PrintRequest& base,
           const MeetSettings& meet, QTextStream& out) {
  struct sigaction action {};
  action.sa_handler = StopFollowing;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  MeetFollower follower(cl.meet, LoggedMeetOf(cl.meet, meet), meet.クラス分け, std::move(printing));
  follower.SetReopen([&s, &cl] {
    s.results_db->Close();
    s.results_db = s.workspace.OpenDatabase(cl.meet, false, true);
  });
  FollowObserver observer;
  PlainWarningLabel label;
  out << QStringLiteral("大会の結果を見ています（%1 秒ごと。Ctrl+C で終わります）。")
             .arg(cl.interval)
      << Qt::endl;
  QEventLoop loop;
  MeetFileWatch watch(cl.interval * 1000);
  QObject::connect(&watch, &MeetFileWatch::Due, &loop, [&] {
    if (stop_following) return;
    const FollowLook look = follower.Look(
        base,
        [&] {
          return PrintRunContext{*s.layout_db, *s.results_db, s.state,
                                 s.dialogs,    s.options,     meet.選手使用所属,
                                 s.layout,     s.recipients,  observer};
        },
        true, label);
    if (!look.left_unprinted.empty()) {
      QStringList events;
      for (const auto& [event, n] : look.left_unprinted) {
        events << QStringLiteral("%1（%2 枚）").arg(event).arg(n);
      }
      out << QStringLiteral(
                 "始めたときに結果がそろっていて未印刷の賞状がある種目（印刷しません）：") +
                 events.join(QStringLiteral("、"))
          << Qt::endl;
    }
    for (const QString& line : look.printed + look.changes) out << line << Qt::endl;
    // A file being written is looked at again once it may have settled.
    if (look.settling) watch.LookSoon();
  });
  // The signals only set the flag: the loop ends between looks.
  QTimer stopping;
  QObject::connect(&stopping, &QTimer::timeout, &loop, [&] {
    if (stop_following) loop.quit();
  });
  stopping.start(100);
  watch.Watch(cl.meet);
  if (!stop_following) loop.exec();
  out << QStringLiteral("終わりました。") << Qt::endl;
  return kExitOk;
}

// The program folder kvsys itself would use; one of the user's, or one named by the
// environment, is made on its first use as kvsys makes it.
std::optional<QString> DefaultProgramFolder(QTextStream& out, QTextStream& err) {
  const ProgramFolderPlace place = ChooseProgramFolder(ProgramFolderFactsOfThisProcess(QString()));
  if (place.folder.isEmpty()) {
    err << QStringLiteral(
               "プログラムフォルダを決められません（ホームフォルダがありません）。"
               "--program-folder で指定してください。")
        << Qt::endl;
    return std::nullopt;
  }
  if (place.kind != ProgramFolderKind::Beside) {
    ConsoleDialogs dialogs(err);
    DbErrorState errors;
    const ProgramFolderSetup setup = SetUpProgramFolder(place.folder, dialogs, errors);
    if (setup == ProgramFolderSetup::Failed) return std::nullopt;
    if (setup == ProgramFolderSetup::Created) {
      out << QStringLiteral("プログラムフォルダを作成しました: %1").arg(place.folder) << Qt::endl;
    }
  }
  return place.folder;
}

// The program folder of the run, with its KVSYS.mdb; nullopt after saying why there is none.
std::optional<QString> ProgramFolderOf(const CommandLine& cl, QTextStream& out, QTextStream& err) {
  QString program_folder = cl.program_folder;
  if (program_folder.isEmpty()) {
    const std::optional<QString> chosen = DefaultProgramFolder(out, err);
    if (!chosen) return std::nullopt;
    program_folder = *chosen;
  }
  const QString folder = QDir(program_folder).absolutePath();
  if (!QFileInfo(folder).isDir()) {
    err << QStringLiteral("プログラムフォルダがありません: %1").arg(program_folder) << Qt::endl;
    return std::nullopt;
  }
  const QString layout_path = QDir(folder).filePath(QStringLiteral("KVSYS.mdb"));
  if (!QFileInfo::exists(layout_path)) {
    err << QStringLiteral("KVSYS.mdb がありません: %1").arg(layout_path) << Qt::endl;
    return std::nullopt;
  }
  return folder;
}

// The workstation's options, the databases, the layouts asked for and the run's layout. The
// exit code when the command ends here (the example layouts alone, --log, --changed, a
// failure); nullopt to go on.
std::optional<int> OpenSession(const CommandLine& cl, Session& s, const QString& folder,
                               QTextStream& out, QTextStream& err) {
  const QString ini = QDir(folder).filePath(QStringLiteral("KVSYS.ini"));
  // Built-in options are used then, as the program does; the operator must know.
  if (QString problem = ProfileFileProblem(CheckProfileFile(ini), ini); !problem.isEmpty()) {
    err << problem.replace(u'\r', u' ') << QStringLiteral(" 印刷オプションは既定値を使います。")
        << Qt::endl;
  }
  s.options = ReadPrintOptions(s.dialogs, ini);
  if (cl.affiliation != 0) s.options.PrnShozNo = static_cast<int16_t>(cl.affiliation);
  try {
    LayoutDbOpening opened =
        OpenLayoutDbForWriting(s.workspace, QDir(folder).filePath(QStringLiteral("KVSYS.mdb")));
    if (!opened.db) {
      err << opened.refusal.replace(u'\r', u'\n') << Qt::endl;
      return kExitFailed;
    }
    s.layout_db = std::move(opened.db);
    if (!cl.meet.isEmpty()) s.results_db = s.workspace.OpenDatabase(cl.meet, false, true);
    if (!PrepareLayouts(cl, s, out, err)) return kExitFailed;
    if (cl.example_layouts && cl.events.empty() && !cl.all_events) return kExitOk;
    if (cl.default_layout && !DecideDefaultLayout(s, out)) return kExitFailed;
    if (cl.log || cl.changed) return WriteLog(cl, s, out);
    if (!LoadRunLayout(*s.layout_db, s.state, s.dialogs, s.layout, nullptr, s.run_layout)) {
      err << (s.layout.CurrentLayoutNumber == 0 ? kNoDecisionMessage : kNoSettingsMessage)
          << Qt::endl;
      return kExitFailed;
    }
  } catch (const DbError& e) {
    err << e.text() << QStringLiteral(" (%1)").arg(e.number()) << Qt::endl;
    return kExitFailed;
  }
  return std::nullopt;
}

// A layout of another meet is said before anything is checked or printed; nobody watches a
// followed meet, so that does not start with one. False when the run must not go on.
bool SayTheLayoutsMeet(const CommandLine& cl, const Session& s, const MeetSettings& meet,
                       QTextStream& err) {
  const QString notice =
      LayoutMeetNotice(s.layout, {MeetNumberOfFile(cl.meet), &meet}).replace(u'\r', u' ');
  if (notice.isEmpty()) return true;
  err << notice << Qt::endl;
  if (!cl.follow) return true;
  err << QStringLiteral(
             "この大会のレイアウトを決定するか、--layout で指定してください。"
             "大会の結果を見ずに終わります。")
      << Qt::endl;
  return false;
}

// Where the run's certificates go: the PDF folder or file asked for, the printer, or the PDF
// output of KVSYS.ini (never a printer: a run without a screen leaves files); and the dump,
// which outlives each output the job makes (where it went is told afterwards).
struct Outputs {
  QString printer;
  std::unique_ptr<JsonLinesSink> dump;
  OutputFactory make;
};

bool ChooseOutputs(const CommandLine& cl, Session& s, const QString& folder, Outputs& o,
                   QTextStream& out, QTextStream& err) {
  if (cl.to_printer) {
    // A queue that is missing, stopped or refusing jobs gets nothing, and the run says why.
    const PrinterQueue queue = FindPrinterQueue(cl.printer);
    if (queue.state != QueueState::kReady) {
      err << QueueProblemText(queue) << Qt::endl;
      return false;
    }
    o.printer = queue.name;
    out << QStringLiteral("出力先：プリンタ「%1」").arg(o.printer) << Qt::endl;
  }
  if (!cl.dump.isEmpty()) o.dump = std::make_unique<JsonLinesSink>(cl.dump);
  o.make = [&cl, &s, &o, folder]() -> std::unique_ptr<DocumentOutput> {
    auto output = std::make_unique<MultiOutput>(o.dump ? std::vector<DocumentOutput*>{o.dump.get()}
                                                       : std::vector<DocumentOutput*>{});
    if (cl.to_printer) {
      output->Add(std::make_unique<PrinterOutput>(o.printer));
    } else if (!cl.pdf.isEmpty()) {
      output->Add(std::make_unique<PdfOutput>(QDir(cl.pdf).absolutePath()));
    } else if (!cl.pdf_file.isEmpty()) {
      output->Add(
          std::make_unique<RunPdfOutput>(QString(), QFileInfo(cl.pdf_file).absoluteFilePath()));
    } else if (cl.dump.isEmpty()) {
      output->Add(MakeOutput(
          LoadOutputSettings(s.dialogs, QDir(folder).filePath(QStringLiteral("KVSYS.ini")), folder),
          true));
    }
    return output;
  };
  return true;
}

// The certificates of a recipients file (one of them with --index); the exit code when there
// is nothing to print, nullopt to print first to last.
std::optional<int> ReadRecipients(const CommandLine& cl, Session& s, int& first, int& last,
                                  QTextStream& err) {
  QString error;
  if (!ReadRecipientsFile(cl.recipients, s.recipients, &error)) {
    err << error << Qt::endl;
    return kExitFailed;
  }
  if (cl.index > s.recipients.RecipientCount) {
    err << QStringLiteral("%1 番目の受賞者はいません（%2 人）。")
               .arg(cl.index)
               .arg(s.recipients.RecipientCount)
        << Qt::endl;
    return kExitBadArguments;
  }
  if (cl.index > 0) first = last = cl.index;
  if (s.recipients.RecipientCount == 0) {
    err << kNothingToPrintMessage << Qt::endl;
    return kExitOk;
  }
  return std::nullopt;
}

// What came out and where, and the exit code it makes.
int ReportPrinted(const CommandLine& cl, const PrintJobResult& printed,
                  const CollectResult& collected, const Outputs& o, QTextStream& out) {
  if (printed.outcome != RunOutcome::kPrinted) return kExitFailed;
  out << QStringLiteral("賞状 %1 枚を出力しました。").arg(printed.output) << Qt::endl;
  if (printed.skipped > 0) {
    out << QStringLiteral("印刷済みの %1 枚は出力していません。").arg(printed.skipped) << Qt::endl;
  }
  if (printed.held_elsewhere > 0) {
    out << QStringLiteral("他の端末が印刷中の %1 枚は出力していません。")
               .arg(printed.held_elsewhere)
        << Qt::endl;
  }
  switch (printed.written.kind) {
    case OutputPlace::Kind::kPrinter:
      out << QStringLiteral("プリンタ: %1").arg(printed.written.where) << Qt::endl;
      break;
    case OutputPlace::Kind::kPdfFile:
    case OutputPlace::Kind::kPdfFolder:
      out << QStringLiteral("PDF: %1").arg(printed.written.where) << Qt::endl;
      break;
    case OutputPlace::Kind::kNothing:
      break;
  }
  if (o.dump && !o.dump->written_path().isEmpty()) {
    out << QStringLiteral("JSON Lines: %1").arg(o.dump->written_path()) << Qt::endl;
  }
  if (!cl.recipients_out.isEmpty()) {
    out << QStringLiteral("受賞者一覧: %1").arg(cl.recipients_out) << Qt::endl;
  }
  // Certificates left out (told when the table filled) are not a finished run, however well
  // the rest came out.
  if (collected.outcome == CollectOutcome::kFull) return kExitIncomplete;
  // What came out but is not in the log would be printed again by --new-only.
  if (!printed.log_error.isEmpty()) return kExitFailed;
  return kExitOk;
}

int Run(const CommandLine& cl, QTextStream& out, QTextStream& err) {
  const std::optional<QString> folder = ProgramFolderOf(cl, out, err);
  if (!folder) return kExitFailed;
  Session s(err);
  if (const std::optional<int> ended = OpenSession(cl, s, *folder, out, err)) return *ended;
  MeetSettings meet;
  if (s.results_db) {
    meet = LoadMeetSettings(*s.results_db, s.state, s.dialogs);
    if (!SayTheLayoutsMeet(cl, s, meet, err)) return kExitFailed;
  }
  // Before any output is made: a check leaves no file behind.
  if (cl.check) return WriteCheck(cl, s, out, err);
  Outputs o;
  if (!ChooseOutputs(cl, s, *folder, o, out, err)) return kExitFailed;

  RunOptions run;
  // Items that run off the sheet or over each other are told on stderr; the run goes on.
  run.layout_check = LayoutCheck::kTell;
  run.output = o.make;
  // Every certificate that comes out is logged; certificates printed before are printed again
  // with a line on stderr, or (--new-only) left out. A run whose only output is the dump
  // prints nothing, so it logs nothing either.
  if (!DumpOnly(cl)) {
    run.log = {s.layout_db.get(), s.results_db ? LoggedMeetOf(cl.meet, meet) : LoggedMeet(), false};
    run.reprints = Reprints::kTell;
  }
  run.new_only = cl.new_only;
  PrintRunObserver observer;
  // A recipients file needs no meet: printing reads only the layout database.
  PrintRunContext context{*s.layout_db, s.results_db ? *s.results_db : *s.layout_db,
                          s.state,      s.dialogs,
                          s.options,    meet.選手使用所属,
                          s.layout,     s.recipients,
                          observer};
  const QString ini = QDir(*folder).filePath(QStringLiteral("KVSYS.ini"));
  int first = 1;
  int last = 0;
  CollectResult collected;
  if (s.results_db) {
    PrintRequest request;
    if (const int chosen = MakeRequest(cl, s, meet, request, err); chosen != kExitOk) {
      return chosen;
    }
    if (cl.follow) {
      return Follow(cl, s, {ini, *folder, o.make, cl.hold, {MeetNumberOfFile(cl.meet), &meet}},
                    request, meet, out);
    }
    if (const std::optional<RunOutcome> ended = CollectForRun(request, context, &collected)) {
      if (*ended == RunOutcome::kNothingToPrint) return kExitOk;
      return *ended == RunOutcome::kNoSelection ? kExitBadArguments : kExitFailed;
    }
    QString error;
    if (!cl.recipients_out.isEmpty() &&
        !WriteRecipientsFile(cl.recipients_out, s.recipients, &error)) {
      err << error << Qt::endl;
      return kExitFailed;
    }
  } else if (const std::optional<int> ended = ReadRecipients(cl, s, first, last, err)) {
    return *ended;
  }
  PrintJob job(s.dialogs, ini, *folder);
  PlainWarningLabel label;
  return ReportPrinted(cl, job.PrintDecided(run, context, label, first, last), collected, o, out);
}

}  // namespace

QString UsageText() {
  return QStringLiteral(
      "使い方:\n"
      "  kvsys-print --program-folder DIR --meet FILE --example-layouts\n"
      "  kvsys-print --program-folder DIR --meet FILE (--events N,N,...|--all)\n"
      "              [--day yyyy/mm/dd] [--rank N] [--skip-up-to N] [--heat N]\n"
      "              [--class-wise all|N] [--open-excluded] [--affiliation 1|2|3|4]\n"
      "              [--pdf DIR|--pdf-file FILE|--printer NAME|--default-printer]\n"
      "              [--dump FILE] [--recipients-out FILE] [--new-only]\n"
      "  kvsys-print --program-folder DIR --meet FILE (--events N,N,...|--all) --check\n"
      "              [--day ...] [--rank ...] など、印刷と同じ種目・順位の指定\n"
      "  kvsys-print --program-folder DIR --meet FILE (--log|--changed)\n"
      "  kvsys-print --program-folder DIR --meet FILE (--events N,N,...|--all) --follow\n"
      "              [--interval SECONDS] [--hold MINUTES]\n"
      "              [--pdf DIR|--printer NAME|--default-printer] ...\n"
      "  kvsys-print --program-folder DIR --recipients FILE [--index N]\n"
      "              [--pdf DIR|--pdf-file FILE|--printer NAME|--default-printer]\n"
      "              [--dump FILE]\n"
      "  kvsys-print --version\n"
      "\n"
      "  DIR の KVSYS.mdb で決定されたレイアウトと KVSYS.ini の印刷オプションで、大会の種目の\n"
      "  賞状を印刷の画面と同じ手順で選び、PDF に出力します。\n"
      "  --program-folder を省くと、kvsys と同じく環境変数 KVSYS_PROGRAM_FOLDER、実行ファイルの\n"
      "  フォルダ（インストールされていないとき）、$XDG_DATA_HOME/kvsys（既定は\n"
      "  ~/.local/share/kvsys）の順に決めます（なければレイアウトの見本入りで作ります）。\n"
      "  --pdf DIR       1枚1ファイル（「0001_種目_1位_氏名.pdf」）でフォルダに出力\n"
      "  --pdf-file FILE すべての賞状を1つの PDF ファイルに出力（既存のファイルは上書きしません）\n"
      "  --printer NAME  プリンタ（CUPS のキュー NAME）に印刷。--default-printer は通常使う\n"
      "                  プリンタ。見つからない・停止中のときは何も印刷せずに終わります\n"
      "  どちらも省くと KVSYS.ini の [Output] PdfFolder（既定は DIR/pdf）と PdfFiles\n"
      "  （Run = 1つのファイル〔既定〕、Certificate = 1枚1ファイル）に従います\n"
      "  （--dump だけのときは PDF を出力しません）。\n"
      "  --rank N        N 位だけ        --skip-up-to N  N 位までを除く\n"
      "  --heat N        N 組だけ（組内順位）\n"
      "  --class-wise    クラス別（all = 各クラス別一括、N = クラス番号）\n"
      "  --open-excluded オープン参加を印刷しない\n"
      "  --affiliation   印刷する所属名（1〜3 = 所属名１〜３、4 = 設定値；既定は KVSYS.ini）\n"
      "  --dump FILE     出力した文書を JSON Lines で書く（--dump だけのときは印刷しないので\n"
      "                  印刷履歴にも記録しない）\n"
      "  --recipients-out FILE  選んだ受賞者をタブ区切りで書く（--recipients で読める形）\n"
      "  --default-layout  決定レイアウトがなければ、「標準」を（なければ新規レイアウトの\n"
      "                  初期値で作って）決定する\n"
      "  --example-layouts  「標準」と縦書きの見本「縦書き」を、同じ名前のレイアウトがなければ\n"
      "                  保存する（種目を指定しなければ、それだけを行う）\n"
      "  --layout NAME   保存名 NAME のレイアウトでこの実行だけ印刷する（決定レイアウトは\n"
      "                  変えない）。選んだ大会と別の大会用のレイアウトは標準エラーで知らせ、\n"
      "                  --follow はそのままでは始めない\n"
      "  --new-only      "
      "印刷履歴にない賞状だけを印刷する（1枚ずつ履歴に確保してから印刷するので、\n"
      "                  同時に印刷する端末と同じ賞状を出しません）。省くと印刷済みの賞状も\n"
      "                  もう一度印刷し、その枚数を標準エラーに書きます\n"
      "  --follow        大会ファイルを --interval 秒（既定 5）ごとに見て、結果がそろった種目の\n"
      "                  "
      "印刷履歴にない賞状を印刷する（始めたときにそろっていた種目は印刷しません）。\n"
      "                  印刷後に結果が変わった賞状は知らせるだけで印刷しません。Ctrl+C（SIGINT・\n"
      "                  SIGTERM）で、描いている賞状を出力してから終わります\n"
      "  --hold MINUTES  --follow で、種目の結果がそろってから MINUTES 分（0〜600）待って\n"
      "                  印刷する（異議申し立ての時間。待つ間に結果が変われば待ち直します）\n"
      "  --log           大会の印刷履歴をタブ区切りで書く（印刷しません。--check・--changed と\n"
      "                  同じく KVSYS.mdb に何も書きません）\n"
      "  --changed       印刷後に順位・記録・氏名・所属が変わった賞状と、圏外になった・圏内に\n"
      "                  入った受賞者をタブ区切りで書く（印刷しません）\n"
      "  --check         印刷前の確認をタブ区切りで書く（印刷しません）：種目ごとの枚数、\n"
      "                  限度順位の同順位（「3位 2名」）、泳者名のないリレー、記録待ち、\n"
      "                  圏内のオープン参加、用紙からはみ出す・重なる項目\n"
      "\n"
      "  終了コード: 0 = 出力した（--check・--log・--changed は書いた）、1 = 出力できなかった\n"
      "  （出力した賞状を印刷履歴に記録できなかったときも）、2 = 引数の誤り、\n"
      "  3 = 受賞者が 9999 人を超え、残りを出力していない（標準エラーに人数と続きの受賞者）\n");
}

std::optional<CommandLine> ParseCommandLine(const QStringList& args, QString* error) {
  CommandLine cl;
  auto fail = [error](const QString& message) -> std::optional<CommandLine> {
    if (error) *error = message;
    return std::nullopt;
  };
  bool have_events = false;
  bool have_meet_option = false;  // an option that only a meet run takes
  for (qsizetype i = 0; i < args.size(); ++i) {
    QString option = args[i];
    QString value;
    bool inline_value = false;
    if (option.startsWith(QLatin1String("--")) && option.contains(QLatin1Char('='))) {
      value = option.mid(option.indexOf(QLatin1Char('=')) + 1);
      option = option.left(option.indexOf(QLatin1Char('=')));
      inline_value = true;
    }
    const auto take = [&](QString& into) -> bool {
      if (!inline_value) {
        if (i + 1 >= args.size()) return false;
        value = args[++i];
      }
      into = value;
      return !value.isEmpty();
    };
    QString v;
    if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
      cl.help = true;
    } else if (option == QLatin1String("--version")) {
      cl.version = true;
    } else if (option == QLatin1String("--open-excluded")) {
      cl.open_excluded = true;
      have_meet_option = true;
    } else if (option == QLatin1String("--all")) {
      cl.all_events = true;
    } else if (option == QLatin1String("--default-layout")) {
      cl.default_layout = true;
      have_meet_option = true;
    } else if (option == QLatin1String("--default-printer")) {
      cl.to_printer = true;
    } else if (option == QLatin1String("--new-only")) {
      cl.new_only = true;
      have_meet_option = true;
    } else if (option == QLatin1String("--follow")) {
      cl.follow = true;
      have_meet_option = true;
    } else if (option == QLatin1String("--log")) {
      cl.log = true;
      have_meet_option = true;
    } else if (option == QLatin1String("--changed")) {
      cl.changed = true;
      have_meet_option = true;
    } else if (option == QLatin1String("--check")) {
      cl.check = true;
      have_meet_option = true;
    } else if (option == QLatin1String("--example-layouts")) {
      cl.example_layouts = true;
      have_meet_option = true;
    } else if (!option.startsWith(QLatin1String("--"))) {
      return fail(QStringLiteral("余分な引数があります: %1").arg(option));
    } else if (!take(v)) {
      return fail(QStringLiteral("%1 に値がありません。").arg(option));
    } else if (option == QLatin1String("--program-folder")) {
      cl.program_folder = v;
    } else if (option == QLatin1String("--meet")) {
      cl.meet = v;
    } else if (option == QLatin1String("--recipients")) {
      cl.recipients = v;
    } else if (option == QLatin1String("--pdf")) {
      cl.pdf = v;
    } else if (option == QLatin1String("--pdf-file")) {
      cl.pdf_file = v;
    } else if (option == QLatin1String("--printer")) {
      cl.to_printer = true;
      cl.printer = v;
    } else if (option == QLatin1String("--layout")) {
      cl.layout_name = v;
    } else if (option == QLatin1String("--dump")) {
      cl.dump = v;
    } else if (option == QLatin1String("--recipients-out")) {
      cl.recipients_out = v;
      have_meet_option = true;
    } else if (option == QLatin1String("--events")) {
      have_events = true;
      for (const QString& part : v.split(QLatin1Char(','))) {
        const std::optional<int> n = Number(part, 1, 32767);
        if (!n) return fail(BadValue(option, v));
        cl.events.push_back(*n);
      }
    } else if (option == QLatin1String("--day")) {
      if (!QDate::fromString(v, QStringLiteral("yyyy/MM/dd")).isValid()) {
        return fail(BadValue(option, v));
      }
      cl.day = v;
      have_meet_option = true;
    } else if (option == QLatin1String("--class-wise")) {
      cl.class_wise = true;
      have_meet_option = true;
      if (v != QLatin1String("all")) {
        const std::optional<int> n = Number(v, 1, 32767);
        if (!n) return fail(BadValue(option, v));
        cl.class_no = *n;
      }
    } else {
      struct NumberOption {
        const char* name;
        int* into;
        int lo;
        int hi;
      };
      const NumberOption numbers[] = {{"--rank", &cl.rank, 1, 9999},
                                      {"--skip-up-to", &cl.skip_up_to, 1, 9999},
                                      {"--heat", &cl.heat, 1, 99},
                                      {"--affiliation", &cl.affiliation, 1, 4},
                                      {"--index", &cl.index, 1, 9999},
                                      {"--interval", &cl.interval, 1, 3600},
                                      {"--hold", &cl.hold, 0, kMaxHoldMinutes}};
      const NumberOption* found = nullptr;
      for (const NumberOption& n : numbers) {
        if (option == QLatin1String(n.name)) found = &n;
      }
      if (!found) return fail(QStringLiteral("知らないオプションです: %1").arg(option));
      const std::optional<int> n = Number(v, found->lo, found->hi);
      if (!n) return fail(BadValue(option, v));
      *found->into = *n;
      if (option != QLatin1String("--index")) have_meet_option = true;
    }
  }
  if (cl.help || cl.version) return cl;
  if (!cl.pdf.isEmpty() + !cl.pdf_file.isEmpty() + cl.to_printer > 1) {
    return fail(QStringLiteral(
        "--pdf、--pdf-file、--printer（--default-printer）はどれか一つを指定してください。"));
  }
  if (cl.meet.isEmpty() == cl.recipients.isEmpty()) {
    return fail(QStringLiteral("--meet か --recipients のどちらか一つを指定してください。"));
  }
  if (!cl.meet.isEmpty()) {
    const bool listing = cl.log || cl.changed;
    if (listing && (have_events || cl.all_events || cl.log == cl.changed)) {
      return fail(
          QStringLiteral("--log と --changed は、どちらか一つを種目の指定なしで使います。"));
    }
    if (!listing && have_events == cl.all_events && !(cl.example_layouts && !have_events)) {
      return fail(QStringLiteral("--events か --all のどちらか一つを指定してください。"));
    }
    if (cl.index != 0) return fail(QStringLiteral("--index は --recipients と一緒に使います。"));
    if (cl.follow &&
        (listing || cl.check || !cl.pdf_file.isEmpty() || !cl.recipients_out.isEmpty())) {
      return fail(
          QStringLiteral("--follow は --pdf-file、--recipients-out、--log、--changed、--check "
                         "と一緒には使えません。"));
    }
    // Commands that only read leave KVSYS.mdb as it is: no layout decided or made.
    if (listing && (!cl.layout_name.isEmpty() || cl.default_layout || cl.example_layouts)) {
      return fail(
          QStringLiteral("--log と --changed は読むだけのため、--layout、"
                         "--default-layout、--example-layouts と一緒には使えません。"));
    }
    if (cl.check && (cl.default_layout || cl.example_layouts)) {
      return fail(
          QStringLiteral("--check は読むだけのため、--default-layout、--example-layouts "
                         "と一緒には使えません（--layout はこの確認にだけ使います）。"));
    }
    if (DumpOnly(cl) && (cl.new_only || cl.follow)) {
      return fail(
          QStringLiteral("--dump だけの実行は印刷しないため、--new-only、--follow "
                         "と一緒には使えません。"));
    }
    // A check prints nothing: an output asked for with it would silently not be there.
    if (cl.check && (listing || cl.to_printer || !cl.pdf.isEmpty() || !cl.pdf_file.isEmpty() ||
                     !cl.dump.isEmpty() || !cl.recipients_out.isEmpty() || cl.new_only)) {
      return fail(
          QStringLiteral("--check は印刷しないため、出力や印刷履歴の指定と一緒には使えません。"));
    }
  } else if (have_events || cl.all_events || have_meet_option) {
    return fail(QStringLiteral("種目の指定は --meet と一緒に使います。"));
  }
  return cl;
}

int RunPrintCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
  QString error;
  const std::optional<CommandLine> cl = ParseCommandLine(args, &error);
  if (!cl) {
    err << error << Qt::endl << Qt::endl << UsageText();
    return kExitBadArguments;
  }
  if (cl->help) {
    out << UsageText();
    return kExitOk;
  }
  if (cl->version) {
    out << QStringLiteral("kvsys-print %1").arg(ProgramVersion()) << Qt::endl;
    return kExitOk;
  }
  return Run(*cl, out, err);
}

}  // namespace kvsys::printtool
