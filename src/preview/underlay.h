#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>
#include <map>
#include <set>

namespace kvsys {

class Dialogs;

// A picture of the blank stock (its printed frame, crest and border) that the preview draws
// faintly under the certificate, so texts are placed against the real frame. Only the page view
// draws it: it is no element of a document, so it never reaches a printer, a PDF file, a dump or
// an image. Workstation settings, section [Underlay] of KVSYS.ini:
//   File=PATH        the picture of every layout without its own
//   LayoutN=PATH     layout N's picture (N 1 to 99); "-" for none, whatever File says
//   Show=False       the picture hidden (shown by default)
// A relative path is relative to the program folder. PNG, JPEG, or a PDF file's first page.

inline const QString kUnderlaySection = QStringLiteral("Underlay");
inline const QString kUnderlayFileKey = QStringLiteral("File");
inline const QString kUnderlayShowKey = QStringLiteral("Show");
inline const QString kUnderlayNone = QStringLiteral("-");
inline const QString kUnderlayUnreadableMessage = QStringLiteral("台紙画像を読み込めません。");
inline const QString kUnderlayPathTooLongMessage =
    QStringLiteral("台紙画像のファイル名が長すぎます（255バイトまで）。");
inline const QString kUnderlayFilter =
    QStringLiteral("台紙画像 (*.png *.jpg *.jpeg *.pdf *.PNG *.JPG *.JPEG *.PDF);;すべて (*)");
// Faint enough that the certificate's own texts stay what the eye reads.
inline constexpr double kUnderlayOpacity = 0.35;

// "Layout7"
QString UnderlayLayoutKey(int number);

// The picture from the texts of a layout's key and of the workstation's key: the layout's own
// over the workstation's. An absolute, clean path; empty for none.
QString ChooseUnderlay(const QString& own, const QString& workstation,
                       const QString& program_folder);
// The picture of layout number as the settings file says.
QString UnderlayFor(Dialogs& dialogs, const QString& ini_file, const QString& program_folder,
                    int number);
// Sets layout number's picture (kUnderlayNone: none). A path the settings file cannot hold
// whole is refused with a message, so a cut path never names another file.
bool StoreUnderlay(Dialogs& dialogs, const QString& ini_file, int number, const QString& path);

bool UnderlayShown(Dialogs& dialogs, const QString& ini_file);
bool StoreUnderlayShown(Dialogs& dialogs, const QString& ini_file, bool shown);

// The picture of a file: an image Qt reads (PNG, JPEG), or the first page of a PDF file as
// pdftoppm (poppler-utils) renders it. A null image when it cannot, with the reason.
QImage ReadUnderlayPicture(const QString& path, QString* reason = nullptr);

// The pictures read in this program run: each file read once (again only when it changed on
// disk), and a file that cannot be read said once, then left alone.
class UnderlayPictures {
 public:
  // The picture at path (absolute); a null image for an empty path or a file that cannot be
  // read, which is said the first time only, or every time the operator has just chosen it.
  QImage Picture(const QString& path, Dialogs& dialogs, bool chosen_now = false);

 private:
  struct Entry {
    QDateTime modified;
    qint64 size = 0;
    QImage image;  // null: the file could not be read
    QString reason;
  };
  void Say(const QString& path, const QString& reason, Dialogs& dialogs, bool again);

  std::map<QString, Entry> read_;
  std::set<QString> said_;
};

}  // namespace kvsys
