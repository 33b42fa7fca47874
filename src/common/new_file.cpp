#include "common/new_file.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>

namespace kvsys {

namespace {

QString HostTag() {
  return PendingHostTag(QSysInfo::machineHostName());
}

QString PartName(const QString& path, int n) {
  const QFileInfo info(path);
  return info.dir().filePath(PendingPartName(info.fileName(), HostTag(), ::getpid(), n));
}

QString WriteFailed(const QString& path) {
  return QStringLiteral("ファイルに書き込めませんでした。\r") + QDir::toNativeSeparators(path);
}

bool WriteAll(int fd, const QByteArray& data) {
  const char* p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= n;
  }
  return true;
}

}  // namespace

QString PendingHostTag(const QString& host_name) {
  QString host = host_name;
  for (QChar& c : host) {
    if (!c.isLetterOrNumber() && c != u'-') c = u'_';
  }
  if (host.isEmpty()) return QStringLiteral("host");
  // A long host name is cut, and a digest of the whole keeps two such machines apart.
  if (host.toUtf8().size() > kMaxHostTagBytes) {
    const QByteArray digest =
        QCryptographicHash::hash(host.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    host = host.left(12) + u'-' + QString::fromLatin1(digest);
  }
  return host;
}

QString PendingPartName(const QString& file_name, const QString& host_tag, qint64 pid, int n) {
  const QString tail = QStringLiteral("~%1~%2~%3.part").arg(host_tag).arg(pid).arg(n);
  // The hidden name must fit the file system's 255 bytes whatever the final name: the name
  // part only helps a person reading the folder, so it is what gets cut (by whole characters).
  const int room = 255 - 1 - static_cast<int>(tail.toUtf8().size());
  QString name;
  int bytes = 0;
  for (qsizetype i = 0; i < file_name.size();) {
    const qsizetype step = file_name[i].isHighSurrogate() && i + 1 < file_name.size() ? 2 : 1;
    const int size = static_cast<int>(file_name.mid(i, step).toUtf8().size());
    if (bytes + size > room) break;
    name += file_name.mid(i, step);
    bytes += size;
    i += step;
  }
  return u'.' + name + tail;
}

PendingFile::PendingFile(QString path) : path_(std::move(path)) {}

PendingFile::~PendingFile() {
  Discard();
}

void PendingFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!part_.isEmpty()) ::unlink(QFile::encodeName(part_).constData());
  part_.clear();
}

bool PendingFile::Append(const QByteArray& data) {
  if (published_ || (fd_ < 0 && !part_.isEmpty())) {
    error_ = QStringLiteral("ファイルは書き終わっています。\r") + QDir::toNativeSeparators(path_);
    return false;
  }
  if (fd_ < 0) {
    for (int n = 0; n < 1000 && fd_ < 0; ++n) {
      part_ = PartName(path_, n);
      fd_ = ::open(QFile::encodeName(part_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                   0644);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
      part_.clear();
      error_ =
          QStringLiteral("ファイルを作成できませんでした。\r") + QDir::toNativeSeparators(path_);
      return false;
    }
  }
  if (!WriteAll(fd_, data)) {
    error_ = WriteFailed(path_);
    Discard();
    return false;
  }
  return true;
}

void PendingFile::StartWriteback() {
  if (fd_ >= 0) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool PendingFile::Close() {
  if (part_.isEmpty() && !published_ && !Append(QByteArray())) return false;
  if (fd_ < 0) return true;
  StartWriteback();
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (closed) return true;
  error_ = WriteFailed(path_);
  Discard();
  return false;
}

bool PendingFile::Sync() {
  if (fd_ < 0 && !part_.isEmpty()) {
    // Closed already: synced through a descriptor of its own.
    const int fd = ::open(QFile::encodeName(part_).constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (synced) return true;
    error_ = WriteFailed(path_);
    Discard();
    return false;
  }
  if (fd_ < 0) return true;
  if (::fdatasync(fd_) == 0) return true;
  error_ = WriteFailed(path_);
  Discard();
  return false;
}

bool PendingFile::Publish(bool replace, bool* exists, bool sync) {
  if (exists) *exists = false;
  if (published_) return true;
  if (part_.isEmpty() && !Append(QByteArray())) return false;
  const QByteArray part = QFile::encodeName(part_);
  const QByteArray target = QFile::encodeName(path_);
  const QString failed = WriteFailed(path_);
  // On disk before it gets its name: a power cut must not leave an empty file under it.
  if (fd_ < 0 && sync && !Sync()) return false;
  if (fd_ >= 0) {
    const bool synced = !sync || ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed) {
      error_ = failed;
      Discard();
      return false;
    }
  }
  if (replace) {
    if (::rename(part.constData(), target.constData()) != 0) {
      error_ = failed;
      Discard();
      return false;
    }
    part_.clear();
    published_ = true;
    return true;
  }
  // A hard link fails on an existing name, so a file made meanwhile by another workstation is
  // never replaced; shares without hard links may still rename without replacing.
  int done = ::link(part.constData(), target.constData());
  if (done == 0) {
    Discard();
    published_ = true;
    return true;
  }
  if (errno != EEXIST) {
    done = ::renameat2(AT_FDCWD, part.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    if (done == 0) {
      part_.clear();
      published_ = true;
      return true;
    }
  }
  if (errno == EEXIST) {
    // Kept, so that the caller may publish it under another name.
    if (exists) *exists = true;
    error_ = QStringLiteral("同じ名前のファイルがあります。\r") + QDir::toNativeSeparators(path_);
    return false;
  }
  // Last resort, for file systems with neither: claim the name, then rename over the claim
  // (the name is empty only for that moment).
  const int claim = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (claim < 0) {
    if (errno == EEXIST) {
      if (exists) *exists = true;
      error_ = QStringLiteral("同じ名前のファイルがあります。\r") + QDir::toNativeSeparators(path_);
      return false;
    }
    error_ = failed;
    Discard();
    return false;
  }
  ::close(claim);
  if (::rename(part.constData(), target.constData()) != 0) {
    ::unlink(target.constData());
    error_ = failed;
    Discard();
    return false;
  }
  part_.clear();
  published_ = true;
  return true;
}

void PendingFile::RemoveStale(const QString& folder) {
  const QStringList parts =
      QDir(folder).entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden);
  for (const QString& name : parts) {
    const QStringList pieces = name.chopped(5).split(QLatin1Char('~'));
    if (pieces.size() < 4 || pieces[pieces.size() - 3] != HostTag()) continue;
    bool ok = false;
    const qint64 pid = pieces[pieces.size() - 2].toLongLong(&ok);
    if (!ok || pid <= 0) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) continue;  // still running
    QFile::remove(QDir(folder).filePath(name));
  }
}

bool SyncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

bool WriteNewFile(const QString& path, const QByteArray& data, QString* error, bool* exists) {
  PendingFile file(path);
  if (file.Append(data) && file.Publish(false, exists)) return true;
  if (error) *error = file.error();
  return false;
}

}  // namespace kvsys
