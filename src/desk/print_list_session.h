#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "certificate/print_job.h"
#include "certificate/print_resume.h"
#include "certificate/print_run.h"
#include "certificate/program_list.h"
#include "certificate/recipient.h"
#include "common/print_options.h"
#include "db/database.h"
#include "db/db_error.h"
#include "desk/award_status.h"
#include "desk/meet_follow.h"
#include "layout/certificate_layout.h"
#include "results/classes.h"
#include "results/meet_settings.h"

class QObject;

namespace kvsys {

class Database;
class Dialogs;
class WorkTableModel;

// The records of the application the print list works with, by reference: the databases are
// read through the references each time, so the list follows the application's connections.
struct PrintListRecords {
  DbErrorState& state;
  std::shared_ptr<Database>& layout_db;
  std::shared_ptr<Database>& results_db;
  PrintOptions& prn;
  const MeetSettings& meet;
  CertificateLayout& layout;
  RecipientTable& recipients;
  QString ini_path;        // KVSYS.ini, where PrnShozNo and the output settings are kept
  QString program_folder;  // a relative PDF folder is taken from here
  QStringList fonts;       // installed font names, as the main window lists them
  // Opens the meet again after its file changed (a Jet meet is read whole when opened); none
  // when reading the open meet again shows the change.
  std::function<void()> reopen_results = {};
  int meet_no = 0;  // the selected meet's 大会No.
};

// What the operator set in the print list, as the controls hold it.
struct PrintListChoices {
  std::vector<int> rows;  // the chosen rows of the event list, in the order chosen
  QString rank_only;      // 順位指定
  QString skip_up_to;     // 除外順位
  int heat = 0;           // 組指定: the heat chosen; 0 when not ticked
  bool class_wise = false;
  int class_no = 0;  // the class chosen (0: every class)
  bool preview = false;
  bool calling_order = false;  // 表彰順に印刷
};

// The decided layout as the print list shows it on activation.
struct DecisionShown {
  QStringList fonts;    // the font list, with a stored face that is not installed
  QString font;         // 全体フォント's face
  QString layout_name;  // the decided layout's name
  QString layout_mark;  // LayoutMeetMark: empty when the layout fits the meet
  QString notice;       // LayoutMeetNotice, for the operator who asks
};

// The print list below its window: the day, class, heat and affiliation choices, the event
// list of the day, the request made of the controls, where a run goes, the print run through
// the one print job, and where a stopped run goes on. No widgets.
class PrintListSession {
 public:
  // The event list's grid model is made a child of model_owner.
  PrintListSession(PrintListRecords records, Dialogs& dialogs, QObject* model_owner);

  bool HasMeet() const { return r_.layout_db && r_.results_db; }
  const MeetSettings& Meet() const { return r_.meet; }
  WorkTableModel* Model() const { return model_; }
  const QStringList& Fonts() const { return r_.fonts; }
  // Where its runs go instead of the workstation's output (tests, the print tool).
  void SetOutput(OutputFactory output) { output_ = std::move(output); }

  // Loading: empties the event list, then the choices.
  void Clear();
  ClassChoices Classes();
  std::vector<DayEntry> Days() const;
  static std::vector<ListChoice> Heats();
  static std::vector<ListChoice> Affiliations();
  int Affiliation() const { return r_.prn.PrnShozNo; }
  // The affiliation name chosen, kept in KVSYS.ini.
  void ChooseAffiliation(int number);
  // The event list of the day; the number of events in it (0 after a reported error).
  int ChooseDay(const DayEntry& day);
  int EventCount() const { return event_count_; }

  // The status column of the event list (what was printed, changed, is still to print or to
  // swim), for the choices on show; false after a reported error.
  // told: where its messages go instead of boxes (a look nobody watches).
  bool RefreshStatus(PrintListChoices choices, Dialogs* told = nullptr);
  // The rows whose events earn certificates that never came out.
  std::vector<int> UnprintedRows() const;
  // The rows of the events printed since the meet's last ceremony sheet (前回の表彰以降).
  std::vector<int> SinceLastSheetRows();

