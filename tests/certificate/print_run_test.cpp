// The print run on meets built row by row: ranks and ties, limits by stage, skipped ranks,
// classes, relays, open entrants, affiliation names, the table's cap, cancel and the messages.
#include <gtest/gtest.h>

#include <QDir>
#include <functional>

#include "certificate/affiliation.h"
#include "certificate/print_run.h"
#include "certificate/recipient_selection.h"
#include "samplemeet/sample_meet.h"
#include "support/document_helpers.h"
#include "support/fixture.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

// Asks to cancel at the n-th question (1-based) and counts the questions.
class CancelAt : public PrintRunObserver {
 public:
  explicit CancelAt(int n) : n_(n) {}
  bool CancelRequested() override { return ++asked == n_; }
  void Collected(int count) override { last_count = count; }
  int asked = 0;
  int last_count = 0;

 private:
  int n_;
};

class PrintRunTest : public ::testing::Test {
 protected:
  // Event n, timed final of men's 50 m freestyle unless told otherwise, with one swimmer per
  // time given, named S<number>.
  void TimedFinal(int event, const QStringList& times, int stage = 2) {
    w.Event(event, 1, 1, 2, stage);
    for (const QString& t : times) {
      const int number = ++swimmer_;
      w.Swimmer(number, QStringLiteral("S%1").arg(number));
      w.Result(event, number, t);
    }
  }
  PrintRequest Request(std::initializer_list<int> events) {
    PrintRequest r;
    for (int e : events) r.events.push_back(w.Listed(e));
    return r;
  }

  PrintRunWorld w;
  int swimmer_ = 0;
};

TEST_F(PrintRunTest, TiesShareARankAndTheNextTakesItsPosition) {
  TimedFinal(1, {"00:33.00", "00:31.00", "00:30.00", "00:31.00", "00:32.00"});
  // Limit 3: both swimmers tied at 2 print, the 4th does not.
  CollectResult got = w.Collect(Request({1}));
  EXPECT_EQ(got.outcome, CollectOutcome::kDone);
  EXPECT_EQ(w.Collected(got.count), QStringList({"S3:１", "S2:２", "S4:２"}));
  w.SetLimits(3, 4, 3, 3);
  got = w.Collect(Request({1}));
  EXPECT_EQ(w.Collected(got.count), QStringList({"S3:１", "S2:２", "S4:２", "S5:４"}));
  EXPECT_EQ(w.recipients[4].EventName, QStringLiteral("男子50m自由形"));
  EXPECT_EQ(w.recipients[4].RecordText, QStringLiteral("32秒00"));
}

TEST_F(PrintRunTest, EachStageTakesItsOwnLimitAndOtherStagesPrintNothing) {
  const QStringList five{"00:30.00", "00:31.00", "00:32.00", "00:33.00", "00:34.00"};
  // Stage codes 1 heats, 2 timed final, 3 B final, 4 A final, 5 final, 6 swim-off.
  for (int stage = 1; stage <= 6; ++stage) TimedFinal(stage, five, stage);
  w.SetLimits(1, 2, 3, 4);
  int expected[] = {0, 1, 2, 4, 3, 3, 0};
  for (int stage = 1; stage <= 6; ++stage) {
    EXPECT_EQ(w.Collect(Request({stage})).count, expected[stage]) << "stage " << stage;
  }
  EXPECT_EQ(w.Collect(Request({1, 2, 3, 4, 5, 6})).count, 13);
  // A limit set to 0 prints nothing of that stage.
  w.SetLimits(0, 2, 3, 4);
  EXPECT_EQ(w.Collect(Request({1})).count, 0);
}

TEST_F(PrintRunTest, SkippedRanksStillCountTheirPositions) {
  TimedFinal(1, {"00:30.00", "00:31.00", "00:31.00", "00:32.00", "00:33.00", "00:34.00"});
  w.SetLimits(3, 5, 3, 3);
  PrintRequest r = Request({1});
  r.skip_up_to = 3;
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S4:４", "S5:５"}));
  r.skip_up_to = 2;
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S4:４", "S5:５"}));
  r.skip_up_to = 1;
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S2:２", "S3:２", "S4:４", "S5:５"}));
  r.skip_up_to = 0;
  r.rank_only = 2;
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S2:２", "S3:２"}));
  r.rank_only = 5;
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S5:５"}));
  r.rank_only = 6;  // beyond the limit
  EXPECT_EQ(w.Collect(r).count, 0);
}

