#include "common/profile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "common/profile_file.h"
#include "common/text_util.h"

namespace kvsys {

namespace {

const QString kParamErrorTitle = QStringLiteral("パラメタ不正検出");

}  // namespace

QString SystemProfilePath() {
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/kvsys/WIN.INI");
}

QString GetProfileEx(Dialogs& dialogs, const QString& file, const QString& section,
                     const QString& key) {
  if (TrimBlanks(section).trimmed().isEmpty() || TrimBlanks(key).trimmed().isEmpty()) {
    dialogs.MsgBox(FormatMsg(QStringLiteral("GetProfileEx(%,%,%)"), {file, section, key}),
                   MsgButtons::Ok, MsgIcon::Critical, kParamErrorTitle);
    return QString();
  }
  return ReadProfileValue(file.isEmpty() ? SystemProfilePath() : file, section, key);
}

bool SetProfileEx(Dialogs& dialogs, const QString& file, const QString& section, const QString& key,
                  const QString& value) {
  if (!IsValidProfileSection(section) || !IsValidProfileKey(key) || !IsValidProfileValue(value)) {
    dialogs.MsgBox(FormatMsg(QStringLiteral("SetProfileEx(%,%,%,%)"), {file, section, key, value}),
                   MsgButtons::Ok, MsgIcon::Critical, kParamErrorTitle);
    return false;
  }
  QString path = file;
  if (file.isEmpty()) {
    path = SystemProfilePath();
    QDir().mkpath(QFileInfo(path).path());
  }
  if (!WriteProfileValue(path, section, key, value)) {
    const QString name = file.isEmpty() ? QStringLiteral("WIN.INI") : file;
    dialogs.MsgBox(name + QStringLiteral("に書き込みエラーが発生しました。"), MsgButtons::Ok,
                   MsgIcon::Critical, QStringLiteral("SetProfileEx()"));
    return false;
  }
  return true;
}

}  // namespace kvsys
