#include "layout/layout_jet_import.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUuid>

#include "common/dialogs.h"
#include "db/database.h"
#include "db/db_error.h"
#include "db/field_name.h"
#include "db/sql_text.h"
#include "db/workspace.h"
#include "layout/layout_schema.h"

namespace kvsys {

namespace {

// The first of path.jet, path.jet2, ... that names nothing: an older copy is never replaced.
QString FreeBackupName(const QString& path) {
  for (int n = 1; n < 100; ++n) {
    const QString name = path + QStringLiteral(".jet") + (n > 1 ? QString::number(n) : QString());
    if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink()) return name;
  }
  throw DbError(dberr::kDatabaseExists, DbErrorText(dberr::kDatabaseExists),
                path + QStringLiteral(".jet"));
}

void CopyTable(Database& from, Database& to, const QString& table) {
  const QStringList source = from.ColumnNames(table);
  if (source.isEmpty()) return;
  if (!to.TableExists(table)) {
    QStringList columns;
    for (const QString& c : source) columns << QuoteIdentifier(c);
    to.Execute(QStringLiteral("CREATE TABLE %1 (%2)")
                   .arg(QuoteIdentifier(table), columns.join(QStringLiteral(", "))),
               dbFailOnError);
  }
  // Columns pair up as the engine names them (case, width); one the schema lacks is added.
  QHash<QString, QString> target;
  for (const QString& c : to.ColumnNames(table)) target.insert(NormalizeFieldName(c), c);
  QStringList columns;
  QStringList marks;
  for (const QString& c : source) {
    const auto it = target.constFind(NormalizeFieldName(c));
    if (it == target.constEnd()) {
      to.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                     .arg(QuoteIdentifier(table), QuoteIdentifier(c)),
                 dbFailOnError);
    }
    columns << QuoteIdentifier(it == target.constEnd() ? c : it.value());
    marks << QStringLiteral("?");
  }
  const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                             .arg(QuoteIdentifier(table), columns.join(QStringLiteral(", ")),
                                  marks.join(QStringLiteral(", ")));
  auto rs = from.OpenRecordset(table, dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    QVariantList values;
    for (int i = 0; i < rs->FieldCount(); ++i) values << rs->Field(i);
    to.ExecuteWithParams(insert, values, dbFailOnError);
  }
}

DbError NotRenamed(const QString& from, const QString& to) {
  return DbError(dberr::kFileInUse,
                 QStringLiteral("%1 の名前を %2 に変えられないため、変換できません。")
                     .arg(QFileInfo(from).fileName(), QFileInfo(to).fileName()),
                 from);
}

}  // namespace

void CopyTablesInto(Database& from, Database& to) {
  for (const QString& table : from.TableNames()) CopyTable(from, to, table);
}

bool ConvertJetLayoutDatabase(const QString& path, Dialogs& dialogs) {
  if (!IsJetFile(path)) return false;
  const QFileInfo info(path);
  const QString backup = FreeBackupName(path);
  // Built under a name of its own and moved into place whole, as a new layout database is.
  const QString work = info.dir().filePath(
      QStringLiteral(".") + info.fileName() + QStringLiteral(".") +
      QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".converting"));
  try {
    CreateLayoutDatabase(work);
    {
      Workspace workspace;
      auto jet = workspace.OpenDatabase(path);
      auto db = workspace.OpenDatabase(work);
      db->BeginTrans();
      CopyTablesInto(*jet, *db);
      db->CommitTrans();
      workspace.Close();
    }
    if (!QFile::rename(path, backup)) throw NotRenamed(path, backup);
    if (!QFile::rename(work, path)) {
      QFile::rename(backup, path);
      throw NotRenamed(work, path);
    }
  } catch (const DbError&) {
    QFile::remove(work);
    throw;
  }
  dialogs.MsgBox(
      QStringLiteral("%1 を Windows 版の形式（Jet）からこのシステムの形式に変換しました。"
                     "元のファイルは %2 として残してあります。")
          .arg(info.fileName(), QFileInfo(backup).fileName()),
      MsgButtons::Ok, MsgIcon::Information);
  return true;
}

}  // namespace kvsys