TEST_F(PrintRunTest, ClassWiseRanksRestartInEveryClass) {
  w.Meet(QStringLiteral("UPDATE 大会設定 SET クラス分け = -1"));
  w.Meet(QStringLiteral("INSERT INTO クラス VALUES (1, '小学生'), (2, '中学生　')"));
  w.Event(1, 1, 1, 2, 2, 1);
  const struct {
    int klass;
    const char* time;
  } rows[] = {{2, "00:29.00"}, {1, "00:31.00"}, {1, "00:30.00"},
              {2, "00:32.00"}, {1, "00:33.00"}, {2, "00:28.00"}};
  for (const auto& row : rows) {
    const int number = ++swimmer_;
    w.Swimmer(number, QStringLiteral("S%1").arg(number));
    w.Result(1, number, QString::fromLatin1(row.time), 0, row.klass);
  }
  w.SetLimits(3, 2, 3, 3);
  PrintRequest r;
  r.events = ReadProgramme(w.Results(), true, QString());
  ASSERT_EQ(r.events.size(), 1u);
  r.class_wise = true;
  const CollectResult all = w.Collect(r);
  EXPECT_EQ(w.Collected(all.count), QStringList({"S3:１", "S2:２", "S6:１", "S1:２"}));
  EXPECT_EQ(w.recipients[1].ClassName, QStringLiteral("小学生"));
  EXPECT_EQ(w.recipients[4].ClassName, QStringLiteral("中学生"));  // trimmed

  r.class_no = 2;
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S6:１", "S1:２"}));
  // Without class-wise the event's class from the grid, ranks over every class.
  r.class_wise = false;
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S6:１", "S1:２"}));
  EXPECT_EQ(w.recipients[1].ClassName, QStringLiteral("小学生"));
}

TEST_F(PrintRunTest, RelayTeamWithItsMembersJoined) {
  w.Meet(QStringLiteral("INSERT INTO チームマスター VALUES (1, '市民ＳＣ Ａ'), (2, 'ＡＢＣ水泳')"));
  for (int n = 1; n <= 8; ++n) w.Swimmer(n, QStringLiteral(" 泳者%1 ").arg(n));
  w.Event(1, 1, 6, 4, 2);
  // Leg 2 of team 2 names a swimmer the meet does not have.
  w.Meet(
      QStringLiteral("INSERT INTO 記録マスター VALUES "
                     "(1, 1, 4, 0, 1, '02:05.33', 0, 1, 2, 3, 4, ''),"
                     "(1, 1, 5, 0, 2, '02:03.10', 0, 5, 99, 7, 8, '大会新記録')"));
  const CollectResult got = w.Collect(Request({1}));
  ASSERT_EQ(got.count, 2);
  EXPECT_EQ(w.recipients[1].Name, QStringLiteral("ＡＢＣ水泳"));
  EXPECT_EQ(w.recipients[1].Affiliation, QStringLiteral("泳者5・・泳者7・泳者8"));
  EXPECT_EQ(w.recipients[1].RecordText, QStringLiteral("02分03秒10  大会新"));
  EXPECT_EQ(w.recipients[2].Affiliation, QStringLiteral("泳者1・泳者2・泳者3・泳者4"));
  EXPECT_EQ(w.recipients[2].EventName, QStringLiteral("男子200mリレー"));
}

TEST_F(PrintRunTest, OpenEntrantsFollowTheRegularRowsWithinTheLimit) {
  TimedFinal(1, {"00:31.00", "00:32.00"});
  w.Swimmer(3, QStringLiteral("S3"));
  w.Swimmer(90, QStringLiteral("OPEN"));
  w.Result(1, 90, QStringLiteral("00:29.00"), 4);
  w.Result(1, 3, QStringLiteral("00:35.00"), 1);  // another status is never read
  PrintRequest r = Request({1});
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S1:１", "S2:２", "OPEN:OP"}));
  w.SetLimits(3, 2, 3, 3);  // its position (3) is past the limit
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S1:１", "S2:２"}));
  w.SetLimits(3, 3, 3, 3);
  r.exclude_open = true;
  EXPECT_EQ(w.Collected(w.Collect(r).count), QStringList({"S1:１", "S2:２"}));
}

