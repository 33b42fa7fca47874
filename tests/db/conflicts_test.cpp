// Two workstations on one file: optimistic edits, busy files, keys and range checks.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <future>
#include <thread>

#include "db/workspace.h"
#include "support/database_files.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

class Conflicts : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = MakeLayoutDb(folder_);
    mine_.SetBusyTimeoutMs(200);
    theirs_.SetBusyTimeoutMs(200);
    db1_ = mine_.OpenDatabase(path_);
    db2_ = theirs_.OpenDatabase(path_);
  }
  QVariant Stored(const QString& sql) {
    auto rs = db2_->OpenRecordset(sql, dbOpenSnapshot);
    return rs->Eof() ? QVariant() : rs->Field(0);
  }
  TempFolder folder_;
  QString path_;
  Workspace mine_;
  Workspace theirs_;
  std::shared_ptr<Database> db1_;
  std::shared_ptr<Database> db2_;
};

TEST_F(Conflicts, RowChangedMeanwhileAndTheOverwriteThatFollows) {
  auto rs = db1_->OpenRecordset(QStringLiteral("select * from KVS210 where savenumber=1"));
  rs->Edit();
  rs->SetField(QStringLiteral("FLDG"), QStringLiteral("第46回"));
  db2_->Execute(QStringLiteral("UPDATE KVS210 SET FLDF = '表彰状' WHERE SaveNumber = 1"));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), dberr::kRowChanged);
  EXPECT_EQ(Stored(QStringLiteral("select FLDG from KVS210 where SaveNumber = 1")).toString(),
            QStringLiteral("第45回"));
  // The edit stays pending over the row as it now stands; Update again overwrites.
  EXPECT_EQ(rs->EditMode(), dbEditInProgress);
  EXPECT_EQ(rs->Field(QStringLiteral("FLDF")).toString(), QStringLiteral("表彰状"));
  rs->Update();
  EXPECT_EQ(Stored(QStringLiteral("select FLDG from KVS210 where SaveNumber = 1")).toString(),
            QStringLiteral("第46回"));
  EXPECT_EQ(Stored(QStringLiteral("select FLDF from KVS210 where SaveNumber = 1")).toString(),
            QStringLiteral("表彰状"));
  // A write that changes nothing of theirs but finds their change still raises: the row is
  // not what this workstation read.
  rs->Edit();
  rs->SetField(QStringLiteral("FLDB"), 5);
  db2_->Execute(QStringLiteral("UPDATE KVS210 SET FLDN = 9 WHERE SaveNumber = 1"));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), dberr::kRowChanged);
  rs->CancelUpdate();
  EXPECT_EQ(Stored(QStringLiteral("select FLDB from KVS210 where SaveNumber = 1")), QVariant(3));
}

TEST_F(Conflicts, RowDeletedMeanwhile) {
  auto rs = db1_->OpenRecordset(QStringLiteral("select * from フォント where SaveNumber=2"));
  rs->Edit();
  rs->SetField(QStringLiteral("タイトルS"), 50);
  db2_->Execute(QStringLiteral("DELETE FROM フォント WHERE SaveNumber = 2"));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), dberr::kRowDeleted);
  EXPECT_EQ(rs->EditMode(), dbEditNone);
  EXPECT_EQ(rs->RecordCount(), 0);
  EXPECT_EQ(Stored(QStringLiteral("select count(*) from フォント")), QVariant(1));

  auto names = db1_->OpenRecordset(QStringLiteral("select * from 保存名 where savenumber=2"));
  db2_->Execute(QStringLiteral("DELETE FROM 保存名 WHERE SaveNumber = 2"));
  EXPECT_EQ(ErrorOf([&] { names->Delete(); }), dberr::kRowDeleted);

  auto shows = db1_->OpenRecordset(QStringLiteral("select * from ShowOrNot where savenumber=1"));
  db2_->Execute(QStringLiteral("UPDATE ShowOrNot SET 氏名 = 0 WHERE savenumber = 1"));
  EXPECT_EQ(ErrorOf([&] { shows->Delete(); }), dberr::kRowChanged);
  EXPECT_EQ(shows->Field(QStringLiteral("氏名")), QVariant(0));
  shows->Delete();  // now it holds what is stored
  EXPECT_TRUE(Stored(QStringLiteral("select savenumber from ShowOrNot")).isNull());
}

