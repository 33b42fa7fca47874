// Dialogs that turn messages into lines, for runs nobody watches.
#include "common/line_dialogs.h"

#include "common/text_util.h"

namespace kvsys {

void LineDialogs::Add(const QString& text) {
  // A box's line breaks (\r from the messages' own style) become blanks of one line.
  QString line = text;
  line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  line.replace(u'\r', u' ');
  line.replace(u'\n', u' ');
  line = TrimBlanks(line.simplified());
  if (!line.isEmpty()) lines_ << line;
}

Answer LineDialogs::MsgBox(const QString& text, MsgButtons buttons, MsgIcon, const QString&, int) {
  Add(text);
  switch (buttons) {
    case MsgButtons::Ok:
      return Answer::Ok;
    case MsgButtons::OkCancel:
      return Answer::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
      return Answer::No;
  }
  return Answer::Cancel;
}

std::optional<QString> LineDialogs::InputBox(const QString& prompt, const QString&,
                                             const QString&) {
  Add(prompt);
  return std::nullopt;
}

QString LineDialogs::BrowseFolder(QWidget*, const QString& prompt, const QString&) {
  Add(prompt);
  return QString();
}

QString LineDialogs::ChooseFile(QWidget*, const QString& prompt, const QString&, const QString&) {
  Add(prompt);
  return QString();
}

bool LineDialogs::ConfirmTable(const QString& title, const QStringList&,
                               const std::vector<QStringList>&, const QString&, const QString&) {
  Add(title);
  return false;
}

QStringList LineDialogs::TakeLines() {
  QStringList lines;
  lines.swap(lines_);
  return lines;
}

}  // namespace kvsys
