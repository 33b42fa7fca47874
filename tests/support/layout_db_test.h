#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>

#include "db/database.h"
#include "db/db_error.h"
#include "db/workspace.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "support/program_folder.h"
#include "support/raw_db.h"
#include "support/scripted_dialogs.h"

namespace kvsys::test {

// The fresh KVSYS.mdb of a program folder, opened like a workstation opens it.
class LayoutDbTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Another workstation on the same file.
  std::shared_ptr<Database> OpenSecond();
  LayoutStore& store() { return *store_; }
  RawDb& raw() { return *raw_; }

  // The settings a test writes: every field distinct.
  static LayoutSettings SampleSettings();

  ProgramFolder folder_;
  QString path_;
  Workspace workspace_;
  std::shared_ptr<Database> db_;
  DbErrorState errors_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<LayoutStore> store_;
  std::unique_ptr<RawDb> raw_;
};

}  // namespace kvsys::test
