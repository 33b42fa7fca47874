// The print log's contract, broken on purpose: leases of desks whose clocks disagree or whose
// process ids came back, a lock across a run's log write, a desk killed at each step of a run,
// a corrected meet name, and two result rows of one entrant.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <functional>

#include "certificate/print_job.h"
#include "desk/award_changes.h"
#include "desk/print_log.h"
#include "support/document_helpers.h"
#include "support/print_run_world.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

const LoggedMeet kMeet{QStringLiteral("Swim01.mdb"), QStringLiteral("テスト大会"),
                       QStringLiteral("2026/07/18")};

// A desk of its own: host, process and clock set by the test.
struct Desk {
  QString host;
  qint64 pid = 100;
  qint64 clock = 0;
  std::map<qint64, QString>* running = nullptr;  // this host's processes and their starts

  LogEnvironment Env() {
    LogEnvironment env;
    env.host = [this] { return host; };
    env.pid = [this] { return pid; };
    env.started = [this](qint64 p) {
      const auto it = running->find(p);
      return it == running->end() ? QString() : it->second;
    };
    env.now_ms = [this] { return clock; };
    env.file_exists = [](const QString& path) { return QFile::exists(path); };
    return env;
  }
};

PrintLogRow Certificate(int entrant, int occurrence = 1) {
  PrintLogRow row;
  row.meet = kMeet;
  row.key = {1, 0, 0, false, entrant, occurrence};
  row.name = QStringLiteral("S%1").arg(entrant);
  return row;
}

ClaimFate ClaimOne(PrintLog& log, int entrant, qint64* id = nullptr) {
  std::vector<ClaimItem> items{{Certificate(entrant)}};
  log.Claim(items, true);
  if (id) *id = items[0].id;
  return items[0].fate;
}

class LeaseTest : public ::testing::Test {
 protected:
  LeaseTest() {
    a.host = b.host = QStringLiteral("desk-a");
    b.host = QStringLiteral("desk-b");
    a.running = b.running = &running;
    running[100] = QStringLiteral("boot/1");
    db = w.layout_db.get();
  }
  // Desk b as another process of desk a's host.
  PrintLog OnThisHost(qint64 pid, const QString& started) {
    b.host = a.host;
    b.pid = pid;
    running[pid] = started;
    return PrintLog(*db, b.Env());
  }

  PrintRunWorld w;
  Database* db;
  std::map<qint64, QString> running;
  Desk a, b;
};

// Another machine's claim lives while this desk sees it renewed, whatever time it says it was
// taken; unrenewed for the lease by this desk's clock it is taken over, and its holder learns
// that it lost it.
TEST_F(LeaseTest, AnotherHostsClaimExpiresByTheObserversClockAndItsHolderIsTold) {
  PrintLog log_b(*db, b.Env());
  qint64 claim = 0;
  ASSERT_EQ(ClaimOne(log_b, 1, &claim), ClaimFate::kClaimed);
  // Its clock runs years ahead.
  RawDb(w.folder() + QStringLiteral("/KVSYS.mdb"))
      .Exec(QStringLiteral("UPDATE 印刷履歴 SET 時刻 = '2099-01-01 00:00:00'"));

  PrintLog log_a(*db, a.Env());
  EXPECT_EQ(ClaimOne(log_a, 1), ClaimFate::kHeld);
  a.clock += kLeaseExpireMs - 1000;
  EXPECT_EQ(ClaimOne(log_a, 1), ClaimFate::kHeld);
  EXPECT_EQ(log_b.Renew(), 1);
  a.clock += 20000;  // renewed: counted again from when this desk saw it
  EXPECT_EQ(ClaimOne(log_a, 1), ClaimFate::kHeld);
  EXPECT_EQ(log_a.Taken(kMeet).count(Certificate(1).key), 1u);
  a.clock += kLeaseExpireMs - 1000;
  EXPECT_EQ(ClaimOne(log_a, 1), ClaimFate::kHeld);
  a.clock += 2000;
  qint64 taken_over = 0;
  EXPECT_EQ(ClaimOne(log_a, 1, &taken_over), ClaimFate::kClaimed);

  // The first desk's write finds its claim gone instead of marking another desk's row.
  EXPECT_EQ(log_b.MarkOut({{claim, kLogPdf, QStringLiteral("x.pdf"), 1, 0}}),
            std::vector<qint64>{claim});
  EXPECT_EQ(log_b.Renew(), 0);
  EXPECT_EQ(log_a.MarkOut({{taken_over, kLogPdf, QStringLiteral("y.pdf"), 1, 0}}),
            std::vector<qint64>{});
  EXPECT_EQ(ClaimOne(log_b, 1), ClaimFate::kPrinted);
}

