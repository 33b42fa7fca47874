#pragma once

#include <QDir>

#include "db/database.h"
#include "db/schema.h"
#include "db/workspace.h"
#include "layout/layout_schema.h"
#include "support/temp_folder.h"

namespace kvsys::test {

// A program folder as the program finds it beside its executable: KVSYS.ini with the given
// text and a fresh KVSYS.mdb, plus a folder for meets.
class ProgramFolder {
 public:
  explicit ProgramFolder(const QByteArray& ini = QByteArray(), bool with_layout_db = true) {
    if (!ini.isNull()) dir_.Write(QStringLiteral("KVSYS.ini"), ini);
    if (with_layout_db) CreateLayoutDatabase(dir_.File(QStringLiteral("KVSYS.mdb")));
    QDir().mkpath(Meets());
  }
  QString path() const { return dir_.path(); }
  QString File(const QString& name) const { return dir_.File(name); }
  QString Meets() const { return dir_.File(QStringLiteral("meets")); }
  QByteArray Ini() const { return dir_.Read(QStringLiteral("KVSYS.ini")); }
  const TempFolder& dir() const { return dir_; }

  // A results-database stand-in holding only the meet settings the listing reads.
  static void WriteMeet(const QString& path, const QString& name, const QString& first_day,
                        const QString& last_day) {
    QDir().mkpath(QFileInfo(path).path());
    CreateDatabase(path);
    Workspace ws;
    auto db = ws.OpenDatabase(path);
    db->Execute(QStringLiteral("CREATE TABLE 大会設定 (大会名1 TEXT, 大会名2 TEXT, 始期間 TEXT, "
                               "終期間 TEXT)"),
                dbFailOnError);
    db->Execute(QStringLiteral("INSERT INTO 大会設定 VALUES ('%1', '', '%2', '%3')")
                    .arg(name, first_day, last_day),
                dbFailOnError);
    ws.Close();
  }

 private:
  TempFolder dir_;
};

}  // namespace kvsys::test
