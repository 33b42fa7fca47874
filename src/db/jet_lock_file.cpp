#include "db/jet_lock_file.h"

#include <QFile>
#include <QFileInfo>

#include "common/cp932.h"

namespace kvsys {

namespace {

// One entry per open connection: the computer name and the user name, 32 bytes each,
// padded with NULs. Jet allows 255 connections.
constexpr int kEntrySize = 64;
constexpr int kNameSize = 32;
constexpr int kMaxEntries = 255;

// Names are in the writing workstation's code page.
QString DecodeName(const QByteArray& raw) {
  bool valid = true;
  const QString name = DecodeCp932(raw, &valid);
  return (valid ? name : QString::fromLatin1(raw)).trimmed();
}

bool Printable(const QString& name) {
  for (QChar c : name) {
    if (!c.isPrint()) return false;
  }
  return !name.isEmpty();
}

}  // namespace

QStringList JetLockHolders(const QString& database_path) {
  const QFileInfo db(database_path);
  QFile file(db.path() + QLatin1Char('/') + db.completeBaseName() + QStringLiteral(".ldb"));
  if (!file.exists())
    file.setFileName(db.path() + QLatin1Char('/') + db.completeBaseName() + QStringLiteral(".LDB"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = file.read(kEntrySize * kMaxEntries);
  QStringList names;
  for (qsizetype at = 0; at + kNameSize <= data.size(); at += kEntrySize) {
    QByteArray raw = data.mid(at, kNameSize);
    const qsizetype end = raw.indexOf('\0');
    if (end >= 0) raw.truncate(end);
    const QString name = DecodeName(raw);
    if (Printable(name) && !names.contains(name)) names.append(name);
  }
  return names;
}

}  // namespace kvsys
