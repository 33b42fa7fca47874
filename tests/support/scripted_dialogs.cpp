#include "scripted_dialogs.h"

#include <gtest/gtest.h>

namespace kvsys::test {

namespace {
const char* IconName(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::None:
      return "none";
    case MsgIcon::Information:
      return "information";
    case MsgIcon::Question:
      return "question";
    case MsgIcon::Exclamation:
      return "exclamation";
    case MsgIcon::Critical:
      return "critical";
  }
  return "?";
}
const char* ButtonsName(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return "Ok";
    case MsgButtons::OkCancel:
      return "OkCancel";
    case MsgButtons::YesNo:
      return "YesNo";
    case MsgButtons::YesNoCancel:
      return "YesNoCancel";
  }
  return "?";
}
}  // namespace

ScriptedDialogs::~ScriptedDialogs() {
  for (const auto& e : expected_) {
    ADD_FAILURE() << "expected box never shown: " << e.box.text.toStdString();
  }
}

ScriptedDialogs& ScriptedDialogs::Expect(const QString& text, MsgButtons buttons, MsgIcon icon,
                                         const QString& title, Answer answer) {
  expected_.push_back({Kind::Box, {text, buttons, icon, title, 1}, false, answer, {}, false});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectDefault(const QString& text, MsgButtons buttons,
                                                MsgIcon icon, const QString& title,
                                                int default_button, Answer answer) {
  expected_.push_back(
      {Kind::Box, {text, buttons, icon, title, default_button}, true, answer, {}, false});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectInput(const QString& prompt,
                                              std::optional<QString> answer) {
  Expected e{Kind::Input, {}, false, Answer::Ok, answer.value_or(QString()), !answer};
  e.box.text = prompt;
  expected_.push_back(std::move(e));
  return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectFolder(const QString& answer) {
  Expected e{Kind::Folder, {}, false, Answer::Ok, answer, false};
  expected_.push_back(std::move(e));
  return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectFile(const QString& answer) {
  Expected e{Kind::File, {}, false, Answer::Ok, answer, false};
  expected_.push_back(std::move(e));
  return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectTable(bool accept) {
  Expected e{Kind::Table, {}, false, accept ? Answer::Ok : Answer::Cancel, {}, false};
  expected_.push_back(std::move(e));
  return *this;
}

Answer ScriptedDialogs::MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                               const QString& title, int default_button) {
  shown_.push_back({text, buttons, icon, title, default_button});
  if (expected_.empty() || expected_.front().kind != Kind::Box) {
    ADD_FAILURE() << "unexpected message box: [" << title.toStdString() << "] "
                  << text.toStdString() << " (" << ButtonsName(buttons) << ", " << IconName(icon)
                  << ")";
    return buttons == MsgButtons::YesNo ? Answer::No : Answer::Ok;
  }
  Expected e = expected_.front();
  expected_.pop_front();
  EXPECT_EQ(e.box.text.toStdString(), text.toStdString());
  EXPECT_STREQ(ButtonsName(e.box.buttons), ButtonsName(buttons)) << text.toStdString();
  EXPECT_STREQ(IconName(e.box.icon), IconName(icon)) << text.toStdString();
  EXPECT_EQ(e.box.title.toStdString(), title.toStdString()) << text.toStdString();
  if (e.check_default) {
    EXPECT_EQ(e.box.default_button, default_button) << text.toStdString();
  }
  return e.answer;
}

std::optional<QString> ScriptedDialogs::InputBox(const QString& prompt, const QString& title,
                                                 const QString& default_text) {
  shown_.push_back({prompt, MsgButtons::OkCancel, MsgIcon::None, title, 1});
  if (expected_.empty() || expected_.front().kind != Kind::Input) {
    ADD_FAILURE() << "unexpected input box: " << prompt.toStdString();
    return std::nullopt;
  }
  Expected e = expected_.front();
  expected_.pop_front();
  EXPECT_EQ(e.box.text.toStdString(), prompt.toStdString());
  (void)default_text;
  if (e.cancelled) return std::nullopt;
  return e.text_answer;
}

QString ScriptedDialogs::Chosen(Kind kind, const QString& prompt) {
  shown_.push_back({prompt, MsgButtons::OkCancel, MsgIcon::None, QString(), 1});
  if (expected_.empty() || expected_.front().kind != kind) {
    ADD_FAILURE() << "unexpected " << (kind == Kind::Folder ? "folder" : "file")
                  << " chooser: " << prompt.toStdString();
    return QString();
  }
  Expected e = expected_.front();
  expected_.pop_front();
  return e.text_answer;
}

QString ScriptedDialogs::BrowseFolder(QWidget*, const QString& prompt,
                                      const QString& start_folder) {
  folder_start_ = start_folder;
  return Chosen(Kind::Folder, prompt);
}

QString ScriptedDialogs::ChooseFile(QWidget*, const QString& prompt, const QString&,
                                    const QString&) {
  return Chosen(Kind::File, prompt);
}

bool ScriptedDialogs::ConfirmTable(const QString& title, const QStringList& headers,
                                   const std::vector<QStringList>& rows, const QString& accept,
                                   const QString& reject) {
  tables_.push_back({title, headers, rows, accept, reject});
  if (expected_.empty() || expected_.front().kind != Kind::Table) return true;
  Expected e = expected_.front();
  expected_.pop_front();
  return e.answer == Answer::Ok;
}

}  // namespace kvsys::test
