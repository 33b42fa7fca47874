// Recordsets over real files: names, values, positions, searches, bookmarks and the three
// recordset types.
#include <gtest/gtest.h>

#include "db/workspace.h"
#include "support/database_files.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString path = folder_.File(QStringLiteral("t.db"));
    {
      RawDb raw(path, true);
      ASSERT_EQ(
          raw.Exec(QStringLiteral(
              "CREATE TABLE T (SaveNumber INTEGER PRIMARY KEY, タイトルX SMALLINT, 名前 TEXT, "
              "率 REAL, 大 INTEGER, 生 BLOB);"
              "CREATE INDEX ByName ON T (名前);"
              "INSERT INTO T VALUES (1, 10, 'いち', 1.5, 5000000000, x'0102'),"
              " (2, NULL, 'に', NULL, 2, NULL), (3, 30, 'さん', 0.25, 3, NULL),"
              " (4, 40, 'Shi', 4.0, 4, NULL);")),
          SQLITE_OK);
    }
    db_ = ws_.OpenDatabase(path);
  }
  TempFolder folder_;
  Workspace ws_;
  std::shared_ptr<Database> db_;
};

TEST_F(RecordsetTest, FieldNamesAndValues) {
  auto rs = db_->OpenRecordset(QStringLiteral("select * from T order by SaveNumber"));
  ASSERT_EQ(rs->FieldCount(), 6);
  EXPECT_EQ(rs->FieldName(1), QStringLiteral("タイトルX"));
  for (const QString& name : {QStringLiteral("タイトルX"), QStringLiteral("タイトルＸ"),
                              QStringLiteral("タイトルx"), QStringLiteral("タイトルｘ"),
                              QStringLiteral("T.タイトルX"), QStringLiteral("t.タイトルＸ")}) {
    EXPECT_EQ(rs->Field(name), QVariant(10)) << name.toStdString();
  }
  EXPECT_EQ(rs->Field(QStringLiteral("SAVENUMBER")), QVariant(1));
  EXPECT_EQ(rs->Field(QStringLiteral("ｓａｖｅｎｕｍｂｅｒ")), QVariant(1));
  EXPECT_EQ(rs->Field(QStringLiteral("大")).typeId(), QMetaType::LongLong);
  EXPECT_EQ(rs->Field(QStringLiteral("大")).toLongLong(), 5000000000LL);
  EXPECT_EQ(rs->Field(QStringLiteral("率")), QVariant(1.5));
  EXPECT_EQ(rs->Field(QStringLiteral("生")).toByteArray(), QByteArray("\x01\x02"));
  EXPECT_EQ(rs->Field(QStringLiteral("名前")).typeId(), QMetaType::QString);
  EXPECT_FALSE(rs->HasField(QStringLiteral("タイトルY")));
  EXPECT_EQ(ErrorOf([&] { rs->Field(QStringLiteral("タイトルY")); }), dberr::kItemNotFound);
  EXPECT_EQ(ErrorOf([&] { rs->Field(6); }), dberr::kItemNotFound);
  rs->MoveNext();
  EXPECT_TRUE(rs->Field(QStringLiteral("タイトルX")).isNull());
  EXPECT_TRUE(rs->Field(QStringLiteral("率")).isNull());
}

TEST_F(RecordsetTest, MovingAndCounting) {
  auto rs = db_->OpenRecordset(QStringLiteral("T"), dbOpenTable);
  EXPECT_EQ(rs->RecordCount(), 4);
  EXPECT_FALSE(rs->Bof());
  rs->MovePrevious();
  EXPECT_TRUE(rs->Bof());
  EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }), dberr::kNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { rs->Field(0); }), dberr::kNoCurrentRecord);
  rs->MoveLast();
  EXPECT_EQ(rs->Field(0), QVariant(4));
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), dberr::kNoCurrentRecord);

  // CountRows comes back to the row it started on.
  rs->MoveFirst();
  rs->MoveNext();
  EXPECT_EQ(CountRows(*rs), 4);
  EXPECT_EQ(rs->Field(0), QVariant(2));
  // From Eof it has no row to return to.
  rs->MoveLast();
  rs->MoveNext();
  EXPECT_EQ(CountRows(*rs), 4);
  EXPECT_TRUE(rs->Eof());

  auto empty = db_->OpenRecordset(QStringLiteral("select * from T where SaveNumber > 10"));
  EXPECT_TRUE(empty->Eof());
  EXPECT_TRUE(empty->Bof());
  EXPECT_EQ(empty->RecordCount(), 0);
  empty->MoveFirst();
  empty->MoveLast();
  EXPECT_EQ(CountRows(*empty), 0);
}

