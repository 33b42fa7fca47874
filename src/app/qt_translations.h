#pragma once

class QCoreApplication;

namespace kvsys {

// Installs Qt's own texts (the buttons and labels of its dialogs, the folder chooser's among
// them) in Japanese, as every text of the program is. False when they are not installed
// (Debian package qt6-translations-l10n); Qt's English texts then stay.
bool InstallJapaneseQtTranslations(QCoreApplication& app);

}  // namespace kvsys
