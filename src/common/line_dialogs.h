#pragma once

#include <QStringList>

#include "common/dialogs.h"

namespace kvsys {

// The dialogs of a run nobody watches (自動印刷, following a meet from the command line): every
// message becomes a line instead of a box, and nothing is asked. A question is answered with
// what does not go ahead (No, Cancel), so a run never does unasked what an operator would
// have had to allow; input boxes and folder and file choosers are cancelled, a table is not
// accepted.
class LineDialogs : public Dialogs {
 public:
  Answer MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                int default_button) override;
  std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                  const QString& default_text) override;
  QString BrowseFolder(QWidget* owner, const QString& prompt, const QString& start_folder) override;
  QString ChooseFile(QWidget* owner, const QString& prompt, const QString& start_folder,
                     const QString& filter) override;
  bool ConfirmTable(const QString& title, const QStringList& headers,
                    const std::vector<QStringList>& rows, const QString& accept,
                    const QString& reject) override;

  // The messages since the last call, each on one line, in order.
  QStringList TakeLines();

 private:
  void Add(const QString& text);
  QStringList lines_;
};

}  // namespace kvsys
