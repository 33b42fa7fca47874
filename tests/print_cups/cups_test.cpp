// Printing through a real CUPS scheduler started by the test: the print run's certificates
// reach the queue as PDF jobs of the layout's sheet, Printer=NAME picks its queue, and a
// stopped or refusing queue is reported once with nothing sent.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <memory>
#include <set>

#include "certificate/print_job.h"
#include "desk/award_status.h"
#include "desk/print_log.h"
#include "print/output_settings.h"
#include "print/print_command.h"
#include "print/print_surface.h"
#include "print/printer_queue.h"
#include "print/warning_label.h"
#include "print_cups/private_cups.h"
#include "support/document_helpers.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

const QString kDefaultQueue = QStringLiteral("kvs-default");
const QString kOtherQueue = QStringLiteral("kvs-office");
constexpr int kJobTimeoutMs = 30000;

double Mm(double points) {
  return points * 25.4 / 72;
}

class CupsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    cups_ = std::make_unique<PrivateCups>();
    not_started_ = cups_->Start();
    if (!not_started_.isEmpty()) return;
    QString error;
    if (!cups_->AddQueue(kDefaultQueue, true, &error) ||
        !cups_->AddQueue(kOtherQueue, false, &error)) {
      queue_error_ = error + QLatin1Char('\n') + cups_->LogTail();
    }
  }
  static void TearDownTestSuite() { cups_.reset(); }

  void SetUp() override {
    if (!not_started_.isEmpty()) {
      GTEST_SKIP() << "no CUPS scheduler of the test's own: " << not_started_.toStdString();
    }
    ASSERT_TRUE(queue_error_.isEmpty()) << queue_error_.toStdString();
    // One event, three swimmers: three certificates, one page each, on B4 (code 12).
    w.Event(1, 1, 1, 2, 2);
    for (int n = 1; n <= 3; ++n) {
      w.Swimmer(n, QStringLiteral("選手%1").arg(n));
      w.Result(1, n, QStringLiteral("00:3%1.00").arg(n));
    }
  }

  // The print run of the list for event 1, through the print job to the output of [Output]
  // as written.
  RunOutcome PrintRun(const QByteArray& output_section) {
    const QString ini = w.folder() + QStringLiteral("/KVSYS.ini");
    QFile f(ini);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Output]\n" + output_section);
    f.close();
    PrintJob job(w.dialogs, ini, w.folder());
    RunOptions opts;
    PlainWarningLabel label;
    PrintRequest request;
    request.events = {w.Listed(1)};
    PrintRunContext context = w.Context();
    const PrintJobResult result = job.Run(opts, request, context, label);
    if (result.outcome == RunOutcome::kPrinted) {
      EXPECT_EQ(result.written.kind, OutputPlace::Kind::kPrinter);
      EXPECT_EQ(result.output, 3);
    }
    return result.outcome;
  }

  QString Tool(const QString& tool, const QString& queue) {
    QString error;
    EXPECT_TRUE(cups_->Tool(tool, {queue}, &error)) << error.toStdString();
    return error;
  }

  static std::unique_ptr<PrivateCups> cups_;
  static QString not_started_;
  static QString queue_error_;
  PrintRunWorld w;
};

std::unique_ptr<PrivateCups> CupsTest::cups_;
QString CupsTest::not_started_;
QString CupsTest::queue_error_;

TEST_F(CupsTest, ARunArrivesAsOnePdfJobPerCertificateOnTheLayoutsSheet) {
  const PrinterQueue queue = FindPrinterQueue(QString());
  ASSERT_EQ(queue.name, kDefaultQueue) << "the test's own scheduler is not the one asked";
  EXPECT_EQ(queue.state, QueueState::kReady);
  EXPECT_EQ(FindPrinterQueue(QStringLiteral("kvs-none")).state, QueueState::kMissing);

  const auto others = cups_->WaitForJobs(kOtherQueue, 0, 0).size();
  ASSERT_EQ(PrintRun("Target=Printer\n"), RunOutcome::kPrinted);
  const QStringList jobs = cups_->WaitForJobs(kDefaultQueue, 3, kJobTimeoutMs);
  ASSERT_EQ(jobs.size(), 3) << cups_->LogTail().toStdString();
  for (const QString& job : jobs) {
    const PdfInfo info = ReadPdfInfo(job);
    ASSERT_TRUE(info.error.isEmpty()) << info.error.toStdString();
    EXPECT_EQ(info.pages, 1) << job.toStdString();
    EXPECT_NEAR(Mm(info.width), 257, 1.5) << job.toStdString();  // JIS B4
    EXPECT_NEAR(Mm(info.height), 364, 1.5) << job.toStdString();
  }
  EXPECT_EQ(cups_->WaitForJobs(kOtherQueue, 0, 0).size(), others);
}

