// The print list's logic: its choices, its event list and its runs.
#include "desk/print_list_session.h"

#include <QDir>
#include <QTime>
#include <algorithm>

#include "common/dialogs.h"
#include "common/line_dialogs.h"
#include "common/profile.h"
#include "common/text_util.h"
#include "db/database.h"
#include "db/work_table.h"
#include "db/work_table_model.h"
#include "desk/ceremony_sheet.h"
#include "desk/print_log.h"
#include "layout/layout_store.h"
#include "print/font_substitution.h"
#include "results/results_error.h"

namespace kvsys {

namespace {

// The grid's columns, in the order the operator reads them.
const QStringList kGridColumns{
    QStringLiteral("flda"), QStringLiteral("FLDB"), QStringLiteral("FLDC"), QStringLiteral("FLDG"),
    QStringLiteral("FLDD"), QStringLiteral("FLDE"), QStringLiteral("FLDF")};
const QStringList kGridHeaders{QStringLiteral("競技No."), QStringLiteral("性別"),
                               QStringLiteral("種目"),    QStringLiteral("予決"),
                               QStringLiteral("距離"),    QStringLiteral("クラス"),
                               QStringLiteral("組数")};
const QString kEventTable = QStringLiteral("KVS40");

int NumberIn(const QString& text) {
  return TrimBlanks(text).toInt();
}

}  // namespace

PrintListSession::PrintListSession(PrintListRecords records, Dialogs& dialogs, QObject* model_owner)
    : r_(std::move(records)),
      dialogs_(dialogs),
      model_(new WorkTableModel(kGridColumns, kGridHeaders, model_owner)),
      job_(dialogs, r_.ini_path, r_.program_folder) {
  model_->SetRightAligned({0, 6});
  // The column is there from the start: setting it later would reset the grid's selection.
  model_->SetExtraColumn(kAwardStatusHeader, {});
}

RunOptions PrintListSession::ListRun(Database& layout_db) const {
  RunOptions run;
  // Said before anything is drawn, as the preview would show it.
  run.layout_check = LayoutCheck::kAsk;
  run.reprints = Reprints::kAsk;
  run.pre_print_check = true;
  run.log = {PrintLogOpener(layout_db), MeetOfLog(), false};
  run.output = output_;
  run.meet = Selected();
  run.shown_layout = shown_layout_ ? &*shown_layout_ : nullptr;
  return run;
}

MeetFollower& PrintListSession::Follower() {
  if (!follower_) {
    // The protest period of this workstation, in minutes (none when missing or not a number).
    const int hold =
        std::clamp(GetProfileEx(dialogs_, r_.ini_path, kPrnSection, kAutoPrintHoldKey).toInt(), 0,
                   kMaxHoldMinutes);
    follower_ = std::make_unique<MeetFollower>(
        r_.results_db->Name(), MeetOfLog(), r_.meet.クラス分け,
        FollowPrinting{r_.ini_path, r_.program_folder, output_, hold, Selected()});
    follower_->SetReopen(r_.reopen_results);
  }
  return *follower_;
}

LoggedMeet PrintListSession::MeetOfLog() const {
  return LoggedMeetOf(r_.results_db ? r_.results_db->Name() : QString(), r_.meet);
}

bool PrintListSession::RefreshStatus(PrintListChoices choices, Dialogs* told) {
  row_status_.clear();
  if (!HasMeet() || model_->rowCount() == 0) {
    model_->SetExtraColumn(kAwardStatusHeader, {});
    return true;
  }
  choices.rows.clear();
  for (int row = 0; row < model_->rowCount(); ++row) choices.rows.push_back(row);
  const PrintRequest request = MakeRequest(choices);
  const std::shared_ptr<Database> layout_db = r_.layout_db;
  const std::shared_ptr<Database> results_db = r_.results_db;
  PrintRunObserver quiet;
  PrintRunContext context = Context(*layout_db, *results_db, quiet, told);
  const std::optional<std::map<int, EventAwardStatus>> status =
      ReadAwardStatus(request, context, MeetOfLog(), r_.meet.クラス分け);
  if (!status) return false;
  QStringList texts;
  std::vector<bool> alert;
  for (const ProgramEvent& event : request.events) {
    const auto found = status->find(event.number);
    row_status_.push_back(found == status->end() ? EventAwardStatus() : found->second);
    const EventAwardStatus& shown = row_status_.back();
    // New while it earns certificates that did not come out: one that earns none (all
    // disqualified, say) has nothing new to print.
    if (shown.unprinted == 0) fresh_.erase(event.number);
    texts << (fresh_.count(event.number) ? QStringLiteral("新着　") : QString()) +
                 AwardStatusText(shown);
    alert.push_back(shown.recalls > 0);
  }
  model_->SetExtraColumn(kAwardStatusHeader, texts, std::move(alert));
  return true;
}

FollowLook PrintListSession::Follow(const PrintListChoices& choices, bool auto_print,
                                    WarningLabel& label, PrintRunObserver& observer) {
  if (!HasMeet() || model_->rowCount() == 0) return {};
  PrintListChoices all = choices;
  all.rows.clear();
  for (int row = 0; row < model_->rowCount(); ++row) all.rows.push_back(row);
  const PrintRequest base = MakeRequest(all);
  FollowLook look = Follower().Look(
      base, [this, &observer] { return Context(*r_.layout_db, *r_.results_db, observer); },
      auto_print, label, auto_pdf_);
  if (!look.read && look.printed.isEmpty()) return look;
  for (const int event : look.newly) fresh_.insert(event);
  // The list's own look is watched by nobody either: what the status read meets is a line.
  LineDialogs told;
  RefreshStatus(choices, &told);
  for (const QString& line : told.TakeLines()) {
    look.printed << QTime::currentTime().toString(QStringLiteral("HH:mm:ss 印刷状況：")) + line;
  }
  return look;
}

std::optional<std::vector<int>> PrintListSession::StartAutoPrint(const PrintListChoices& choices) {
  if (!HasMeet()) return std::nullopt;
  // Asked once now, not in the middle of a ceremony's printing.
  auto_pdf_ = false;
  if (std::optional<DecisionShown> shown = Activate(); shown && !shown->notice.isEmpty()) {
    if (dialogs_.MsgBox(shown->notice + QStringLiteral("\r\r自動印刷を始めますか？"),
                        MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2) != Answer::Yes) {
      return std::nullopt;
    }
  }
  const OutputDestination dest = Follower().Destination(false);
  if (!dest.problem.isEmpty()) {
    if (dialogs_.MsgBox(dest.problem + QStringLiteral("\r\r") + kPdfInsteadQuestion,
                        MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2) != Answer::Yes) {
      return std::nullopt;
    }
    auto_pdf_ = true;
  }
  Follower().Restart();
  PrintRunObserver quiet;
  PlainWarningLabel label;
  Follow(choices, false, label, quiet);
  std::vector<int> complete;
  if (follower_) {
    for (const auto& [event, progress] : follower_->Progress()) {
      if (progress.Complete()) complete.push_back(event);
    }
  }
  return complete;
}

std::vector<int> PrintListSession::UnprintedRows() const {
  std::vector<int> rows;
  for (size_t i = 0; i < row_status_.size(); ++i) {
    if (row_status_[i].unprinted > 0) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

std::vector<int> PrintListSession::SinceLastSheetRows() {
  std::vector<int> rows;
  if (!r_.layout_db) return rows;
  std::set<int> events;
  try {
    events = EventsSinceLastSheet(*r_.layout_db, MeetOfLog());
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPrintTitle, kTargetLayoutDb);
    return rows;
  }
  for (int row = 0; row < model_->rowCount(); ++row) {
    const std::vector<ProgramEvent> e = EventsOfRows({row});
    if (!e.empty() && events.count(e.front().number)) rows.push_back(row);
  }
  return rows;
}

void PrintListSession::Clear() {
  event_count_ = 0;
  model_->Clear();
  if (!r_.layout_db) return;
  try {
    ClearTable(*r_.layout_db, kEventTable);
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kEventListTitle, kTargetEventList);
  }
}

ClassChoices PrintListSession::Classes() {
  if (!r_.meet.クラス分け || !r_.results_db) return {};
  return ReadClassChoices(*r_.results_db, r_.state, dialogs_);
}

std::vector<DayEntry> PrintListSession::Days() const {
  return MeetDayEntries(r_.meet.始期間, r_.meet.終期間);
}

std::vector<ListChoice> PrintListSession::Heats() {
  std::vector<ListChoice> heats;
  for (int n = 1; n <= 99; ++n) heats.push_back({QStringLiteral("%1").arg(n, 2), n});
  return heats;
}

std::vector<ListChoice> PrintListSession::Affiliations() {
  return {{QStringLiteral("所属名１"), 1},
          {QStringLiteral("所属名２"), 2},
          {QStringLiteral("所属名３"), 3},
          {QStringLiteral("設定値"), 4}};
}

void PrintListSession::ChooseAffiliation(int number) {
  r_.prn.PrnShozNo = static_cast<int16_t>(number);
  SetProfileEx(dialogs_, r_.ini_path, kPrnSection, QStringLiteral("PrnShozNo"),
               QString::number(r_.prn.PrnShozNo));
}

int PrintListSession::ChooseDay(const DayEntry& day) {
  if (!HasMeet()) return 0;
  const QString filter = DayFilter(day, r_.meet.始期間, r_.meet.終期間);
  event_count_ = SUB_ProgGridSet(*r_.results_db, *r_.layout_db, r_.meet.クラス分け, r_.state,
                                 dialogs_, filter);
  // After a failed rebuild the grid shows nothing rather than a list it cannot print.
  model_->Clear();
  if (event_count_ > 0) {
    try {
      model_->Refresh(*r_.layout_db, kEventTable);
    } catch (const DbError& e) {
      ReportDbError(dialogs_, r_.state, e, kEventListTitle, kTargetEventList);
      event_count_ = 0;
    }
  }
  return event_count_;
}

void PrintListSession::Closing() {
  if (!r_.layout_db) return;
  try {
    ClearTable(*r_.layout_db, QStringLiteral("KVS30"));
  } catch (const DbError&) {
    // A work table left filled is emptied by the next close; it must not keep the window.
  }
}

std::optional<DecisionShown> PrintListSession::Activate() {
  if (!r_.layout_db) return std::nullopt;
  try {
    LayoutStore store(*r_.layout_db, dialogs_, r_.state);
    const DecisionRow row = store.KeepOneDecisionRow(r_.fonts.value(0));
    CertificateLayout shown;
    shown_layout_.reset();
    if (LoadRunLayout(*r_.layout_db, r_.state, dialogs_, shown)) shown_layout_ = shown;
    // A stored face that is not installed ("ＭＳ　明朝") is offered as it stands.
    return DecisionShown{FontChoices(r_.fonts, row.font), row.font,
                         store.LayoutName(row.decided).value_or(QString()),
                         shown_layout_ ? LayoutMeetMark(shown, Selected()) : QString(),
                         shown_layout_ ? LayoutMeetNotice(shown, Selected()) : QString()};
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPrintTitle, kTargetLayoutDb);
    return std::nullopt;
  }
}

