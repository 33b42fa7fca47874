#include "db/jet_reader_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <vector>

extern char** environ;

namespace kvsys::detail {

namespace {

constexpr int kMessageLimit = 4096;
constexpr int kTickMs = 25;

// A descriptor that becomes readable when the child ends; -1 on kernels without pidfd.
int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

void KeepPainting() {
  if (QCoreApplication::instance()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

enum class ReadState { Data, Empty, End };

// Keeps the start of what the helper writes and drops the rest, so it never blocks on a pipe.
ReadState ReadSome(int fd, QByteArray& message) {
  char buffer[1024];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n < 0) return (errno == EINTR || errno == EAGAIN) ? ReadState::Empty : ReadState::End;
  if (n == 0) return ReadState::End;
  if (message.size() < kMessageLimit) {
    message.append(buffer, std::min<qsizetype>(n, kMessageLimit - message.size()));
  }
  return ReadState::Data;
}

class SpawnSetup {
 public:
  explicit SpawnSetup(int out_fd) {
    posix_spawn_file_actions_init(&actions_);
    posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions_, out_fd, 1);
    // libmdb writes endless warnings on damaged files; nobody reads them.
    posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions_, 3);

    posix_spawnattr_init(&attr_);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr_, &none);
    // The limits end the helper by these signals, whatever the program chose to ignore.
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGXCPU, SIGXFSZ, SIGSEGV, SIGBUS, SIGABRT, SIGINT, SIGTERM, SIGHUP}) {
      sigaddset(&defaults, sig);
    }
    posix_spawnattr_setsigdefault(&attr_, &defaults);
    posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attr() const { return &attr_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attr_;
};

}  // namespace

JetReaderRun RunJetReader(const QString& program, const QStringList& args, int wall_ms) {
  JetReaderRun run;
  QElapsedTimer clock;
  clock.start();

  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
    run.status = errno;
    return run;
  }
  std::vector<QByteArray> words;
  words.push_back(QFile::encodeName(program));
  for (const QString& a : args) words.push_back(QFile::encodeName(a));
  std::vector<char*> argv;
  for (QByteArray& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  pid_t pid = -1;
  int rc = 0;
  {
    SpawnSetup setup(pipe_fds[1]);
    rc = ::posix_spawn(&pid, argv[0], setup.actions(), setup.attr(), argv.data(), environ);
  }
  ::close(pipe_fds[1]);
  const int out_fd = pipe_fds[0];
  if (rc != 0) {
    ::close(out_fd);
    run.status = rc;
    return run;
  }
  ::fcntl(out_fd, F_SETFL, ::fcntl(out_fd, F_GETFL) | O_NONBLOCK);

  const int pid_fd = OpenPidFd(pid);
  bool output_open = true;
  int wstatus = 0;
  bool reaped = false;
  for (;;) {
    const pid_t w = ::waitpid(pid, &wstatus, WNOHANG);
    if (w == pid || (w < 0 && errno == ECHILD)) {
      // Someone else's handler may have reaped it; the output's own checks decide then.
      if (w < 0) wstatus = 0;
      reaped = true;
      while (output_open && ReadSome(out_fd, run.message) == ReadState::Data) {
      }
      break;
    }
    const qint64 remaining = wall_ms - clock.elapsed();
    if (remaining <= 0) {
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
      }
      run.end = JetReaderRun::End::TimedOut;
      break;
    }
    pollfd fds[2];
    nfds_t n = 0;
    if (output_open) fds[n++] = {out_fd, POLLIN, 0};
    if (pid_fd >= 0) fds[n++] = {pid_fd, POLLIN, 0};
    ::poll(fds, n, static_cast<int>(std::min<qint64>(remaining, kTickMs)));
    if (output_open && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
      output_open = ReadSome(out_fd, run.message) != ReadState::End;
    }
    KeepPainting();
  }
  ::close(out_fd);
  if (pid_fd >= 0) ::close(pid_fd);

  run.elapsed_ms = static_cast<int>(clock.elapsed());
  if (run.end == JetReaderRun::End::TimedOut) return run;
  if (reaped && WIFSIGNALED(wstatus)) {
    run.end = JetReaderRun::End::Signaled;
    run.status = WTERMSIG(wstatus);
  } else {
    run.end = JetReaderRun::End::Exited;
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 0;
  }
  return run;
}

}  // namespace kvsys::detail
