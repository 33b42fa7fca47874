// Following a meet as its results come in.
#include "desk/meet_follow.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <QTimer>
#include <algorithm>

#include "certificate/print_job.h"
#include "certificate/recipient_selection.h"
#include "common/text_util.h"
#include "db/database.h"
#include "db/recordset.h"
#include "desk/award_changes.h"
#include "desk/print_log.h"

namespace kvsys {

std::map<int, EventProgress> ReadEventProgress(Database& results_db, bool exclude_open,
                                               bool digest) {
  std::map<int, EventProgress> progress;
  auto rs = results_db.OpenRecordset(
      QStringLiteral("SELECT 競技番号, count(*), sum(CASE WHEN %1 THEN 1 ELSE 0 END), %2 "
                     "FROM 記録マスター GROUP BY 競技番号")
          .arg(PendingCondition(exclude_open),
               digest
                   ? QStringLiteral("group_concat(ifnull(選手番号, '') || '/' || "
                                    "ifnull(ゴール, '') || '/' || ifnull(事由入力ステータス, ''), "
                                    "',')")
                   : QStringLiteral("NULL")),
      dbOpenSnapshot, dbReadOnly);
  for (; !rs->Eof(); rs->MoveNext()) {
    progress[rs->Field(0).toInt()] = {rs->Field(1).toInt(), rs->Field(2).toInt(),
                                      qHash(rs->Field(3).toString())};
  }
  return progress;
}

bool FileSignature::Same(const FileSignature& other) const {
  if (size != other.size || modified != other.modified) return false;
  return content.isEmpty() || other.content.isEmpty() || content == other.content;
}

namespace {

// A certificate's change since printing as the follower's list says it; one handed over already
// must be taken back, and is said as such.
QString ChangeNotice(const AwardComparison& c) {
  return (IsRecall(c) ? QStringLiteral("回収（授与済の賞状の%1） 競技番号 %2 %3 %4 %5")
                      : QStringLiteral("印刷後の%1 競技番号 %2 %3 %4 %5"))
      .arg(ChangeMark(c.change))
      .arg(c.logged.key.event)
      .arg(c.logged.event_text, c.logged.name, c.what);
}

qint64 SteadyMs() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed();
}

// The chosen event of that number; null when it is not chosen.
const ProgramEvent* Chosen(const PrintRequest& base, int number) {
  const auto it = std::find_if(base.events.begin(), base.events.end(),
                               [number](const ProgramEvent& e) { return e.number == number; });
  return it == base.events.end() ? nullptr : &*it;
}

}  // namespace

QString FollowedEventText(const ProgramEvent& event) {
  QString text = QStringLiteral("競技番号 %1 %2").arg(event.number).arg(MakeEventName(event));
  for (const QString& part : {TrimBlanks(event.stage), TrimBlanks(event.class_name)}) {
    if (!part.isEmpty()) text += QLatin1Char(' ') + part;
  }
  return text;
}

FileChangeWatch::FileChangeWatch(QString path, std::function<qint64()> now_ms)
    : path_(std::move(path)), now_ms_(now_ms ? std::move(now_ms) : SteadyMs) {}

FileSignature FileChangeWatch::SignatureNow(bool with_content) const {
  const QFileInfo info(path_);
  if (!info.exists()) return {};
  FileSignature s{info.size(), info.lastModified(), {}};
  if (with_content) {
    QFile file(path_);
    if (file.open(QIODevice::ReadOnly)) {
      QCryptographicHash hash(QCryptographicHash::Md5);
      hash.addData(&file);
      s.content = hash.result();
    }
  }
  return s;
}

FileChangeWatch::Seen FileChangeWatch::Look() {
  const qint64 now = now_ms_();
  const FileSignature sig = SignatureNow(now < young_until_ || !read_once_);
  if (!read_once_) {
    // The first look reads at once: what it finds is only noted.
    seen_ = sig;
    return Seen::kChanged;
  }
  if (sig.Same(read_)) return Seen::kSame;
  if (seen_at_ < 0 || !sig.Same(seen_)) {
    // A change seen now: from here the content is compared for a while, and the file must
    // hold still before it is read.
    seen_ = sig.content.isEmpty() ? SignatureNow(true) : sig;
    seen_at_ = now;
    young_until_ = now + kYoungMs;
    return Seen::kSettling;
  }
  return now - seen_at_ >= kSettleMs ? Seen::kChanged : Seen::kSettling;
}

void FileChangeWatch::Read() {
  read_ = seen_;
  read_once_ = true;
  seen_at_ = -1;
  young_until_ = now_ms_() + kYoungMs;
}

