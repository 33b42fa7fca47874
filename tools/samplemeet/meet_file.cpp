#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>

#include <unistd.h>

#include "samplemeet/sample_meet.h"

namespace kvsys::samplemeet {

QString MeetFilePath(const QString& folder, FolderLayout layout, int meet_no) {
  const QString two_digits = QStringLiteral("%1").arg(meet_no, 2, 10, QLatin1Char('0'));
  const QDir dir(folder);
  if (layout == FolderLayout::Ver46) {
    return dir.filePath(two_digits + QStringLiteral("/SWIM.mdb"));
  }
  return dir.filePath(QStringLiteral("Swim") + two_digits + QStringLiteral(".mdb"));
}

namespace {

// Flushes the finished file to the disk before it takes the meet's name, so a crash right
// after the rename cannot leave a named but empty meet.
bool SyncFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadWrite)) return false;
  return ::fsync(file.handle()) == 0;
}

}  // namespace

bool WriteMeetFile(const QString& path, const MeetTables& meet, bool force, QString* error) {
  const QFileInfo target(path);
  if (target.exists() && !force) {
    if (error) {
      *error = QStringLiteral("%1 は既にあります。上書きするには --force を指定してください。")
                   .arg(QDir::toNativeSeparators(path));
    }
    return false;
  }
  if (target.exists() && !target.isFile()) {
    if (error) *error = QStringLiteral("%1 はファイルではありません。").arg(path);
    return false;
  }
  if (!QDir().mkpath(target.absolutePath())) {
    if (error) *error = QStringLiteral("フォルダ %1 を作成できません。").arg(target.absolutePath());
    return false;
  }
  QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                      QStringLiteral(".XXXXXX"));
  if (!temp.open()) {
    if (error) *error = QStringLiteral("一時ファイルを作成できません: %1").arg(temp.errorString());
    return false;
  }
  temp.close();
  // A meet is read by other users and workstations, not only by its writer.
  temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                      QFileDevice::ReadOther);
  QString message;
  if (!WriteTablesToSqlite(temp.fileName(), meet, &message) || !SyncFile(temp.fileName())) {
    if (error) {
      *error =
          QStringLiteral("%1 を書き込めません: %2")
              .arg(path, message.isEmpty() ? QStringLiteral("ディスクへの書き込みに失敗しました。")
                                           : message);
    }
    return false;  // the temporary file goes with `temp`
  }
  // rename() replaces an existing meet in one step; QFile::rename would refuse it.
  if (std::rename(QFile::encodeName(temp.fileName()).constData(),
                  QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
    if (error) *error = QStringLiteral("%1 を作成できません。").arg(path);
    return false;
  }
  temp.setAutoRemove(false);
  return true;
}

QString WriteSampleMeet(const QString& folder, FolderLayout layout, const MeetSpec& spec,
                        bool force, QString* error) {
  const QString path = MeetFilePath(folder, layout, spec.number);
  if (!WriteMeetFile(path, GenerateSampleMeet(spec), force, error)) return QString();
  return path;
}

}  // namespace kvsys::samplemeet
