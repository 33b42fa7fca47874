#pragma once

#include <QByteArray>
#include <QString>

namespace kvsys {

// Files the operator gets (PDF, dumps) appear under their final name only when complete: the
// content goes to a hidden file in the same folder first, which is then linked or renamed into
// place. A process killed at any moment leaves either nothing or a whole file under the name
// (and at most a hidden ".*.part" file, which PendingFile::RemoveStale clears later).
class PendingFile {
 public:
  explicit PendingFile(QString path);
  ~PendingFile();  // an unpublished file is removed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  const QString& path() const { return path_; }
  // Another final name in the same folder (before publishing).
  void SetPath(const QString& path) { path_ = path; }
  // Appends to the hidden file, creating it on the first call.
  bool Append(const QByteArray& data);
  // The hidden file's descriptor for writers of their own (-1 before the first Append); what
  // they buffer must be flushed before Publish.
  int fd() const { return fd_; }
  // Puts the content under the final name. Without replace an existing file is never touched
  // (false, with *exists set: the content stays, to be published under another name); with
  // replace it is swapped for the new one in one step. Once publishing began nothing more can
  // be appended; once published, later calls change nothing.
  // sync false: the caller made the content durable already (Sync).
  bool Publish(bool replace, bool* exists = nullptr, bool sync = true);
  // Starts writing the content to disk without waiting, so that a batch of files is made
  // durable in about the time of one; Sync then waits for it.
  void StartWriteback();
  // The content is whole: its writing to disk begins and the descriptor is let go, so that a
  // run of hundreds of files holds none open. Nothing more can be appended.
  bool Close();
  bool Sync();
  // Why the last call failed, for the operator.
  const QString& error() const { return error_; }

  // Removes the hidden files of processes that no longer run from a folder.
  static void RemoveStale(const QString& folder);

 private:
  void Discard();

  QString path_;
  QString part_;
  int fd_ = -1;
  bool published_ = false;
  QString error_;
};

// The hidden file's name, ".NAME~HOST~PID~N.part": host and pid tell a later process whether
// the writer still lives (folders are shared between workstations: only the hidden files of
// this machine's dead processes may be cleared). Never longer than 255 bytes, whatever the
// final name and the host name.
inline constexpr int kMaxHostTagBytes = 24;
QString PendingHostTag(const QString& host_name);
QString PendingPartName(const QString& file_name, const QString& host_tag, qint64 pid, int n);

// Makes the names published in a folder durable (one sync for a batch of files).
bool SyncFolder(const QString& folder);

// Writes data as a new file at path in one go: false when the file exists (*exists set) or
// could not be written completely (nothing is left then).
bool WriteNewFile(const QString& path, const QByteArray& data, QString* error,
                  bool* exists = nullptr);

}  // namespace kvsys
