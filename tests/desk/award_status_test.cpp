// The print list's status column read against the log, on meets built row by row.
#include <gtest/gtest.h>

#include "certificate/print_job.h"
#include "certificate/run_log.h"
#include "desk/award_status.h"
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

}  // namespace
}  // namespace kvsys::test
