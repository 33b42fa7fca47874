#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class QWidget;

namespace kvsys {

// Title of a message box whose caller names none.
inline const QString kAppTitle = QStringLiteral("賞状");

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Question, Exclamation, Critical };
enum class Answer { Ok, Cancel, Yes, No };

// Every message box, input box, folder and file chooser of the program goes through this service,
// so windows and routines can be driven by a scripted implementation in tests.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // default_button is 1-based, as the buttons are listed (YesNo with 2 = No).
  virtual Answer MsgBox(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                        MsgIcon icon = MsgIcon::None, const QString& title = kAppTitle,
                        int default_button = 1) = 0;

  // nullopt when the operator cancels.
  virtual std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                          const QString& default_text = QString()) = 0;

  // The chosen folder's path, or an empty text when the operator cancels. The chooser opens at
  // start_folder when it exists.
  virtual QString BrowseFolder(QWidget* owner, const QString& prompt,
                               const QString& start_folder = QString()) = 0;

  // The chosen file's path, or an empty text when the operator cancels. filter is a file
  // dialog's filter ("画像 (*.png *.jpg)"); the chooser opens at start_folder when it exists.
  virtual QString ChooseFile(QWidget* owner, const QString& prompt, const QString& start_folder,
                             const QString& filter) = 0;

  // A table the operator reads before going on (the check before printing): true for the
  // accept button, false for the reject button, Esc or the close box.
  virtual bool ConfirmTable(const QString& title, const QStringList& headers,
                            const std::vector<QStringList>& rows, const QString& accept,
                            const QString& reject) = 0;
};

}  // namespace kvsys
