#include "common/program_version.h"

#include <QDir>

namespace kvsys {

QString ProgramVersion() {
  return QStringLiteral(KVSYS_VERSION);
}

QString LicenceText() {
  // No licence has been chosen for the program yet; the package's copyright file says the same.
  return QStringLiteral("ライセンス：未定（利用・配布の条件はまだ決まっていません）");
}

QString AboutText(const QString& program_folder) {
  return QStringLiteral("賞状印刷システム［競泳］\rバージョン %1\r\r%2\r\rプログラムフォルダ：%3")
      .arg(ProgramVersion(), LicenceText(), QDir::toNativeSeparators(program_folder));
}

}  // namespace kvsys