TEST_F(RecordsetTest, FindCriteria) {
  auto rs =
      db_->OpenRecordset(QStringLiteral("select * from T order by SaveNumber"), dbOpenSnapshot);
  rs->FindFirst(QStringLiteral("SaveNumber =3"));
  ASSERT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Field(QStringLiteral("名前")).toString(), QStringLiteral("さん"));
  // A miss keeps the position.
  rs->FindFirst(QStringLiteral("SaveNumber = 9"));
  EXPECT_TRUE(rs->NoMatch());
  EXPECT_EQ(rs->Field(0), QVariant(3));

  rs->FindFirst(QStringLiteral("タイトルＸ >= 30 And 名前 <> 'さん'"));
  EXPECT_EQ(rs->Field(0), QVariant(4));
  rs->FindFirst(QStringLiteral("名前 = 'shi'"));  // texts compare without regard to case
  EXPECT_EQ(rs->Field(0), QVariant(4));
  rs->FindFirst(QStringLiteral("(SaveNumber = 1 Or SaveNumber = 3) and 率 < 1"));
  EXPECT_EQ(rs->Field(0), QVariant(3));
  rs->FindFirst(QStringLiteral("タイトルX Is Null"));
  EXPECT_EQ(rs->Field(0), QVariant(2));
  // Null never matches a comparison, nor its negation.
  rs->FindFirst(QStringLiteral("Not タイトルX = 10 And SaveNumber < 3"));
  EXPECT_TRUE(rs->NoMatch());
  rs->FindFirst(QStringLiteral("SaveNumber > 1"));
  rs->FindNext(QStringLiteral("SaveNumber > 1"));
  EXPECT_EQ(rs->Field(0), QVariant(3));
  rs->FindLast(QStringLiteral("SaveNumber < 4"));
  EXPECT_EQ(rs->Field(0), QVariant(3));
  rs->FindPrevious(QStringLiteral("SaveNumber < 4"));
  EXPECT_EQ(rs->Field(0), QVariant(2));
  rs->FindFirst(QStringLiteral("名前 = \"に\""));
  EXPECT_EQ(rs->Field(0), QVariant(2));

  for (const QString& bad : {QStringLiteral("SaveNumber ="), QStringLiteral("SaveNumber 5"),
                             QStringLiteral(""), QStringLiteral("(SaveNumber = 1"),
                             QStringLiteral("SaveNumber = 1 2"), QStringLiteral("名前 = 'open")}) {
    EXPECT_EQ(ErrorOf([&] { rs->FindFirst(bad); }), dberr::kCriteriaSyntax) << bad.toStdString();
  }
  EXPECT_EQ(ErrorOf([&] { rs->FindFirst(QStringLiteral("Nothing = 1")); }),
            dberr::kUnknownNameInCriteria);
}

TEST_F(RecordsetTest, SeekOnAnIndex) {
  auto rs = db_->OpenRecordset(QStringLiteral("T"), dbOpenTable);
  EXPECT_EQ(ErrorOf([&] { rs->Seek(QStringLiteral("="), 1); }), dberr::kNoCurrentIndex);
  EXPECT_EQ(ErrorOf([&] { rs->SetIndex(QStringLiteral("NoSuch")); }), dberr::kNoSuchIndex);
  rs->SetIndex(QStringLiteral("PrimaryKey"));
  rs->Seek(QStringLiteral("="), 3);
  EXPECT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Field(QStringLiteral("名前")).toString(), QStringLiteral("さん"));
  rs->Seek(QStringLiteral(">="), 5);
  EXPECT_TRUE(rs->NoMatch());
  rs->Seek(QStringLiteral("<"), 3);
  EXPECT_EQ(rs->Field(0), QVariant(2));

  // Another index puts the rows in its order.
  rs->SetIndex(QStringLiteral("ByName"));
  EXPECT_EQ(rs->Field(QStringLiteral("名前")).toString(), QStringLiteral("Shi"));
  rs->Seek(QStringLiteral("="), QStringLiteral("に"));
  EXPECT_EQ(rs->Field(0), QVariant(2));

  auto dyn = db_->OpenRecordset(QStringLiteral("T"));
  EXPECT_EQ(ErrorOf([&] { dyn->SetIndex(QStringLiteral("PrimaryKey")); }),
            dberr::kNotSupportedHere);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("select * from T"), dbOpenTable); }),
            dberr::kInvalidOperation);
}

