// The print list below its window: the events of a day, the request its choices make, a run
// from them, and the rows whose certificates never came out.
#include <gtest/gtest.h>

#include <QDir>
#include <QObject>

#include "certificate/club_order.h"
#include "desk/print_list_session.h"
#include "results/meet_settings.h"
#include "support/desk_records.h"
#include "support/document_helpers.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

TEST(PrintListSession, TheChoicesMakeTheRunAndTheUnprintedRowsFollowTheLog) {
  PrintRunWorld w;
  w.Event(1, 1, 1, 2, 2);
  w.Event(2, 2, 1, 2, 2, 0, QStringLiteral("2026/07/19"));
  for (int n = 1; n <= 6; ++n) {
    w.Swimmer(n, QStringLiteral("S%1").arg(n));
    w.Result(n <= 3 ? 1 : 2, n, QStringLiteral("00:3%1.00").arg(n));
  }
  const MeetSettings meet = LoadMeetSettings(w.Results(), w.state, w.dialogs);
  QObject owner;
  PrintListSession s(ListRecords(w, meet, w.folder() + QStringLiteral("/x.ini"), {}, 1), w.dialogs,
                     &owner);
  RecordingOutput out;
  s.SetOutput([&out] { return std::make_unique<ForwardingOutput>(out); });
  ASSERT_TRUE(s.Activate());

  // 全日程, then one entry per day: the second day lists its own event only.
  const std::vector<DayEntry> days = s.Days();
  ASSERT_EQ(days.size(), 3u);
  EXPECT_EQ(s.ChooseDay(days[0]), 2);
  EXPECT_EQ(s.ChooseDay(days[2]), 1);
  EXPECT_EQ(s.EventsOfRows({0}).front().number, 2);

  PrintListChoices choices;
  choices.rows = {0};
  choices.rank_only = QStringLiteral("2");
  choices.skip_up_to = QStringLiteral("x");  // not a number: not used
  PrintRequest request = s.MakeRequest(choices);
  ASSERT_EQ(request.events.size(), 1u);
  EXPECT_EQ(request.events[0].number, 2);
  EXPECT_EQ(request.rank_only, 2);
  EXPECT_EQ(request.skip_up_to, 0);

  ASSERT_TRUE(s.RefreshStatus(choices));
  EXPECT_EQ(s.UnprintedRows(), std::vector<int>{0});
  PlainWarningLabel label;
  PrintRunObserver observer;
  EXPECT_EQ(s.Print(request, label, observer).output, 1);
  ASSERT_EQ(out.written.size(), 1u);
  EXPECT_EQ(out.written[0].name, CertificateName(1, w.recipients[1]));
  EXPECT_EQ(w.recipients[1].Name, QStringLiteral("S5"));

  // The status is of the choices on show: rank 2 alone has nothing left, every rank has
  // ranks 1 and 3; printed whole, the row has nothing left.
  ASSERT_TRUE(s.RefreshStatus(choices));
  EXPECT_TRUE(s.UnprintedRows().empty());
  choices.rank_only.clear();
  ASSERT_TRUE(s.RefreshStatus(choices));
  EXPECT_EQ(s.UnprintedRows(), std::vector<int>{0});
  w.dialogs.ExpectDefault(ReprintQuestion(1), MsgButtons::YesNoCancel, MsgIcon::Question,
                          kPrintTitle, 2, Answer::No);
  EXPECT_EQ(s.Print(s.MakeRequest(choices), label, observer).output, 2);
  ASSERT_TRUE(s.RefreshStatus(choices));
  EXPECT_TRUE(s.UnprintedRows().empty());
}

// 所属別にPDF: the run goes to PDF files whatever the workstation's target, one per club in
// the PDF folder, each a cover and the club's certificates.
TEST(PrintListSession, ByAffiliationWritesOneFilePerClubIntoThePdfFolder) {
  PrintRunWorld w;
  w.Event(1, 1, 1, 2, 2);
  for (int n = 1; n <= 3; ++n) {
    w.Swimmer(n, QStringLiteral("S%1").arg(n));
    w.Result(1, n, QStringLiteral("00:3%1.00").arg(n));
  }
  const MeetSettings meet = LoadMeetSettings(w.Results(), w.state, w.dialogs);
  QObject owner;
  PrintListSession s(ListRecords(w, meet, w.folder() + QStringLiteral("/x.ini"), {}, 1), w.dialogs,
                     &owner);
  ASSERT_TRUE(s.Activate());
  ASSERT_EQ(s.ChooseDay(s.Days().front()), 1);
  s.SetByAffiliation(true);
  EXPECT_TRUE(s.Destination(false).text.contains(QStringLiteral("所属別")));
  PrintListChoices choices;
  choices.rows = {0};
  PlainWarningLabel label;
  PrintRunObserver observer;
  const PrintJobResult result = s.Print(s.MakeRequest(choices), label, observer);
  ASSERT_EQ(result.outcome, RunOutcome::kPrinted) << result.error.toStdString();
  ASSERT_GT(result.output, 0);
  EXPECT_EQ(result.written.kind, OutputPlace::Kind::kPdfFolder);
  const QDir pdf(result.written.where);
  const QStringList files = pdf.entryList({QStringLiteral("*.pdf")}, QDir::Files);
  ASSERT_EQ(files.size(), result.output);
  Poppler poppler;
  for (int n = 1; n <= result.output; ++n) {
    const QString club = ClubOf(w.recipients[n]);
    ASSERT_FALSE(club.isEmpty());
    EXPECT_TRUE(files.contains(club + QStringLiteral(".pdf"))) << club.toStdString();
    EXPECT_EQ(poppler.Pages(pdf.filePath(club + QStringLiteral(".pdf"))), 2);
  }
}

}  // namespace
}  // namespace kvsys::test
