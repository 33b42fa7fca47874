// The print history: printed certificates against today's results, and reprints of chosen
// lines with today's results, logged like any run.
#include <gtest/gtest.h>

#include <QStandardItemModel>

#include "certificate/print_history.h"
#include "results/meet_settings.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

TEST(PrintHistory, ChangesSinceAndReprintsWithTodaysResults) {
  PrintRunWorld w;
  w.Event(1, 1, 1, 2, 2);
  for (int n = 1; n <= 4; ++n) {
    w.Swimmer(n, QStringLiteral("S%1").arg(n));
    w.Result(1, n, QStringLiteral("00:3%1.00").arg(n));
  }
  const MeetSettings meet = LoadMeetSettings(w.Results(), w.state, w.dialogs);
  RecordingOutput out;
  {
    PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
    RunOptions opts;
    opts.output = [&out] { return std::make_unique<ForwardingOutput>(out); };
    opts.log = {&*w.layout_db, LoggedMeetOf(w.meet_path(), meet), false};
    PrintRequest request;
    request.events = {w.Listed(1)};
    PrintRunContext context = w.Context();
    PlainWarningLabel label;
    ASSERT_EQ(job.Run(opts, request, context, label).output, 3);
  }
  // A correction: S4 was fastest, the others move down, S3 out of the limit.
  w.Meet(QStringLiteral("UPDATE 記録マスター SET ゴール = '00:30.00' WHERE 選手番号 = 4"));

  QObject owner;
  PrintHistorySession history(PrintListRecords{w.state,
                                               w.layout_db,
                                               w.results_db,
                                               w.options,
                                               meet,
                                               w.layout,
                                               w.recipients,
                                               w.folder() + QStringLiteral("/KVSYS.ini"),
                                               w.folder(),
                                               {}},
                              w.dialogs, &owner);
  ASSERT_TRUE(history.Load());
  QStringList lines;
  for (int row = 0; row < history.Model()->rowCount(); ++row) {
    lines << history.Model()->index(row, 4).data().toString() + u' ' +
                 history.Model()->index(row, 7).data().toString() + u' ' +
                 history.Model()->index(row, 11).data().toString();
  }
  EXPECT_EQ(lines,
            (QStringList{QStringLiteral("S4 0 圏内"), QStringLiteral("S1 1 変更：順位 １→２"),
                         QStringLiteral("S2 1 変更：順位 ２→３"), QStringLiteral("S3 1 圏外")}));
  EXPECT_EQ(history.ChangedCount(), 4);

  // Every line twice: the one now outside the limit is left out and said so.
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
  EXPECT_EQ(history.Model()->index(0, 7).data().toString(), QStringLiteral("2"));
}

}  // namespace
}  // namespace kvsys::test