TEST_F(Conflicts, ADeletedRowWhoseNumberWasTakenAgainIsNotOverwritten) {
  auto rs = db1_->OpenRecordset(QStringLiteral("select * from KVS210 where savenumber=2"));
  rs->Edit();
  rs->SetField(QStringLiteral("FLDF"), QStringLiteral("上書き"));
  // The other workstation deletes layout 2 and creates layout 5, which takes the free rowid.
  db2_->Execute(QStringLiteral("DELETE FROM KVS210 WHERE SaveNumber = 2"));
  db2_->Execute(QStringLiteral("INSERT INTO KVS210 (SaveNumber, FLDF) VALUES (5, '新規')"));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), dberr::kRowDeleted);
  EXPECT_EQ(Stored(QStringLiteral("select FLDF from KVS210 where SaveNumber = 5")).toString(),
            QStringLiteral("新規"));
}

TEST_F(Conflicts, BusyFileRaises3260AndReadsGoOn) {
  RawDb other(path_);
  ASSERT_EQ(other.Exec(
                QStringLiteral("BEGIN IMMEDIATE; UPDATE KVS210 SET FLDN = 8 WHERE SaveNumber = 2")),
            SQLITE_OK);
  // Readers are not held up by a pending write.
  auto rs = db1_->OpenRecordset(QStringLiteral("select * from KVS210 where savenumber=1"));
  EXPECT_EQ(rs->Field(QStringLiteral("FLDN")), QVariant(12));
  rs->Edit();
  rs->SetField(QStringLiteral("FLDN"), 13);
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), dberr::kLocked);
  EXPECT_EQ(ErrorOf([&] { db1_->Execute(QStringLiteral("DELETE FROM KVS30")); }), dberr::kLocked);
  auto add = db1_->OpenRecordset(QStringLiteral("保存名"));
  add->AddNew();
  add->SetField(QStringLiteral("SaveNumber"), 3);
  EXPECT_EQ(ErrorOf([&] { add->Update(); }), dberr::kLocked);
  ASSERT_EQ(other.Exec(QStringLiteral("COMMIT")), SQLITE_OK);
  // The failed write left the edit pending; it goes through once the file is free again, as the
  // other change touched another row.
  rs->Update();
  add->Update();
  EXPECT_EQ(Stored(QStringLiteral("select FLDN from KVS210 where SaveNumber = 1")), QVariant(13));
  EXPECT_EQ(Stored(QStringLiteral("select count(*) from 保存名")), QVariant(3));
}

TEST_F(Conflicts, ExclusiveHoldersKeepOthersOut) {
  {
    RawDb other(path_);
    ASSERT_EQ(other.Exec(QStringLiteral("BEGIN EXCLUSIVE")), SQLITE_OK);
    Workspace ws;
    ws.SetBusyTimeoutMs(100);
    EXPECT_EQ(ErrorOf([&] { ws.OpenDatabase(path_); }), dberr::kFileInUse);
    EXPECT_EQ(ErrorOf([&] { db1_->OpenRecordset(QStringLiteral("保存名")); }), dberr::kLocked);
  }
  {
    RawDb other(path_);
    ASSERT_EQ(other.Exec(QStringLiteral(
                  "PRAGMA locking_mode = EXCLUSIVE; UPDATE 保存名 SET taikai_no = 1")),
              SQLITE_OK);
    Workspace ws;
    ws.SetBusyTimeoutMs(100);
    EXPECT_EQ(ErrorOf([&] { ws.OpenDatabase(path_); }), dberr::kFileInUse);
  }
  // This engine's own exclusive open.
  db1_.reset();
  db2_.reset();
  mine_.Close();
  theirs_.Close();
  auto held = mine_.OpenDatabase(path_, true);
  EXPECT_EQ(ErrorOf([&] { theirs_.OpenDatabase(path_); }), dberr::kFileInUse);
  try {
    theirs_.OpenDatabase(path_);
  } catch (const DbError& e) {
    // The operator is told which file is held.
    EXPECT_TRUE(e.text().contains(QFileInfo(path_).fileName())) << e.text().toStdString();
  }
  held->OpenRecordset(QStringLiteral("保存名"));  // the holder itself goes on working
  held->Close();
  EXPECT_NO_THROW(theirs_.OpenDatabase(path_));
}

// Opening waits for another connection's lock as long as a write would: a desk writing to the
// shared file for more than a second, but less than the busy timeout, only delays the others.
TEST_F(Conflicts, OpenWaitsTheBusyTimeoutForALockReleasedMeanwhile) {
  std::promise<void> locked;
  std::jthread holder([&] {
    RawDb other(path_);
    other.Exec(QStringLiteral("BEGIN EXCLUSIVE"));
    locked.set_value();
    QThread::msleep(1500);
    other.Exec(QStringLiteral("COMMIT"));
  });
  locked.get_future().wait();
  Workspace ws;
  ws.SetBusyTimeoutMs(3000);
  std::shared_ptr<Database> db;
  ASSERT_NO_THROW(db = ws.OpenDatabase(path_));
  EXPECT_EQ(db->OpenRecordset(QStringLiteral("保存名"))->RecordCount(), 2);
}

