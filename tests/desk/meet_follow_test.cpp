// Following a meet nobody watches: it never asks, keeps what failed for the next look, counts an
// entry without a status as still to come, and sees a write that keeps the file's size and time.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include "desk/meet_follow.h"
#include "results/meet_settings.h"
#include "support/print_run_world.h"
#include "support/temp_folder.h"

namespace kvsys::test {
namespace {

// The watch is due at once, when the file is written in place, when it is written anew under
// its name (a rename over it, which a file system watcher loses), soon after a look that found
// it settling, and every interval; not otherwise.
TEST(MeetFileWatch, DueWhenTheFileChangesOrTheIntervalPasses) {
  TempFolder folder;
  const QString path = folder.File(QStringLiteral("Swim01.mdb"));
  const auto write = [](const QString& to, const QByteArray& data) {
    QFile f(to);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
  };
  write(path, "a");
  MeetFileWatch watch(60000);
  QSignalSpy due(&watch, &MeetFileWatch::Due);
  watch.Watch(path);
  EXPECT_EQ(due.count(), 1);
  EXPECT_FALSE(due.wait(300));

  write(path, "b");
  EXPECT_TRUE(due.wait(2000));
  const QString fresh = folder.File(QStringLiteral("fresh"));
  write(fresh, "c");
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(QFile::rename(fresh, path));
  EXPECT_TRUE(due.wait(2000));
  QTest::qWait(200);
  // Still watched after the rename: a write in place is seen.
  write(path, "d");
  EXPECT_TRUE(due.wait(2000));

  const int settled = due.count();
  watch.LookSoon();
  EXPECT_TRUE(due.wait(static_cast<int>(FileChangeWatch::kSettleMs) + 500));
  EXPECT_EQ(due.count(), settled + 1);

  MeetFileWatch quick(100);
  QSignalSpy ticks(&quick, &MeetFileWatch::Due);
  quick.Watch(QString());
  QTest::qWait(450);
  EXPECT_GE(ticks.count(), 4);
}

// What is complete at the first look is no news; an event is new once, when it becomes
// complete; one whose result is taken back is new again when it is complete again; an event
// without entries is never complete.
TEST(CompletionWatch, EachEventIsNewOnceEachTimeItBecomesComplete) {
  CompletionWatch watch;
  const EventProgress done{3, 0, 0};
  const EventProgress waiting{3, 1, 0};
  EXPECT_TRUE(watch.Look({{1, done}, {2, waiting}, {3, EventProgress{}}}).empty());
  EXPECT_TRUE(watch.Started());
  EXPECT_EQ(watch.Look({{1, done}, {2, done}, {3, EventProgress{}}}), std::vector<int>{2});
  EXPECT_TRUE(watch.Look({{1, done}, {2, done}}).empty());
  EXPECT_TRUE(watch.Look({{1, waiting}, {2, done}}).empty());
  EXPECT_EQ(watch.Look({{1, done}, {2, done}, {4, done}}), (std::vector<int>{1, 4}));
}

TEST(FileChangeWatch, AWriteInPlaceIsSeenAndReadOnlyOnceItHeldStill) {
  TempFolder folder;
  const QString path = folder.File(QStringLiteral("meet.db"));
  const auto write = [&path](const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(bytes);
  };
  write("results 1");
  qint64 now = 0;
  FileChangeWatch watch(path, [&now] { return now; });
  ASSERT_EQ(watch.Look(), FileChangeWatch::Seen::kChanged);  // the first look reads at once
  watch.Read();
  EXPECT_EQ(watch.Look(), FileChangeWatch::Seen::kSame);

  // The same size and the same time (a clock of 2 s steps): only the content tells.
  const QDateTime stamp = QFileInfo(path).lastModified();
  now += 1000;
  write("results 2");
  QFile touched(path);
  ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
  ASSERT_TRUE(touched.setFileTime(stamp, QFileDevice::FileModificationTime));
  touched.close();
  EXPECT_EQ(watch.Look(), FileChangeWatch::Seen::kSettling);
  // Written again while settling: it must hold still from the last write.
  now += FileChangeWatch::kSettleMs - 100;
  write("results 3");
  EXPECT_EQ(watch.Look(), FileChangeWatch::Seen::kSettling);
  now += FileChangeWatch::kSettleMs - 100;
  EXPECT_EQ(watch.Look(), FileChangeWatch::Seen::kSettling);
  now += 200;
  EXPECT_EQ(watch.Look(), FileChangeWatch::Seen::kChanged);
  watch.Read();
  now += 100;
  EXPECT_EQ(watch.Look(), FileChangeWatch::Seen::kSame);
}

class MeetFollowTest : public ::testing::Test {
 protected:
  MeetFollowTest() {
    w.SetLimits(0, 3, 3, 3);  // heats earn nothing
    // 1 heats, 6 a swim-off: both earn nothing. 2 and 3 timed finals.
    w.Event(1, 1, 1, 2, 1);
    w.Event(2, 1, 1, 2, 2);
    w.Event(3, 2, 1, 2, 2);
    w.Event(6, 1, 1, 2, 6);
    for (int n = 1; n <= 10; ++n) w.Swimmer(n, QStringLiteral("S%1").arg(n));
    w.Result(1, 1, QStringLiteral("00:30.00"));
    w.Result(1, 2, QString());
    w.Result(6, 3, QStringLiteral("00:30.00"));
    w.Result(6, 4, QString());
    for (int n = 5; n <= 7; ++n) w.Result(2, n, QStringLiteral("00:3%1.00").arg(n - 5));
    w.Result(2, 8, QString());
    // No time and no status filled in yet: still to come, not a swimmer ruled out.
    w.Meet(QStringLiteral("UPDATE 記録マスター SET 事由入力ステータス = NULL WHERE 選手番号 = 8"));
    w.Result(3, 9, QStringLiteral("00:30.00"));
    w.Result(3, 10, QStringLiteral("00:31.00"));
    for (const int e : {1, 2, 3, 6}) base.events.push_back(w.Listed(e));
  }

