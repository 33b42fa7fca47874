// The print history: printed certificates against today's results, and reprints of chosen
// lines with today's results, logged like any run; the comparison itself.
#include <gtest/gtest.h>

#include <QStandardItemModel>

#include "desk/award_changes.h"
#include "desk/print_history.h"
#include "desk/print_log.h"
#include "results/meet_settings.h"
#include "support/desk_records.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

// The lines today's results change come first, coloured, and can be shown alone; a reprint
// takes the line the grid shows.
TEST(PrintHistory, ChangesSinceFirstAndAloneAndReprintsWithTodaysResults) {
  PrintRunWorld w;
  w.Event(1, 1, 1, 2, 2);
  w.Event(2, 2, 1, 2, 2);
  for (int n = 1; n <= 4; ++n) {
    w.Swimmer(n, QStringLiteral("S%1").arg(n));
    w.Result(1, n, QStringLiteral("00:3%1.00").arg(n));
  }
  w.Swimmer(5, QStringLiteral("S5"));
  w.Result(2, 5, QStringLiteral("00:40.00"));
  const MeetSettings meet = LoadMeetSettings(w.Results(), w.state, w.dialogs);
  RecordingOutput out;
  {
    PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
    RunOptions opts;
    opts.output = [&out] { return std::make_unique<ForwardingOutput>(out); };
    opts.log = {PrintLogOpener(*w.layout_db), LoggedMeetOf(w.meet_path(), meet), false};
    PrintRequest request;
    request.events = {w.Listed(2), w.Listed(1)};
    PrintRunContext context = w.Context();
    PlainWarningLabel label;
    ASSERT_EQ(job.Run(opts, request, context, label).output, 4);
  }
  // A correction: S4 was fastest, the others move down, S3 out of the limit.
  w.Meet(QStringLiteral("UPDATE 記録マスター SET ゴール = '00:30.00' WHERE 選手番号 = 4"));

  QObject owner;
  PrintHistorySession history(ListRecords(w, meet, w.folder() + QStringLiteral("/KVSYS.ini")),
                              w.dialogs, &owner);
  ASSERT_TRUE(history.Load());
  // The mark, the name and the times, and "*" for a coloured line.
  const auto lines = [&history] {
    QStringList shown;
    for (int row = 0; row < history.Model()->rowCount(); ++row) {
      const QModelIndex mark = history.Model()->index(row, 0);
      shown << mark.data().toString() + u' ' + history.Model()->index(row, 5).data().toString() +
                   u' ' + history.Model()->index(row, 8).data().toString() +
                   (mark.data(Qt::BackgroundRole).isValid() ? QStringLiteral(" *") : QString());
    }
    return shown;
  };
  EXPECT_EQ(history.Model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("変化"));
  EXPECT_EQ(lines(),
            (QStringList{QStringLiteral("圏内 S4 0 *"), QStringLiteral("変更：順位 １→２ S1 1 *"),
                         QStringLiteral("変更：順位 ２→３ S2 1 *"), QStringLiteral("圏外 S3 1 *"),
                         QStringLiteral(" S5 1")}));
  EXPECT_EQ(history.ChangedCount(), 4);
  history.SetChangedOnly(true);
  EXPECT_EQ(lines().size(), 4);
  EXPECT_FALSE(lines().join(u',').contains(QStringLiteral("S5")));

  // Every line shown, twice: the one now outside the limit is left out and said so.
  history.SetOutput([&out] { return std::make_unique<ForwardingOutput>(out); });
  w.dialogs.Expect(QStringLiteral("今の結果では順位の範囲外になった 1 件は印刷しません。"),
                   MsgButtons::Ok, MsgIcon::Information, kPrintHistoryTitle);
  out.written.clear();
  PlainWarningLabel label;
  PrintRunObserver observer;
  EXPECT_EQ(history.Reprint({0, 1, 2, 3}, 2, label, observer).output, 6);
  ASSERT_EQ(out.written.size(), 6u);
  EXPECT_TRUE(out.written[0].name.contains(QStringLiteral("１位_S4")));
  ASSERT_TRUE(history.Load());
  EXPECT_EQ(history.ChangedCount(), 1);  // S3 stays outside
  // Still only the changed line: the filter holds through a reload.
  EXPECT_EQ(lines(), QStringList{QStringLiteral("圏外 S3 1 *")});
  history.SetChangedOnly(false);
  EXPECT_EQ(lines().first(), QStringLiteral("圏外 S3 1 *"));
  EXPECT_TRUE(lines().contains(QStringLiteral(" S4 2")));

  // Handed over before the correction, S3's certificate is to be taken back: first, as 回収. All
  // of an event is marked from one of its lines; a mark is taken back.
  EXPECT_EQ(history.MarkHanded({0}, true, false), 1);
  EXPECT_EQ(lines().first(), QStringLiteral("回収 S3 1 *"));
  const int s5 = static_cast<int>(lines().indexOf(QStringLiteral(" S5 1")));
  ASSERT_GE(s5, 0);
  EXPECT_EQ(history.MarkHanded({s5}, true, true), 1);
  EXPECT_EQ(history.MarkHanded({0}, true, true), 3);  // event 1: S1, S2, S4 (S3 is marked)
  EXPECT_EQ(history.MarkHanded({0}, false, false), 1);
  EXPECT_EQ(lines().first(), QStringLiteral("圏外 S3 1 *"));
}

