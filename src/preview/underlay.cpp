#include "preview/underlay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include "common/byte_text.h"
#include "common/dialogs.h"
#include "common/profile.h"
#include "common/profile_file.h"
#include "common/text_util.h"

namespace kvsys {

namespace {

// Sharp enough for an A3 sheet filling a large screen, small enough to keep a few in memory.
constexpr int kMaxSide = 2400;
// A damaged or huge PDF file must not hold the preview for long.
constexpr int kPdfMilliseconds = 20000;
// Pictures of other layouts kept read; past this the memory goes before the time.
constexpr size_t kKeptPictures = 8;

QImage RenderPdfPage(const QString& path, QString* reason) {
  QTemporaryDir dir;
  if (!dir.isValid()) {
    *reason = QStringLiteral("一時フォルダを作れません。");
    return {};
  }
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  p.setStandardErrorFile(QProcess::nullDevice());
  // The path is absolute, so it always begins with "/" and is never taken for an option.
  p.start(QStringLiteral("pdftoppm"),
          {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
           QStringLiteral("-scale-to"), QString::number(kMaxSide), QStringLiteral("-png"),
           QStringLiteral("-singlefile"), QFileInfo(path).absoluteFilePath(),
           dir.filePath(QStringLiteral("page"))});
  if (!p.waitForStarted()) {
    *reason = QStringLiteral("PDFファイルを画像にする pdftoppm（poppler-utils）がありません。");
    return {};
  }
  if (!p.waitForFinished(kPdfMilliseconds)) {
    p.kill();
    p.waitForFinished(2000);
    *reason = QStringLiteral("PDFファイルの1ページ目が時間内に描けません。");
    return {};
  }
  QImage image;
  if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) {
    image.load(dir.filePath(QStringLiteral("page.png")));
  }
  if (image.isNull()) *reason = QStringLiteral("PDFファイルの1ページ目を描けません。");
  return image;
}

}  // namespace

QString UnderlayLayoutKey(int number) {
  return QStringLiteral("Layout%1").arg(number);
}

QString ChooseUnderlay(const QString& own, const QString& workstation,
                       const QString& program_folder) {
  QString text = own.trimmed();
  if (text.isEmpty()) text = workstation.trimmed();
  if (text.isEmpty() || text == kUnderlayNone) return QString();
  return QDir::cleanPath(QDir(program_folder).absoluteFilePath(text));
}

QString UnderlayFor(Dialogs& dialogs, const QString& ini_file, const QString& program_folder,
                    int number) {
  return ChooseUnderlay(
      GetProfileEx(dialogs, ini_file, kUnderlaySection, UnderlayLayoutKey(number)),
      GetProfileEx(dialogs, ini_file, kUnderlaySection, kUnderlayFileKey), program_folder);
}

bool StoreUnderlay(Dialogs& dialogs, const QString& ini_file, int number, const QString& path) {
  if (ByteLen(path) > kProfileValueMaxBytes) {
    dialogs.MsgBox(
        kUnderlayPathTooLongMessage + QStringLiteral("\r") + QDir::toNativeSeparators(path),
        MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
  }
  return SetProfileEx(dialogs, ini_file, kUnderlaySection, UnderlayLayoutKey(number), path);
}

bool UnderlayShown(Dialogs& dialogs, const QString& ini_file) {
  return GetProfileEx(dialogs, ini_file, kUnderlaySection, kUnderlayShowKey) != kFalseText;
}

bool StoreUnderlayShown(Dialogs& dialogs, const QString& ini_file, bool shown) {
  return SetProfileEx(dialogs, ini_file, kUnderlaySection, kUnderlayShowKey, FlagText(shown));
}

QImage ReadUnderlayPicture(const QString& path, QString* reason) {
  QString why;
  QImage image;
  const QFileInfo info(path);
  QFile file(path);
  if (!info.exists()) {
    why = QStringLiteral("ファイルがありません。");
  } else if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
    why = QStringLiteral("ファイルを開けません。");
  } else if (file.peek(1024).contains("%PDF-")) {
    image = RenderPdfPage(path, &why);
  } else {
    QImageReader reader(&file);
    reader.setAutoTransform(true);  // a photographed sheet stands as it was held
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxSide || size.height() > kMaxSide)) {
      reader.setScaledSize(size.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio));
    }
    image = reader.read();
    if (image.isNull()) why = QStringLiteral("PNG・JPEGの画像として読めません。");
  }
  if (reason) *reason = why;
  return image;
}

QImage UnderlayPictures::Picture(const QString& path, Dialogs& dialogs, bool chosen_now) {
  if (path.isEmpty()) return QImage();
  const QFileInfo info(path);
  if (!info.exists()) {
    read_.erase(path);
    Say(path, QStringLiteral("ファイルがありません。"), dialogs, chosen_now);
    return QImage();
  }
  const QDateTime modified = info.lastModified();
  auto it = read_.find(path);
  if (it == read_.end() || it->second.modified != modified || it->second.size != info.size()) {
    Entry entry{modified, info.size(), QImage(), QString()};
    entry.image = ReadUnderlayPicture(path, &entry.reason);
    if (read_.size() >= kKeptPictures) read_.clear();
    it = read_.insert_or_assign(path, std::move(entry)).first;
  }
  if (it->second.image.isNull()) Say(path, it->second.reason, dialogs, chosen_now);
  return it->second.image;
}

void UnderlayPictures::Say(const QString& path, const QString& reason, Dialogs& dialogs,
                           bool again) {
  if (!said_.insert(path).second && !again) return;
  dialogs.MsgBox(kUnderlayUnreadableMessage + QStringLiteral("\r") +
                     QDir::toNativeSeparators(path) + QStringLiteral("\r") + reason,
                 MsgButtons::Ok, MsgIcon::Exclamation);
}

}  // namespace kvsys
