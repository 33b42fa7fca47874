#include "common/program_version.h"

#include <QDir>

namespace kvsys {

QString ProgramVersion() {
  return QStringLiteral(KVSYS_VERSION);
}

QString LicenceText() {
  // As the LICENSE file and the package's copyright file say.
  return QStringLiteral("ライセンス：MIT License（Copyright (c) 2026 the kvsys developers）");
}

QString AboutText(const QString& program_folder) {
  return QStringLiteral("賞状印刷システム［競泳］\rバージョン %1\r\r%2\r\rプログラムフォルダ：%3")
      .arg(ProgramVersion(), LicenceText(), QDir::toNativeSeparators(program_folder));
}

}  // namespace kvsys