// On one host a claim lives with its process: a process id that came back to another process
// (a crash, a reboot) does not keep it.
TEST_F(LeaseTest, AClaimOfThisHostEndsWithItsProcessNotWithItsId) {
  PrintLog log_b = OnThisHost(200, QStringLiteral("boot/7"));
  ASSERT_EQ(ClaimOne(log_b, 1), ClaimFate::kClaimed);
  PrintLog log_a(*db, a.Env());
  EXPECT_EQ(ClaimOne(log_a, 1), ClaimFate::kHeld);
  running[200] = QStringLiteral("boot/9");  // the id now belongs to another process
  EXPECT_EQ(ClaimOne(log_a, 1), ClaimFate::kClaimed);
}

// An ended desk's claims are settled by what they say: a PDF that is there came out, one that
// is not did not, a certificate being sent to a printer is unknown; only claims are read.
TEST_F(LeaseTest, EndedClaimsAreSettledByWhereTheySayTheyGo) {
  PrintLog log_b = OnThisHost(300, QStringLiteral("boot/3"));
  std::vector<ClaimItem> items{
      {Certificate(1)}, {Certificate(2)}, {Certificate(3)}, {Certificate(4)}};
  log_b.Claim(items, true);
  const QString there = w.folder() + QStringLiteral("/there.pdf");
  QFile file(there);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_TRUE(log_b
                  .Place({{items[0].id, kLogPdf, there, 1, 0},
                          {items[1].id, kLogPdf, there + QStringLiteral(".gone"), 1, 0},
                          {items[2].id, kLogPrinter, QStringLiteral("queue"), 0, 0}})
                  .empty());
  running.erase(300);

  PrintLog log_a(*db, a.Env());
  EXPECT_EQ(log_a.Settle(), 4);
  EXPECT_EQ(log_a.Settle(), 0);
  std::map<int, QString> states;
  for (const PrintLogRow& row : log_a.Rows(kMeet)) states[row.key.entrant] = row.state;
  EXPECT_EQ(states, (std::map<int, QString>{{1, kLogOut}, {3, kLogUnknown}}));
  EXPECT_EQ(ClaimOne(log_a, 2), ClaimFate::kClaimed);
  EXPECT_EQ(ClaimOne(log_a, 3), ClaimFate::kPrinted);  // never printed again by itself
}

