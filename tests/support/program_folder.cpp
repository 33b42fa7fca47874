#include "program_folder.h"

#include <gtest/gtest.h>

#include <QDir>

#include "layout/layout_schema.h"
#include "support/raw_db.h"

namespace kvsys::test {

ProgramFolder::ProgramFolder(const QByteArray& ini, bool with_layout_db) {
  if (!ini.isNull()) dir_.Write(QStringLiteral("KVSYS.ini"), ini);
  if (with_layout_db) CreateLayoutDatabase(LayoutDbPath());
  QDir().mkpath(Meets());
}

QByteArray ProgramFolder::DamageLayoutDb(const QString& table) const {
  int root = 0;
  {
    RawDb db(LayoutDbPath());
    root =
        db.Scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(table))
            .toInt();
  }
  QByteArray bytes = Read(QStringLiteral("KVSYS.mdb"));
  // The page size, big-endian at offset 16 of the header.
  const int page = bytes.size() < 18 ? 0
                                     : static_cast<unsigned char>(bytes.at(16)) * 256 +
                                           static_cast<unsigned char>(bytes.at(17));
  // Page 1 holds the header and the schema: damage there is another matter.
  if (root < 2 || page == 0 || bytes.size() < root * page) {
    ADD_FAILURE() << "KVSYS.mdb has no page of its own for " << table.toStdString();
    return bytes;
  }
  bytes.replace((root - 1) * page, 64, QByteArray(64, '\xA5'));
  Write(QStringLiteral("KVSYS.mdb"), bytes);
  return bytes;
}

}  // namespace kvsys::test