TEST_F(Conflicts, KeysAndSixteenBitColumns) {
  auto rs = db1_->OpenRecordset(QStringLiteral("保存名"));
  rs->AddNew();
  rs->SetField(QStringLiteral("SaveNumber"), 1);
  rs->SetField(QStringLiteral("savename"), QStringLiteral("重複"));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), dberr::kDuplicateKey);
  rs->CancelUpdate();
  EXPECT_EQ(rs->RecordCount(), 2);

  auto settings = db1_->OpenRecordset(QStringLiteral("select * from KVS210 where savenumber=1"));
  for (const QVariant& v : {QVariant(40000), QVariant(-32769), QVariant(QStringLiteral("99999"))}) {
    settings->Edit();
    settings->SetField(QStringLiteral("FLDB"), v);
    EXPECT_EQ(ErrorOf([&] { settings->Update(); }), dberr::kNumericOverflow)
        << v.toString().toStdString();
    settings->CancelUpdate();
  }
  settings->Edit();
  settings->SetField(QStringLiteral("FLDB"), -32768);
  settings->SetField(QStringLiteral("FLDC"), 32767);
  settings->Update();
  EXPECT_EQ(Stored(QStringLiteral("select FLDC from KVS210 where SaveNumber = 1")),
            QVariant(32767));
  EXPECT_EQ(ErrorOf([&] {
              db1_->Execute(QStringLiteral("UPDATE KVS210 SET FLDN = FLDN * 10000"), dbFailOnError);
            }),
            dberr::kNumericOverflow);
  EXPECT_EQ(Stored(QStringLiteral("select FLDN from KVS210 where SaveNumber = 1")), QVariant(12));
}

TEST_F(Conflicts, ReadOnlyOpenRefusesWrites) {
  Workspace ws;
  auto ro = ws.OpenDatabase(path_, false, true);
  EXPECT_TRUE(ro->IsReadOnly());
  EXPECT_FALSE(db1_->IsReadOnly());
  auto rs = ro->OpenRecordset(QStringLiteral("select * from 保存名"));
  EXPECT_FALSE(rs->Updatable());
  EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), dberr::kReadOnly);
  EXPECT_EQ(ErrorOf([&] { ro->Execute(QStringLiteral("Delete * from 全体フォント")); }),
            dberr::kReadOnly);
  EXPECT_EQ(Stored(QStringLiteral("select count(*) from 全体フォント")), QVariant(1));
}

}  // namespace
// A database whose file is emptied or overwritten after it was opened says so, naming the file
// and what was being read, instead of naming a table or only the format.
TEST_F(Conflicts, FileDamagedWhileOpenIsReportedWithItsNameAndTheDataRead) {
  ASSERT_TRUE(QFile::resize(path_, 0));
  try {
    db1_->OpenRecordset(QStringLiteral("保存名"));
    ADD_FAILURE() << "an emptied file was read";
  } catch (const DbError& e) {
    EXPECT_EQ(e.number(), dberr::kNotADatabase);
    EXPECT_EQ(e.text(), QStringLiteral("データベースファイル（KVSYS.mdb）が空か、壊れています。\r"
                                       "読み込み中のデータ：保存名"));
  }
  // A table that is simply missing is still named as such.
  auto fresh = MakeLayoutDb(folder_, QStringLiteral("other.mdb"));
  auto db = mine_.OpenDatabase(fresh);
  EXPECT_EQ(ErrorOf([&] { db->OpenRecordset(QStringLiteral("ないテーブル")); }),
            dberr::kNoSuchTable);

  // Overwritten by something else: the number stays, the text names the file and the tables.
  QFile file(fresh);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  const qint64 size = file.size();
  ASSERT_EQ(file.write(QByteArray(static_cast<int>(size), 'x')), size);
  file.close();
  try {
    db->OpenRecordset(
        QStringLiteral("select * from ((KVS210 inner join [保存名] on "
                       "KVS210.SaveNumber = 保存名.SaveNumber))"));
    ADD_FAILURE() << "an overwritten file was read";
  } catch (const DbError& e) {
    EXPECT_EQ(e.number(), dberr::kNotADatabase);
    EXPECT_EQ(e.text().toStdString(),
              "データベースファイル（other.mdb）の形式を認識できません。\r"
              "読み込み中のデータ：KVS210、保存名");
  }
}

}  // namespace kvsys::test
