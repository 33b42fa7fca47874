// The whole job with the keyboard on a fresh program folder: the layout editor makes and
// decides a layout, the print list prints certificates with its texts, and deleting the
// layout in force sends the menu back to the editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "app/app_flow_ui.h"
#include "app/app_state.h"
#include "app/instance_guard.h"
#include "app/kvs00.h"
#include "app/kvsmenu.h"
#include "app/kvssel.h"
#include "common/text_util.h"
#include "desk/kvs220.h"
#include "layout/japanese_date.h"
#include "layout/kvs210.h"
#include "print/output_settings.h"
#include "samplemeet/sample_meet.h"
#include "support/document_helpers.h"
#include "support/find_child.h"
#include "support/program_folder.h"
#include "support/scripted_dialogs.h"

namespace kvsys::test {
namespace {

const QString kDecideFirst = QStringLiteral("表示内容を決定してください。");

// Typed characters, one key press each (Qt Test types ASCII only).
void Keys(QWidget* w, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &press);
  }
}

void Retype(QLineEdit* e, const QString& text) {
  e->setFocus();
  e->selectAll();
  QTest::keyClick(e, Qt::Key_Backspace);
  Keys(e, text);
}

QWidget* ActivePage(KVS00& main) {
  QMdiSubWindow* sub = main.mdi()->activeSubWindow();
  return sub ? sub->widget() : nullptr;
}

QStringList TextsOf(const PrintDocument& doc) {
  QStringList texts;
  for (const PrintPage& page : doc.pages) {
    for (const PageElement& e : page.elements) {
      if (const auto* run = std::get_if<TextRun>(&e)) texts << run->text;
    }
  }
  return texts;
}

