// Damaged, hanging, missing, busy and changing Jet files: each ends in a clear error number
// and text, within the limits, with no work file left behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <random>

#include "db/jet_lock_file.h"
#include "db/jet_work_files.h"
#include "support/fixture.h"
#include "support/raw_db.h"
#include "support/temp_folder.h"

namespace kvsys::test {
namespace {

const QString kHangs = QStringLiteral("malformed-hangs-reader.mdb");

std::vector<Cell> Counts(sqlite3* db) {
  const Rows rows =
      Select(db, QStringLiteral("SELECT (SELECT count(*) FROM 記録マスター), "
                                "(SELECT count(*) FROM 選手マスター), (SELECT count(*) FROM "
                                "プログラム), (SELECT count(*) FROM 大会設定), (SELECT count(*) "
                                "FROM チームマスター), (SELECT count(*) FROM クラス), (SELECT "
                                "count(*) FROM レーンボックス)"));
  return rows.empty() ? std::vector<Cell>{} : rows[0];
}

TEST(JetDamage, HangingFileGivesUpAtTheWallClockWhileTheWindowsKeepRunning) {
  JetReadLimits limits;
  limits.wall_seconds = 2;
  limits.cpu_seconds = 60;
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(20);
  QElapsedTimer clock;
  clock.start();
  MemoryDb db;
  const auto e = LoadError(FixturePath(kHangs), db.get(), limits);
  const qint64 ms = clock.elapsed();
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), 3343);
  EXPECT_EQ(e->text(),
            QStringLiteral("データベースファイル（malformed-hangs-reader.mdb）の読み込みが"
                           "2秒以内に終わらないため中止しました。ファイルが壊れている"
                           "可能性があります。"));
  EXPECT_GE(ms, 2000);
  EXPECT_LT(ms, 4000);
  EXPECT_GT(ticks, 25);  // timers and painting went on during the wait
}

TEST(JetDamage, TruncatedCopiesAreRefusedNeverReadShort) {
  const QByteArray whole = ReadFixture(QStringLiteral("Swim01.mdb"));
  ASSERT_EQ(whole.size() % 4096, 0);
  MemoryDb full;
  ASSERT_FALSE(LoadError(FixturePath(QStringLiteral("Swim01.mdb")), full.get()));
  const std::vector<Cell> all = Counts(full.get());

  std::vector<qsizetype> cuts = {100, 2048, whole.size() / 2 + 123, whole.size() - 1};
  for (qsizetype at = 4096; at < whole.size(); at += 4096) cuts.push_back(at);
  TempFolder folder;
  int refused = 0;
  for (qsizetype cut : cuts) {
    SCOPED_TRACE(cut);
    const QString path = folder.Write(QStringLiteral("Swim01.mdb"), whole.left(cut));
    MemoryDb db;
    if (const auto e = LoadError(path, db.get())) {
      EXPECT_EQ(e->number(), 3343);
      EXPECT_TRUE(e->text().startsWith(QStringLiteral("データベースファイル（Swim01.mdb）")));
      ++refused;
    } else {
      EXPECT_EQ(Counts(db.get()), all);  // a cut that lost nothing may pass, whole
    }
  }
  EXPECT_GT(refused, static_cast<int>(cuts.size()) / 2);
}

TEST(JetDamage, ByteFlippedCopiesGiveTheirDataOrRefuse) {
  const QByteArray whole = ReadFixture(QStringLiteral("Swim01.mdb"));
  std::mt19937 rng(20260718);
  JetReadLimits limits;
  limits.wall_seconds = 4;
  limits.cpu_seconds = 2;
  TempFolder folder;
  int refused = 0;
  int read = 0;
  for (int variant = 0; variant < 60; ++variant) {
    SCOPED_TRACE(variant);
    QByteArray bytes = whole;
    // Every third variant hits the first pages only: header, catalog and table definitions.
    const qsizetype span = variant % 3 == 0 ? 16 * 4096 : bytes.size();
    const int flips = 1 + static_cast<int>(rng() % 16);
    for (int f = 0; f < flips; ++f) {
      const qsizetype at = static_cast<qsizetype>(rng() % span);
      bytes[at] = static_cast<char>(bytes[at] ^ (1 << (rng() % 8)));
    }
    const QString path = folder.Write(QStringLiteral("flipped.mdb"), bytes);
    MemoryDb db;
    if (const auto e = LoadError(path, db.get(), limits)) {
      EXPECT_EQ(e->number(), 3343) << e->what();
      ++refused;
    } else {
      ++read;
    }
  }
  EXPECT_GT(read, 0);
  EXPECT_GT(refused, 0);
}

