// Two workstations on one KVSYS.mdb, and a damaged KVSYS.mdb.
#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <set>

#include "db/recordset.h"
#include "support/layout_db_test.h"
#include "support/statement_hook.h"

namespace kvsys::test {
namespace {

const QString kOverwrite =
    QStringLiteral("他の端末がデータを変更しました。\rこのデータを上書き保存しますか？");
const QString kBusy = QStringLiteral("他の端末がデータを扱っているため処理しませんでした。");
const QString kNoData = QStringLiteral("データが存在しません。誤って消去された可能性があります。");

class LayoutConflictTest : public LayoutDbTest {
 protected:
  void SetUp() override {
    LayoutDbTest::SetUp();
    ASSERT_EQ(store().CreateLayout(1, QStringLiteral("共有"), 1, SampleSettings()), 1);
  }
  // This workstation's pending edit of the title of layout 1.
  std::unique_ptr<Recordset> PendingTitleEdit(const QString& title) {
    auto rs = db_->OpenRecordset(QStringLiteral("select * from KVS210 where savenumber=1"));
    rs->Edit();
    rs->SetField(QStringLiteral("FLDF"), title);
    return rs;
  }
  QString StoredTitle() {
    return raw().Scalar(QStringLiteral("SELECT FLDF FROM KVS210 WHERE SaveNumber = 1")).toString();
  }
};

TEST_F(LayoutConflictTest, ChangedRowIsOverwrittenOnlyWhenTheOperatorSaysYes) {
  auto other = OpenSecond();
  {
    auto mine = PendingTitleEdit(QStringLiteral("こちら"));
    other->Execute(QStringLiteral("UPDATE KVS210 SET FLDF = 'あちら', FLDG = '第9回'"));
    dialogs_.ExpectDefault(kOverwrite, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, 2,
                           Answer::No);
    EXPECT_EQ(store().UpdateRow(*mine), LayoutStore::Outcome::kStopped);
    EXPECT_EQ(mine->EditMode(), dbEditNone);
    EXPECT_EQ(StoredTitle(), QStringLiteral("あちら"));
  }
  {
    auto mine = PendingTitleEdit(QStringLiteral("こちら"));
    other->Execute(QStringLiteral("UPDATE KVS210 SET FLDF = 'また'"));
    dialogs_.ExpectDefault(kOverwrite, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, 2,
                           Answer::Yes);
    EXPECT_EQ(store().UpdateRow(*mine), LayoutStore::Outcome::kWritten);
    EXPECT_EQ(StoredTitle(), QStringLiteral("こちら"));
    // Only what this workstation changed is overwritten.
    EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT FLDG FROM KVS210")), QStringLiteral("第9回"));
  }
}

// The editor's save compares the stored row with what it read; another workstation saves
// right after that comparison: its save must not be overwritten without the question.
TEST_F(LayoutConflictTest, ASaveRightAfterTheOverwriteCheckIsNotOverwrittenUnasked) {
  StatementHook hook(path_);
  std::shared_ptr<Database> editor_db = workspace_.OpenDatabase(path_);
  ASSERT_TRUE(hook.Watching());
  LayoutStore editor(*editor_db, dialogs_, errors_);
  RawDb other(path_);
  bool compared = false;
  int other_result = -1;
  hook.on_statement = [&](const QString& sql) {
    // The read of the row compared; the other save comes at the next statement of the
    // program's own (a PRAGMA runs inside a statement that reads the table list).
    if (sql.startsWith(QStringLiteral("select"), Qt::CaseInsensitive) &&
        sql.contains(QStringLiteral("KVS210"), Qt::CaseInsensitive)) {
      compared = true;
    } else if (compared && other_result == -1 &&
               !sql.startsWith(QStringLiteral("PRAGMA"), Qt::CaseInsensitive)) {
      other_result = SaveWithoutWaiting(
          other.get(), QStringLiteral("UPDATE KVS210 SET FLDF = 'あちら' WHERE SaveNumber = 1"));
    }
  };
  LayoutSettings mine = SampleSettings();
  mine.title = QStringLiteral("こちら");
  EXPECT_TRUE(editor.ChangeSettings(1, mine, SampleSettings()));
  ASSERT_NE(other_result, -1);
  // Held off until this save was done, so nothing of it was lost: it is the other
  // workstation's to try again, and then it is asked.
  EXPECT_EQ(other_result, SQLITE_BUSY);
  EXPECT_EQ(StoredTitle(), QStringLiteral("こちら"));
  EXPECT_TRUE(dialogs_.shown().empty());
  EXPECT_FALSE(editor_db->InTransaction());

  // Once the comparison finds the other save, the question comes, and No keeps that save.
  hook.on_statement = nullptr;
  ASSERT_EQ(
      SaveWithoutWaiting(other.get(),
                         QStringLiteral("UPDATE KVS210 SET FLDF = 'あちら' WHERE SaveNumber = 1")),
      SQLITE_OK);
  dialogs_.ExpectDefault(kOverwrite, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, 2,
                         Answer::No);
  EXPECT_FALSE(editor.ChangeSettings(1, SampleSettings(), mine));
  EXPECT_EQ(StoredTitle(), QStringLiteral("あちら"));
  EXPECT_FALSE(editor_db->InTransaction());
}

TEST_F(LayoutConflictTest, RowDeletedMeanwhileIsSkippedAndNotReportedAsChanged) {
  auto other = OpenSecond();
  auto mine = PendingTitleEdit(QStringLiteral("こちら"));
  other->Execute(QStringLiteral("DELETE FROM KVS210"));
  EXPECT_EQ(store().UpdateRow(*mine), LayoutStore::Outcome::kSkipped);
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM KVS210")).toInt(), 0);
  EXPECT_TRUE(dialogs_.shown().empty());
}

TEST_F(LayoutConflictTest, DataHeldByAnotherWorkstationIsNotProcessed) {
  db_->SetBusyTimeoutMs(50);
  RawDb holder(path_);
  holder.Exec(QStringLiteral("BEGIN IMMEDIATE"));
  holder.Exec(QStringLiteral("UPDATE KVS210 SET FLDH = 'held'"));

  LayoutSettings changed = SampleSettings();
  changed.title = QStringLiteral("変えたい");
  dialogs_.Expect(kBusy, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  EXPECT_FALSE(store().ChangeSettings(1, changed));
  dialogs_.Expect(kBusy, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  EXPECT_EQ(store().CreateLayout(2, QStringLiteral("新"), 1, SampleSettings()), 0);
  dialogs_.Expect(kBusy, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  EXPECT_FALSE(store().DeleteLayout(1));
  dialogs_.Expect(kBusy, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  EXPECT_FALSE(store().DecideLayout(1));
  holder.Exec(QStringLiteral("ROLLBACK"));

  EXPECT_EQ(store().ReadSettings(1), SampleSettings());
  EXPECT_EQ(raw().Count(QStringLiteral("保存名"), 2), 0);
  EXPECT_EQ(raw().Count(QStringLiteral("保存名"), 1), 1);
  EXPECT_EQ(store().DecidedLayout(), 0);
  // Free again: the same operations go through.
  EXPECT_TRUE(store().ChangeSettings(1, changed));
  EXPECT_EQ(store().CreateLayout(2, QStringLiteral("新"), 1, SampleSettings()), 2);
}

TEST_F(LayoutConflictTest, OtherErrorsCarryTheirTextAndNumber) {
  // A sharing error: the database is open read-only on this workstation.
  Workspace ws;
  auto read_only = ws.OpenDatabase(path_, false, true);
  LayoutStore store_ro(*read_only, dialogs_, errors_);
  dialogs_.Expect(DbErrorText(dberr::kReadOnly) + QStringLiteral("(3027)"), MsgButtons::Ok,
                  MsgIcon::Exclamation, QStringLiteral("賞状印刷設定登録"));
  EXPECT_FALSE(store_ro.ChangeSettings(1, LayoutSettings()));
  EXPECT_EQ(errors_.LastDbErrorText, DbErrorText(dberr::kReadOnly) + QStringLiteral("(3027)"));

  // Anything else: number and text, critical.
  raw().Exec(QStringLiteral("DROP TABLE KVS210"));
  dialogs_.Expect(QStringLiteral("3078") + DbErrorText(dberr::kNoSuchTable), MsgButtons::Ok,
                  MsgIcon::Critical, QStringLiteral("賞状印刷設定登録"));
  EXPECT_FALSE(store().ChangeSettings(1, LayoutSettings()));
  EXPECT_TRUE(errors_.LastDbErrorText.isEmpty());
}

TEST_F(LayoutConflictTest, SameNumberChosenOnTwoWorkstations) {
  auto other_db = OpenSecond();
  ScriptedDialogs other_dialogs;
  DbErrorState other_errors;
  LayoutStore other(*other_db, other_dialogs, other_errors);

  const int mine = store().ChooseNewNumber();
  const int theirs = other.ChooseNewNumber();
  ASSERT_EQ(mine, 2);
  ASSERT_EQ(theirs, 2);
  EXPECT_EQ(store().CreateLayout(mine, QStringLiteral("こちら"), 1, SampleSettings()), 2);
  // The second one gets the next free number instead of overwriting the first.
  EXPECT_EQ(other.CreateLayout(theirs, QStringLiteral("あちら"), 1, SampleSettings()), 3);
  EXPECT_EQ(store().LayoutName(2), QStringLiteral("こちら"));
  EXPECT_EQ(store().LayoutName(3), QStringLiteral("あちら"));
  for (const char* t : {"保存名", "KVS210", "ShowOrNot", "フォント", "座標"}) {
    EXPECT_EQ(raw().Count(QString::fromUtf8(t), 2), 1) << t;
    EXPECT_EQ(raw().Count(QString::fromUtf8(t), 3), 1) << t;
  }
}

// Two workstations creating layouts as fast as they can: every layout gets its own number
// and all five rows.
TEST_F(LayoutConflictTest, CreatingAtTheSameMoment) {
  constexpr int kEach = 25;
  std::atomic<int> failures{0};
  auto worker = [&](const QString& prefix) {
    Workspace ws;
    auto db = ws.OpenDatabase(path_);
    ScriptedDialogs dialogs;
    DbErrorState errors;
    LayoutStore s(*db, dialogs, errors);
    for (int i = 0; i < kEach; ++i) {
      const int n = s.ChooseNewNumber();
      if (n == 0 || s.CreateLayout(n, prefix + QString::number(i), 1, SampleSettings()) == 0) {
        ++failures;
      }
    }
  };
  std::unique_ptr<QThread> a(QThread::create(worker, QStringLiteral("A")));
  std::unique_ptr<QThread> b(QThread::create(worker, QStringLiteral("B")));
  a->start();
  b->start();
  a->wait();
  b->wait();
  EXPECT_EQ(failures.load(), 0);

  const std::vector<SavedLayout> list = store().ListLayouts();
  ASSERT_EQ(list.size(), 1u + 2 * kEach);
  std::set<QString> names;
  for (size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].number, static_cast<int>(i) + 1);
    names.insert(list[i].name);
  }
  EXPECT_EQ(names.size(), list.size());
  for (const char* t : {"KVS210", "ShowOrNot", "フォント", "座標"}) {
    EXPECT_EQ(raw()
                  .Scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(QString::fromUtf8(t)))
                  .toInt(),
              static_cast<int>(list.size()))
        << t;
  }
}

TEST_F(LayoutConflictTest, DamagedDatabaseEndsWithAMessageAndWritesNothing) {
  // フォント without one of its columns: the create fails after two rows were written.
  raw().Exec(QStringLiteral("ALTER TABLE フォント DROP COLUMN 記録項目i"));
  dialogs_.Expect(QStringLiteral("3265") + DbErrorText(dberr::kItemNotFound), MsgButtons::Ok,
                  MsgIcon::Critical, QStringLiteral("賞状印刷設定登録"));
  EXPECT_EQ(store().CreateLayout(2, QStringLiteral("途中"), 1, SampleSettings()), 0);
  for (const char* t : {"保存名", "KVS210", "ShowOrNot", "フォント", "座標"}) {
    EXPECT_EQ(raw().Count(QString::fromUtf8(t), 2), 0) << t;
  }

  // Without ShowOrNot, deleting stops before anything is removed.
  raw().Exec(QStringLiteral("DROP TABLE ShowOrNot"));
  dialogs_.Expect(QStringLiteral("3078") + DbErrorText(dberr::kNoSuchTable), MsgButtons::Ok,
                  MsgIcon::Critical, QStringLiteral("賞状印刷設定登録"));
  EXPECT_FALSE(store().DeleteLayout(1));
  EXPECT_EQ(raw().Count(QStringLiteral("保存名"), 1), 1);
  EXPECT_EQ(raw().Count(QStringLiteral("KVS210"), 1), 1);

  raw().Exec(QStringLiteral("DROP TABLE 全体フォント"));
  dialogs_.Expect(QStringLiteral("3078") + DbErrorText(dberr::kNoSuchTable), MsgButtons::Ok,
                  MsgIcon::Critical, QStringLiteral("賞状印刷設定登録"));
  EXPECT_FALSE(store().DecideLayout(1));
  EXPECT_THROW(store().KeepOneDecisionRow(QStringLiteral("x")), DbError);
}

}  // namespace
}  // namespace kvsys::test
