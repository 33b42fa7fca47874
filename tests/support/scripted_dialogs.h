#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "common/dialogs.h"

namespace kvsys::test {

// One message box as the program showed it.
struct ShownBox {
  QString text;
  MsgButtons buttons = MsgButtons::Ok;
  MsgIcon icon = MsgIcon::None;
  QString title;
  int default_button = 1;
};

// One table the program asked the operator to confirm.
struct ShownTable {
  QString title;
  QStringList headers;
  std::vector<QStringList> rows;
  QString accept;
  QString reject;
};

// Answers message boxes from a queue of expected boxes and fails the test on a box nobody
// expected, on a box that differs from the expected one, and on expected boxes never shown.
// A table to confirm that was not scripted is recorded and accepted, as most runs print after
// it; a test that scripts one (ExpectTable) gets it in its place in the queue.
class ScriptedDialogs : public Dialogs {
 public:
  ~ScriptedDialogs() override;

  // Expects the next box to be exactly this one and answers it.
  ScriptedDialogs& Expect(const QString& text, MsgButtons buttons, MsgIcon icon,
                          const QString& title, Answer answer = Answer::Ok);
  // Expects a box with this default button as well.
  ScriptedDialogs& ExpectDefault(const QString& text, MsgButtons buttons, MsgIcon icon,
                                 const QString& title, int default_button, Answer answer);
  ScriptedDialogs& ExpectInput(const QString& prompt, std::optional<QString> answer);
  ScriptedDialogs& ExpectFolder(const QString& answer);
  // Expects a file chooser next, answered with this path (empty: cancelled).
  ScriptedDialogs& ExpectFile(const QString& answer);
  // Expects a table to confirm next, answered with its accept button (or its reject button).
  ScriptedDialogs& ExpectTable(bool accept);

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
  // Where the last folder chooser was to open.
  QString FolderStart() const { return folder_start_; }

  const std::vector<ShownBox>& shown() const { return shown_; }
  const std::vector<ShownTable>& tables() const { return tables_; }
  bool AllShown() const { return expected_.empty(); }
  // Forget what is still expected (after the test has reported it).
  void Reset() { expected_.clear(); }

 private:
  enum class Kind { Box, Input, Folder, File, Table };
  struct Expected {
    Kind kind;
    ShownBox box;
    bool check_default = false;
    Answer answer = Answer::Ok;
    QString text_answer;
    bool cancelled = false;  // an input box answered with Cancel
  };
  // A folder or file chooser shown: the path expected for it (empty when none was).
  QString Chosen(Kind kind, const QString& prompt);
  std::deque<Expected> expected_;
  std::vector<ShownBox> shown_;
  std::vector<ShownTable> tables_;
  QString folder_start_;
};

}  // namespace kvsys::test