// The reader may read uninitialised memory on this file, so each load may end differently:
// every one must end in the file's data or in "damaged", never in anything else.
TEST(JetDamage, ReaderOfUndefinedOutcomeIsContained) {
  const QString file = FixturePath(QStringLiteral("jet3-uninitialised-read.mdb"));
  JetReadLimits limits;
  limits.cpu_seconds = 2;
  limits.wall_seconds = 4;
  for (int run = 0; run < 2; ++run) {
    MemoryDb db;
    const auto e = LoadError(file, db.get(), limits);
    if (e) {
      EXPECT_EQ(e->number(), 3343) << e->text().toStdString();
    } else {
      EXPECT_GT(db.Scalar(QStringLiteral("SELECT count(*) FROM sqlite_master")).toInt(), 0);
    }
  }
}

TEST(JetDamage, WhatIsNoJetDatabaseIsRefused) {
  TempFolder folder;
  // The signature alone, then nothing a reader can use.
  QByteArray fake(4096 * 4, '\0');
  fake.replace(4, 15, "Standard Jet DB");
  MemoryDb db;
  auto e = LoadError(folder.Write(QStringLiteral("fake.mdb"), fake), db.get());
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), 3343);
  EXPECT_TRUE(e->text().startsWith(QStringLiteral("データベースファイル（fake.mdb）")));

  e = LoadError(folder.File(QStringLiteral("nothere.mdb")), db.get());
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), 3024);
  EXPECT_EQ(e->text(), QStringLiteral("データベースファイル（nothere.mdb）が見つかりません。"));

  QDir(folder.path()).mkdir(QStringLiteral("folder.mdb"));
  e = LoadError(folder.File(QStringLiteral("folder.mdb")), db.get());
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), 3343);

  // A pipe in the database's place is refused at once, not waited on.
  const QString fifo = folder.File(QStringLiteral("pipe.mdb"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  e = LoadError(fifo, db.get());
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), 3343);
}

