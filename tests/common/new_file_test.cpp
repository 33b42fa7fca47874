// Files that appear only when whole: no replacing without asking, nothing left behind, and
// the hidden leftovers of dead processes cleared while those of live ones stay.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QSysInfo>

#include "common/new_file.h"
#include "support/temp_folder.h"

namespace kvsys {
namespace {

using test::TempFolder;

QStringList Files(const TempFolder& tmp) {
  return QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST(NewFile, AppearsWholeAndNeverReplacesUnasked) {
  TempFolder tmp;
  const QString path = tmp.File(QStringLiteral("賞状.pdf"));
  QString error;
  bool exists = true;
  ASSERT_TRUE(WriteNewFile(path, "first", &error, &exists)) << error.toStdString();
  EXPECT_FALSE(exists);
  EXPECT_FALSE(WriteNewFile(path, "second", &error, &exists));
  EXPECT_TRUE(exists);
  EXPECT_EQ(tmp.Read(QStringLiteral("賞状.pdf")), QByteArray("first"));

  {
    PendingFile pending(path);
    ASSERT_TRUE(pending.Append("par"));
    ASSERT_TRUE(pending.Append("tial"));
    EXPECT_EQ(Files(tmp).size(), 2);  // the file and the hidden one being written
    EXPECT_EQ(tmp.Read(QStringLiteral("賞状.pdf")), QByteArray("first"));
  }
  EXPECT_EQ(Files(tmp), QStringList{QStringLiteral("賞状.pdf")});  // abandoned: gone

  PendingFile replacing(path);
  ASSERT_TRUE(replacing.Append("whole"));
  ASSERT_TRUE(replacing.Publish(true));
  EXPECT_TRUE(replacing.Publish(true));  // done once, nothing more
  EXPECT_FALSE(replacing.Append("more"));
  EXPECT_EQ(tmp.Read(QStringLiteral("賞状.pdf")), QByteArray("whole"));
  EXPECT_EQ(Files(tmp).size(), 1);

  EXPECT_FALSE(WriteNewFile(tmp.File(QStringLiteral("no/such/folder/x.pdf")), "x", &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(NewFile, LeftoversOfDeadProcessesOnThisMachineAreCleared) {
  TempFolder tmp;
  QString host = QSysInfo::machineHostName();
  for (QChar& c : host) {
    if (!c.isLetterOrNumber() && c != u'-') c = u'_';
  }
  if (host.isEmpty()) host = QStringLiteral("host");
  // A pid far above any in use is dead; this process is alive.
  const QString dead = QStringLiteral(".a.pdf~%1~999999999~0.part").arg(host);
  const QString live = QStringLiteral(".b.pdf~%1~%2~0.part").arg(host).arg(::getpid());
  const QString other = QStringLiteral(".c.pdf~another-host~999999999~0.part");
  for (const QString& name : {dead, live, other}) tmp.Write(name, "x");
  PendingFile::RemoveStale(tmp.path());
  EXPECT_EQ(Files(tmp), (QStringList{live, other}));
}

// A final name near the 255-byte limit, on a machine with a long host name: the hidden file's
// name still fits, so the file can be written at all.
TEST(NewFile, LongNamesAndLongHostNamesStillFit) {
  const QString host = QStringLiteral("workstation-of-the-award-desk-at-the-city-pool-number-0001");
  ASSERT_EQ(host.size(), 58);
  const QString tag = PendingHostTag(host);
  EXPECT_LE(tag.toUtf8().size(), kMaxHostTagBytes);
  EXPECT_NE(tag, PendingHostTag(host.chopped(1) + u'2'));  // two such machines stay apart
  const QString name = QString(83, QChar(u'漢')) + QStringLiteral(".pdf");  // 253 bytes
  EXPECT_LE(PendingPartName(name, tag, 4194304, 999).toUtf8().size(), 255);

  TempFolder folder;
  const QString path = folder.File(name);
  QString error;
  ASSERT_TRUE(WriteNewFile(path, "whole", &error)) << error.toStdString();
  EXPECT_EQ(folder.Read(name), QByteArray("whole"));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
}  // namespace kvsys
