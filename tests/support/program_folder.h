#pragma once

#include <QByteArray>
#include <QString>

#include "support/temp_folder.h"

namespace kvsys::test {

// A program folder as the program finds it beside its executable: KVSYS.ini with the given
// text and a fresh KVSYS.mdb from the layout schema, plus a folder for meets.
class ProgramFolder {
 public:
  explicit ProgramFolder(const QByteArray& ini = QByteArray(), bool with_layout_db = true);
  QString path() const { return dir_.path(); }
  QString File(const QString& name) const { return dir_.File(name); }
  QString LayoutDbPath() const { return File(QStringLiteral("KVSYS.mdb")); }
  QString Meets() const { return dir_.File(QStringLiteral("meets")); }
  QByteArray Ini() const { return dir_.Read(QStringLiteral("KVSYS.ini")); }
  QString Write(const QString& name, const QByteArray& bytes) const {
    return dir_.Write(name, bytes);
  }
  QByteArray Read(const QString& name) const { return dir_.Read(name); }
  const TempFolder& dir() const { return dir_; }

 private:
  TempFolder dir_;
};

}  // namespace kvsys::test