TEST(JetDamage, WorkFilesGoWhateverTheEnd) {
  // Found before TMPDIR changes, so a missing fixture leaves it as it was.
  const QString swim = FixturePath(QStringLiteral("Swim01.mdb"));
  const QString hangs = FixturePath(kHangs);
  TempFolder temp;
  TempFolder elsewhere;
  const QByteArray saved = qgetenv("TMPDIR");
  qputenv("TMPDIR", QFile::encodeName(temp.path()));
  {
    MemoryDb db;
    EXPECT_FALSE(LoadError(swim, db.get()));
    JetReadLimits limits;
    limits.wall_seconds = 1;
    EXPECT_TRUE(LoadError(hangs, db.get(), limits));
    EXPECT_TRUE(LoadError(elsewhere.File(QStringLiteral("missing.mdb")), db.get()));
  }
  if (saved.isNull()) {
    qunsetenv("TMPDIR");
  } else {
    qputenv("TMPDIR", saved);
  }
  EXPECT_TRUE(QDir(temp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

// A reader killed during a load leaves its work folder; the next reader clears the folders of
// dead processes and keeps those of live ones.
TEST(JetDamage, WorkFoldersOfKilledReadersAreClearedByTheNext) {
  const QString large = FixturePath(QStringLiteral("meet-large-jet4.mdb"));
  const QString dump = QStringLiteral(KVSYS_BINARY_DIR "/bin/kvsys-dbdump");
  ASSERT_TRUE(QFileInfo(dump).isExecutable()) << dump.toStdString();
  TempFolder temp;
  const QByteArray saved = qgetenv("TMPDIR");
  qputenv("TMPDIR", QFile::encodeName(temp.path()));
  for (int kill = 0; kill < 3; ++kill) {
    QProcess reader;
    reader.start(dump, {large, QStringLiteral("記録マスター")});
    ASSERT_TRUE(reader.waitForStarted());
    QThread::msleep(30 + 25 * kill);
    reader.kill();
    reader.waitForFinished();
  }
  temp.Write(QStringLiteral("kvsys-jet-999999999-dead01/Swim01.mdb"), "copy");
  temp.Write(QStringLiteral("kvsys-jet-1-alive1/Swim01.mdb"), "copy");  // pid 1 always runs
  temp.Write(QStringLiteral("kvsys-jet-notapid/keep"), "x");
  detail::RemoveDeadJetWorkFolders(true);
  if (saved.isNull()) {
    qunsetenv("TMPDIR");
  } else {
    qputenv("TMPDIR", saved);
  }
  EXPECT_EQ(
      QDir(temp.path())
          .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
      (QStringList{QStringLiteral("kvsys-jet-1-alive1"), QStringLiteral("kvsys-jet-notapid")}));
}

// The work folder of a killed read (a dead process's, as the test above leaves them) is
// cleared by the next start of a tool, though that start opens no Jet file; a live one stays.
TEST(JetDamage, AKilledReadsFolderIsClearedByTheNextStart) {
  const QString dump = QStringLiteral(KVSYS_BINARY_DIR "/bin/kvsys-dbdump");
  ASSERT_TRUE(QFileInfo(dump).isExecutable()) << dump.toStdString();
  TempFolder temp;
  const QString plain = temp.File(QStringLiteral("plain.sqlite"));
  ExecSql(plain, QStringLiteral("CREATE TABLE t (a)"));
  temp.Write(QStringLiteral("kvsys-jet-999999999-dead01/Swim01.mdb"), "copy");
  temp.Write(QStringLiteral("kvsys-jet-1-alive1/Swim01.mdb"), "copy");  // pid 1 always runs
  QProcess run;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TMPDIR"), temp.path());
  run.setProcessEnvironment(env);
  run.start(dump, {plain});
  ASSERT_TRUE(run.waitForFinished(60000));
  EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
  EXPECT_EQ(QDir(temp.path()).entryList({QStringLiteral("kvsys-jet-*")}, QDir::Dirs),
            QStringList{QStringLiteral("kvsys-jet-1-alive1")});
}

// The reader ends with the process that started it, and one whose parent is already gone when
// it starts ends before it reads (here it would wait for ever on a pipe with no writer).
TEST(JetDamage, TheReaderEndsWithItsParent) {
  const QString reader = QStringLiteral(KVSYS_BINARY_DIR "/bin/kvsys-jetread");
  ASSERT_TRUE(QFileInfo(reader).isExecutable()) << reader.toStdString();
  TempFolder temp;
  const QString fifo = temp.File(QStringLiteral("never.mdb"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString out = temp.File(QStringLiteral("out.sqlite"));
  // Gone, or a zombie that nobody reaps.
  const auto ended = [](qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
  };
  const auto ends_within = [&](qint64 pid, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!ended(pid) && clock.elapsed() < ms) QThread::msleep(20);
    const bool done = ended(pid);
    if (!done) ::kill(static_cast<pid_t>(pid), SIGKILL);
    return done;
  };

  QProcess parent;
  parent.start(
      QStringLiteral("/bin/sh"),
      {QStringLiteral("-c"), QStringLiteral("\"$0\" --parent-pid $$ \"$1\" \"$2\" & echo $!; wait"),
       reader, fifo, out});
  ASSERT_TRUE(parent.waitForReadyRead(10000));
  bool ok = false;
  const qint64 pid = parent.readLine().trimmed().toLongLong(&ok);
  ASSERT_TRUE(ok);
  QThread::msleep(200);  // the reader waits on the pipe by now
  ASSERT_FALSE(ended(pid));
  parent.kill();
  parent.waitForFinished();
  EXPECT_TRUE(ends_within(pid, 5000));

  QProcess orphan;
  orphan.start(reader,
               {QStringLiteral("--parent-pid"), QString::number(::getpid() + 1), fifo, out});
  ASSERT_TRUE(orphan.waitForStarted());
  EXPECT_TRUE(ends_within(orphan.processId(), 5000));
  orphan.waitForFinished();
}

TEST(JetDamage, CopyWaitsForTheWriterToPause) {
  TempFolder folder;
  const QString source = folder.Write(QStringLiteral("Swim01.mdb"), QByteArray(8192, 'a'));
  const QString target = folder.File(QStringLiteral("copy.mdb"));

  // Written once during the first copy: the second copy is the one kept.
  int copies = 0;
  auto snapshot = detail::CopyStableSnapshot(source, target, 5, 1, [&](int) {
    if (++copies == 1) folder.Write(QStringLiteral("Swim01.mdb"), QByteArray(12288, 'b'));
  });
  EXPECT_EQ(snapshot.result, detail::JetSnapshot::Result::Copied);
  EXPECT_EQ(copies, 2);
  EXPECT_EQ(folder.Read(QStringLiteral("copy.mdb")), QByteArray(12288, 'b'));

  // Same size, new time: still a change.
  copies = 0;
  snapshot = detail::CopyStableSnapshot(source, target, 3, 1, [&](int attempt) {
    ++copies;
    const timespec times[2] = {{0, UTIME_OMIT}, {1000000 + attempt, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(source).constData(), times, 0);
  });
  EXPECT_EQ(snapshot.result, detail::JetSnapshot::Result::KeptChanging);
  EXPECT_EQ(copies, 3);

  snapshot = detail::CopyStableSnapshot(folder.File(QStringLiteral("gone.mdb")), target);
  EXPECT_EQ(snapshot.result, detail::JetSnapshot::Result::SourceError);
  EXPECT_EQ(snapshot.error, ENOENT);
  snapshot = detail::CopyStableSnapshot(source, folder.File(QStringLiteral("no/such/copy.mdb")));
  EXPECT_EQ(snapshot.result, detail::JetSnapshot::Result::TargetError);
}

QByteArray LockEntry(const QByteArray& computer, const QByteArray& user = "Admin") {
  QByteArray entry(64, '\0');
  entry.replace(0, computer.size(), computer);
  entry.replace(32, user.size(), user);
  return entry;
}

TEST(JetDamage, LockFileNamesTheComputersHoldingTheDatabase) {
  TempFolder folder;
  const QString db = folder.Write(QStringLiteral("Swim01.mdb"), QByteArray(4096, '\0'));
  EXPECT_TRUE(JetLockHolders(db).isEmpty());

  // Names are in the code page of Windows; a workstation open twice is named once.
  const QByteArray reception = "\x8e\xf3\x95\x74\x82\x6f\x82\x62";  // 受付ＰＣ in CP932
  folder.Write(QStringLiteral("Swim01.ldb"), LockEntry("PC-RESULT01") + LockEntry(reception) +
                                                 LockEntry("PC-RESULT01") + LockEntry("") +
                                                 LockEntry("\x01\x02"));
  EXPECT_EQ(JetLockHolders(db),
            (QStringList{QStringLiteral("PC-RESULT01"), QStringLiteral("受付ＰＣ")}));

  const QString upper = folder.Write(QStringLiteral("SWIM02.MDB"), QByteArray(4096, '\0'));
  folder.Write(QStringLiteral("SWIM02.LDB"), LockEntry("KEIRYO").left(40));  // cut short
  EXPECT_EQ(JetLockHolders(upper), QStringList{QStringLiteral("KEIRYO")});
}

TEST(JetDamage, FileHeldByAnotherProgramIs3045WithItsHolders) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  TempFolder folder;
  const QString db =
      folder.Write(QStringLiteral("Swim01.mdb"), ReadFixture(QStringLiteral("Swim01.mdb")));
  folder.Write(QStringLiteral("Swim01.ldb"), LockEntry("PC-RESULT01"));
  ASSERT_EQ(::chmod(QFile::encodeName(db).constData(), 0), 0);
  MemoryDb target;
  const auto e = LoadError(db, target.get());
  ::chmod(QFile::encodeName(db).constData(), 0600);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), 3045);
  EXPECT_EQ(e->text(), QStringLiteral("データベースファイル（Swim01.mdb）は他のプログラムが使用中の"
                                      "ため開けません。（使用中の端末：PC-RESULT01）"));
}

}  // namespace
}  // namespace kvsys::test
