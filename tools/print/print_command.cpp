#include "print/print_command.h"
#include "desk/print_log.h"

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

#include "certificate/example_layouts.h"
#include "certificate/layout_for_meet.h"
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
#include "desk/award_changes.h"
#include "desk/award_status.h"
#include "desk/ceremony_sheet.h"
#include "desk/meet_follow.h"
#include "layout/layout_db_open.h"
#include "layout/layout_store.h"
#include "print/calibration_sheet.h"
#include "print/console_dialogs.h"
#include "print/document_output.h"
#include "print/json_lines.h"
#include "print/output_settings.h"
#include "print/printer_queue.h"
#include "print/recipients_file.h"
#include "results/meet_settings.h"

namespace kvsys::printtool {

namespace {

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
  QString ini;  // the workstation's KVSYS.ini
  QString printer;
  PrinterCalibration calibration;  // the printer's, or the one PDF files ask for
  QTransform placement;            // PDF files: that calibration when asked for
  std::unique_ptr<JsonLinesSink> dump;
  OutputFactory make;
};

bool ChooseOutputs(const CommandLine& cl, Session& s, const QString& folder, Outputs& o,
                   QTextStream& out, QTextStream& err) {
  o.ini = QDir(folder).filePath(QStringLiteral("KVSYS.ini"));
  if (cl.to_printer) {
    // A queue that is missing, stopped or refusing jobs gets nothing, and the run says why.
    const PrinterQueue queue = FindPrinterQueue(cl.printer);
    if (queue.state != QueueState::kReady) {
      err << QueueProblemText(queue) << Qt::endl;
      return false;
    }
    o.printer = queue.name;
    out << QStringLiteral("出力先：プリンタ「%1」").arg(o.printer) << Qt::endl;
    QString problem;
    o.calibration = LoadCalibration(o.ini, o.printer, &problem);
    if (!problem.isEmpty()) {
      err << problem << Qt::endl;
      return false;
    }
    if (!o.calibration.IsNone()) {
      out << QStringLiteral("位置合わせ：") << o.calibration.Text() << Qt::endl;
    }
  }
  if (!cl.to_printer) {
    // PDF files get the workstation printer's calibration only when it asks for them.
    const PdfCalibration pdf = PdfCalibrationOf(LoadOutputSettings(s.dialogs, o.ini, folder));
    o.printer = pdf.queue;
    o.calibration = pdf.calibration;
    o.placement = pdf.calibration.Twips();
    if (!pdf.queue.isEmpty()) {
      out << QStringLiteral("PDFの位置合わせ：") << o.calibration.Text()
          << QStringLiteral("（プリンタ「%1」）").arg(o.printer) << Qt::endl;
    }
  }
  if (!cl.dump.isEmpty()) {
    o.dump = std::make_unique<JsonLinesSink>(cl.dump);
    if (!o.printer.isEmpty()) o.dump->SetCalibration(o.printer, o.calibration);
  }
  o.make = [&cl, &s, &o, folder]() -> std::unique_ptr<DocumentOutput> {
    auto output = std::make_unique<MultiOutput>(o.dump ? std::vector<DocumentOutput*>{o.dump.get()}
                                                       : std::vector<DocumentOutput*>{});
    if (cl.to_printer) {
      output->Add(std::make_unique<PrinterOutput>(o.printer, o.ini));
    } else if (!cl.pdf.isEmpty()) {
      auto pdf = std::make_unique<PdfOutput>(QDir(cl.pdf).absolutePath());
      pdf->SetPlacement(o.placement);
      output->Add(std::move(pdf));
    } else if (!cl.by_affiliation.isEmpty()) {
      // The job adds the clubs' files itself: they are made from the table it draws.
    } else if (!cl.pdf_file.isEmpty()) {
      auto pdf =
          std::make_unique<RunPdfOutput>(QString(), QFileInfo(cl.pdf_file).absoluteFilePath());
      pdf->SetPlacement(o.placement);
      output->Add(std::move(pdf));
    } else if (cl.dump.isEmpty()) {
      output->Add(MakeOutput(LoadOutputSettings(s.dialogs, o.ini, folder), true));
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

// --handed / --not-handed: the chosen certificates' mark in the log; nothing is printed.
int MarkHanded(const CommandLine& cl, const PrintRequest& request, PrintRunContext& context,
               const MeetSettings& meet, QTextStream& out) {
  const std::optional<int> marked =
      MarkHandedOver(request, context, LoggedMeetOf(cl.meet, meet), cl.handed);
  if (!marked) return kExitFailed;
  out << (cl.handed ? QStringLiteral("授与済にしました：%1枚")
                    : QStringLiteral("授与済を取り消しました：%1枚"))
             .arg(*marked)
      << Qt::endl;
  return kExitOk;
}

// The ceremony sheet of the chosen events into its own PDF file; nothing else is printed.
int WriteCeremonySheet(const CommandLine& cl, RunOptions run, const PrintRequest& request,
                       PrintRunContext& context, const MeetSettings& meet, PrintJob& job,
                       QTextStream& out, QTextStream& err) {
  PrintRequest chosen = request;
  if (cl.since_last_sheet && run.log.Logged()) {
    std::set<int> since;
    try {
      since = EventsSinceLastSheet(context.layout_db, run.log.meet);
    } catch (const DbError& e) {
      err << e.text() << Qt::endl;
      return kExitFailed;
    }
    std::erase_if(chosen.events,
                  [&since](const ProgramEvent& e) { return since.count(e.number) == 0; });
    if (chosen.events.empty()) {
      out << QStringLiteral("前回の表彰進行表のあとに賞状を印刷した種目はありません。") << Qt::endl;
      return kExitOk;
    }
  }
  const QString file = QFileInfo(cl.ceremony_sheet).absoluteFilePath();
  run.output = [file] { return std::make_unique<RunPdfOutput>(QString(), file); };
  const PrintJobResult made =
      PrintCeremonySheet(job, run, chosen, context, TrimBlanks(meet.大会名1), request.call_from);
  if (made.outcome == RunOutcome::kNothingToPrint) return kExitOk;
  if (made.outcome == RunOutcome::kNoSelection) return kExitBadArguments;
  if (made.outcome != RunOutcome::kPrinted) {
    if (!made.error.isEmpty()) err << made.error << Qt::endl;
    return kExitFailed;
  }
  out << QStringLiteral("表彰進行表：%1").arg(QDir::toNativeSeparators(file)) << Qt::endl;
  return kExitOk;
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

// The calibration sheet of every paper size, where a run would go: to a printer with the
// queue's calibration, said on the sheet.
int WriteCalibrationSheet(const CommandLine& cl, const QString& folder, QTextStream& out,
                          QTextStream& err) {
  Session s(err);
  Outputs o;
  if (!ChooseOutputs(cl, s, folder, o, out, err)) return kExitFailed;
  const std::vector<PrintDocument> sheets = DrawCalibrationSheets(o.printer, o.calibration);
  std::vector<const PrintDocument*> docs;
  for (const PrintDocument& sheet : sheets) docs.push_back(&sheet);
  RunOptions run;
  run.output = o.make;
  PrintJob job(s.dialogs, o.ini, folder);
  PrintRunObserver observer;
  const PrintJobResult printed = job.PrintDocuments(run, docs, observer);
  if (printed.outcome != RunOutcome::kPrinted) return kExitFailed;
  out << QStringLiteral("位置合わせシート %1 枚を出力しました。").arg(printed.output) << Qt::endl;
  if (printed.written.kind != OutputPlace::Kind::kNothing) {
    out << (printed.written.kind == OutputPlace::Kind::kPrinter ? QStringLiteral("プリンタ: ")
                                                                : QStringLiteral("PDF: "))
        << printed.written.where << Qt::endl;
  }
  return kExitOk;
}

int Run(const CommandLine& cl, QTextStream& out, QTextStream& err) {
  const std::optional<QString> folder = ProgramFolderOf(cl, out, err);
  if (!folder) return kExitFailed;
  if (cl.calibration_sheet) return WriteCalibrationSheet(cl, *folder, out, err);
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
  if (!cl.by_affiliation.isEmpty()) {
    run.by_affiliation = true;
    run.club_folder = QDir(cl.by_affiliation).absolutePath();
  }
  // Every certificate that comes out is logged; certificates printed before are printed again
  // with a line on stderr, or (--new-only) left out. A run whose only output is the dump
  // prints nothing, so it logs nothing either.
  if (!DumpOnly(cl)) {
    run.log = {PrintLogOpener(*s.layout_db),
               s.results_db ? LoggedMeetOf(cl.meet, meet) : LoggedMeet(), false};
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
    request.calling_order = cl.calling_order;
    request.call_from = ReadCallFrom(ini);
    if (cl.handed || cl.not_handed) return MarkHanded(cl, request, context, meet, out);
    if (!cl.ceremony_sheet.isEmpty()) {
      PrintJob job(s.dialogs, ini, *folder);
      return WriteCeremonySheet(cl, run, request, context, meet, job, out, err);
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