void PrintListSession::ChooseFont(const QString& face) {
  if (!r_.layout_db) return;
  try {
    LayoutStore(*r_.layout_db, dialogs_, r_.state).SetDecisionFont(face);
  } catch (const DbError& e) {
    ReportDbError(dialogs_, r_.state, e, kPrintTitle, kTargetLayoutDb);
  }
}

std::vector<ProgramEvent> PrintListSession::EventsOfRows(const std::vector<int>& rows) const {
  std::vector<ProgramEvent> events;
  for (const int row : rows) {
    events.push_back(
        EventOfRow([this, row](const QString& column) { return model_->Value(row, column); }));
  }
  return events;
}

PrintRequest PrintListSession::MakeRequest(const PrintListChoices& choices) const {
  PrintRequest request;
  request.events = EventsOfRows(choices.rows);
  request.rank_only = NumberIn(choices.rank_only);
  request.skip_up_to = NumberIn(choices.skip_up_to);
  request.heat = choices.heat;
  request.class_wise = choices.class_wise && r_.meet.クラス分け;
  if (request.class_wise) request.class_no = choices.class_no;
  request.exclude_open = r_.prn.Open;
  request.PrnShozNo = r_.prn.PrnShozNo;
  request.preview = choices.preview;
  request.calling_order = choices.calling_order;
  request.call_from = ReadCallFrom(r_.ini_path);
  return request;
}

