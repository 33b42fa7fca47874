#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "db/database.h"
#include "db/db_constants.h"

namespace kvsys {

// Up to bytes of the start of the file at path, when it is a regular file (regular set); read
// without ever waiting on a FIFO or a device. error is the errno of a failed open, else 0.
QByteArray RegularFileHead(const QString& path, qint64 bytes, bool* regular, int* error);
// Whether the file at path is a regular file with a Jet or ACE signature.
bool IsJetFile(const QString& path);

// Opens databases and closes them together. The application owns one; tests make their own.
class Workspace {
 public:
  static constexpr int kDefaultBusyTimeoutMs = 5000;

  // The first workspace of a process clears the work folders that Jet reads of killed
  // processes left in the temporary folder.
  Workspace();
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // Opens an existing database file; never creates one. Raises 3024 for a missing file, 3343
  // for a folder, an empty file or anything that is not a database, 3045 when another program
  // holds the file locked or it may not be read. exclusive keeps other connections out until
  // the database is closed. A Jet file is read into memory and is always read-only.
  std::shared_ptr<Database> OpenDatabase(const QString& path, bool exclusive = false,
                                         bool read_only = false);
  // Closes every database opened through this workspace.
  void Close();
  // No read locks outlive a call here, so there is nothing to free; kept for callers.
  void Idle(int option = dbFreeLocks);
  // How long a write waits for another connection's lock before 3260, and an open before 3045.
  // Applies to databases already open too.
  void SetBusyTimeoutMs(int ms);
  int BusyTimeoutMs() const { return busy_timeout_ms_; }

 private:
  std::vector<std::weak_ptr<Database>> databases_;
  int busy_timeout_ms_ = kDefaultBusyTimeoutMs;
};

}  // namespace kvsys