TEST(GoalTime, FormatsAsPrinted) {
  EXPECT_EQ(FormatGoalTime(QStringLiteral("01:02.34")), QStringLiteral("01分02秒34"));
  EXPECT_EQ(FormatGoalTime(QStringLiteral("00:58.12")), QStringLiteral("58秒12"));
  EXPECT_EQ(FormatGoalTime(QStringLiteral(" 0:58.1#")), QStringLiteral("58秒10"));
  EXPECT_EQ(FormatGoalTime(QStringLiteral("15:59.99")), QStringLiteral("15分59秒99"));
  EXPECT_EQ(FormatGoalTime(QStringLiteral("0:58.12")), QString());  // 7 bytes
  EXPECT_EQ(FormatGoalTime(QStringLiteral("        ")), QString());
  EXPECT_EQ(MakeRecordText(QStringLiteral("00:58.12"), QStringLiteral("日本新記録")),
            QStringLiteral("58秒12  日本新"));
  EXPECT_EQ(MakeRecordText(QStringLiteral("00:58.12"), QStringLiteral("NR")),
            QStringLiteral("58秒12  NR    "));
  EXPECT_EQ(MakeRecordText(QStringLiteral("00:58.12"), QStringLiteral("  ")),
            QStringLiteral("58秒12"));
  EXPECT_EQ(MakeRankText(12, false), QStringLiteral("１２"));
  EXPECT_EQ(MakeRankText(12, true), QStringLiteral("OP"));
}

TEST(Affiliation, ColumnByPrintOptionMainAffiliationAndMeetSetting) {
  const QString one = QStringLiteral("所属名称１");
  const QString two = QStringLiteral("所属名称２");
  const QString three = QStringLiteral("所属名称３");
  const struct {
    int main, prn, meet;
    QString want;
  } cases[] = {
      {1, 4, 3, one},   {2, 4, 1, two},   {3, 4, 1, three},  // the swimmer's own
      {4, 4, 3, three}, {4, 4, 1, one},   {4, 4, 0, {}},     // the meet's setting
      {4, 4, 4, {}},    {1, 2, 1, two},   {3, 2, 1, two},    // PrnShozNo 2 for all
      {4, 1, 2, one},   {2, 3, 0, three}, {4, 2, 0, {}},     // ... that have a column
      {0, 4, 1, {}},    {5, 1, 1, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AffiliationColumn(c.main, c.prn, c.meet), c.want)
        << "主所属 " << c.main << " PrnShozNo " << c.prn << " 選手使用所属 " << c.meet;
  }
}

TEST_F(PrintRunTest, AffiliationNameFromTheSwimmersRow) {
  w.Event(1, 1, 1, 2, 2);
  w.Swimmer(1, QStringLiteral("甲"), 2);
  w.Swimmer(2, QStringLiteral("乙"), 4);
  w.Result(1, 1, QStringLiteral("00:30.00"));
  w.Result(1, 2, QStringLiteral("00:31.00"));
  w.affiliation = 3;
  w.Collect(Request({1}));
  EXPECT_EQ(w.recipients[1].Affiliation, QStringLiteral("甲の学校"));
  EXPECT_EQ(w.recipients[2].Affiliation, QStringLiteral("乙の県"));
}

