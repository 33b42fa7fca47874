#include "print/console_dialogs.h"

namespace kvsys::printtool {

namespace {

QString OneLine(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return text;
}

}  // namespace

Answer ConsoleDialogs::MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                              const QString& title, int default_button) {
  (void)icon;
  (void)title;
  ++shown_;
  err_ << OneLine(text) << Qt::endl;
  switch (buttons) {
    case MsgButtons::Ok:
      return Answer::Ok;
    case MsgButtons::OkCancel:
      return default_button == 2 ? Answer::Cancel : Answer::Ok;
    case MsgButtons::YesNo:
      return default_button == 2 ? Answer::No : Answer::Yes;
    case MsgButtons::YesNoCancel:
      return default_button == 3 ? Answer::Cancel
                                 : (default_button == 2 ? Answer::No : Answer::Yes);
  }
  return Answer::Ok;
}

std::optional<QString> ConsoleDialogs::InputBox(const QString& prompt, const QString& title,
                                                const QString& default_text) {
  (void)title;
  (void)default_text;
  err_ << OneLine(prompt) << Qt::endl;
  return std::nullopt;
}

QString ConsoleDialogs::BrowseFolder(QWidget* owner, const QString& prompt,
                                     const QString& start_folder) {
  (void)owner;
  (void)start_folder;
  err_ << OneLine(prompt) << Qt::endl;
  return QString();
}

QString ConsoleDialogs::ChooseFile(QWidget* owner, const QString& prompt,
                                   const QString& start_folder, const QString& filter) {
  (void)owner;
  (void)start_folder;
  (void)filter;
  err_ << OneLine(prompt) << Qt::endl;
  return QString();
}

bool ConsoleDialogs::ConfirmTable(const QString& title, const QStringList& headers,
                                  const std::vector<QStringList>& rows, const QString& accept,
                                  const QString& reject) {
  (void)accept;
  (void)reject;
  ++shown_;
  err_ << OneLine(title) << Qt::endl;
  err_ << headers.join(QLatin1Char('\t')) << Qt::endl;
  for (const QStringList& row : rows) {
    QStringList cells;
    for (const QString& cell : row)
      cells << OneLine(cell).replace(QLatin1Char('\t'), QLatin1Char(' '));
    err_ << cells.join(QLatin1Char('\t')) << Qt::endl;
  }
  return true;
}

}  // namespace kvsys::printtool
