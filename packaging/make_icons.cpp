// Writes the desktop's icon files from the program's own drawing: kvsys.svg and kvsys-N.png
// for each size asked for.
//   kvsys-icons FOLDER SIZE...
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "app/program_icon.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kvsys-icons FOLDER SIZE...\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("."))) return 1;
  QFile svg(folder.filePath(QStringLiteral("kvsys.svg")));
  if (!svg.open(QIODevice::WriteOnly) || svg.write(kvsys::ProgramIconSvg()) < 0) return 1;
  for (int i = 2; i < argc; ++i) {
    const int size = QByteArray(argv[i]).toInt();
    if (size <= 0) return 2;
    if (!kvsys::ProgramIconImage(size).save(
            folder.filePath(QStringLiteral("kvsys-%1.png").arg(size)), "PNG")) {
      return 1;
    }
  }
  return 0;
}
