#include "app/workstation_settings.h"

#include <QSettings>
#include <QStandardPaths>

namespace kvsys {

WorkstationFiles DefaultWorkstationFiles() {
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  WorkstationFiles files;
  if (!config.isEmpty()) files.settings = config + QStringLiteral("/kvsys/workstation.ini");
  if (!cache.isEmpty()) files.meet_cache = cache + QStringLiteral("/kvsys/meet-list.json");
  return files;
}

QByteArray LoadWindowGeometry(const QString& settings, const QString& key) {
  if (settings.isEmpty()) return {};
  QSettings file(settings, QSettings::IniFormat);
  return file.value(QStringLiteral("Windows/") + key).toByteArray();
}

bool SaveWindowGeometry(const QString& settings, const QString& key, const QByteArray& geometry) {
  if (settings.isEmpty()) return false;
  QSettings file(settings, QSettings::IniFormat);
  file.setValue(QStringLiteral("Windows/") + key, geometry);
  file.sync();
  return file.status() == QSettings::NoError;
}

}  // namespace kvsys
