#include "fixture.h"

#include <QFile>
#include <QFileInfo>

namespace kvsys::test {

namespace {
const char kFixtureFolder[] = "tests/fixtures/jet/";

MissingFixture Missing(const QString& name, const char* what) {
  return MissingFixture(std::string(what) + " fixture " + kFixtureFolder + name.toStdString());
}
}  // namespace

QString FixturePath(const QString& name) {
  const QString path = QStringLiteral(KVSYS_SOURCE_DIR "/") + QLatin1String(kFixtureFolder) + name;
  if (!QFileInfo(path).isFile()) throw Missing(name, "missing");
  return path;
}

QByteArray ReadFixture(const QString& name) {
  QFile file(FixturePath(name));
  if (!file.open(QIODevice::ReadOnly)) throw Missing(name, "unreadable");
  return file.readAll();
}

QString FixtureText(const QString& name) {
  return QString::fromUtf8(ReadFixture(name));
}

}  // namespace kvsys::test
