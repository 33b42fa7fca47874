#pragma once

// Test code run at a chosen moment inside the engine's work on a file: as a statement of the
// engine's connection starts, before it takes any lock. Another workstation's save can so be
// placed between two reads, or between a check and a write, every time.

#include <sqlite3.h>

#include <QString>
#include <functional>

namespace kvsys::test {

class StatementHook {
 public:
  // Watches the first connection opened on path after this (SQLite's auto extensions reach
  // connections the engine opens). One hook at a time.
  explicit StatementHook(const QString& path);
  ~StatementHook();
  StatementHook(const StatementHook&) = delete;
  StatementHook& operator=(const StatementHook&) = delete;

  // Called with the SQL text of each statement the watched connection starts.
  std::function<void(const QString& sql)> on_statement;
  bool Watching() const { return watched_ != nullptr; }

 private:
  static int Attach(sqlite3* db, char** error, const sqlite3_api_routines* api);
  static int Trace(unsigned type, void* context, void* statement, void* sql);

  QString path_;
  sqlite3* watched_ = nullptr;
  bool in_call_ = false;
};

// Another workstation's save, as one transaction on its own connection, that does not wait
// for a lock: SQLITE_OK when committed, else what refused it (nothing of it stays).
int SaveWithoutWaiting(sqlite3* db, const QString& sql);

}  // namespace kvsys::test
