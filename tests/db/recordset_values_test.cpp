// Values as a recordset keeps them: every type, nulls, empty and long texts, texts SQLite holds
// with a BOM or bad bytes, over more rows than one block, read, searched, cloned and edited.
#include <gtest/gtest.h>

#include <climits>

#include "db/workspace.h"
#include "support/database_files.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

constexpr int kRows = 1300;  // past two blocks of rows

// The bytes stored as text in row i (SQLite does not check them).
QByteArray TextBytes(int i) {
  switch (i % 10) {
    case 0:
      return QByteArray();  // null
    case 1:
      return QByteArray("");
    case 2:
      return QByteArray("\xEF\xBB\xBF") + "BOM" + QByteArray::number(i);
    case 3:
      return QByteArray("bad \xC3\x28 \xE3\x81 end ") + QByteArray::number(i);
    case 4:
      return QString(QStringLiteral("長い記録")).repeated(i % 100 == 4 ? 20000 + i : 30).toUtf8();
    default:
      return QStringLiteral("選手 %1 Ａｑｕａ 🏊").arg(i).toUtf8();
  }
}

// What the engine hands out for row i, column by column (n, r, t, b).
QVariantList Expected(int i) {
  QVariant n;
  if (i % 7 == 0) {
    n = QVariant();
  } else if (i == 1) {
    n = QVariant(INT_MIN);
  } else if (i == 2) {
    n = QVariant(INT_MAX);
  } else if (i % 3 == 0) {
    n = QVariant(qlonglong{INT_MAX} + i);
  } else {
    n = QVariant(i - 600);
  }
  const QVariant r = i % 11 == 0 ? QVariant() : QVariant(i / 8.0 - 1e-3);
  const QByteArray t = TextBytes(i);
  QVariant b;
  if (i % 4 == 1) b = QVariant(QByteArray());  // an empty blob
  if (i % 4 == 2) b = QVariant(QByteArray("\x00\x01\xFF", 3) + QByteArray::number(i));
  return {n, r, t.isNull() ? QVariant() : QVariant(QString::fromUtf8(t)), b};
}

void ExpectRow(const Recordset& rs, int i) {
  const QVariantList want = Expected(i);
  ASSERT_EQ(rs.Field(QStringLiteral("id")), QVariant(i));
  for (int c = 0; c < want.size(); ++c) {
    const QVariant got = rs.Field(c + 1);
    EXPECT_EQ(got.isNull(), want[c].isNull()) << "row " << i << " column " << c;
    EXPECT_EQ(got.typeId(), want[c].typeId()) << "row " << i << " column " << c;
    EXPECT_EQ(got, want[c]) << "row " << i << " column " << c;
  }
  // An empty text stays an empty text, not a null one; an empty blob reads as SQLite gives it.
  if (i % 10 == 1) {
    EXPECT_FALSE(rs.Field(QStringLiteral("t")).toString().isNull());
  }
  if (i % 4 == 1) {
    EXPECT_TRUE(rs.Field(QStringLiteral("b")).toByteArray().isNull());
  }
}

class RecordsetValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.File(QStringLiteral("v.db"));
    RawDb raw(path_, true);
    ASSERT_EQ(raw.Exec(QStringLiteral("CREATE TABLE V (id INTEGER PRIMARY KEY, n INTEGER, r REAL, "
                                      "t TEXT, b BLOB); CREATE INDEX ByN ON V (n); BEGIN")),
              SQLITE_OK);
    sqlite3_stmt* ins = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw.get(), "INSERT INTO V VALUES (?,?,?,?,?)", -1, &ins, nullptr),
              SQLITE_OK);
    for (int i = 1; i <= kRows; ++i) {
      const QVariantList v = Expected(i);
      const QByteArray t = TextBytes(i);
      sqlite3_bind_int(ins, 1, i);
      if (v[0].isNull()) {
        sqlite3_bind_null(ins, 2);
      } else {
        sqlite3_bind_int64(ins, 2, v[0].toLongLong());
      }
      if (v[1].isNull()) {
        sqlite3_bind_null(ins, 3);
      } else {
        sqlite3_bind_double(ins, 3, v[1].toDouble());
      }
      if (t.isNull()) {
        sqlite3_bind_null(ins, 4);
      } else {
        sqlite3_bind_text(ins, 4, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
      }
      if (i % 4 == 1) {
        sqlite3_bind_zeroblob(ins, 5, 0);
      } else if (i % 4 == 2) {
        const QByteArray b = v[3].toByteArray();
        sqlite3_bind_blob(ins, 5, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
      } else {
        sqlite3_bind_null(ins, 5);
      }
      ASSERT_EQ(sqlite3_step(ins), SQLITE_DONE);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    ASSERT_EQ(raw.Exec(QStringLiteral("COMMIT")), SQLITE_OK);
  }
  TempFolder folder_;
  QString path_;
  Workspace ws_;
};

TEST_F(RecordsetValuesTest, EveryValueReadsBackWithItsType) {
  auto db = ws_.OpenDatabase(path_);
  for (int type : {dbOpenDynaset, dbOpenSnapshot, dbOpenTable}) {
    auto rs = db->OpenRecordset(
        type == dbOpenTable ? QStringLiteral("V") : QStringLiteral("select * from V order by id"),
        type);
    ASSERT_EQ(rs->RecordCount(), kRows);
    int i = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
      ExpectRow(*rs, ++i);
      // A second read of the same field gives the same value again.
      EXPECT_EQ(rs->Field(QStringLiteral("t")), rs->Field(3));
      if (HasFailure()) return;
    }
    EXPECT_EQ(i, kRows);
  }

  // Searching, a clone and a bookmark reach rows of the last block.
  auto rs = db->OpenRecordset(QStringLiteral("select * from V order by id"));
  rs->FindFirst(QStringLiteral("t = '選手 1297 Ａｑｕａ 🏊'"));
  ASSERT_FALSE(rs->NoMatch());
  ExpectRow(*rs, 1297);
  auto clone = rs->Clone();
  clone->SetBookmark(rs->Bookmark());
  ExpectRow(*clone, 1297);
  clone->FindFirst(QStringLiteral("n = 5000000000 Or n = ") +
                   QString::number(qlonglong{INT_MAX} + 1299));
  ASSERT_FALSE(clone->NoMatch());
  ExpectRow(*clone, 1299);

  // A table-type index orders the rows of every block: nulls first, then by value.
  auto table = db->OpenRecordset(QStringLiteral("V"), dbOpenTable);
  table->SetIndex(QStringLiteral("ByN"));
  QVariant previous;
  int nulls = 0;
  for (; !table->Eof(); table->MoveNext()) {
    const QVariant n = table->Field(QStringLiteral("n"));
    if (n.isNull()) {
      ++nulls;
      EXPECT_TRUE(previous.isNull());
    } else if (!previous.isNull()) {
      EXPECT_LE(previous.toLongLong(), n.toLongLong());
    }
    previous = n;
    ExpectRow(*table, table->Field(0).toInt());
  }
  EXPECT_EQ(nulls, kRows / 7);
  table->Seek(QStringLiteral("="), QVariant(INT_MIN));
  ASSERT_FALSE(table->NoMatch());
  ExpectRow(*table, 1);
}

