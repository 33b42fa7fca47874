#include "app/first_start.h"

#include <QDir>
#include <QFileInfo>

#include "app/captions.h"
#include "certificate/program_folder_setup.h"
#include "common/dialogs.h"
#include "common/profile.h"

namespace kvsys {

bool PrepareProgramFolder(const ProgramFolderPlace& place, Dialogs& dialogs, DbErrorState& errors) {
  if (place.kind == ProgramFolderKind::Beside) {
    // A folder made by hand (or by a copy that left it out) gets what an installed program
    // makes, and the operator is told where.
    if (QFileInfo::exists(QDir(place.folder).filePath(QStringLiteral("KVSYS.mdb")))) return true;
    if (SetUpProgramFolder(place.folder, dialogs, errors) == ProgramFolderSetup::Failed) {
      return false;
    }
    dialogs.MsgBox(QStringLiteral("レイアウトデータベース（KVSYS.mdb）がなかったため、"
                                  "見本のレイアウト入りで作成しました。\r") +
                       QDir::toNativeSeparators(place.folder),
                   MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
    return true;
  }
  if (place.folder.isEmpty()) {
    dialogs.MsgBox(
        QStringLiteral("プログラムフォルダを決められません（ホームフォルダがありません）。\r"
                       "--program-folder か環境変数 KVSYS_PROGRAM_FOLDER で指定してください。"),
        MsgButtons::Ok, MsgIcon::Critical, kMeetSelectionTitle);
    return false;
  }
  const ProgramFolderSetup setup = SetUpProgramFolder(place.folder, dialogs, errors);
  if (setup == ProgramFolderSetup::Failed) return false;

  const QString ini = QDir(place.folder).filePath(QStringLiteral("KVSYS.ini"));
  if (!GetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path"))
           .trimmed()
           .isEmpty()) {
    return true;
  }
  dialogs.MsgBox(
      (setup == ProgramFolderSetup::Created
           ? QStringLiteral("設定とレイアウトのフォルダを作成しました。\r")
           : QStringLiteral("大会データベースのフォルダが設定されていません。\r")) +
          QDir::toNativeSeparators(place.folder) +
          QStringLiteral(
              "\r\r次に、大会データベース（競泳リザルト）のフォルダを選択してください。"),
      MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
  // From the home folder: a new user has no meets folder remembered anywhere yet.
  const QString meets = dialogs.BrowseFolder(
      nullptr, QStringLiteral("Databaseフォルダを選択してください"), QDir::homePath());
  if (meets.isEmpty()) {
    dialogs.MsgBox(QStringLiteral("大会データベースのフォルダが選択されなかったため終了します。\r"
                                  "次の起動でもう一度選択できます。"),
                   MsgButtons::Ok, MsgIcon::Information, kMeetSelectionTitle);
    return false;
  }
  return SetProfileEx(dialogs, ini, QStringLiteral("D_B"), QStringLiteral("DB_Path"),
                      QDir::fromNativeSeparators(meets) + QLatin1Char('/'));
}

}  // namespace kvsys