TEST(LayoutToPrint, FreshProgramFolderThroughTheEditorToPrintedCertificates) {
  ProgramFolder folder;
  folder.dir().Write(QStringLiteral("KVSYS.ini"),
                     "[Ver]\r\nVer=0\r\n[D_B]\r\nDB_Path=" + folder.Meets().toUtf8() +
                         "/\r\n[Output]\r\nTarget=PDF\r\nPdfFolder=pdf\r\n");
  samplemeet::MeetSpec spec;
  spec.number = 3;
  spec.swimmers = 12;
  spec.events = 2;
  spec.days = 1;
  QString error;
  ASSERT_FALSE(samplemeet::WriteSampleMeet(folder.Meets(), samplemeet::FolderLayout::Ver50, spec,
                                           false, &error)
                   .isEmpty())
      << error.toStdString();

  AppState state;
  ScriptedDialogs dialogs;
  InstanceGuard guard(folder.File(QStringLiteral("kvsys.lock")));
  AppFlow flow(state, dialogs, guard, folder.path());
  ASSERT_TRUE(flow.Start());
  flow.selection()->show();
  QApplication::setActiveWindow(flow.selection());
  QTest::keyClick(flow.selection(), Qt::Key_F5);
  QCoreApplication::processEvents();
  ASSERT_NE(flow.main(), nullptr);
  KVS00& main = *flow.main();
  QApplication::setActiveWindow(&main);
  QCoreApplication::processEvents();

  // No layout yet: printing opens the editor.
  dialogs.Expect(kDecideFirst, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  QTest::keyClick(main.menuWindow(), Qt::Key_F2);
  auto* editor = qobject_cast<KVS210*>(ActivePage(main));
  ASSERT_NE(editor, nullptr);
  // The meet's own names, not another meet's, the edition split off as its own item.
  const QString edition = editor->FieldTexts()[kFieldEdition];
  const QString name1 = editor->FieldTexts()[kFieldMeetName1];
  EXPECT_TRUE(edition.startsWith(u'第') && edition.endsWith(u'回')) << edition.toStdString();
  EXPECT_EQ(edition + u' ' + name1, TrimBlanks(state.MeetSettings.大会名1));

  Retype(Child<QLineEdit>(editor, "TXT_TITLE"), QStringLiteral("表彰状"));
  Retype(Child<QLineEdit>(editor, "TXT_TAIKAI2"), QStringLiteral("兼 県予選会"));
  Retype(Child<QLineEdit>(editor, "TXT_PRS"), QStringLiteral("水野 一郎"));
  const QString today = JapaneseEraDate(QDate::currentDate());
  Retype(Child<QLineEdit>(editor, "TXT_YMD"), today);
  for (const char* rank : {"TXT_H", "TXT_T", "TXT_F", "TXT_B"}) {
    Retype(Child<QLineEdit>(editor, rank), QStringLiteral("3"));
  }
  dialogs.ExpectInput(QStringLiteral("名前をつけてください。"), QStringLiteral("市民大会"));
  dialogs.Expect(QStringLiteral("登録されました。"), MsgButtons::Ok, MsgIcon::Information,
                 kKvs210Caption);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
  dialogs.Expect(QStringLiteral("市民大会を使用します。"), MsgButtons::Ok, MsgIcon::Information,
                 kAppTitle);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);
  ASSERT_TRUE(dialogs.AllShown());

  // Decided: the menu opens the print list, which names the layout and its font.
  QTest::keyClick(main.menuWindow(), Qt::Key_F2);
  auto* list = qobject_cast<KVS220*>(ActivePage(main));
  ASSERT_NE(list, nullptr);
  list->Activate();
  // The second line typed over the meet's own is marked where the layout is named.
  ASSERT_FALSE(TrimBlanks(state.MeetSettings.大会名2).isEmpty());
  EXPECT_EQ(Child<QLabel>(list, "lblCurR")->text(),
            QStringLiteral("  市民大会　※大会名が違います  "));
  EXPECT_EQ(Child<QComboBox>(list, "Combo2")->currentText(), QStringLiteral("ＭＳ　明朝"));
  ASSERT_GT(list->EventCount(), 0);
  Child<QCheckBox>(list, "Check1")->setChecked(true);
  // The workstation's output, and a look at what it is given.
  RecordingOutput seen;
  list->Session().SetOutput([&] {
    auto out = std::make_unique<MultiOutput>();
    out->Add(MakeOutput(LoadOutputSettings(dialogs, state.IniPath, state.AppFolder)));
    out->Add(std::make_unique<ForwardingOutput>(seen));
    return out;
  });
  list->Print();
  const QStringList pdfs =
      QDir(folder.File(QStringLiteral("pdf"))).entryList({QStringLiteral("*.pdf")}, QDir::Files);
  EXPECT_EQ(pdfs.size(), 1);  // one file for the run
  ASSERT_FALSE(seen.written.empty());
  const QStringList printed = TextsOf(seen.written.back());
  for (const QString& text : {QStringLiteral("表彰状"), QStringLiteral("兼 県予選会"),
                              QStringLiteral("水野 一郎"), today, edition, name1}) {
    EXPECT_TRUE(printed.contains(text)) << text.toStdString();
  }

  // Deleting the layout in force leaves nothing decided: the menu sends the operator back.
  main.ShowLayoutSettings();
  ASSERT_EQ(ActivePage(main), editor);
  dialogs.Expect(QStringLiteral("市民大会を削除します。\rよろしいですか？"), MsgButtons::YesNo,
                 MsgIcon::Question, kAppTitle, Answer::Yes);
  dialogs.Expect(QStringLiteral("削除しようとしているレイアウトが、現在のレイアウトに設定されてい"
                                "ます。\r削除を実行した後、レイアウトを決定しないと、デフォルト設"
                                "定になります。\r\r                        削除を実行しますか？"),
                 MsgButtons::YesNo, MsgIcon::Information, kAppTitle, Answer::Yes);
  editor->DeleteLayout();
  EXPECT_EQ(Child<QListWidget>(editor, "List1")->count(), 0);
  dialogs.Expect(kDecideFirst, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  QTest::keyClick(main.menuWindow(), Qt::Key_F2);
  EXPECT_EQ(ActivePage(main), editor);
  EXPECT_TRUE(dialogs.AllShown());
}

}  // namespace
}  // namespace kvsys::test
