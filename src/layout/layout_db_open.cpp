#include "layout/layout_db_open.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "db/database.h"
#include "db/db_error.h"
#include "db/workspace.h"

namespace kvsys {

namespace {

// The first free name of path + ".damaged", ".damaged-2" ... holding a copy of the file; empty
// when none could be made.
QString KeepDamagedCopy(const QString& path) {
  for (int n = 1; n < 100; ++n) {
    const QString name =
        path + QStringLiteral(".damaged") + (n == 1 ? QString() : QStringLiteral("-%1").arg(n));
    if (!QFileInfo::exists(name) && QFile::copy(path, name)) return name;
  }
  return QString();
}

}  // namespace

LayoutDbOpening OpenLayoutDbForWriting(Workspace& workspace, const QString& path) {
  std::shared_ptr<Database> db = workspace.OpenDatabase(path, false);
  QString problem;
  try {
    problem = db->IntegrityProblem();
  } catch (const DbError&) {
    db->Close();
    throw;
  }
  if (problem.isEmpty()) return {std::move(db), QString()};
  db->Close();
  const QString copy = KeepDamagedCopy(path);
  return {nullptr,
          kLayoutDbDamagedMessage + QStringLiteral("\r") +
              (copy.isEmpty() ? QStringLiteral("（写しを残せませんでした）")
                              : QStringLiteral("写し：") + QDir::toNativeSeparators(copy)) +
              QStringLiteral("\r\r") + problem.left(300)};
}

}  // namespace kvsys
