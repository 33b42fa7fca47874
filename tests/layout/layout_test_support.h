#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QString>
#include <QVariant>
#include <memory>

#include "db/database.h"
#include "db/db_error.h"
#include "db/workspace.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace kvsys::test {

// Runs SQL on a file through SQLite itself, beside the engine: to damage a database, to hold
// a lock like another workstation, and to check what was stored without the code under test.
class RawDb {
 public:
  explicit RawDb(const QString& path);
  ~RawDb();
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  void Exec(const QString& sql);
  // The first column of the first row; a null QVariant when there is none.
  QVariant Scalar(const QString& sql);
  int Count(const QString& table, int number);  // rows of the table with that layout number

 private:
  sqlite3* db_ = nullptr;
};

// A fresh KVSYS.mdb in a temporary folder, opened like a workstation opens it.
class LayoutDbTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Another workstation on the same file.
  std::shared_ptr<Database> OpenSecond();
  LayoutStore& store() { return *store_; }
  RawDb& raw() { return *raw_; }

  // The settings a test writes: every field distinct.
  static LayoutSettings SampleSettings();

  TempFolder folder_;
  QString path_;
  Workspace workspace_;
  std::shared_ptr<Database> db_;
  DbErrorState errors_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<LayoutStore> store_;
  std::unique_ptr<RawDb> raw_;
};

}  // namespace kvsys::test
