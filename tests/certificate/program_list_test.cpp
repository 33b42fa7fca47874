// The print list's days and its event list in KVS40.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "certificate/program_list.h"
#include "support/print_run_world.h"

namespace kvsys::test {
namespace {

TEST(MeetDays, AllDaysThenOneEntryPerDay) {
  const std::vector<DayEntry> days =
      MeetDayEntries(QStringLiteral("2026/07/30"), QStringLiteral("2026/8/1"));
  ASSERT_EQ(days.size(), 4u);
  EXPECT_EQ(days[0].text, QStringLiteral("全日程"));
  EXPECT_EQ(days[0].data, 0);
  EXPECT_EQ(days[1].text, QStringLiteral("1日目   2026/07/30"));
  EXPECT_EQ(days[3].text, QStringLiteral("3日目   2026/08/01"));
  EXPECT_EQ(days[3].data, 3);
  EXPECT_EQ(MeetDayEntries(QStringLiteral("2026/07/18"), QStringLiteral("2026/07/18")).size(), 2u);
  // The first day after the last, or no date at all: no day to offer.
  EXPECT_TRUE(MeetDayEntries(QStringLiteral("2026/07/19"), QStringLiteral("2026/07/18")).empty());
  EXPECT_TRUE(MeetDayEntries(QStringLiteral("          "), QStringLiteral("2026/07/18")).empty());

  EXPECT_EQ(
      DayFilter(days[0], QStringLiteral("2026/07/30"), QStringLiteral("2026/08/01")),
      QStringLiteral("WHERE プログラム.日付>='2026/07/30' and プログラム.日付<='2026/08/01'"));
  EXPECT_EQ(DayFilter(days[2], QString(), QString()),
            QStringLiteral("WHERE プログラム.日付='2026/07/31'"));
  // A quote in a stored date cannot end the literal.
  EXPECT_EQ(DayFilter(days[0], QStringLiteral("x' or '1'='1"), QStringLiteral("y")),
            QStringLiteral("WHERE プログラム.日付>='x'' or ''1''=''1' and プログラム.日付<='y'"));
}

class EventListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w.Event(0, 1, 1, 1, 1);
    w.Event(2, 2, 6, 4, 1, 0, QStringLiteral("2026/07/19"));
    w.Event(1, 1, 1, 2, 2);
    w.Event(3, 3, 7, 8, 4, 0, QStringLiteral("2026/07/19"));
  }
  int16_t Rebuild(const QString& filter, bool classes = false) {
    return SUB_ProgGridSet(w.Results(), *w.layout_db, classes, w.state, w.dialogs, filter);
  }
  PrintRunWorld w;
};

TEST_F(EventListTest, EventsOfTheDayInNumberOrderWithoutEventZero) {
  const QString all =
      QStringLiteral("WHERE プログラム.日付>='2026/07/18' and プログラム.日付<='2026/07/19'");
  ASSERT_EQ(Rebuild(all), 3);
  std::vector<ProgramEvent> list = ReadEventList(*w.layout_db);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], (ProgramEvent{1, QStringLiteral("男子"), QStringLiteral("自由形　　　　"),
                                   QStringLiteral("  50m"), QString(), QStringLiteral("1"),
                                   QStringLiteral("タイム決勝")}));
  EXPECT_EQ(list[1].stroke, QStringLiteral("リレー　　　　"));
  EXPECT_EQ(list[1].stage, QStringLiteral("予選　　　"));
  EXPECT_EQ(list[2].distance, QStringLiteral(" 300m"));
  EXPECT_EQ(list[2].stage, QStringLiteral("Ａ決勝　　"));

  ASSERT_EQ(Rebuild(QStringLiteral("WHERE プログラム.日付='2026/07/18'")), 1);
  list = ReadEventList(*w.layout_db);
  ASSERT_EQ(list.size(), 1u);  // emptied before it is filled
  EXPECT_EQ(list[0].number, 1);
  EXPECT_EQ(Rebuild(QStringLiteral("WHERE プログラム.日付='2026/07/20'")), 0);
  EXPECT_TRUE(ReadEventList(*w.layout_db).empty());
}

TEST_F(EventListTest, ErrorsAreReportedAndLeaveNoHalfList) {
  ASSERT_EQ(Rebuild(QString()), 3);
  // The layout database held by another workstation: nothing is written, nothing stays.
  w.workspace.SetBusyTimeoutMs(50);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(w.layout_db->Name().toUtf8().constData(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  w.dialogs.Expect(QStringLiteral("他の端末がデータを扱っているため処理しませんでした。"),
                   MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  EXPECT_EQ(Rebuild(QString()), 0);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(ReadEventList(*w.layout_db).size(), 3u);  // the list before stays whole

  // A programme that cannot be read.
  w.Meet(QStringLiteral("DROP TABLE プログラム"));
  w.results_db.reset();
  QString text;
  try {
    w.Results().OpenRecordset(ProgrammeQuery(false, QString()));
  } catch (const DbError& e) {
    text = e.text();
  }
  ASSERT_FALSE(text.isEmpty());
  w.dialogs.Expect(text, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  EXPECT_EQ(Rebuild(QString()), 0);
  EXPECT_TRUE(ReadEventList(*w.layout_db).empty());
}

}  // namespace
}  // namespace kvsys::test