TEST_F(RecordsetTest, BookmarksAndClones) {
  auto rs = db_->OpenRecordset(QStringLiteral("select * from T order by SaveNumber"));
  rs->MoveNext();
  rs->MoveNext();
  const QByteArray third = rs->Bookmark();
  rs->MoveFirst();
  rs->SetBookmark(third);
  EXPECT_EQ(rs->Field(0), QVariant(3));

  auto clone = rs->Clone();
  EXPECT_EQ(clone->Field(0), QVariant(1));
  clone->SetBookmark(third);
  EXPECT_EQ(clone->Field(0), QVariant(3));
  clone->Edit();
  clone->SetField(QStringLiteral("名前"), QStringLiteral("三"));
  clone->Update();
  // Both positions see the same rows.
  EXPECT_EQ(rs->Field(QStringLiteral("名前")).toString(), QStringLiteral("三"));
  clone->Close();
  EXPECT_TRUE(rs->IsOpen());

  auto other = db_->OpenRecordset(QStringLiteral("T"));
  EXPECT_EQ(ErrorOf([&] { other->SetBookmark(third); }), dberr::kInvalidBookmark);
  EXPECT_EQ(ErrorOf([&] { other->SetBookmark(QByteArray("x")); }), dberr::kInvalidBookmark);
}

TEST_F(RecordsetTest, EditAddDeleteAndTheirEffects) {
  auto rs = db_->OpenRecordset(
      QStringLiteral("select SaveNumber, 名前, タイトルX from T where SaveNumber <= 2"));
  EXPECT_EQ(ErrorOf([&] { rs->SetField(QStringLiteral("名前"), QStringLiteral("x")); }),
            dberr::kNoEditPending);
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), dberr::kNoEditPending);
  rs->Edit();
  rs->SetField(QStringLiteral("タイトルＸ"), QStringLiteral(" 12 "));  // a typed number
  EXPECT_EQ(rs->Field(QStringLiteral("タイトルX")), QVariant(12LL));
  EXPECT_EQ(ErrorOf([&] { rs->SetField(QStringLiteral("タイトルX"), QStringLiteral("十二")); }),
            dberr::kTypeConversion);
  rs->Update();
  EXPECT_EQ(rs->EditMode(), dbEditNone);
  EXPECT_EQ(rs->Field(QStringLiteral("タイトルX")), QVariant(12));
  EXPECT_EQ(rs->LastModified(), rs->Bookmark());

  // Cancelling leaves the row as it was.
  rs->Edit();
  rs->SetField(QStringLiteral("名前"), QStringLiteral("取消"));
  rs->CancelUpdate();
  EXPECT_EQ(rs->Field(QStringLiteral("名前")).toString(), QStringLiteral("いち"));

  rs->AddNew();
  rs->SetField(QStringLiteral("SaveNumber"), 7);
  rs->SetField(QStringLiteral("名前"), QStringLiteral("なな"));
  rs->Update();
  EXPECT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ(rs->Field(0), QVariant(1));  // the position stays where it was
  rs->SetBookmark(rs->LastModified());
  EXPECT_EQ(rs->Field(QStringLiteral("名前")).toString(), QStringLiteral("なな"));
  EXPECT_TRUE(rs->Field(QStringLiteral("タイトルX")).isNull());

  rs->MoveFirst();
  rs->Delete();
  EXPECT_EQ(ErrorOf([&] { rs->Field(0); }), dberr::kRowDeleted);
  EXPECT_EQ(rs->RecordCount(), 2);
  rs->MoveFirst();
  EXPECT_EQ(rs->Field(0), QVariant(2));

  auto check = db_->OpenRecordset(
      QStringLiteral("select SaveNumber, タイトルX, 名前 from T order by SaveNumber"),
      dbOpenSnapshot);
  QStringList seen;
  for (; !check->Eof(); check->MoveNext()) {
    seen << check->Field(0).toString() + QLatin1Char(':') + check->Field(1).toString();
  }
  EXPECT_EQ(seen, QStringList({QStringLiteral("2:"), QStringLiteral("3:30"), QStringLiteral("4:40"),
                               QStringLiteral("7:")}));
}