  void Follow(int hold_minutes = 0) {
    follower = std::make_unique<MeetFollower>(
        w.meet_path(),
        LoggedMeetOf(w.meet_path(), LoadMeetSettings(w.Results(), w.state, w.dialogs)), false,
        FollowPrinting{w.folder() + QStringLiteral("/KVSYS.ini"),
                       w.folder(),
                       [this] { return std::make_unique<ForwardingOutput>(out); },
                       hold_minutes,
                       {}},
        [this] { return now; });
  }

  // A look once the meet file held still.
  FollowLook Look() {
    const auto context = [this] { return w.Context(); };
    PlainWarningLabel label;
    FollowLook look = follower->Look(base, context, true, label);
    for (int i = 0; i < 3 && look.settling; ++i) {
      now += FileChangeWatch::kSettleMs;
      look = follower->Look(base, context, true, label);
    }
    return look;
  }

  PrintRunWorld w;
  PrintRequest base;
  RecordingOutput out;
  qint64 now = 0;
  std::unique_ptr<MeetFollower> follower;
};

// The dialogs of the context are scripted with no box expected: any box would fail the test.
TEST_F(MeetFollowTest, EventsThatEarnNothingAndAFailedRunNeverStopIt) {
  Follow();
  FollowLook look = Look();
  EXPECT_TRUE(look.read);
  // Complete already when following began: left to the operator, not printed.
  EXPECT_EQ(look.left_unprinted, (std::map<int, int>{{3, 2}}));

  w.Meet(QStringLiteral("UPDATE 記録マスター SET ゴール = '00:31.00' WHERE 選手番号 IN (2, 4)"));
  look = Look();
  EXPECT_EQ(look.newly, (std::vector<int>{1, 6}));  // 2 waits for its entry with no status
  ASSERT_EQ(look.printed.size(), 2) << look.printed.join(u'\n').toStdString();
  EXPECT_TRUE(look.printed[0].endsWith(QStringLiteral("競技番号 1 男子50m自由形 予選：賞状なし")))
      << look.printed[0].toStdString();
  EXPECT_TRUE(look.printed[1].contains(QStringLiteral("競技番号 6 ")));
  EXPECT_TRUE(out.written.empty());
  EXPECT_TRUE(follower->Queued().empty());

  // Event 2 completes while its swimmers cannot be read: it stays queued, said once.
  w.Meet(QStringLiteral("ALTER TABLE 選手マスター RENAME TO 選手控え"));
  w.Meet(QStringLiteral(
      "UPDATE 記録マスター SET ゴール = '00:33.00', 事由入力ステータス = 0 WHERE 選手番号 = 8"));
  look = Look();
  EXPECT_EQ(look.newly, (std::vector<int>{2}));
  ASSERT_EQ(look.printed.size(), 1);
  EXPECT_TRUE(look.printed[0].contains(QStringLiteral("競技番号 2 ")));
  EXPECT_TRUE(look.printed[0].endsWith(QStringLiteral("（次の確認でもう一度印刷します）")))
      << look.printed[0].toStdString();
  EXPECT_EQ(follower->Queued(), (std::vector<int>{2}));
  now += 3000;
  look = Look();  // the file did not change: tried again, not said again
  EXPECT_FALSE(look.read);
  EXPECT_TRUE(look.printed.isEmpty());
  EXPECT_TRUE(out.written.empty());

  w.Meet(QStringLiteral("ALTER TABLE 選手控え RENAME TO 選手マスター"));
  look = Look();
  ASSERT_EQ(look.printed.size(), 1);
  EXPECT_TRUE(look.printed[0].endsWith(QStringLiteral("競技番号 2 男子50m自由形 タイム決勝：3 枚")))
      << look.printed[0].toStdString();
  EXPECT_EQ(out.written.size(), 3u);
  EXPECT_TRUE(follower->Queued().empty());
}

// The protest period: printed only once its results held still that long.
TEST_F(MeetFollowTest, AnEventWaitsOutItsHoldAndAChangeStartsItAgain) {
  Follow(1);
  Look();
  w.Meet(QStringLiteral(
      "UPDATE 記録マスター SET ゴール = '00:33.00', 事由入力ステータス = 0 WHERE 選手番号 = 8"));
  FollowLook look = Look();
  ASSERT_EQ(look.printed.size(), 1);
  EXPECT_TRUE(look.printed[0].endsWith(QStringLiteral("結果がそろいました。1 分後に印刷します")))
      << look.printed[0].toStdString();
  now += 40000;
  w.Meet(QStringLiteral("UPDATE 記録マスター SET ゴール = '00:29.00' WHERE 選手番号 = 7"));
  look = Look();
  ASSERT_EQ(look.printed.size(), 1);
  EXPECT_TRUE(look.printed[0].contains(QStringLiteral("結果が変わりました。")));
  now += 40000;  // 80 s after it completed, 40 s after the change
  look = Look();
  EXPECT_TRUE(out.written.empty());
  EXPECT_EQ(follower->Holding().size(), 1u);
  now += 21000;
  look = Look();
  ASSERT_EQ(out.written.size(), 3u);
  EXPECT_TRUE(follower->Queued().empty() && follower->Holding().empty());
}

}  // namespace
}  // namespace kvsys::test
