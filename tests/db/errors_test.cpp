// Error numbers, texts and the tolerated-error list as callers use them.
#include <gtest/gtest.h>

#include "db/workspace.h"
#include "support/database_files.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

TEST(DbErrors, LockErrorsAreExactlyTheListedNumbers) {
  const std::vector<int> lock = {3006, 3008, 3022, 3027, 3028, 3043, 3045, 3158, 3164, 3167, 3186,
                                 3187, 3188, 3189, 3197, 3202, 3211, 3218, 3260, 3261, 3262, 3356};
  DbErrorState state;
  for (int n = 0; n < 4000; ++n) {
    const bool listed = std::find(lock.begin(), lock.end(), n) != lock.end();
    state.LastDbErrorText = QStringLiteral("old");
    EXPECT_EQ(IsDbLockError(n, state), listed) << n;
    if (listed) {
      EXPECT_EQ(state.LastDbErrorText, DbErrorText(n) + QStringLiteral("(%1)").arg(n));
      EXPECT_NE(DbErrorText(n), DbErrorText(1));  // each has a text of its own
    } else {
      EXPECT_TRUE(state.LastDbErrorText.isEmpty()) << n;
    }
  }
  // The error's own text is used when there is one.
  EXPECT_TRUE(IsDbLockError(DbError(3260, QStringLiteral("使用中")), state));
  EXPECT_EQ(state.LastDbErrorText, QStringLiteral("使用中(3260)"));
  EXPECT_FALSE(IsDbLockError(DbError(dberr::kFileNotFound), state));
  EXPECT_TRUE(state.LastDbErrorText.isEmpty());
}

TEST(DbErrors, EveryRaisedNumberHasAJapaneseText) {
  const int raised[] = {dberr::kEngineFailure,
                        dberr::kInvalidArgument,
                        dberr::kNoSuchIndex,
                        dberr::kNoCurrentIndex,
                        dberr::kNoEditPending,
                        dberr::kNoCurrentRecord,
                        dberr::kDuplicateKey,
                        dberr::kFileNotFound,
                        dberr::kReadOnly,
                        dberr::kResourceExceeded,
                        dberr::kDiskError,
                        dberr::kInvalidPath,
                        dberr::kFileInUse,
                        dberr::kUnknownColumn,
                        dberr::kSelectNotExecutable,
                        dberr::kUnknownNameInCriteria,
                        dberr::kSqlSyntax,
                        dberr::kCriteriaSyntax,
                        dberr::kNoSuchTable,
                        dberr::kAmbiguousColumn,
                        dberr::kTextAfterStatement,
                        dberr::kInvalidBookmark,
                        dberr::kFieldNotUpdatable,
                        dberr::kRowDeleted,
                        dberr::kRowChanged,
                        dberr::kDatabaseExists,
                        dberr::kInvalidOperation,
                        dberr::kNotSupportedHere,
                        dberr::kLocked,
                        dberr::kItemNotFound,
                        dberr::kNullNotAllowed,
                        dberr::kNotADatabase,
                        dberr::kNumericOverflow,
                        dberr::kObjectClosed,
                        dberr::kTypeConversion};
  const QString generic = DbErrorText(1);
  for (int n : raised) {
    const DbError e(n);
    EXPECT_NE(e.text(), generic) << n;
    EXPECT_TRUE(e.text().endsWith(QStringLiteral("。"))) << n;
    EXPECT_NE(std::string(e.what()).find(std::to_string(n)), std::string::npos);
  }
}

TEST(DbErrors, ToleratedErrorsSetTheHitFlag) {
  DbErrorState state;
  state.SetExpected({dberr::kDatabaseExclusive, dberr::kFileInUse});
  EXPECT_EQ(state.ExpectedErrors[0], 3006);
  EXPECT_EQ(state.ExpectedErrors[1], 3045);
  EXPECT_FALSE(state.Tolerate(DbError(dberr::kFileNotFound)));
  EXPECT_EQ(state.ExpectedErrorHit, 0);
  EXPECT_FALSE(state.Tolerate(0));  // empty slots never match
  EXPECT_TRUE(state.Tolerate(DbError(dberr::kFileInUse)));
  EXPECT_EQ(state.ExpectedErrorHit, 99);
  state.ClearExpected();
  EXPECT_EQ(state.ExpectedErrorHit, 0);
  EXPECT_FALSE(state.Tolerate(3045));
  state.SetExpected({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});  // at most ten
  EXPECT_EQ(state.ExpectedErrors[9], 10);
  EXPECT_FALSE(state.Tolerate(11));

  // The way a meet list uses it: a file another program holds is tolerated, not reported.
  TempFolder folder;
  const QString path = MakeMeetDb(folder);
  RawDb holder(path);
  ASSERT_EQ(holder.Exec(QStringLiteral("BEGIN EXCLUSIVE")), SQLITE_OK);
  Workspace ws;
  ws.SetBusyTimeoutMs(50);
  state.SetExpected({dberr::kDatabaseExclusive, dberr::kFileInUse});
  try {
    ws.OpenDatabase(path);
  } catch (const DbError& e) {
    if (!state.Tolerate(e)) throw;
  }
  EXPECT_EQ(state.ExpectedErrorHit, 99);
}

}  // namespace
}  // namespace kvsys::test