// A document of two pages is one job of two pages, on the queue the settings name.
TEST_F(CupsTest, PrinterNamePicksItsQueueAndAJobKeepsItsPages) {
  const auto on_other = cups_->WaitForJobs(kOtherQueue, 0, 0).size();
  const auto on_default = cups_->WaitForJobs(kDefaultQueue, 0, 0).size();
  OutputSettings settings;
  settings.printer = kOtherQueue;
  const std::unique_ptr<DocumentOutput> output = MakeOutput(settings);
  PrintSurface surface(output.get());
  surface.SetPaperSize(12);
  surface.StartDoc();
  ASSERT_EQ(surface.Error(), kSurfaceOk) << surface.ErrorText().toStdString();
  surface.SetFontSize(40);
  surface.OutputText(QStringLiteral("賞状"));
  surface.NewPage();
  surface.OutputText(QStringLiteral("二枚目"));
  ASSERT_TRUE(surface.EndDoc()) << surface.ErrorText().toStdString();

  const QStringList jobs = cups_->WaitForJobs(kOtherQueue, on_other + 1, kJobTimeoutMs);
  ASSERT_EQ(jobs.size(), on_other + 1) << cups_->LogTail().toStdString();
  const PdfInfo info = ReadPdfInfo(jobs.last());
  ASSERT_TRUE(info.error.isEmpty()) << info.error.toStdString();
  EXPECT_EQ(info.pages, 2);
  EXPECT_NEAR(Mm(info.width), 257, 1.5);

  // The print run too goes to the queue named in KVSYS.ini.
  ASSERT_EQ(PrintRun("Target=Printer\nPrinter=" + kOtherQueue.toUtf8() + "\n"),
            RunOutcome::kPrinted);
  EXPECT_EQ(cups_->WaitForJobs(kOtherQueue, on_other + 4, kJobTimeoutMs).size(), on_other + 4);
  EXPECT_EQ(cups_->WaitForJobs(kDefaultQueue, 0, 0).size(), on_default);
}

// A stopped queue would hold the certificates unprinted and a refusing one would drop them:
// the run says so once, at its first certificate, and sends nothing.
TEST_F(CupsTest, AStoppedOrRefusingQueueIsReportedOnceAndGetsNothing) {
  const QString queue = kOtherQueue;
  const int before = static_cast<int>(cups_->WaitForJobs(queue, 0, 0).size());
  const QByteArray section = "Printer=" + queue.toUtf8() + "\n";
  const struct {
    const char* off;
    const char* on;
    QString message;
  } cases[] = {
      {"cupsdisable", "cupsenable", QStringLiteral("プリンタ「kvs-office」は停止しています。")},
      {"cupsreject", "cupsaccept",
       QStringLiteral("プリンタ「kvs-office」は印刷を受け付けていません。")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.off);
    Tool(QString::fromLatin1(c.off), queue);
    OutputSettings settings;
    settings.printer = queue;
    EXPECT_EQ(CheckOutputDestination(settings).problem, c.message);
    // Asked before anything is drawn, as from every window; no keeps the run from starting.
    w.dialogs.ExpectDefault(
        c.message + QStringLiteral("\r\r") + kPdfInsteadQuestion + QStringLiteral("\r（") +
            QDir::toNativeSeparators(w.folder() + QStringLiteral("/pdf")) + QStringLiteral("）"),
        MsgButtons::YesNo, MsgIcon::Exclamation, kPrintTitle, 2, Answer::No);
    EXPECT_EQ(PrintRun(section), RunOutcome::kNotStarted);
    EXPECT_TRUE(w.dialogs.AllShown());
    QString error;
    EXPECT_TRUE(cups_->Tool(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}, &error));
    Tool(QString::fromLatin1(c.on), queue);
  }
  // Nothing was queued to come out later either.
  QString error;
  EXPECT_EQ(cups_->WaitForJobs(queue, before + 1, 1000).size(), before);
  EXPECT_TRUE(CheckOutputDestination([&] {
                OutputSettings s;
                s.printer = queue;
                return s;
              }())
                  .problem.isEmpty());
}

