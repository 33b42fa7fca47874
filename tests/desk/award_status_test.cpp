// The print list's status column read against the log, on meets built row by row.
#include <gtest/gtest.h>

#include "certificate/print_job.h"
#include "certificate/run_log.h"
#include "desk/award_changes.h"
#include "desk/award_status.h"
#include "desk/ceremony_sheet.h"
#include "desk/print_log.h"
#include "results/meet_settings.h"
#include "support/document_helpers.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

class AwardStatusTest : public ::testing::Test {
 protected:
  AwardStatusTest() {
    // Limit 3; the second finisher is an open entrant (ranked after the others).
    w.Event(1, 1, 1, 2, 2);
    for (int n = 1; n <= 5; ++n) {
      w.Swimmer(n, QStringLiteral("S%1").arg(n));
      w.Result(1, n, QStringLiteral("00:3%1.00").arg(n), n == 2 ? 4 : 0);
    }
    request.events = {w.Listed(1)};
    meet = LoggedMeetOf(w.meet_path(), LoadMeetSettings(w.Results(), w.state, w.dialogs));
    PrintLog made(*w.layout_db);  // its tables, for the test's own statement
  }
  // A run of the request as the print list makes it, logged.
  PrintJobResult Print() {
    RecordingOutput out;
    PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
    RunOptions run;
    run.output = [&out] { return std::make_unique<ForwardingOutput>(out); };
    run.log = {PrintLogOpener(*w.layout_db), meet, false};
    PrintRunContext context = w.Context();
    PlainWarningLabel label;
    return job.Run(run, request, context, label);
  }
  EventAwardStatus Status() {
    PrintRunContext context = w.Context();
    const std::optional<std::map<int, EventAwardStatus>> status =
        ReadAwardStatus(request, context, meet, false);
    EXPECT_TRUE(status);
    return status && status->count(1) ? status->at(1) : EventAwardStatus();
  }

  PrintRunWorld w;
  PrintRequest request;
  LoggedMeet meet;
};

// The status counts by the run's own rule, open entrants taken or left out: what a run
// printed is neither unprinted nor changed afterwards, and the rank choices (除外順位) leave
// the same certificates out of both.
TEST_F(AwardStatusTest, TheStatusRanksAsTheRunDid) {
  for (const bool open_excluded : {false, true}) {
    SCOPED_TRACE(open_excluded ? "open excluded" : "open ranked");
    w.layout_db->Execute(QStringLiteral("DELETE FROM 印刷履歴"));
    request.exclude_open = open_excluded;
    w.options.Open = open_excluded;
    request.skip_up_to = 1;
    EXPECT_EQ(Status().unprinted, 2);
    ASSERT_EQ(Print().output, 2);
    EventAwardStatus s = Status();
    EXPECT_EQ(s.printed, 2);
    EXPECT_EQ(s.unprinted, 0);
    EXPECT_EQ(s.changed, 0);
    request.skip_up_to = 0;
    s = Status();
    EXPECT_EQ(s.unprinted, 1);  // the winner, skipped before
    EXPECT_EQ(s.changed, 0);
  }
}

// A certificate handed over (授与済) whose rank then changes is to be taken back: the status says
// 「回収」 first and colours it, the comparison lists it first as 回収 with today's certificate,
// and printing that replacement ends the recall. The mark can be taken back, and a log written
// before handed-over marks existed gets their columns and keeps its rows.
TEST_F(AwardStatusTest, AHandedCertificateWhoseRankChangesIsRecalledUntilItsReplacementIsPrinted) {
  ASSERT_EQ(Print().outcome, RunOutcome::kPrinted);
  PrintRunContext context = w.Context();
  const std::optional<int> handed = MarkHandedOver(request, context, meet, true);
  ASSERT_TRUE(handed);
  EXPECT_EQ(*handed, w.recipients.RecipientCount);
  EXPECT_EQ(MarkHandedOver(request, context, meet, true), 0);  // marked once
  EXPECT_EQ(Status().handed, *handed);
  EXPECT_EQ(Status().recalls, 0);

  // S1 (first, 31.00) swims 33.50 after all: second now, and S3 (second) first.
  w.Meet(QStringLiteral("UPDATE 記録マスター SET ゴール = '00:33.50' WHERE 選手番号 = 1"));
  const EventAwardStatus after = Status();
  EXPECT_EQ(after.recalls, 2);
  EXPECT_TRUE(AwardStatusText(after).startsWith(QStringLiteral("回収 2")))
      << AwardStatusText(after).toStdString();
  PrintLog log(*w.layout_db);
  PrintRunContext compare = w.Context();
  const std::optional<std::vector<AwardComparison>> compared =
      CompareWithResults(log.LatestPerCertificate(meet), compare, false);
  ASSERT_TRUE(compared);
  const std::vector<AwardComparison> changed = ChangedOnly(*compared);
  ASSERT_EQ(changed.size(), 2u);
  for (const AwardComparison& c : changed) {
    EXPECT_EQ(ComparisonMark(c), QStringLiteral("回収"));
    EXPECT_TRUE(ComparisonLine(c).startsWith(QStringLiteral("回収\t")));
    // Today's certificate is the one to hand over in its place.
    EXPECT_EQ(c.today.RankText,
              c.logged.name == QStringLiteral("S1") ? QStringLiteral("２") : QStringLiteral("１"));
  }

  // Its replacement printed, nothing is to be taken back; the new certificates are not handed.
  ASSERT_EQ(Print().outcome, RunOutcome::kPrinted);
  EXPECT_EQ(Status().recalls, 0);
  EXPECT_EQ(Status().handed, 0);
  ASSERT_EQ(MarkHandedOver(request, context, meet, true), *handed);
  EXPECT_EQ(MarkHandedOver(request, context, meet, false), *handed);
  EXPECT_EQ(Status().handed, 0);

  // An older log: the columns come back empty, its rows stay and can be marked.
  const size_t rows = log.Rows(meet).size();
  w.layout_db->Execute(QStringLiteral("ALTER TABLE 印刷履歴 DROP COLUMN 授与端末"));
  w.layout_db->Execute(QStringLiteral("ALTER TABLE 印刷履歴 DROP COLUMN 授与"));
  PrintLog reopened(*w.layout_db);
  EXPECT_EQ(reopened.Rows(meet).size(), rows);
  EXPECT_EQ(MarkHandedOver(request, context, meet, true), *handed);
}

}  // namespace
}  // namespace kvsys::test
