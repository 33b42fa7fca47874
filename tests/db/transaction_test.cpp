// Transactions over several writes, as the layout store uses them.
#include <gtest/gtest.h>

#include "db/recordset.h"
#include "support/database_files.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.File(QStringLiteral("t.db"));
    RawDb raw(path_, true);
    ASSERT_EQ(raw.Exec(QStringLiteral("CREATE TABLE t (k SMALLINT NOT NULL PRIMARY KEY, v TEXT)")),
              SQLITE_OK);
    db_ = ws_.OpenDatabase(path_);
  }
  void Add(int k, const QString& v) {
    auto rs = db_->OpenRecordset(QStringLiteral("select * from t"));
    rs->AddNew();
    rs->SetField(QStringLiteral("k"), k);
    rs->SetField(QStringLiteral("v"), v);
    rs->Update();
  }
  int Rows() {
    return db_->OpenRecordset(QStringLiteral("select * from t"), dbOpenSnapshot)->RecordCount();
  }

  TempFolder folder_;
  QString path_;
  Workspace ws_;
  std::shared_ptr<Database> db_;
};

TEST_F(TransactionTest, RecordsetWritesBelongToTheTransaction) {
  db_->BeginTrans();
  EXPECT_TRUE(db_->InTransaction());
  Add(1, QStringLiteral("a"));
  Add(2, QStringLiteral("b"));
  EXPECT_EQ(Rows(), 2);
  db_->Rollback();
  EXPECT_FALSE(db_->InTransaction());
  EXPECT_EQ(Rows(), 0);

  db_->BeginTrans();
  Add(1, QStringLiteral("a"));
  // A write that fails inside the transaction undoes only itself.
  EXPECT_EQ(ErrorOf([&] { Add(1, QStringLiteral("dup")); }), dberr::kDuplicateKey);
  Add(2, QStringLiteral("b"));
  db_->CommitTrans();
  auto other = ws_.OpenDatabase(path_);
  EXPECT_EQ(other->OpenRecordset(QStringLiteral("select * from t"))->RecordCount(), 2);
}

TEST_F(TransactionTest, MisuseAndLocks) {
  EXPECT_EQ(ErrorOf([&] { db_->CommitTrans(); }), dberr::kInvalidOperation);
  EXPECT_EQ(ErrorOf([&] { db_->Rollback(); }), dberr::kInvalidOperation);
  db_->BeginTrans();
  EXPECT_EQ(ErrorOf([&] { db_->BeginTrans(); }), dberr::kInvalidOperation);

  // The write lock is taken at once: a second workstation waits and gives up with 3260.
  auto other = ws_.OpenDatabase(path_);
  other->SetBusyTimeoutMs(50);
  EXPECT_EQ(ErrorOf([&] { other->BeginTrans(); }), dberr::kLocked);
  db_->Rollback();
  other->BeginTrans();
  other->CommitTrans();
}

// Reads that must agree (a run's layout from several tables): while they last, another
// workstation's save cannot be committed between them; it goes through once they end.
TEST_F(TransactionTest, AReadTransactionKeepsOtherWritersOutUntilItEnds) {
  Add(1, QStringLiteral("a"));
  auto other = ws_.OpenDatabase(path_);
  other->SetBusyTimeoutMs(50);
  {
    ReadTransaction snapshot(*db_);
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(ErrorOf([&] {
                other->ExecuteWithParams(QStringLiteral("INSERT INTO t VALUES (2, 'b')"), {},
                                         dbFailOnError);
              }),
              dberr::kLocked);
    EXPECT_EQ(Rows(), 1);  // the second read sees what the first saw
  }
  EXPECT_FALSE(db_->InTransaction());
  other->ExecuteWithParams(QStringLiteral("INSERT INTO t VALUES (2, 'b')"), {}, dbFailOnError);
  EXPECT_EQ(Rows(), 2);
}

}  // namespace
}  // namespace kvsys::test