// The log keeps each certificate's job and follows it to what the printing service says of it.
TEST_F(CupsTest, TheLogFollowsEachJobToItsEnd) {
  const int before = static_cast<int>(cups_->WaitForJobs(kOtherQueue, 0, 0).size());
  PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
  RunOptions opts;
  opts.output = [] { return std::make_unique<PrinterOutput>(kOtherQueue); };
  const LoggedMeet meet{QStringLiteral("Swim01.mdb"), QStringLiteral("テスト大会"),
                        QStringLiteral("2026/07/18")};
  opts.log = {PrintLogOpener(*w.layout_db), meet, false};
  PlainWarningLabel label;
  PrintRequest request;
  request.events = {w.Listed(1)};
  PrintRunContext context = w.Context();
  ASSERT_EQ(job.Run(opts, request, context, label).output, 3);
  ASSERT_EQ(cups_->WaitForJobs(kOtherQueue, before + 3, kJobTimeoutMs).size(), before + 3);

  PrintLog log(*w.layout_db);
  std::vector<PrintLogRow> rows = log.Rows(meet);
  ASSERT_EQ(rows.size(), 3u);
  std::set<int> jobs;
  for (const PrintLogRow& row : rows) {
    EXPECT_EQ(row.where, kOtherQueue);
    jobs.insert(row.job);
  }
  EXPECT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs.count(0), 0u);
  // The scheduler marks a job completed a moment after its backend ends.
  for (int wait = 0; wait < 100; ++wait) {
    FollowPrinterJobs(log, rows);
    if (std::all_of(rows.begin(), rows.end(),
                    [](const PrintLogRow& r) { return r.state == kLogCompleted; })) {
      break;
    }
    QThread::msleep(100);
  }
  for (const PrintLogRow& row : log.Rows(meet)) EXPECT_EQ(row.state, kLogCompleted);
}

// kvsys-print sends its run to the queue it names and says so; a stopped queue ends it before
// anything is sent.
TEST_F(CupsTest, TheHeadlessRunPrintsToTheQueueItNamesAndNothingToAStoppedOne) {
  const auto run = [&](const QString& printer, QString* said, QString* errors) {
    QTextStream out(said);
    QTextStream err(errors);
    return printtool::RunPrintCommand(
        {QStringLiteral("--program-folder"), w.folder(), QStringLiteral("--meet"), w.meet_path(),
         QStringLiteral("--events"), QStringLiteral("1"), QStringLiteral("--printer"), printer},
        out, err);
  };
  const int before = static_cast<int>(cups_->WaitForJobs(kOtherQueue, 0, 0).size());
  QString said;
  QString errors;
  ASSERT_EQ(run(kOtherQueue, &said, &errors), printtool::kExitOk) << errors.toStdString();
  EXPECT_TRUE(said.startsWith(QStringLiteral("出力先：プリンタ「kvs-office」\n")))
      << said.toStdString();
  EXPECT_EQ(cups_->WaitForJobs(kOtherQueue, before + 3, kJobTimeoutMs).size(), before + 3);

  Tool(QStringLiteral("cupsdisable"), kOtherQueue);
  said.clear();
  errors.clear();
  EXPECT_EQ(run(kOtherQueue, &said, &errors), printtool::kExitFailed);
  EXPECT_TRUE(errors.endsWith(QStringLiteral("プリンタ「kvs-office」は停止しています。\n")))
      << errors.toStdString();
  EXPECT_FALSE(said.contains(QStringLiteral("出力しました")));
  Tool(QStringLiteral("cupsenable"), kOtherQueue);
  EXPECT_EQ(cups_->WaitForJobs(kOtherQueue, before + 4, 1000).size(), before + 3);
}