  // Following the meet (the list's timer): a look at the meet file. Events that became complete
  // since are marked 新着; with auto printing on, their certificates not in the log are printed.
  FollowLook Follow(const PrintListChoices& choices, bool auto_print, WarningLabel& label,
                    PrintRunObserver& observer);
  // Auto printing starts: what is complete now is only noted (returned, for the operator to
  // choose from). nullopt when the operator keeps it from a printer that cannot take it.
  std::optional<std::vector<int>> StartAutoPrint(const PrintListChoices& choices);
  int FreshCount() const { return static_cast<int>(fresh_.size()); }
  // Events auto printing holds in their protest period, with the milliseconds left.
  std::map<int, qint64> Holding() const {
    return follower_ ? follower_->Holding() : std::map<int, qint64>{};
  }
  // The meet file followed; empty without a meet.
  QString MeetPath() const { return r_.results_db ? r_.results_db->Name() : QString(); }

  // The window closes: its work table KVS30 is emptied.
  void Closing();

  // Activation: keeps 全体フォント to one row; nullopt after a reported error.
  std::optional<DecisionShown> Activate();
  void ChooseFont(const QString& face);

  // The events of the rows, as the grid shows them.
  std::vector<ProgramEvent> EventsOfRows(const std::vector<int>& rows) const;
  PrintRequest MakeRequest(const PrintListChoices& choices) const;

  // The preview window, once there is one: a preview run opens it. Without it a preview run
  // writes PDF files.
  void SetPreviewOpener(std::function<void()> opener) { preview_opener_ = std::move(opener); }
  // 所属別にPDF: 印刷 and 続きから印刷 sort their certificates by affiliation and write one PDF
  // file per club in the PDF folder (not auto printing, which prints event by event).
  void SetByAffiliation(bool on) { by_affiliation_ = on; }
  bool ByAffiliation() const { return by_affiliation_; }
  bool HasPreviewWindow() const { return static_cast<bool>(preview_opener_); }

  // Where a run goes now, with the PDF the last run wrote; problem set when the printer cannot
  // take a run.
  struct DestinationText {
    QString text;
    bool problem = false;
  };
  DestinationText Destination(bool preview);

  // 印刷(F5) and 続きから印刷(F6). The observer is asked once per recipient.
  PrintJobResult Print(const PrintRequest& request, WarningLabel& label,
                       PrintRunObserver& observer);
  PrintJobResult Continue(WarningLabel& label, PrintRunObserver& observer);
  // 表彰進行表(F7): the request's ceremony sheet to where a run goes (printer or PDF).
  PrintJobResult PrintCeremonySheet(const PrintRequest& request, PrintRunObserver& observer);
  const PrintResume& Resume() const { return resume_; }
  // After a stop: what was output, and who comes next; empty otherwise.
  QString RunState() const { return DescribePrintStop(resume_, r_.recipients); }

 private:
  PrintRunContext Context(Database& layout_db, Database& results_db, PrintRunObserver& observer,
                          Dialogs* told = nullptr);
  LoggedMeet MeetOfLog() const;
  SelectedMeet Selected() const { return {r_.meet_no, &r_.meet}; }
  // How the list's runs print (the layout question, the reprint question, the check before
  // printing), logged in layout_db.
  RunOptions ListRun(Database& layout_db) const;
  // The follower of the meet (made at its first use).
  MeetFollower& Follower();
  void Ended(const PrintJobResult& result);

  PrintListRecords r_;
  Dialogs& dialogs_;
  WorkTableModel* model_;
  PrintJob job_;
  OutputFactory output_;
  bool by_affiliation_ = false;
  std::function<void()> preview_opener_;
  PrintResume resume_;
  // The decided layout as the list last showed it: a run with another one says so first.
  std::optional<CertificateLayout> shown_layout_;
  bool resume_to_pdf_ = false;    // the stopped run wrote PDF files: going on writes there too
  bool resume_new_only_ = false;  // the stopped run printed only new ones: so does going on
  std::vector<EventAwardStatus> row_status_;
  // Following the meet: its look, the job of auto printing, the events that became complete.
  std::unique_ptr<MeetFollower> follower_;
  bool auto_pdf_ = false;
  std::set<int> fresh_;
  QString last_pdf_;  // the PDF file or folder the last run wrote to
  int event_count_ = 0;
};

}  // namespace kvsys