TEST_F(RecordsetValuesTest, EditsCompareWithTheValuesRead) {
  auto db = ws_.OpenDatabase(path_);
  auto rs = db->OpenRecordset(QStringLiteral("select * from V order by id"));
  // Rows with a BOM, bad bytes, a long text, an empty text and an empty blob, a blob: each must
  // match itself in the optimistic check, or Update would report a change nobody made.
  for (int i : {2, 3, 4, 1, 1202, 5, 1104, 1299}) {
    rs->MoveFirst();
    rs->FindFirst(QStringLiteral("id = ") + QString::number(i));
    ASSERT_FALSE(rs->NoMatch());
    rs->Edit();
    rs->SetField(QStringLiteral("r"), 0.5);
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 0) << "row " << i;
    EXPECT_EQ(rs->Field(QStringLiteral("r")), QVariant(0.5));
    EXPECT_EQ(rs->Field(QStringLiteral("t")), Expected(i)[2]) << "row " << i;
    EXPECT_EQ(rs->Field(QStringLiteral("b")), Expected(i)[3]) << "row " << i;
  }

  // A row changed by another workstation: 3197, the row as it now stands, then the second
  // Update overwrites.
  ExecSql(path_, QStringLiteral("UPDATE V SET t = 'よそ', n = 9000000000 WHERE id = 6"));
  rs->FindFirst(QStringLiteral("id = 6"));
  rs->Edit();
  rs->SetField(QStringLiteral("t"), QStringLiteral("ここ"));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), dberr::kRowChanged);
  EXPECT_EQ(rs->Field(QStringLiteral("n")), QVariant(9000000000LL));
  EXPECT_EQ(rs->Field(QStringLiteral("t")), QVariant(QStringLiteral("ここ")));
  rs->Update();
  EXPECT_EQ(rs->Field(QStringLiteral("t")), QVariant(QStringLiteral("ここ")));
  EXPECT_EQ(rs->Field(QStringLiteral("n")).typeId(), QMetaType::LongLong);

  // The same after the row was refreshed by a conflict: the second Update goes through, and the
  // text nobody changed keeps its bytes. A row with bad bytes can be deleted.
  ExecSql(path_, QStringLiteral("UPDATE V SET n = 12 WHERE id = 12"));
  rs->FindFirst(QStringLiteral("id = 12"));
  rs->Edit();
  rs->SetField(QStringLiteral("r"), 0.25);
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), dberr::kRowChanged);
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 0);
  EXPECT_EQ(rs->Field(QStringLiteral("t")), Expected(12)[2]);
  rs->FindFirst(QStringLiteral("id = 13"));
  EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), 0);

  // An added row reads back in the engine's types and can be edited again at once.
  rs->AddNew();
  rs->SetField(QStringLiteral("id"), 5000);
  rs->SetField(QStringLiteral("t"), QString());
  rs->SetField(QStringLiteral("b"), QByteArray("\x00z", 2));
  rs->SetField(QStringLiteral("n"), 7);
  rs->Update();
  rs->SetBookmark(rs->LastModified());
  EXPECT_EQ(rs->Field(QStringLiteral("n")), QVariant(7));
  EXPECT_EQ(rs->Field(QStringLiteral("n")).typeId(), QMetaType::Int);
  EXPECT_TRUE(rs->Field(QStringLiteral("r")).isNull());
  EXPECT_EQ(rs->Field(QStringLiteral("b")), QVariant(QByteArray("\x00z", 2)));
  rs->Edit();
  rs->SetField(QStringLiteral("t"), QStringLiteral("追加"));
  rs->Update();
  rs->Edit();
  rs->SetField(QStringLiteral("t"), QStringLiteral("再"));
  rs->Update();
  EXPECT_EQ(rs->Field(QStringLiteral("t")), QVariant(QStringLiteral("再")));

  // What the file holds agrees.
  RawDb raw(path_);
  EXPECT_EQ(raw.Scalar(QStringLiteral("SELECT t FROM V WHERE id = 5000")).toString(),
            QStringLiteral("再"));
  EXPECT_EQ(raw.Scalar(QStringLiteral("SELECT count(*) FROM V WHERE r = 0.5")).toInt(), 8);
  EXPECT_EQ(raw.Scalar(QStringLiteral("SELECT hex(substr(CAST(t AS BLOB), 1, 3)) FROM V "
                                      "WHERE id = 12 AND r = 0.25 AND n = 12"))
                .toString(),
            QStringLiteral("EFBBBF"));
  EXPECT_EQ(raw.Scalar(QStringLiteral("SELECT count(*) FROM V WHERE id = 13")).toInt(), 0);
  EXPECT_EQ(raw.Scalar(QStringLiteral("SELECT t FROM V WHERE id = 6")).toString(),
            QStringLiteral("ここ"));
}

}  // namespace
}  // namespace kvsys::test