// What a claim finds besides another desk: a released claim and a job the printing service
// stopped leave the certificate free; a run of every certificate claims a printed one again
// (a reprint), and a mark of a released claim is refused.
TEST_F(LeaseTest, ReleasedAndStoppedCertificatesAreFreeAndAReprintIsClaimed) {
  PrintLog log(*db, a.Env());
  std::vector<ClaimItem> items{{Certificate(1)}, {Certificate(2)}, {Certificate(3)}};
  log.Claim(items, true);
  log.Release({items[0].id});
  EXPECT_EQ(log.MarkOut({{items[0].id, kLogPdf, QStringLiteral("x.pdf"), 1, 0}}),
            std::vector<qint64>{items[0].id});
  EXPECT_TRUE(log.MarkOut({{items[1].id, kLogPrinter, QStringLiteral("queue"), 0, 7},
                           {items[2].id, kLogPrinter, QStringLiteral("queue"), 0, 7}})
                  .empty());
  log.SetState(items[1].id, kLogStopped);
  EXPECT_EQ(log.Taken(kMeet), (std::set<CertificateKey>{Certificate(3).key}));
  EXPECT_EQ(ClaimOne(log, 1), ClaimFate::kClaimed);
  EXPECT_EQ(ClaimOne(log, 2), ClaimFate::kClaimed);
  EXPECT_EQ(ClaimOne(log, 3), ClaimFate::kPrinted);
  std::vector<ClaimItem> reprint{{Certificate(3)}};
  log.Claim(reprint, false);
  EXPECT_EQ(reprint[0].fate, ClaimFate::kClaimed);
  EXPECT_NE(reprint[0].id, items[2].id);
}

// A meet is known through corrected texts; a file that holds another meet is another meet.
TEST_F(LeaseTest, AMeetKeepsItsRowsThroughACorrectedNameOrDate) {
  PrintLog log(*db, a.Env());
  std::vector<PrintLogRow> rows{Certificate(1)};
  log.Add(rows);
  LoggedMeet corrected = kMeet;
  corrected.name += QStringLiteral("（訂正）");
  EXPECT_EQ(log.Rows(corrected).size(), 1u);
  std::vector<ClaimItem> again{{Certificate(1)}};
  again[0].row.meet = corrected;
  log.Claim(again, true);
  EXPECT_EQ(again[0].fate, ClaimFate::kPrinted);
  LoggedMeet moved = corrected;
  moved.first_day = QStringLiteral("2026/07/25");
  EXPECT_EQ(log.Rows(moved).size(), 1u);
  LoggedMeet next_year = kMeet;
  next_year.first_day = QStringLiteral("2027/07/17");
  EXPECT_TRUE(log.Rows(next_year).empty());
  LoggedMeet other{kMeet.file, QStringLiteral("別の大会"), QStringLiteral("2026/08/01")};
  EXPECT_TRUE(log.Rows(other).empty());
  EXPECT_FALSE(SameMeet(kMeet, other));
}

// Runs the print job in a child process that dies (as a kill would: nothing is cleaned up)
// when the output reaches the step asked for.
enum class Die { kNever, kWriting, kPublishing, kPublished };

struct Owned {
  std::unique_ptr<DocumentOutput> inner;
};

class DyingOutput : private Owned, public ForwardingOutput {
 public:
  DyingOutput(std::unique_ptr<DocumentOutput> to, Die die)
      : Owned{std::move(to)}, ForwardingOutput(*inner), die_(die) {}
  bool Write(const PrintDocument& doc, QString* error) override {
    if (die_ == Die::kWriting && ++written_ == 5) _exit(9);
    return ForwardingOutput::Write(doc, error);
  }
  bool Finish(QString* error) override {
    if (die_ == Die::kPublishing) _exit(9);
    const bool done = ForwardingOutput::Finish(error);
    if (die_ == Die::kPublished) _exit(9);
    return done;
  }
  bool Publish(std::vector<DocumentPlace>* published, QString* error) override {
    if (die_ == Die::kPublishing) _exit(9);
    const bool done = ForwardingOutput::Publish(published, error);
    if (die_ == Die::kPublished) _exit(9);
    return done;
  }

 private:
  Die die_;
  int written_ = 0;
};

class KilledRunTest : public ::testing::Test {
 protected:
  KilledRunTest() {
    w.SetLimits(8, 8, 8, 8);
    for (int event = 1; event <= 3; ++event) {
      w.Event(event, 1, 1, 2, 2);
      for (int s = 1; s <= 8; ++s) {
        const int number = event * 100 + s;
        w.Swimmer(number, QStringLiteral("S%1").arg(number));
        w.Result(event, number, QStringLiteral("0:%1.00").arg(30 + s));
      }
    }
    for (int event = 1; event <= 3; ++event) request.events.push_back(w.Listed(event));
    PrintLog made(*w.layout_db);  // its table, for the test's own statements
  }