PrintListSession::DestinationText PrintListSession::Destination(bool preview) {
  const QString last =
      last_pdf_.isEmpty() ? QString() : QStringLiteral("\n前回のPDF出力：") + last_pdf_;
  // A run with the preview prints nothing until the preview is told to.
  if (preview && preview_opener_) return {QStringLiteral("出力先：プレビュー画面") + last, false};
  const OutputDestination dest = job_.Destination(preview || by_affiliation_);
  QString text = QStringLiteral("出力先：") + dest.text;
  if (by_affiliation_) text += QStringLiteral("（所属別のファイル）");
  if (!dest.problem.isEmpty()) text += QStringLiteral("\n") + dest.problem;
  return {text + last, !dest.problem.isEmpty()};
}

PrintRunContext PrintListSession::Context(Database& layout_db, Database& results_db,
                                          PrintRunObserver& observer, Dialogs* told) {
  return PrintRunContext{layout_db, results_db,           r_.state,  told ? *told : dialogs_,
                         r_.prn,    r_.meet.選手使用所属, r_.layout, r_.recipients,
                         observer};
}

PrintJobResult PrintListSession::Print(const PrintRequest& request, WarningLabel& label,
                                       PrintRunObserver& observer) {
  if (!HasMeet()) return {};
  // The databases stay open for the run even if the application lets go of them meanwhile.
  const std::shared_ptr<Database> layout_db = r_.layout_db;
  const std::shared_ptr<Database> results_db = r_.results_db;
  PrintRunContext context = Context(*layout_db, *results_db, observer);
  RunOptions run = ListRun(*layout_db);
  run.by_affiliation = by_affiliation_;
  const PrintJobResult result = job_.Run(run, request, context, label, preview_opener_);
  // A run that did not start leaves the stopped one to go on with.
  if (result.outcome != RunOutcome::kNotStarted) Ended(result);
  return result;
}

