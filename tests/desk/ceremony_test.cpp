// The award ceremony: each event's recipients in calling order, and the announcer's sheet.
#include <gtest/gtest.h>

#include "certificate/run_log.h"
#include "desk/ceremony_sheet.h"
#include "desk/print_log.h"
#include "results/meet_settings.h"
#include "support/document_helpers.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

// The texts of the sheet in the order they were drawn.
QStringList SheetTexts(const PrintDocument& doc) {
  QStringList texts;
  for (const PrintPage& page : doc.pages) {
    for (const PageElement& e : page.elements) {
      if (const auto* run = std::get_if<TextRun>(&e)) texts << run->text;
    }
  }
  return texts;
}

// Limit 3 with a tie at the cut (two swimmers 3rd) and an open entrant who swam the cut's time
// (ranked among the regular rows, the open entrant shares their rank and so earns one):
// the open entrant is called after the ranked ones whichever way the calling goes, the tied
// swimmers together; the sheet marks what the log does not hold and counts it per event.
TEST(Ceremony, TiesAreCalledTogetherOpenEntrantsLastAndTheSheetSaysWhatIsNotPrinted) {
  PrintRunWorld w;
  w.Event(1, 1, 1, 2, 2);
  const QStringList names = {"一位", "二位", "三位甲", "三位乙"};
  const QStringList times = {"00:30.00", "00:31.00", "00:32.00", "00:32.00"};
  for (int i = 0; i < names.size(); ++i) {
    w.Swimmer(i + 1, names[i]);
    w.Result(1, i + 1, times[i]);
  }
  w.Swimmer(90, QStringLiteral("参加"));
  w.Result(1, 90, QStringLiteral("00:32.00"), 4);

  PrintRequest request;
  request.events = {w.Listed(1)};
  request.calling_order = true;
  PrintRunContext context = w.Context();
  ASSERT_FALSE(CollectForRun(request, context));
  EXPECT_EQ(w.Collected(w.recipients.RecipientCount),
            QStringList({"三位甲:３", "三位乙:３", "二位:２", "一位:１", "参加:OP"}));
  request.call_from = CallFrom::kFirst;
  ASSERT_FALSE(CollectForRun(request, context));
  EXPECT_EQ(w.Collected(w.recipients.RecipientCount),
            QStringList({"一位:１", "二位:２", "三位甲:３", "三位乙:３", "参加:OP"}));

  // The sheet orders the collection itself; only the first's certificate is printed.
  request.calling_order = false;
  ASSERT_FALSE(CollectForRun(request, context));
  const std::set<CertificateKey> printed = {KeyOf(w.recipients[1].Source)};
  const CeremonySheet sheet = ComposeCeremonySheet(
      w.recipients, {QStringLiteral("テスト大会"), CallFrom::kLast, QDateTime(), &printed});
  EXPECT_EQ(sheet.events, 1);
  EXPECT_EQ(sheet.recipients, 5);
  EXPECT_EQ(sheet.unprinted, 4);
  EXPECT_LT(sheet.doc.width, sheet.doc.height);  // A4 portrait
  const QStringList texts = SheetTexts(sheet.doc);
  QStringList called;
  for (const QString& t : texts) {
    if (names.contains(t) || t == QStringLiteral("参加")) called << t;
  }
  EXPECT_EQ(called, QStringList({"三位甲", "三位乙", "二位", "一位", "参加"}));
  EXPECT_EQ(texts.count(QStringLiteral("未")), 4);
  EXPECT_TRUE(
      texts.filter(QStringLiteral("第1競技")).first().endsWith(QStringLiteral("（未印刷 4枚）")));
  // The rank as printed: an open entrant is "OP", never a place.
  EXPECT_TRUE(texts.contains(QStringLiteral("OP")));
  EXPECT_EQ(texts.count(QStringLiteral("３位")), 2);
}

// The sheet goes out like a run (one A4 document to the run's output) and is remembered in the
// log: the next sheet can take the events printed since, whichever desk printed them.
TEST(Ceremony, TheNextSheetTakesTheEventsPrintedSinceTheLast) {
  PrintRunWorld w;
  for (int event = 1; event <= 2; ++event) {
    w.Event(event, 1, 1, 2, 2);
    w.Swimmer(event, QStringLiteral("S%1").arg(event));
    w.Result(event, event, QStringLiteral("00:30.00"));
  }
  const LoggedMeet meet =
      LoggedMeetOf(w.meet_path(), LoadMeetSettings(w.Results(), w.state, w.dialogs));
  RecordingOutput out;
  PrintJob job(w.dialogs, w.folder() + QStringLiteral("/KVSYS.ini"), w.folder());
  RunOptions run;
  run.output = [&out] { return std::make_unique<ForwardingOutput>(out); };
  run.log = {PrintLogOpener(*w.layout_db), meet, false};
  const auto print = [&](int event) {
    PrintRequest request;
    request.events = {w.Listed(event)};
    PrintRunContext context = w.Context();
    PlainWarningLabel label;
    return job.Run(run, request, context, label).output;
  };
  ASSERT_EQ(print(1), 1);
  EXPECT_EQ(EventsSinceLastSheet(*w.layout_db, meet), std::set<int>{1});

  PrintRequest both;
  both.events = {w.Listed(1), w.Listed(2)};
  PrintRunContext context = w.Context();
  out.written.clear();
  ASSERT_EQ(
      PrintCeremonySheet(job, run, both, context, QStringLiteral("テスト大会"), CallFrom::kLast)
          .outcome,
      RunOutcome::kPrinted);
  ASSERT_EQ(out.written.size(), 1u);
  EXPECT_LT(out.written[0].width, out.written[0].height);
  EXPECT_TRUE(EventsSinceLastSheet(*w.layout_db, meet).empty());
  ASSERT_EQ(print(2), 1);
  EXPECT_EQ(EventsSinceLastSheet(*w.layout_db, meet), std::set<int>{2});
}

}  // namespace
}  // namespace kvsys::test