// Each certificate is compared the way it was printed: class-wise ranks against class-wise
// ranks (an overall comparison would call every class's winner changed), and today's
// certificates handed in give what a fresh collection gives.
TEST(CompareWithResults, EachCertificateAgainstTheWayItWasPrinted) {
  PrintRunWorld w;
  w.Meet(QStringLiteral("UPDATE 大会設定 SET クラス分け = -1"));
  w.Meet(QStringLiteral("INSERT INTO クラス VALUES (1, '小学生'), (2, '中学生')"));
  w.Event(1, 1, 1, 2, 2, 1);
  for (int n = 1; n <= 5; ++n) {
    w.Swimmer(n, QStringLiteral("S%1").arg(n));
    w.Result(1, n, QStringLiteral("00:3%1.00").arg(n), 0, n <= 3 ? 1 : 2);
  }
  const MeetSettings meet = LoadMeetSettings(w.Results(), w.state, w.dialogs);
  const LoggedMeet logged = LoggedMeetOf(w.meet_path(), meet);
  PrintRequest request;
  request.events = {w.Listed(1)};
  request.class_wise = true;
  {
    RecordingOutput out;
    PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
    RunOptions opts;
    opts.output = [&out] { return std::make_unique<ForwardingOutput>(out); };
    opts.log = {PrintLogOpener(*w.layout_db), logged, false};
    PrintRunContext context = w.Context();
    PlainWarningLabel label;
    ASSERT_EQ(job.Run(opts, request, context, label).output, 5);
  }
  const auto compare = [&](const KnownResults& known) {
    PrintRunContext context = w.Context();
    const auto all = CompareWithResults(PrintLog(*w.layout_db).Rows(logged), context, true, known);
    std::map<QString, QString> marks;
    if (all) {
      for (const AwardComparison& c : *all) {
        marks[c.logged.name] = (ChangeMark(c.change) + u' ' + c.what).trimmed();
      }
    }
    return marks;
  };
  EXPECT_EQ(compare({}), (std::map<QString, QString>{{QStringLiteral("S1"), QString()},
                                                     {QStringLiteral("S2"), QString()},
                                                     {QStringLiteral("S3"), QString()},
                                                     {QStringLiteral("S4"), QString()},
                                                     {QStringLiteral("S5"), QString()}}));

  // S5 now wins class 2; class 1 stands.
  w.Meet(QStringLiteral("UPDATE 記録マスター SET ゴール = '00:29.00' WHERE 選手番号 = 5"));
  const std::map<QString, QString> fresh = compare({});
  EXPECT_EQ(fresh.at(QStringLiteral("S1")), QString());
  EXPECT_EQ(fresh.at(QStringLiteral("S4")), QStringLiteral("変更 順位 １→２"));
  EXPECT_TRUE(fresh.at(QStringLiteral("S5")).startsWith(QStringLiteral("変更 順位 ２→１")))
      << fresh.at(QStringLiteral("S5")).toStdString();
  PrintRunContext context = w.Context();
  const CollectResult today = CollectRecipients(request, context);
  ASSERT_EQ(today.outcome, CollectOutcome::kDone);
  auto table = std::make_unique<RecipientTable>(w.recipients);
  EXPECT_EQ(compare({&request, table.get(), today.count}), fresh);
}

}  // namespace
}  // namespace kvsys::test