PrintJobResult PrintListSession::Continue(WarningLabel& label, PrintRunObserver& observer) {
  if (!HasMeet() || !resume_.CanContinue()) return {};
  const std::shared_ptr<Database> layout_db = r_.layout_db;
  const std::shared_ptr<Database> results_db = r_.results_db;
  PrintRunContext context = Context(*layout_db, *results_db, observer);
  // Going on after a stop writes where the stopped run wrote, and leaves out what it left out.
  RunOptions run = ListRun(*layout_db);
  run.new_only = resume_new_only_;
  run.pdf_only = resume_to_pdf_;
  run.by_affiliation = by_affiliation_;
  const PrintJobResult result = job_.PrintDecided(run, context, label, resume_.Next());
  if (result.outcome != RunOutcome::kNotStarted) Ended(result);
  return result;
}

PrintJobResult PrintListSession::PrintCeremonySheet(const PrintRequest& request,
                                                    PrintRunObserver& observer) {
  if (!HasMeet()) return {};
  const std::shared_ptr<Database> layout_db = r_.layout_db;
  const std::shared_ptr<Database> results_db = r_.results_db;
  PrintRunContext context = Context(*layout_db, *results_db, observer);
  const PrintJobResult result = kvsys::PrintCeremonySheet(
      job_, ListRun(*layout_db), request, context, TrimBlanks(r_.meet.大会名1), request.call_from);
  if (result.written.IsPdf()) last_pdf_ = QDir::toNativeSeparators(result.written.where);
  return result;
}

void PrintListSession::Ended(const PrintJobResult& result) {
  if (result.written.IsPdf()) last_pdf_ = QDir::toNativeSeparators(result.written.where);
  resume_.Ended(result.next, result.last);
  resume_to_pdf_ = result.to_pdf;
  resume_new_only_ = result.new_only;
}

}  // namespace kvsys