std::vector<int> CompletionWatch::Look(const std::map<int, EventProgress>& now) {
  std::vector<int> newly;
  std::set<int> complete;
  for (const auto& [event, progress] : now) {
    if (!progress.Complete()) continue;
    complete.insert(event);
    if (started_ && complete_.count(event) == 0) newly.push_back(event);
  }
  // An event whose result was taken back is new again once it is complete again.
  complete_ = std::move(complete);
  started_ = true;
  return newly;
}

std::optional<LoggedMeet> MeetOfFile(Database& results_db, const QString& file) {
  auto rs = results_db.OpenRecordset(QStringLiteral("SELECT 大会名1, 始期間 FROM 大会設定"),
                                     dbOpenSnapshot, dbReadOnly);
  if (rs->Eof()) return std::nullopt;
  return LoggedMeet{file, TrimBlanks(rs->Field(0).toString()), TrimBlanks(rs->Field(1).toString())};
}

std::vector<int> MeetFollower::Resume(const PrintRequest& base, PrintRunContext& read,
                                      std::map<int, int>& left) {
  std::vector<int> resumed;
  PrintRequest complete = base;
  complete.events.clear();
  for (const ProgramEvent& event : base.events) {
    const auto progress = progress_.find(event.number);
    if (progress != progress_.end() && progress->second.Complete()) {
      complete.events.push_back(event);
    }
  }
  if (complete.events.empty()) return resumed;
  // Quietly: a layout that cannot print is said when something is to be printed.
  const CollectResult collected = CollectRecipients(complete, read);
  if (collected.outcome != CollectOutcome::kDone && collected.outcome != CollectOutcome::kFull) {
    return resumed;
  }
  read.recipients.RecipientCount =
      static_cast<int16_t>(std::min(collected.count, RecipientTable::kCapacity));
  PrintLog log(read.layout_db);
  const std::set<CertificateKey> taken = log.Taken(meet_);
  std::map<int, int> missing;
  for (int i = 1; i <= read.recipients.RecipientCount; ++i) {
    const RecipientSource& source = read.recipients[i].Source;
    if (taken.count(KeyOf(source)) == 0) missing[source.event] += 1;
  }
  // What a follower began is finished; the rest is the operator's to print.
  const std::set<int> started = log.EventsLogged(meet_, true);
  for (const auto& [event, n] : missing) {
    if (started.count(event) != 0) {
      resumed.push_back(event);
    } else {
      left[event] = n;
    }
  }
  return resumed;
}

MeetFollower::MeetFollower(QString meet_path, LoggedMeet meet, bool has_classes,
                           FollowPrinting printing, std::function<qint64()> now_ms)
    : path_(std::move(meet_path)),
      meet_(std::move(meet)),
      has_classes_(has_classes),
      job_(dialogs_, printing.ini_path, printing.program_folder),
      now_ms_(now_ms ? now_ms : SteadyMs),
      file_(path_, std::move(now_ms)),
      hold_ms_(static_cast<qint64>(printing.hold_minutes) * 60000),
      selected_(printing.meet) {
  // Only what the log does not hold, claimed first; no question while it runs.
  run_.new_only = true;
  run_.reprints = Reprints::kSilent;
  run_.layout_check = LayoutCheck::kNone;
  run_.output = std::move(printing.output);
}

MeetFileWatch::MeetFileWatch(int interval_ms, QObject* parent)
    : QObject(parent), interval_(new QTimer(this)) {
  interval_->setInterval(interval_ms);
  connect(interval_, &QTimer::timeout, this, [this] {
    Rewatch();
    emit Due();
  });
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] {
    Rewatch();
    emit Due();
  });
}

void MeetFileWatch::Watch(const QString& path) {
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  path_ = path;
  Rewatch();
  interval_->start();
  emit Due();
}

void MeetFileWatch::LookSoon() {
  QTimer::singleShot(FileChangeWatch::kSettleMs, this, &MeetFileWatch::Due);
}

void MeetFileWatch::Rewatch() {
  // A file written anew under its name (a rename over it) is no longer watched: watched again
  // once it is there.
  if (!path_.isEmpty() && watcher_.files().isEmpty() && QFileInfo::exists(path_)) {
    watcher_.addPath(path_);
  }
}

std::map<int, qint64> MeetFollower::Holding() const {
  std::map<int, qint64> left;
  const qint64 now = now_ms_();
  for (const auto& [event, since] : held_) {
    if (now - since.first < hold_ms_) left[event] = hold_ms_ - (now - since.first);
  }
  return left;
}

