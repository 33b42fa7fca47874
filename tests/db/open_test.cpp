// Opening and creating database files: only real databases are taken, nothing is created or
// changed by a failed open.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "db/schema.h"
#include "db/workspace.h"
#include "support/database_files.h"
#include "support/raw_db.h"

namespace kvsys::test {
namespace {

TEST(OpenDatabase, RefusesWhatIsNotADatabaseAndLeavesItAlone) {
  TempFolder folder;
  Workspace ws;
  EXPECT_EQ(ErrorOf([&] { ws.OpenDatabase(folder.File(QStringLiteral("missing.mdb"))); }),
            dberr::kFileNotFound);
  EXPECT_FALSE(QFileInfo::exists(folder.File(QStringLiteral("missing.mdb"))));
  EXPECT_EQ(ErrorOf([&] { ws.OpenDatabase(QString()); }), dberr::kFileNotFound);
  QDir(folder.path()).mkdir(QStringLiteral("dir.mdb"));
  EXPECT_EQ(ErrorOf([&] { ws.OpenDatabase(folder.File(QStringLiteral("dir.mdb"))); }),
            dberr::kNotADatabase);
  // A FIFO is refused at once: opened as a file it would wait for a writer forever.
  const QString fifo = folder.File(QStringLiteral("Swim09.mdb"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_EQ(ErrorOf([&] { ws.OpenDatabase(fifo); }), dberr::kNotADatabase);
  EXPECT_FALSE(IsJetFile(fifo));

  const QByteArray text("[Ver]\r\nVer=0\r\n");
  const QByteArray damaged = QByteArray("SQLite format 3\0", 16) + QByteArray(200, 'x');
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {{"empty.mdb", QByteArray()},
               {"text.mdb", text},
               {"damaged.mdb", damaged},
               {"short.mdb", QByteArray("SQLite")}};
  for (const auto& c : cases) {
    const QString path = folder.Write(QString::fromUtf8(c.name), c.bytes);
    EXPECT_EQ(ErrorOf([&] { ws.OpenDatabase(path); }), dberr::kNotADatabase) << c.name;
    EXPECT_EQ(folder.Read(QString::fromUtf8(c.name)), c.bytes) << c.name;
  }
}

TEST(OpenDatabase, JetFilesAreToldApartFromSqlite) {
  TempFolder folder;
  Workspace ws;
  // The Jet signature sends the file to the Jet reader, never to SQLite.
  const QByteArray jet = QByteArray("\0\1\0\0Standard Jet DB\0", 20) + QByteArray(2028, '\0');
  const QString path = folder.Write(QStringLiteral("fake.mdb"), jet);
  try {
    ws.OpenDatabase(path);
    ADD_FAILURE() << "a damaged Jet file was opened";
  } catch (const DbError& e) {
    EXPECT_NE(e.number(), dberr::kFileNotFound);
    EXPECT_FALSE(e.text().isEmpty());
  }
  EXPECT_EQ(folder.Read(QStringLiteral("fake.mdb")), jet);
}

TEST(OpenDatabase, UnreadableFileIsInUse) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the super-user";
  TempFolder folder;
  const QString path = MakeMeetDb(folder);
  QFile::setPermissions(path, QFileDevice::Permissions());
  Workspace ws;
  EXPECT_EQ(ErrorOf([&] { ws.OpenDatabase(path); }), dberr::kFileInUse);
}

TEST(OpenDatabase, WriteAheadLogIsTurnedBackToARollbackJournal) {
  TempFolder folder;
  const QString path = MakeMeetDb(folder);
  {
    RawDb raw(path);
    ASSERT_EQ(raw.Exec(QStringLiteral("PRAGMA journal_mode = WAL")), SQLITE_OK);
  }
  Workspace ws;
  auto db = ws.OpenDatabase(path);
  EXPECT_EQ(db->OpenRecordset(QStringLiteral("クラス"))->RecordCount(), 3);
  ws.Close();
  RawDb raw(path);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw.get(), "PRAGMA journal_mode", -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "delete");
  sqlite3_finalize(st);
}

TEST(OpenDatabase, WorkspaceClosesWhatItOpened) {
  TempFolder folder;
  const QString meet = MakeMeetDb(folder);
  const QString layout = MakeLayoutDb(folder);
  Workspace ws;
  auto a = ws.OpenDatabase(meet);
  auto b = ws.OpenDatabase(layout);
  EXPECT_EQ(a->Name(), meet);
  EXPECT_TRUE(a->IsOpen());
  ws.Idle(dbFreeLocks);
  ws.Close();
  EXPECT_FALSE(a->IsOpen());
  EXPECT_FALSE(b->IsOpen());
  // The files are free again: another workspace may hold them exclusively.
  Workspace other;
  EXPECT_NO_THROW(other.OpenDatabase(layout, true));
}

TEST(CreateDatabase, MakesAnEmptyDatabaseAndNeverOverwrites) {
  TempFolder folder;
  const QString path = folder.File(QStringLiteral("KVSYS.mdb"));
  CreateDatabase(path);
  Workspace ws;
  auto db = ws.OpenDatabase(path);
  EXPECT_TRUE(db->TableNames().isEmpty());
  db->Execute(QStringLiteral("CREATE TABLE 全体フォント (全体フォント TEXT, %1)")
                  .arg(Int16Column(QStringLiteral("決定"), QStringLiteral("0"))));
  auto rs = db->OpenRecordset(QStringLiteral("全体フォント"));
  rs->AddNew();
  rs->Update();
  EXPECT_EQ(rs->RecordCount(), 1);
  rs->MoveFirst();
  EXPECT_EQ(rs->Field(QStringLiteral("決定")), QVariant(0));
  ws.Close();

  const QByteArray before = folder.Read(QStringLiteral("KVSYS.mdb"));
  EXPECT_EQ(ErrorOf([&] { CreateDatabase(path); }), dberr::kDatabaseExists);
  EXPECT_EQ(folder.Read(QStringLiteral("KVSYS.mdb")), before);
  const QString text = folder.Write(QStringLiteral("notes.txt"), QByteArray("keep me"));
  EXPECT_EQ(ErrorOf([&] { CreateDatabase(text); }), dberr::kDatabaseExists);
  EXPECT_EQ(folder.Read(QStringLiteral("notes.txt")), QByteArray("keep me"));
  EXPECT_EQ(ErrorOf([&] { CreateDatabase(folder.File(QStringLiteral("no/such/folder/x.mdb"))); }),
            dberr::kInvalidPath);
}

}  // namespace
}  // namespace kvsys::test
