#include "db/jet_work_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace kvsys::detail {

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now; false (errno set) when the close itself failed, as a full disk can make it.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool SameState(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// One copy. Returns Copied also when the source changed meanwhile; *stable tells which.
JetSnapshot CopyOnce(const QByteArray& source, const QByteArray& target,
                     const std::function<void()>& copied, bool* stable) {
  using Result = JetSnapshot::Result;
  // Non-blocking, so a FIFO in the database's place is refused instead of waited on.
  Fd in(::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0) return {Result::SourceError, errno};
  struct stat before {};
  if (::fstat(in.get(), &before) != 0) return {Result::SourceError, errno};
  if (!S_ISREG(before.st_mode)) return {Result::SourceError, EISDIR};

  Fd out(::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (out.get() < 0) return {Result::TargetError, errno};
  std::vector<char> buffer(1 << 18);
  off_t bytes = 0;
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return {Result::SourceError, errno};
    }
    if (n == 0) break;
    if (!WriteAll(out.get(), buffer.data(), static_cast<size_t>(n))) {
      return {Result::TargetError, errno};
    }
    bytes += n;
  }
  if (!out.Close()) return {Result::TargetError, errno};
  if (copied) copied();

  struct stat after_fd {};
  struct stat after_path {};
  if (::fstat(in.get(), &after_fd) != 0) return {Result::SourceError, errno};
  // The path may now name a new file that the results system put in place of the old one.
  if (::stat(source.constData(), &after_path) != 0) return {Result::SourceError, errno};
  *stable = bytes == before.st_size && SameState(before, after_fd) && SameState(before, after_path);
  return {Result::Copied, 0};
}

}  // namespace

void RemoveDeadJetWorkFolders(bool force) {
  static std::atomic<bool> done = false;
  if (done.exchange(true) && !force) return;
  const QDir temp(QDir::tempPath());
  const QStringList folders =
      temp.entryList({QStringLiteral("kvsys-jet-*-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& name : folders) {
    bool ok = false;
    const qint64 pid = name.section(QLatin1Char('-'), 2, 2).toLongLong(&ok);
    if (!ok || pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) continue;  // alive
    QDir(temp.filePath(name)).removeRecursively();
  }
}

JetWorkFolder::JetWorkFolder() {
  RemoveDeadJetWorkFolders();
  QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/kvsys-jet-" +
                       QByteArray::number(::getpid()) + "-XXXXXX";
  if (::mkdtemp(pattern.data())) {
    path_ = pattern;
  } else {
    error_ = errno;
  }
}

JetWorkFolder::~JetWorkFolder() {
  if (!path_.isEmpty()) QDir(QFile::decodeName(path_)).removeRecursively();
}

QString JetWorkFolder::File(const QString& name) const {
  return QFile::decodeName(path_) + QLatin1Char('/') + name;
}

JetSnapshot CopyStableSnapshot(const QString& source, const QString& target, int attempts,
                               int pause_ms, const std::function<void(int)>& copied) {
  const QByteArray from = QFile::encodeName(source);
  const QByteArray to = QFile::encodeName(target);
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    bool stable = false;
    const JetSnapshot result = CopyOnce(
        from, to, copied ? std::function<void()>([&] { copied(attempt); }) : nullptr, &stable);
    if (result.result != JetSnapshot::Result::Copied || stable) return result;
    if (attempt < attempts) std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
  }
  return {JetSnapshot::Result::KeptChanging, 0};
}

}  // namespace kvsys::detail