void MeetFollower::Restart() {
  watch_ = CompletionWatch();
  held_.clear();
  file_ = FileChangeWatch(path_, now_ms_);  // read at the next look, whatever the file did
  queue_.clear();
  told_.clear();
}

QString MeetFollower::Now() const {
  return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

bool MeetFollower::PrintEvent(const RunOptions& run, const PrintRequest& base,
                              const ProgramEvent& event, PrintRunContext& read, WarningLabel& label,
                              QStringList& lines) {
  PrintRequest request = base;
  request.events = {event};
  const QString head = Now() + QLatin1Char(' ') + FollowedEventText(event);
  dialogs_.TakeLines();
  CollectResult collected;
  const std::optional<RunOutcome> ended = CollectForRun(request, read, &collected);
  if (ended && *ended == RunOutcome::kNothingToPrint &&
      collected.outcome == CollectOutcome::kDone) {
    dialogs_.TakeLines();  // 「印刷対象がありません。」
    // Earns nothing (a swim-off, heats with a limit of 0): done, said once, no box.
    lines << head + QStringLiteral("：賞状なし");
    return true;
  }
  PrintJobResult printed;
  if (!ended) {
    // Nobody is asked: what is said of the layout goes in the lines, once.
    RunOptions named = run;
    named.meet = selected_;
    named.shown_layout = last_layout_ ? &*last_layout_ : nullptr;
    const QString notices = RunLayoutNotices(named, read.layout).join(u' ').replace(u'\r', u' ');
    if (!notices.isEmpty() && notices != layout_told_) lines << Now() + u' ' + notices;
    layout_told_ = notices;
    last_layout_ = read.layout;
    printed = job_.PrintDecided(run, read, label);
  }
  const QStringList said = dialogs_.TakeLines();
  const bool done = !ended && printed.outcome == RunOutcome::kPrinted &&
                    printed.held_elsewhere == 0 && printed.log_error.isEmpty() &&
                    printed.error.isEmpty();
  if (done || (!ended && printed.output > 0)) {
    QString line = head + QStringLiteral("：%1 枚").arg(printed.output);
    if (printed.skipped > 0) line += QStringLiteral("（印刷済み %1 枚）").arg(printed.skipped);
    if (printed.held_elsewhere > 0) {
      line += QStringLiteral("（他の端末が印刷中 %1 枚）").arg(printed.held_elsewhere);
    }
    lines << line;
  }
  const bool cancelled =
      (ended && *ended == RunOutcome::kCancelled) || printed.outcome == RunOutcome::kCancelled;
  if (done || cancelled) {
    // 中止 is the operator's word on this event: it is not printed again by itself.
    told_.erase(event.number);
    for (const QString& message : said) lines << head + QStringLiteral("：") + message;
    if (cancelled) lines << head + QStringLiteral("：中止したため、自動では印刷しません");
    return true;
  }
  // Kept for the next look; what stopped it is said once, not at every look.
  QString why = said.join(QStringLiteral(" "));
  if (why.isEmpty() && printed.held_elsewhere > 0) {
    why = QStringLiteral("他の端末が印刷中の賞状があります。");
  }
  if (why.isEmpty()) why = QStringLiteral("印刷できませんでした。");
  if (told_[event.number] != why) {
    told_[event.number] = why;
    lines << head + QStringLiteral("：") + why + QStringLiteral("（次の確認でもう一度印刷します）");
  }
  return false;
}

void MeetFollower::PrintQueued(const PrintRequest& base, PrintRunContext& read, WarningLabel& label,
                               bool pdf_only, FollowLook& look) {
  RunOptions run = run_;
  run.log = {PrintLogOpener(read.layout_db), meet_, true};
  run.pdf_only = pdf_only;
  const std::map<int, qint64> holding = Holding();
  for (auto it = queue_.begin(); it != queue_.end();) {
    const int number = *it;
    const ProgramEvent* const event = Chosen(base, number);
    const auto progress = progress_.find(number);
    // Not chosen any more, or its results taken back (queued again once complete again).
    if (!event || progress == progress_.end() || !progress->second.Complete()) {
      told_.erase(number);
      held_.erase(number);
      it = queue_.erase(it);
      continue;
    }
    if (holding.count(number) != 0) {
      ++it;
      continue;
    }
    if (read.observer.CancelRequested()) return;
    if (PrintEvent(run, base, *event, read, label, look.printed)) {
      held_.erase(number);
      it = queue_.erase(it);
    } else {
      ++it;
    }
  }
}

void MeetFollower::Hold(const PrintRequest& base, FollowLook& look) {
  if (hold_ms_ <= 0) return;
  const qint64 now = now_ms_();
  for (const int number : queue_) {
    const auto progress = progress_.find(number);
    if (progress == progress_.end()) continue;
    const auto held = held_.find(number);
    if (held != held_.end()) {
      // Past its hold it is printed as it stands; within it, a change starts it again.
      if (held->second.second == progress->second.results || now - held->second.first >= hold_ms_) {
        continue;
      }
    }
    const ProgramEvent* const event = Chosen(base, number);
    if (!event) continue;
    look.printed << Now() + QStringLiteral(" %1：%2%3 分後に印刷します")
                                .arg(FollowedEventText(*event))
                                .arg(held == held_.end() ? QStringLiteral("結果がそろいました。")
                                                         : QStringLiteral("結果が変わりました。"))
                                .arg(hold_ms_ / 60000);
    held_[number] = {now, progress->second.results};
  }
}

FollowLook MeetFollower::Look(const PrintRequest& base,
                              const std::function<PrintRunContext()>& context, bool print,
                              WarningLabel& label, bool pdf_only) {
  FollowLook look;
  const FileChangeWatch::Seen seen = file_.Look();
  look.settling = seen == FileChangeWatch::Seen::kSettling;
  const bool read_now = seen == FileChangeWatch::Seen::kChanged;
  // Queued events are tried again at every look, but not while the file is being written.
  if (!read_now && (!print || queue_.empty() || look.settling)) return look;
  try {
    if (read_now && read_before_ && reopen_) reopen_();
    const PrintRunContext given = context();
    // Nobody watches these runs: their messages become lines.
    PrintRunContext read{given.layout_db, given.results_db, given.state,
                         dialogs_,        given.options,    given.meet_affiliation,
                         given.layout,    given.recipients, given.observer};
    if (read_now) {
      // A file that now holds another meet is not printed under this one's name.
      if (const std::optional<LoggedMeet> now = MeetOfFile(read.results_db, meet_.file);
          now && !SameMeet(meet_, *now)) {
        if (!other_meet_) {
          look.printed << Now() + QLatin1Char(' ') +
                              QStringLiteral(
                                  "大会ファイルが別の大会（%1 %2）になりました。印刷しません。")
                                  .arg(now->name, now->first_day);
        }
        other_meet_ = true;
        queue_.clear();
        file_.Read();
        return look;
      }
      other_meet_ = false;
      const bool first = !watch_.Started();
      progress_ = ReadEventProgress(read.results_db, base.exclude_open, hold_ms_ > 0);
      file_.Read();
      read_before_ = true;
      read_failure_told_.clear();
      look.read = true;
      look.newly = watch_.Look(progress_);
      if (first && print) {
        for (const int event : Resume(base, read, look.left_unprinted)) queue_.insert(event);
      } else if (print) {
        queue_.insert(look.newly.begin(), look.newly.end());
        Hold(base, look);
      }
    }
    if (print) PrintQueued(base, read, label, pdf_only, look);
    if (!read_now) return look;
    PrintRunObserver quiet;
    PrintRunContext compare{read.layout_db, read.results_db, read.state,
                            read.dialogs,   read.options,    read.meet_affiliation,
                            read.layout,    read.recipients, quiet};
    const std::optional<std::vector<AwardComparison>> compared = CompareWithResults(
        PrintLog(read.layout_db).LatestPerCertificate(meet_), compare, has_classes_);
    for (const AwardComparison& c :
         compared ? ChangedOnly(*compared) : std::vector<AwardComparison>{}) {
      if (c.change == AwardChange::kNowInside) continue;  // printed when its event completes
      const QString what = ChangeNotice(c);
      if (announced_.insert(what).second) look.changes << Now() + QLatin1Char(' ') + what;
    }
    // What stopped the comparison, once.
    for (const QString& what : dialogs_.TakeLines()) {
      if (announced_.insert(what).second) look.changes << Now() + QLatin1Char(' ') + what;
    }
  } catch (const DbError& e) {
    // Read while the results system was writing: looked at again next time, said once.
    QString why = e.text();
    while (why.endsWith(u'。')) why.chop(1);
    if (why != read_failure_told_) {
      read_failure_told_ = why;
      look.printed << Now() + QStringLiteral(
                                  " 大会ファイルを読めません（%1）。次の確認で読み直します。")
                                  .arg(why);
    }
  }
  return look;
}

}  // namespace kvsys
