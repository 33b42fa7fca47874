#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

namespace kvsys::test {

// A temporary folder under the build tree, removed with the object.
class TempFolder {
 public:
  TempFolder() : dir_(QStringLiteral(KVSYS_BINARY_DIR "/tmp-test-XXXXXX")) {}
  QString path() const { return dir_.path(); }
  QString File(const QString& name) const { return dir_.filePath(name); }
  QString Write(const QString& name, const QByteArray& bytes) const {
    const QString p = File(name);
    QDir().mkpath(QFileInfo(p).path());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return p;
  }
  QByteArray Read(const QString& name) const {
    QFile f(File(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private:
  QTemporaryDir dir_;
};

}  // namespace kvsys::test
