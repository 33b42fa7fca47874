#pragma once

#include <QString>
#include <memory>

#include "db/database.h"
#include "db/workspace.h"
#include "support/database_files.h"
#include "support/raw_db.h"
#include "support/temp_folder.h"

namespace kvsys::test {

// The tables of a results database as the results system writes them (Yes/No as -1/0).
inline const char kSettingsSchema[] =
    "CREATE TABLE 大会設定 (大会名1 TEXT, 大会名2 TEXT, 始期間 TEXT, 終期間 TEXT,"
    " クラス分け INTEGER, 選手使用所属 INTEGER, 開催地 TEXT, 備考 TEXT, タッチ板 INTEGER,"
    " 団体名 INTEGER, 選手エントリーチェック INTEGER, プール INTEGER, 大会名印刷 INTEGER,"
    " 備考欄 INTEGER, プールコンディション INTEGER, 学校 INTEGER, ラップ INTEGER,"
    " 使用水路予選 INTEGER, 使用水路タイム決勝 INTEGER, 使用水路決勝 INTEGER, 新記録上段 TEXT,"
    " 新記録下段 TEXT, 印刷用競技番号 INTEGER, 組内最少人数 INTEGER);";
inline const char kLaneBoxSchema[] =
    "CREATE TABLE レーンボックス (番号 INTEGER PRIMARY KEY, レーンボックス INTEGER,"
    " 班組使用水路 INTEGER);";
inline const char kClassSchema[] =
    "CREATE TABLE クラス (番号 SMALLINT PRIMARY KEY, クラス名称 TEXT);";
inline const QString kResultsSchema = QString::fromUtf8(kSettingsSchema) +
                                      QString::fromUtf8(kLaneBoxSchema) +
                                      QString::fromUtf8(kClassSchema);

// A results database in a temporary folder, built with plain SQL and read through the engine.
class ResultsDb {
 public:
  explicit ResultsDb(const QString& schema = kResultsSchema)
      : path_(WriteMeetFile(folder_.File("Swim01.mdb"), schema)) {}

  // Runs SQL on the file directly (outside the engine).
  void Exec(const QString& sql) { ExecSql(path_, sql); }

  // The meet settings row with classes on and every other column null.
  void InsertNullSettings(int classes = -1) {
    Exec(QStringLiteral("INSERT INTO 大会設定 (クラス分け) VALUES (%1)").arg(classes));
  }

  Database& Open() {
    if (!db_) db_ = workspace_.OpenDatabase(path_);
    return *db_;
  }
  const QString& path() const { return path_; }

 private:
  TempFolder folder_;
  QString path_;
  Workspace workspace_;
  std::shared_ptr<Database> db_;
};

}  // namespace kvsys::test