TEST_F(PrintRunTest, MessagesOfARunThatPrintsNothing) {
  TimedFinal(1, {"00:30.00"});
  TimedFinal(2, {"00:30.00"}, 6);
  RecordingOutput out;
  w.dialogs.Expect(kNoSelectionMessage, MsgButtons::Ok, MsgIcon::Information, kNoSelectionTitle);
  EXPECT_EQ(w.Run(PrintRequest{}, out).outcome, RunOutcome::kNoSelection);
  w.dialogs.Expect(kNothingToPrintMessage, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  EXPECT_EQ(w.Run(Request({2}), out).outcome, RunOutcome::kNothingToPrint);

  // A decided layout without print settings gives no certificates, and no limit of an
  // earlier run is kept for it.
  EXPECT_EQ(w.Collect(Request({1})).count, 1);
  w.layout_db->Execute(QStringLiteral("DELETE FROM KVS210"), dbFailOnError);
  w.dialogs.Expect(kNoSettingsMessage, MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
  EXPECT_EQ(w.Run(Request({1}), out).outcome, RunOutcome::kNothingToPrint);
  EXPECT_EQ(w.recipients.RecipientCount, 0);
  w.layout_db->Execute(QStringLiteral("UPDATE 全体フォント SET 決定 = 0"), dbFailOnError);
  w.dialogs.Expect(kNoDecisionMessage, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  EXPECT_EQ(w.Run(Request({1}), out).outcome, RunOutcome::kNothingToPrint);
}

TEST_F(PrintRunTest, DatabaseErrorWhileCollectingPrintsNothingOfTheRun) {
  TimedFinal(1, {"00:30.00", "00:31.00"});
  PrintRequest r = Request({1});
  w.Meet(QStringLiteral("DROP TABLE 選手マスター"));
  w.results_db.reset();
  QString text;
  try {
    w.Results().OpenRecordset(ResultsQuery(1, false, {}), dbOpenSnapshot);
  } catch (const DbError& e) {
    text = e.text();
  }
  ASSERT_FALSE(text.isEmpty());
  RecordingOutput out;
  w.dialogs.Expect(text, MsgButtons::Ok, MsgIcon::Critical, kPrintTitle);
  EXPECT_EQ(w.Run(r, out).outcome, RunOutcome::kFailed);
  EXPECT_TRUE(out.written.empty());
  EXPECT_EQ(w.recipients.RecipientCount, 0);
}

TEST_F(PrintRunTest, CancelIsAskedOncePerRecipientAndKeepsWhatWasPrinted) {
  TimedFinal(1, {"00:30.00", "00:31.00", "00:32.00"});
  TimedFinal(2, {"00:30.00", "00:31.00", "00:32.00"});
  RecordingOutput out;

  // Six recipients are collected (six questions), the third certificate is cancelled.
  CancelAt printing(6 + 3);
  w.observer = &printing;
  w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  const PrintJobResult stopped = w.Run(Request({1, 2}), out);
  EXPECT_EQ(stopped.outcome, RunOutcome::kCancelled);
  EXPECT_EQ(out.written.size(), 2u);
  EXPECT_EQ(w.recipients.RecipientCount, 6);
  // What came out is kept (the output is finished) and the run goes on from the third.
  EXPECT_EQ(out.finished, 1);
  EXPECT_EQ(stopped.output, 2);
  EXPECT_EQ(stopped.next, 3);

  out.written.clear();
  CancelAt collecting(4);
  w.observer = &collecting;
  w.dialogs.Expect(kCancelledMessage, MsgButtons::Ok, MsgIcon::Information, kCancelledTitle);
  EXPECT_EQ(w.Run(Request({1, 2}), out).outcome, RunOutcome::kCancelled);
  EXPECT_EQ(collecting.last_count, 4);
  EXPECT_TRUE(out.written.empty());

  // Uncancelled: one document per recipient, in order.
  CancelAt never(0);
  w.observer = &never;
  EXPECT_EQ(w.Run(Request({2, 1}), out).outcome, RunOutcome::kPrinted);
  ASSERT_EQ(out.written.size(), 6u);
  EXPECT_EQ(never.asked, 12);
  EXPECT_EQ(w.recipients.CurrentRecipient, 6);
}

TEST_F(PrintRunTest, AnOutputThatFailsEndsTheRunWithAMessage) {
  TimedFinal(1, {"00:30.00", "00:31.00", "00:32.00"});
  RecordingOutput out;
  out.write_ok = false;
  w.dialogs.Expect(QStringLiteral("1枚目の賞状を出力できませんでした。\r書けません"),
                   MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
  const PrintJobResult failed = w.Run(Request({1}), out);
  EXPECT_EQ(failed.outcome, RunOutcome::kFailed);
  EXPECT_EQ(failed.next, 1);
  EXPECT_EQ(out.finished, 0);  // nothing came out: nothing to keep
}

TEST_F(PrintRunTest, TheTableHoldsAtMost9999) {
  samplemeet::MeetSpec spec = samplemeet::PresetMeets(QStringLiteral("large")).front();
  QString error;
  const QString path = samplemeet::WriteSampleMeet(
      w.folder() + QStringLiteral("/large"), samplemeet::FolderLayout::Ver50, spec, false, &error);
  ASSERT_FALSE(path.isEmpty()) << error.toStdString();
  w.results_db = w.workspace.OpenDatabase(path, false, true);
  w.SetLimits(99, 99, 99, 99);
  PrintRequest r;
  r.events = ReadProgramme(w.Results(), true, QString());
  CancelAt never(0);
  w.observer = &never;
  // Past the 9999th the rest are counted and the first of them named: the operator is told
  // how many were left out and where a run of the rest starts.
  const CollectResult counted = w.Collect(r);
  ASSERT_EQ(counted.outcome, CollectOutcome::kFull);
  EXPECT_GT(counted.LeftOut(), 0);
  EXPECT_EQ(never.last_count, counted.count);
  EXPECT_TRUE(counted.first_left_out.contains(QStringLiteral("位")) ||
              counted.first_left_out.contains(QStringLiteral("OP")))
      << counted.first_left_out.toStdString();
  PrintRunContext c = w.Context();
  w.dialogs.Expect(TableFullMessage(counted), MsgButtons::Ok, MsgIcon::None, kAppTitle);
  CollectResult collected;
  EXPECT_FALSE(CollectForRun(r, c, &collected).has_value());
  EXPECT_EQ(collected.outcome, CollectOutcome::kFull);
  EXPECT_EQ(w.recipients.RecipientCount, 9999);
  EXPECT_FALSE(w.recipients[9999].Name.isEmpty());
  EXPECT_FALSE(w.recipients[9999].RankText.isEmpty());
}

// The small Jet meet of the fixtures, from the real file to the documents.
TEST(PrintRunJet, Swim01PrintedEndToEnd) {
  PrintRunWorld w;
  w.results_db = w.workspace.OpenDatabase(FixturePath(QStringLiteral("Swim01.mdb")));
  w.affiliation = 2;
  PrintRequest r;
  r.events = ReadProgramme(
      w.Results(), true,
      DayFilter({kAllDaysItem, 0}, QStringLiteral("2026/07/18"), QStringLiteral("2026/07/19")));
  ASSERT_EQ(r.events.size(), 7u);  // event 0 is not listed
  RecordingOutput out;
  ASSERT_EQ(w.Run(r, out).outcome, RunOutcome::kPrinted);
  // Event 1: 00:29.98, 00:30.10, 00:31.25 twice (limit 3: both print), the open entrant at
  // position 5 does not; event 7 is a swim-off and prints nothing.
  const int count = w.recipients.RecipientCount;
  ASSERT_EQ(static_cast<int>(out.written.size()), count);
  EXPECT_EQ(w.Collected(4),
            QStringList({"高橋 翔:１", "佐藤 健:２", "山田 太郎:３", "鈴木 一郎:３"}));
  EXPECT_EQ(w.recipients[2].RecordText, QStringLiteral("30秒10  大会新"));
  EXPECT_EQ(w.recipients[1].Affiliation, QStringLiteral("西中学校"));  // 主所属 4, meet 2
  EXPECT_EQ(w.recipients[1].ClassName, QStringLiteral("小学生"));
  bool relay_seen = false;
  for (int i = 1; i <= count; ++i) {
    if (w.recipients[i].EventName == QStringLiteral("混合200mメドレーリレー")) {
      relay_seen = true;
      EXPECT_EQ(w.recipients[i].Affiliation.count(QStringLiteral("・")), 3);
    }
    EXPECT_NE(w.recipients[i].EventName, QStringLiteral("男子100m背泳ぎ"));  // the swim-off
  }
  EXPECT_TRUE(relay_seen);
}

}  // namespace
}  // namespace kvsys::test