  // A run of only the new ones into out, in this process or (die) a child that dies.
  PrintJobResult Run(std::function<std::unique_ptr<DocumentOutput>()> out, Die die) {
    if (die == Die::kNever) return RunHere(out, die);
    const pid_t child = fork();
    if (child == 0) {
      RunHere(out, die);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9) << status;
    return {};
  }

  PrintJobResult RunHere(const std::function<std::unique_ptr<DocumentOutput>()>& out, Die die) {
    Workspace ws;  // a connection of this process's own
    auto layout_db = ws.OpenDatabase(w.folder() + QStringLiteral("/KVSYS.mdb"));
    auto results = ws.OpenDatabase(w.meet_path(), false, true);
    ScriptedDialogs dialogs;
    PrintJob job(dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
    RunOptions opts;
    opts.output = [&out, die] { return std::make_unique<DyingOutput>(out(), die); };
    opts.log = {PrintLogOpener(*layout_db), meet, false};
    opts.new_only = true;
    PrintRunContext context{*layout_db, *results, w.state,      dialogs,           w.options,
                            1,          w.layout, w.recipients, w.default_observer};
    PlainWarningLabel label;
    return job.Run(opts, request, context, label);
  }

  PrintRunWorld w;
  PrintRequest request;
  LoggedMeet meet = kMeet;
};

// A desk killed at any step of a run, the next run of only the new ones prints exactly what
// did not come out: every certificate is out once in the log and has its page, none twice.
TEST_F(KilledRunTest, AContinuationPrintsExactlyWhatDidNotComeOut) {
  struct Case {
    const char* name;
    bool one_file;
    Die die;
  };
  for (const Case c : {Case{"file, writing", true, Die::kWriting},
                       Case{"file, publishing", true, Die::kPublishing},
                       Case{"file, published", true, Die::kPublished},
                       Case{"batch, writing", false, Die::kWriting},
                       Case{"batch, publishing", false, Die::kPublishing},
                       Case{"batch, published", false, Die::kPublished}}) {
    SCOPED_TRACE(c.name);
    RawDb(w.folder() + QStringLiteral("/KVSYS.mdb")).Exec(QStringLiteral("DELETE FROM 印刷履歴"));
    const QString dir = w.folder() + QStringLiteral("/out-%1").arg(QString::fromUtf8(c.name));
    int n = 0;
    const auto output = [&dir, &c, &n]() -> std::unique_ptr<DocumentOutput> {
      const QString sub = dir + QStringLiteral("/%1").arg(++n);
      if (c.one_file) return std::make_unique<RunPdfOutput>(sub);
      return std::make_unique<PdfOutput>(sub);
    };
    Run(output, c.die);
    const PrintJobResult rest = Run(output, Die::kNever);
    EXPECT_EQ(rest.outcome, RunOutcome::kPrinted);

    EXPECT_EQ(rest.skipped, c.die == Die::kPublished ? 24 : 0);

    // Every page that came out anywhere is a certificate of the log, once.
    PrintLog log(*w.layout_db);
    std::set<CertificateKey> keys;
    for (const PrintLogRow& row : log.Rows(meet)) {
      EXPECT_EQ(row.state, kLogOut) << row.name.toStdString();
      EXPECT_TRUE(keys.insert(row.key).second) << "twice: " << row.name.toStdString();
      EXPECT_TRUE(QFile::exists(row.where)) << row.where.toStdString();
    }
    EXPECT_EQ(keys.size(), 24u);
    Poppler poppler;
    int pages = 0;
    QDirIterator files(dir, {QStringLiteral("*.pdf")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) pages += poppler.Pages(files.next());
    EXPECT_EQ(pages, 24);
  }
}

// A lock held on KVSYS.mdb past the busy wait while a run of only the new ones writes to the
// log stops it there: nothing more comes out (it could be another desk's). A plain run says at
// once that it goes on without the log.
TEST_F(KilledRunTest, ALockOnTheLogStopsARunOfOnlyTheNewOnes) {
  w.layout_db->SetBusyTimeoutMs(200);
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open((w.folder() + QStringLiteral("/KVSYS.mdb")).toUtf8().constData(), &holder),
            SQLITE_OK);
  RecordingOutput out;
  // The lock is taken while the second certificate is drawn.
  class Locking : public ForwardingOutput {
   public:
    Locking(DocumentOutput& to, sqlite3* db) : ForwardingOutput(to), db_(db) {}
    bool Write(const PrintDocument& doc, QString* error) override {
      if (++n_ == 2) sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
      return ForwardingOutput::Write(doc, error);
    }

   private:
    sqlite3* db_;
    int n_ = 0;
  };
  const QString busy = QLatin1Char('\r') + DbError(dberr::kLocked).text();
  w.dialogs.Expect(kNewOnlyStoppedMessage + busy, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle)
      .Expect(kLogOffMessage + busy, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
  for (const bool new_only : {true, false}) {
    SCOPED_TRACE(new_only ? "new only" : "plain");
    out.written.clear();
    PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
    RunOptions opts;
    opts.output = [&out, holder] { return std::make_unique<Locking>(out, holder); };
    opts.log = {PrintLogOpener(*w.layout_db), meet, false};
    opts.new_only = new_only;
    PrintRunContext context = w.Context();
    PlainWarningLabel label;
    const PrintJobResult result = job.Run(opts, request, context, label);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    if (new_only) {
      EXPECT_EQ(result.outcome, RunOutcome::kFailed);
      EXPECT_EQ(out.written.size(), 2u);
      EXPECT_TRUE(result.error.startsWith(kNewOnlyStoppedMessage)) << result.error.toStdString();
    } else {
      EXPECT_EQ(result.outcome, RunOutcome::kPrinted);
      EXPECT_EQ(out.written.size(), 24u);
      EXPECT_TRUE(result.log_error.startsWith(kLogOffMessage)) << result.log_error.toStdString();
    }
  }
  sqlite3_close(holder);
}

// Two result rows of one entrant in one event (a team entered twice) are two certificates:
// both printed, neither taken for the other, and the comparison pairs each with its own row.
TEST_F(KilledRunTest, TwoResultRowsOfOneEntrantAreTwoCertificates) {
  w.Result(1, 101, QStringLiteral("0:29.00"));
  RecordingOutput out;
  PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
  RunOptions opts;
  opts.output = [&out] { return std::make_unique<ForwardingOutput>(out); };
  opts.log = {PrintLogOpener(*w.layout_db), meet, false};
  opts.new_only = true;
  PrintRunContext context = w.Context();
  PlainWarningLabel label;
  PrintRequest one;
  one.events = {request.events.front()};
  const PrintJobResult first = job.Run(opts, one, context, label);
  EXPECT_EQ(first.output, 8);
  EXPECT_EQ(first.skipped, 0);
  int twice = 0;
  for (const PrintDocument& doc : out.written) twice += doc.name.contains(QStringLiteral("S101"));
  EXPECT_EQ(twice, 2);
  const std::optional<std::vector<AwardComparison>> compared =
      CompareWithResults(PrintLog(*w.layout_db).Rows(meet), context, false);
  ASSERT_TRUE(compared);
  EXPECT_TRUE(ChangedOnly(*compared).empty())
      << ComparisonLine(ChangedOnly(*compared).front()).toStdString();
}

// A run gathered in one file whose file cannot be put under its name: nothing came out, the
// operator is told why, a resumed run starts at the first certificate, and the log holds none
// of them as out (a --new-only run prints them all again).
TEST_F(KilledRunTest, AGatheredFileThatDoesNotAppearLeavesNothingOut) {
  RecordingOutput out;
  out.gathers = true;
  out.finish_ok = false;
  PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
  RunOptions opts;
  opts.output = [&out] { return std::make_unique<ForwardingOutput>(out); };
  opts.log = {PrintLogOpener(*w.layout_db), meet, false};
  opts.new_only = true;
  PrintRunContext context = w.Context();
  PlainWarningLabel label;
  w.dialogs.Expect(QStringLiteral("ファイルを置けません"), MsgButtons::Ok, MsgIcon::Exclamation,
                   kPrintTitle);
  const PrintJobResult failed = job.Run(opts, request, context, label);
  EXPECT_EQ(failed.outcome, RunOutcome::kFailed);
  EXPECT_GT(out.written.size(), 0u);
  EXPECT_EQ(failed.output, 0);
  EXPECT_EQ(failed.next, failed.first);
  EXPECT_EQ(failed.written.kind, OutputPlace::Kind::kNothing);
  EXPECT_TRUE(PrintLog(*w.layout_db).Taken(meet).empty());

  out.finish_ok = true;
  const size_t tried = out.written.size();
  const PrintJobResult again = job.Run(opts, request, context, label);
  EXPECT_EQ(again.outcome, RunOutcome::kPrinted);
  EXPECT_EQ(again.output, static_cast<int>(tried));
  EXPECT_EQ(again.written.where, QStringLiteral("recording.pdf"));
}

// A run of events whose certificates the log holds asks first, いいえ (only the new ones)
// being the default; each answer does what it says, and a first run asks nothing.
TEST(ReprintQuestion, CertificatesPrintedBeforeAreAskedAbout) {
  PrintRunWorld w;
  w.Event(1, 1, 1, 2, 2);
  for (int n = 1; n <= 3; ++n) {
    w.Swimmer(n, QStringLiteral("S%1").arg(n));
    w.Result(1, n, QStringLiteral("00:3%1.00").arg(n - 1));
  }
  PrintRequest request;
  request.events.push_back(w.Listed(1));
  RecordingOutput out;
  const auto run = [&] {
    PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
    RunOptions opts;
    opts.output = [&out] { return std::make_unique<ForwardingOutput>(out); };
    opts.log = {PrintLogOpener(*w.layout_db), kMeet, false};
    opts.reprints = Reprints::kAsk;
    PrintRunContext context = w.Context();
    PlainWarningLabel label;
    out.written.clear();
    return job.Run(opts, request, context, label);
  };
  EXPECT_EQ(run().output, 3);
  // A late result ties the third place.
  w.Swimmer(4, QStringLiteral("S4"));
  w.Result(1, 4, QStringLiteral("00:32.00"));
  for (const Answer answer : {Answer::Cancel, Answer::No, Answer::Yes}) {
    w.dialogs.ExpectDefault(ReprintQuestion(answer == Answer::Yes ? 4 : 3), MsgButtons::YesNoCancel,
                            MsgIcon::Question, kPrintTitle, 2, answer);
    const PrintJobResult result = run();
    switch (answer) {
      case Answer::Cancel:
        EXPECT_EQ(result.outcome, RunOutcome::kNotStarted);
        EXPECT_TRUE(out.written.empty());
        break;
      case Answer::No:
        EXPECT_EQ(result.output, 1);
        EXPECT_EQ(result.skipped, 3);
        ASSERT_EQ(out.written.size(), 1u);
        EXPECT_EQ(out.written[0].name, CertificateName(4, w.recipients[4]));
        break;
      default:
        EXPECT_EQ(result.output, 4);
        break;
    }
  }
}

}  // namespace
}  // namespace kvsys::test