TEST_F(RecordsetTest, ReadOnlyKindsRefuseWrites) {
  auto snap = db_->OpenRecordset(QStringLiteral("T"), dbOpenSnapshot);
  auto ro = db_->OpenRecordset(QStringLiteral("T"), dbOpenDynaset, dbReadOnly);
  auto join = db_->OpenRecordset(
      QStringLiteral("select a.*, b.名前 from T a, T b where a.SaveNumber = b.SaveNumber"));
  auto grouped = db_->OpenRecordset(QStringLiteral("select count(*) as n from T"));
  for (Recordset* rs : {snap.get(), ro.get(), join.get(), grouped.get()}) {
    EXPECT_FALSE(rs->Updatable());
    EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), dberr::kReadOnly);
    EXPECT_EQ(ErrorOf([&] { rs->AddNew(); }), dberr::kReadOnly);
    EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), dberr::kReadOnly);
  }
  EXPECT_EQ(grouped->Field(QStringLiteral("n")), QVariant(4));
  // An expression column of an updatable select is not written.
  auto expr =
      db_->OpenRecordset(QStringLiteral("select SaveNumber, タイトルX * 2 as twice from T"));
  EXPECT_TRUE(expr->Updatable());
  expr->Edit();
  EXPECT_EQ(ErrorOf([&] { expr->SetField(QStringLiteral("twice"), 1); }),
            dberr::kFieldNotUpdatable);
}

TEST_F(RecordsetTest, ClosedObjectsRaiseInsteadOfCrashing) {
  auto rs = db_->OpenRecordset(QStringLiteral("T"));
  auto other = db_->OpenRecordset(QStringLiteral("T"));
  rs->Close();
  EXPECT_FALSE(rs->IsOpen());
  EXPECT_EQ(ErrorOf([&] { rs->Eof(); }), dberr::kObjectClosed);
  EXPECT_EQ(ErrorOf([&] { rs->Field(0); }), dberr::kObjectClosed);
  EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), dberr::kObjectClosed);
  EXPECT_EQ(ErrorOf([&] { rs->Clone(); }), dberr::kObjectClosed);
  rs->Close();  // a second close is harmless

  ws_.Close();  // closes the database and so its recordsets
  EXPECT_FALSE(db_->IsOpen());
  EXPECT_EQ(ErrorOf([&] { other->Field(0); }), dberr::kObjectClosed);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("T")); }), dberr::kObjectClosed);
  EXPECT_EQ(ErrorOf([&] { db_->Execute(QStringLiteral("DELETE FROM T")); }), dberr::kObjectClosed);
}

TEST_F(RecordsetTest, BoundParametersAreNeverSqlText) {
  const QString typed = QStringLiteral("x' OR '1'='1");
  auto rs = db_->OpenRecordsetWithParams(QStringLiteral("select * from T where 名前 = ?"), {typed});
  EXPECT_EQ(rs->RecordCount(), 0);
  db_->ExecuteWithParams(QStringLiteral("UPDATE T SET 名前 = ? WHERE SaveNumber = ?"), {typed, 4});
  EXPECT_EQ(db_->RowsAffected(), 1);
  rs = db_->OpenRecordsetWithParams(QStringLiteral("select 名前 from T where SaveNumber = ?"), {4});
  EXPECT_EQ(rs->Field(0).toString(), typed);
  EXPECT_EQ(ErrorOf([&] {
              db_->ExecuteWithParams(QStringLiteral("DELETE FROM T WHERE SaveNumber = ?"), {});
            }),
            dberr::kInvalidArgument);
}

TEST_F(RecordsetTest, StatementErrors) {
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("NoTable")); }), dberr::kNoSuchTable);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("select Nope from T")); }),
            dberr::kUnknownColumn);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("select * form T")); }),
            dberr::kSqlSyntax);
  EXPECT_EQ(ErrorOf([&] { db_->Execute(QStringLiteral("DELETE FROM T; DROP TABLE T")); }),
            dberr::kTextAfterStatement);
  EXPECT_EQ(ErrorOf([&] { db_->Execute(QStringLiteral("select * from T")); }),
            dberr::kSelectNotExecutable);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("DELETE FROM T")); }),
            dberr::kInvalidOperation);
  EXPECT_EQ(db_->OpenRecordset(QStringLiteral("T"))->RecordCount(), 4);  // nothing ran
  EXPECT_TRUE(db_->TableExists(QStringLiteral("t")));
  EXPECT_FALSE(db_->TableExists(QStringLiteral("U")));
  EXPECT_EQ(db_->TableNames(), QStringList{QStringLiteral("T")});
  EXPECT_EQ(db_->ColumnNames(QStringLiteral("T")).size(), 6);
  EXPECT_TRUE(db_->ColumnNames(QStringLiteral("U")).isEmpty());
}

}  // namespace
}  // namespace kvsys::test
