#include "program_folder.h"

#include <QDir>

#include "layout/layout_schema.h"

namespace kvsys::test {

ProgramFolder::ProgramFolder(const QByteArray& ini, bool with_layout_db) {
  if (!ini.isNull()) dir_.Write(QStringLiteral("KVSYS.ini"), ini);
  if (with_layout_db) CreateLayoutDatabase(LayoutDbPath());
  QDir().mkpath(Meets());
}

}  // namespace kvsys::test
