#pragma once

#include "common/dialogs.h"

namespace kvsys {

// The real boxes, owned by the given parent window (may be null).
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

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

 private:
  QWidget* parent_;
};

}  // namespace kvsys
