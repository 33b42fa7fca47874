// The tables of KVSYS.mdb.
//
// Text columns are TEXT without a length limit. The editor limits some of its fields (title and
// presenter's name 18 characters, edition and first meet-name line 48, date and presenter's
// title 35, body text 200) and leaves the second meet-name line and the layout name unlimited;
// font face names come from the installed fonts and may be longer than 31 characters; the work
// tables hold meet names, dates as text ("yyyy/mm/dd hh:nn:ss") and code words. Declared
// lengths would not be enforced by the storage engine anyway, and an enforced one would only
// turn a value the editor accepts into an error on save.
//
// Numbers are 16-bit columns that refuse values outside -32768..32767 (3349). Each layout table
// has its layout number as primary key, so two workstations can never store the same number
// twice. KVSSEL.flda is text: it holds a meet number or the name of a meet's sub-folder, and a
// name like "007" must keep its zeros.
#include "layout/layout_schema.h"

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <cerrno>
#include <memory>
#include <vector>

#include "db/database.h"
#include "db/db_error.h"
#include "db/schema.h"
#include "db/sql_text.h"
#include "db/workspace.h"
#include "layout/layout_items.h"

namespace kvsys {

namespace {

enum class Kind { kInt16, kText };

struct Column {
  QString name;
  Kind kind;
  QString default_sql;  // empty for none
  bool key = false;
};

struct Table {
  QString name;
  std::vector<Column> columns;
};

Column Int16(const QString& name, const QString& default_sql = QString()) {
  return {name, Kind::kInt16, default_sql};
}
Column Key(const QString& name, const QString& default_sql = QString()) {
  return {name, Kind::kInt16, default_sql, true};
}
Column Text(const QString& name) {
  return {name, Kind::kText, QString()};
}

const std::vector<Table>& Tables() {
  static const std::vector<Table> tables = [] {
    std::vector<Table> t;
    t.push_back({QStringLiteral("保存名"),
                 {Key(QStringLiteral("SaveNumber")), Int16(QStringLiteral("taikai_no")),
                  Text(QStringLiteral("savename"))}});

    // Readers take KVS210 by column position: the order here is fixed.
    Table kvs210{QStringLiteral("KVS210"), {Key(QStringLiteral("SaveNumber"))}};
    for (const char* name : {"FLDA", "FLDB", "FLDC", "FLDD", "FLDE"}) {
      kvs210.columns.push_back(Int16(QString::fromLatin1(name)));
    }
    for (const char* name : {"FLDF", "FLDG", "FLDH", "FLDI", "FLDJ", "FLDK", "FLDL", "FLDM"}) {
      kvs210.columns.push_back(Text(QString::fromLatin1(name)));
    }
    kvs210.columns.push_back(Int16(QStringLiteral("FLDN")));
    t.push_back(kvs210);

    // A row added without positions (the editor never writes 殿X/殿Y) must sit at the base
    // positions, so every column defaults to 0.
    const QString zero = QStringLiteral("0");
    Table positions{QStringLiteral("座標"), {Key(QStringLiteral("SaveNumber"), zero)}};
    for (int i = 0; i < kLayoutItemCount; ++i) {
      positions.columns.push_back(Int16(PositionXColumn(i), zero));
      positions.columns.push_back(Int16(PositionYColumn(i), zero));
    }
    t.push_back(positions);

    Table fonts{QStringLiteral("フォント"), {Key(QStringLiteral("SaveNumber"))}};
    for (int i = 0; i < kFontItemCount; ++i) {
      fonts.columns.push_back(Text(FontNameColumn(i)));
      fonts.columns.push_back(Int16(FontSizeColumn(i)));
      fonts.columns.push_back(Int16(FontBoldColumn(i)));
      fonts.columns.push_back(Int16(FontItalicColumn(i)));
    }
    t.push_back(fonts);

    // 0 = printed: a row added with some flags missing prints those items.
    Table show{QStringLiteral("ShowOrNot"), {Key(QStringLiteral("savenumber"))}};
    for (int i = 0; i < kFontItemCount; ++i) show.columns.push_back(Int16(ShowColumn(i), zero));
    t.push_back(show);

    t.push_back({QStringLiteral("全体フォント"),
                 {Text(QStringLiteral("全体フォント")), Int16(QStringLiteral("決定"))}});

    t.push_back({QStringLiteral("KVSSEL"),
                 {Text(QStringLiteral("flda")), Text(QStringLiteral("FLDB")),
                  Text(QStringLiteral("FLDE")), Text(QStringLiteral("FLDF"))}});
    for (const char* name : {"KVS40", "KVS30"}) {
      Table work{QString::fromLatin1(name), {Text(QStringLiteral("flda"))}};
      for (const char* col : {"FLDB", "FLDC", "FLDD", "FLDE", "FLDF", "FLDG"}) {
        work.columns.push_back(Text(QString::fromLatin1(col)));
      }
      t.push_back(work);
    }
    return t;
  }();
  return tables;
}

QString CreateTableSql(const Table& table) {
  QStringList defs;
  QStringList keys;
  for (const Column& c : table.columns) {
    if (c.kind == Kind::kInt16) {
      QString def = Int16Column(c.name, c.default_sql);
      if (c.key) def += QStringLiteral(" NOT NULL");
      defs << def;
    } else {
      defs << QuoteIdentifier(c.name) + QStringLiteral(" TEXT");
    }
    if (c.key) keys << QuoteIdentifier(c.name);
  }
  if (!keys.isEmpty()) defs << QStringLiteral("PRIMARY KEY (") + keys.join(u", ") + u')';
  return QStringLiteral("CREATE TABLE ") + QuoteIdentifier(table.name) + QStringLiteral(" (") +
         defs.join(u", ") + u')';
}

void RemoveDatabaseFile(const QString& path) {
  QFile::remove(path);
  QFile::remove(path + QStringLiteral("-journal"));
}

// Puts the finished file in place without ever replacing one that appeared meanwhile.
void MoveIntoPlace(const QString& from, const QString& to) {
  const QByteArray from_name = QFile::encodeName(from);
  const QByteArray to_name = QFile::encodeName(to);
  if (::link(from_name.constData(), to_name.constData()) == 0) {
    QFile::remove(from);
    return;
  }
  if (errno == EEXIST)
    throw DbError(dberr::kDatabaseExists, DbErrorText(dberr::kDatabaseExists), to);
  // File systems without hard links: rename, which Qt refuses when the target exists.
  if (!QFile::rename(from, to)) {
    const int number = QFileInfo::exists(to) ? dberr::kDatabaseExists : dberr::kInvalidPath;
    throw DbError(number, DbErrorText(number), to);
  }
}

}  // namespace

QStringList LayoutTableNames() {
  QStringList names;
  for (const Table& t : Tables()) names << t.name;
  return names;
}

QStringList LayoutTableColumns(const QString& table) {
  for (const Table& t : Tables()) {
    if (t.name.compare(table, Qt::CaseInsensitive) != 0) continue;
    QStringList names;
    for (const Column& c : t.columns) names << c.name;
    return names;
  }
  return {};
}

void CreateLayoutDatabase(const QString& path, const std::function<void(Database&)>& fill) {
  if (path.isEmpty()) throw DbError(dberr::kInvalidPath);
  const QFileInfo target(path);
  if (target.exists() || target.isSymLink()) {
    throw DbError(dberr::kDatabaseExists, DbErrorText(dberr::kDatabaseExists), path);
  }
  if (!target.dir().exists()) {
    throw DbError(dberr::kPathNotFound, DbErrorText(dberr::kPathNotFound), target.path());
  }
  // Built under a name of its own in the same folder, then moved into place whole, so a failure
  // or a crash never leaves a KVSYS.mdb with half its tables.
  const QString work = target.dir().filePath(QStringLiteral(".") + target.fileName() + u'.' +
                                             QUuid::createUuid().toString(QUuid::WithoutBraces) +
                                             QStringLiteral(".tmp"));
  try {
    CreateDatabase(work);
    {
      Workspace workspace;
      std::shared_ptr<Database> db = workspace.OpenDatabase(work);
      db->Execute(QStringLiteral("BEGIN"));
      for (const Table& t : Tables()) db->Execute(CreateTableSql(t), dbFailOnError);
      db->Execute(QStringLiteral("COMMIT"));
      if (fill) fill(*db);
      workspace.Close();
    }
    MoveIntoPlace(work, path);
  } catch (...) {
    RemoveDatabaseFile(work);
    throw;
  }
}

}  // namespace kvsys
