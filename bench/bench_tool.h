#pragma once

// kvsys-print run as a process of its own, so that its wall time and peak memory are its own.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace kvsys {

struct Spent {
  double seconds = 0;
  double peak_mb = 0;
  int exit = -1;
};

// Where the last run's error output is kept, to be shown when it failed.
inline const std::string kErrors =
    QDir::temp().filePath(QStringLiteral("kvsys_bench_tool.err")).toStdString();

// Where GNU time writes the run's peak memory.
inline const std::string kPeak =
    QDir::temp().filePath(QStringLiteral("kvsys_bench_tool.peak")).toStdString();

// Runs kvsys-print with its output thrown away, under GNU time: the peak memory of a process
// spawned straight from this one would start at this one's (the kernel keeps the larger of the
// two across exec).
inline Spent RunTool(const QStringList& args) {
  std::vector<std::string> words = {
      "/usr/bin/time", "-f", "%M", "-o", kPeak, KVSYS_BINARY_DIR "/bin/kvsys-print"};
  for (const QString& a : args) words.push_back(a.toStdString());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, kErrors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  QElapsedTimer timer;
  timer.start();
  pid_t pid = 0;
  Spent spent;
  if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) != 0) return spent;
  posix_spawn_file_actions_destroy(&files);
  int status = 0;
  waitpid(pid, &status, 0);
  spent.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  QFile peak(QString::fromStdString(kPeak));
  // GNU time says first how a failed command exited, then the figure.
  if (peak.open(QIODevice::ReadOnly)) {
    spent.peak_mb = peak.readAll().trimmed().split('\n').last().toDouble() / 1024.0;
  }
  spent.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (spent.exit != 0) {
    QFile errors(QString::fromStdString(kErrors));
    if (errors.open(QIODevice::ReadOnly)) std::fprintf(stderr, "%s", errors.readAll().constData());
  }
  return spent;
}

}  // namespace kvsys
