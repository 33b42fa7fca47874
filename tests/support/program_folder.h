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
  // Overwrites the start of the table's first page in KVSYS.mdb with garbage, as a write torn
  // by a share's failed locking leaves it: the file still opens and what does not read that
  // table works on, SQLite's quick check finds the damage. Returns the file's bytes as they
  // now are.
  QByteArray DamageLayoutDb(const QString& table) const;

 private:
  TempFolder dir_;
};

}  // namespace kvsys::test
