#pragma once

#include <QTextStream>

#include "common/dialogs.h"

namespace kvsys::printtool {

// Message boxes of a run without a screen: each text goes to the stream on one line and is
// answered with its default button; input boxes and folder and file choosers are cancelled.
class ConsoleDialogs : public Dialogs {
 public:
  explicit ConsoleDialogs(QTextStream& err) : err_(err) {}

  Answer MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                int default_button) override;
  std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                  const QString& default_text) override;
  QString BrowseFolder(QWidget* owner, const QString& prompt, const QString& start_folder) override;
  QString ChooseFile(QWidget* owner, const QString& prompt, const QString& start_folder,
                     const QString& filter) override;
  // The table goes to the stream, a tab between cells, and is accepted: the command line
  // already said what to do.
  bool ConfirmTable(const QString& title, const QStringList& headers,
                    const std::vector<QStringList>& rows, const QString& accept,
                    const QString& reject) override;

  int shown() const { return shown_; }

 private:
  QTextStream& err_;
  int shown_ = 0;
};

}  // namespace kvsys::printtool
