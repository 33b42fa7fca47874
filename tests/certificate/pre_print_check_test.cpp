// The check before printing on meets built row by row: ties at the limit, entries still without
// a time, open entrants inside the limit, relay members without a name.
#include <gtest/gtest.h>

#include "certificate/pre_print_check.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

class PrePrintCheckTest : public ::testing::Test {
 protected:
  void Swimmers(int count) {
    for (int n = 1; n <= count; ++n) w.Swimmer(n, QStringLiteral("S%1").arg(n));
  }
  PrintRequest Request(std::initializer_list<int> events) {
    PrintRequest r;
    for (int e : events) r.events.push_back(w.Listed(e));
    return r;
  }
  // Collects as 印刷 does, then checks; the rows by event number.
  std::map<int, PrePrintCheckRow> Check(const PrintRequest& request) {
    const CollectResult collected = w.Collect(request);
    EXPECT_EQ(collected.outcome, CollectOutcome::kDone);
    w.recipients.RecipientCount = static_cast<int16_t>(collected.count);
    PrintRunContext context = w.Context();
    const std::optional<PrePrintCheck> check = CheckBeforePrinting(request, context, false);
    EXPECT_TRUE(check);
    std::map<int, PrePrintCheckRow> rows;
    if (!check) return rows;
    EXPECT_EQ(check->certificates, collected.count);
    for (const PrePrintCheckRow& row : check->rows) rows[row.event] = row;
    return rows;
  }

  PrintRunWorld w;
};

TEST_F(PrePrintCheckTest, ASwimmerTyingTheLastPlaceIsSaidAsOneMoreCertificate) {
  Swimmers(8);
  // Limit 3 (timed finals). Event 2 ties at 2: three certificates for three places, nothing to say.
  w.Event(1, 1, 1, 2, 2);
  w.Event(2, 2, 1, 2, 2);
  w.Result(1, 1, QStringLiteral("00:31.00"));
  w.Result(1, 2, QStringLiteral("00:32.00"));
  w.Result(1, 3, QStringLiteral("00:33.00"));
  w.Result(2, 5, QStringLiteral("00:35.00"));
  w.Result(2, 6, QStringLiteral("00:36.00"));
  w.Result(2, 7, QStringLiteral("00:36.00"));
  w.Result(2, 8, QStringLiteral("00:37.00"));
  std::map<int, PrePrintCheckRow> rows = Check(Request({1, 2}));
  EXPECT_EQ(rows[1].certificates, 3);
  EXPECT_TRUE(rows[1].ties.isEmpty());
  EXPECT_EQ(rows[2].certificates, 3);
  EXPECT_TRUE(rows[2].ties.isEmpty());

  w.Result(1, 4, QStringLiteral("00:33.00"));
  rows = Check(Request({1, 2}));
  EXPECT_EQ(rows[1].certificates, 4);
  EXPECT_EQ(rows[1].ties, QStringList{QStringLiteral("3位 2名")});
  EXPECT_TRUE(rows[2].ties.isEmpty());
  // The table's cell, as the operator reads it.
  PrePrintCheck check;
  check.rows.push_back(rows[1]);
  const QStringList lines = PrePrintCheckLines(check);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], PrePrintCheckHeaders().join(u'\t'));
  EXPECT_EQ(lines[1].split(u'\t').value(5), QStringLiteral("3位 2名"));
}

TEST_F(PrePrintCheckTest, PendingEntriesAndOpenEntrantsInsideTheLimitAreCountedPerEvent) {
  Swimmers(9);
  w.Event(1, 1, 1, 2, 2);
  w.Event(2, 2, 1, 2, 2);
  w.Result(1, 1, QStringLiteral("00:31.00"));
  w.Result(1, 2, QStringLiteral("00:32.00"));
  w.Result(1, 3, QStringLiteral("00:29.00"), 4);  // open, third by position: inside
  w.Result(1, 4, QStringLiteral("00:30.00"), 4);  // open, fourth: outside
  w.Result(1, 5, QString());                      // no time yet
  w.Result(1, 6, QString(), 1);                   // ruled out (another status)
  w.Meet(QStringLiteral(
      "INSERT INTO 記録マスター VALUES (1, 1, 9, 0, 7, NULL, 4, 0, 0, 0, 0, ''),"  // open, Null
                                                                                   // time
      "(2, 1, 1, 0, 8, NULL, 0, 0, 0, 0, 0, ''),"
      "(2, 1, 2, 0, 9, '00:40.00', 0, 0, 0, 0, 0, '')"));
  std::map<int, PrePrintCheckRow> rows = Check(Request({1, 2}));
  EXPECT_EQ(rows[1].certificates, 3);
  EXPECT_EQ(rows[1].open_inside, 1);
  EXPECT_EQ(rows[1].pending, 2);
  EXPECT_EQ(rows[2].certificates, 1);
  EXPECT_EQ(rows[2].open_inside, 0);
  EXPECT_EQ(rows[2].pending, 1);

  // Without open entrants an open entry without a time cannot change the ranks.
  PrintRequest regular = Request({1, 2});
  regular.exclude_open = true;
  rows = Check(regular);
  EXPECT_EQ(rows[1].open_inside, 0);
  EXPECT_EQ(rows[1].pending, 1);
  EXPECT_EQ(rows[2].pending, 1);
}

TEST_F(PrePrintCheckTest, ARelayTeamWithAMemberMissingIsFlagged) {
  w.Meet(QStringLiteral("INSERT INTO チームマスター VALUES (1, 'Ａ'), (2, 'Ｂ'), (3, 'Ｃ')"));
  for (int n = 1; n <= 11; ++n) w.Swimmer(n, QStringLiteral("泳者%1").arg(n));
  // A name holding "・" is not a missing member.
  w.Swimmer(12, QStringLiteral("ジョン・スミス"));
  w.Event(1, 1, 6, 4, 2);
  w.Meet(
      QStringLiteral("INSERT INTO 記録マスター VALUES "
                     "(1, 1, 1, 0, 1, '02:05.00', 0, 1, 2, 3, 4, ''),"
                     "(1, 1, 2, 0, 2, '02:06.00', 0, 5, 99, 7, 8, ''),"
                     "(1, 1, 3, 0, 3, '02:07.00', 0, 9, 10, 11, 12, '')"));
  std::map<int, PrePrintCheckRow> rows = Check(Request({1}));
  EXPECT_EQ(rows[1].certificates, 3);
  EXPECT_EQ(rows[1].relay_missing, 1);
}

// A new-record mark longer than the record's field prints cut: the check says which, once,
// with what is printed instead; a mark that fits is not mentioned.
TEST_F(PrePrintCheckTest, AMarkCutToItsFieldIsSaid) {
  Swimmers(3);
  w.Event(1, 1, 1, 2, 2);
  w.Result(1, 1, QStringLiteral("00:31.00"), 0, 0, 1, QStringLiteral("大会タイ"));
  w.Result(1, 2, QStringLiteral("00:32.00"), 0, 0, 1, QStringLiteral("大会タイ"));
  w.Result(1, 3, QStringLiteral("00:33.00"), 0, 0, 1, QStringLiteral("大会新"));
  const std::map<int, PrePrintCheckRow> rows = Check(Request({1}));
  EXPECT_EQ(
      rows.at(1).layout,
      QStringList{QStringLiteral("新記録マーク「大会タイ」は6バイトまで（「大会タ」と印刷）")});
}

}  // namespace
}  // namespace kvsys::test