// The queue's calibration moves and scales the whole page about the sheet's corner on the
// printer only: the same run to PDF keeps the layout's positions, and the dump records those
// positions with the calibration as a line of its own. Every output has the JIS B4 sheet.
TEST_F(CupsTest, ACalibratedQueueGetsThePageMovedAndScaledAndPdfFilesDoNot) {
  const auto run = [&](const QString& output, const QString& dump, QString* said = nullptr) {
    QString out_text;
    QString errors;
    QTextStream out(said ? said : &out_text);
    QTextStream err(&errors);
    const bool printer = !output.endsWith(QStringLiteral(".pdf"));
    const int code = printtool::RunPrintCommand(
        {QStringLiteral("--program-folder"), w.folder(), QStringLiteral("--meet"), w.meet_path(),
         QStringLiteral("--events"), QStringLiteral("1"), QStringLiteral("--dump"),
         w.folder() + u'/' + dump,
         printer ? QStringLiteral("--printer") : QStringLiteral("--pdf-file"),
         printer ? output : w.folder() + u'/' + output},
        out, err);
    EXPECT_EQ(code, printtool::kExitOk) << errors.toStdString();
  };
  // The sheet's word as each output shows it, in points from the top-left corner.
  const int before = static_cast<int>(cups_->WaitForJobs(kOtherQueue, 0, 0).size());
  run(QStringLiteral("plain.pdf"), QStringLiteral("plain.jsonl"));
  run(kOtherQueue, QStringLiteral("plain-printer.jsonl"));
  QFile f(w.folder() + QStringLiteral("/KVSYS.ini"));
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write("\n[Calibration:kvs-office]\nOffsetX=5.0\nOffsetY=-3.0\nScale=102.0\n");
  f.close();
  run(QStringLiteral("calibrated.pdf"), QStringLiteral("calibrated.jsonl"));
  QString said;
  run(kOtherQueue, QStringLiteral("printer.jsonl"), &said);
  EXPECT_TRUE(said.contains(QStringLiteral("位置合わせ：横 +5.0mm　縦 -3.0mm　倍率 102.0%")))
      << said.toStdString();
  const QStringList jobs = cups_->WaitForJobs(kOtherQueue, before + 6, kJobTimeoutMs);
  ASSERT_EQ(jobs.size(), before + 6) << cups_->LogTail().toStdString();

  const QString name = QStringLiteral("選手1");
  Poppler poppler;
  const QRectF plain_job = poppler.WordBox(jobs[before], name);
  const QRectF job = poppler.WordBox(jobs[before + 3], name);
  ASSERT_FALSE(plain_job.isEmpty());
  ASSERT_FALSE(job.isEmpty());
  const double mm = 72 / 25.4;
  EXPECT_NEAR(job.left(), 5.0 * mm + 1.02 * plain_job.left(), 0.3);
  EXPECT_NEAR(job.top(), -3.0 * mm + 1.02 * plain_job.top(), 0.3);
  EXPECT_NEAR(job.width(), 1.02 * plain_job.width(), 0.3);
  // PDF files keep the layout's positions, on the JIS B4 sheet.
  const QString calibrated = w.folder() + QStringLiteral("/calibrated.pdf");
  EXPECT_EQ(poppler.WordBox(calibrated, name),
            poppler.WordBox(w.folder() + QStringLiteral("/plain.pdf"), name));
  for (const PdfInfo& info : {ReadPdfInfo(calibrated), ReadPdfInfo(jobs[before + 3])}) {
    EXPECT_NEAR(Mm(info.width), 257, 1.5);
    EXPECT_NEAR(Mm(info.height), 364, 1.5);
  }

  const auto lines = [&](const QString& dump) {
    QFile file(w.folder() + u'/' + dump);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().split('\n');
  };
  QList<QByteArray> printed = lines(QStringLiteral("printer.jsonl"));
  ASSERT_FALSE(printed.isEmpty());
  EXPECT_EQ(printed.takeFirst(),
            QByteArray("{\"op\":\"calibration\",\"queue\":\"kvs-office\",\"offset_x_mm\":5,"
                       "\"offset_y_mm\":-3,\"scale_percent\":102}"));
  EXPECT_EQ(printed, lines(QStringLiteral("calibrated.jsonl")));
  EXPECT_EQ(printed, lines(QStringLiteral("plain.jsonl")));
}

// Last: with the scheduler gone, the message names the printing service, not a printer.
TEST_F(CupsTest, APrintingServiceThatDoesNotAnswerIsNamed) {
  cups_->Stop();
  const PrinterQueue queue = FindPrinterQueue(QString());
  EXPECT_EQ(queue.state, QueueState::kNoService);
  EXPECT_EQ(QueueProblemText(queue), QStringLiteral("印刷サービス（CUPS）に接続できません。"));
  EXPECT_EQ(FindPrinterQueue(kOtherQueue).state, QueueState::kNoService);
}

}  // namespace
}  // namespace kvsys::test
