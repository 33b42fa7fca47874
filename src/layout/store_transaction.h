#pragma once

#include "db/database.h"

namespace kvsys {

// One transaction of the layout store on the layout database: the write lock is taken at once,
// and whatever was written is rolled back unless Commit is reached. Inside a transaction that
// is already open it is a savepoint of it, so writes that belong together (a layout and its
// rows) commit together and a failed part undoes only itself.
class StoreTransaction {
 public:
  explicit StoreTransaction(Database& db) : db_(db), nested_(db.InTransaction()) {
    if (nested_) {
      db_.Execute(QStringLiteral("SAVEPOINT kvsys_store"));
    } else {
      db_.BeginTrans();
    }
    open_ = true;
  }
  ~StoreTransaction() { Rollback(); }
  StoreTransaction(const StoreTransaction&) = delete;
  StoreTransaction& operator=(const StoreTransaction&) = delete;

  void Commit() {
    try {
      if (nested_) {
        db_.Execute(QStringLiteral("RELEASE kvsys_store"));
      } else {
        db_.CommitTrans();
      }
      open_ = false;
    } catch (...) {
      Rollback();  // a commit refused (busy) leaves the transaction open
      throw;
    }
  }
  void Rollback() noexcept {
    if (!open_) return;
    open_ = false;
    try {
      if (nested_) {
        db_.Execute(QStringLiteral("ROLLBACK TO kvsys_store"));
        db_.Execute(QStringLiteral("RELEASE kvsys_store"));
      } else {
        db_.Rollback();
      }
    } catch (...) {
      // The connection is closed or the engine already rolled back: nothing is left to undo.
    }
  }

 private:
  Database& db_;
  const bool nested_;
  bool open_ = false;
};

}  // namespace kvsys
