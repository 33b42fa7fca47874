#pragma once

#include "db/database.h"

namespace kvsys {

// One transaction of the layout store on the layout database: the write lock is taken at once,
// and whatever was written is rolled back unless Commit is reached.
class StoreTransaction {
 public:
  explicit StoreTransaction(Database& db) : db_(db) {
    db_.BeginTrans();
    open_ = true;
  }
  ~StoreTransaction() { Rollback(); }
  StoreTransaction(const StoreTransaction&) = delete;
  StoreTransaction& operator=(const StoreTransaction&) = delete;

  void Commit() {
    try {
      db_.CommitTrans();
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
      db_.Rollback();
    } catch (...) {
      // The connection is closed or the engine already rolled back: nothing is left to undo.
    }
  }

 private:
  Database& db_;
  bool open_ = false;
};

}  // namespace kvsys
