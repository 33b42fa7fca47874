// The layout editor window: opening, the list, 新規, 変更, 決定, 名前の変更, 削除, the default
// texts, the modified flag and the keys, against a KVSYS.mdb that another workstation shares.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "common/byte_text.h"
#include "layout/kvs210.h"
#include "results/meet_settings.h"
#include "support/find_child.h"
#include "support/layout_db_test.h"
#include "support/statement_hook.h"

namespace kvsys::test {
namespace {

const QString kDateQuestion = QStringLiteral("日付が本日の日付と異なります。よろしいですか？");
const QString kNameQuestion = QStringLiteral("名前をつけてください。");
const QString kRegistered = QStringLiteral("登録されました。");
const QString kSelectList = QStringLiteral("リストを選択してください。");
const QString kNoData = QStringLiteral("データが存在しません。誤って消去された可能性があります。");
const QString kOverwrite =
    QStringLiteral("他の端末がデータを変更しました。\rこのデータを上書き保存しますか？");
const QString kInForceQuestionText = QStringLiteral(
    "削除しようとしているレイアウトが、現在のレイアウトに設定されています。\r"
    "削除を実行した後、レイアウトを決定しないと、デフォルト設定になります。\r\r"
    "                        削除を実行しますか？");
const QString kDefaultsQuestion =
    QStringLiteral("設定が変更されています。デフォルトに戻しますか？");

// The scripted boxes, each one up in a window of its own while it is answered, as a real box
// takes the activation from the window that asked.
class BoxWindowDialogs : public Dialogs {
 public:
  explicit BoxWindowDialogs(Dialogs& script) : script_(script) {}
  Answer MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                int default_button) override {
    QWidget box;
    box.show();
    QApplication::setActiveWindow(&box);
    return script_.MsgBox(text, buttons, icon, title, default_button);
  }
  std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                  const QString& default_text) override {
    return script_.InputBox(prompt, title, default_text);
  }
  QString BrowseFolder(QWidget* owner, const QString& prompt, const QString& start) override {
    return script_.BrowseFolder(owner, prompt, start);
  }
  QString ChooseFile(QWidget* owner, const QString& prompt, const QString& start,
                     const QString& filter) override {
    return script_.ChooseFile(owner, prompt, start, filter);
  }
  bool ConfirmTable(const QString& title, const QStringList& headers,
                    const std::vector<QStringList>& rows, const QString& accept,
                    const QString& reject) override {
    return script_.ConfirmTable(title, headers, rows, accept, reject);
  }

 private:
  Dialogs& script_;
};

class KVS210Test : public LayoutDbTest {
 protected:
  void SetUp() override {
    LayoutDbTest::SetUp();
    meet.大会名1 = QStringLiteral("第45回 市民水泳競技大会");
    meet.大会名2 = QStringLiteral("兼 県予選");
    meet.始期間 = QStringLiteral("2026/07/18");
  }
  void TearDown() override {
    window.reset();
    area.reset();
    EXPECT_TRUE(dialogs_.AllShown());
  }

  KVS210* Open() {
    window = std::make_unique<KVS210>(
        LayoutEditorRecords{errors_, db_, meet, meet_no, current, [this] { return today; }},
        dialogs_);
    window->Open();
    window->show();
    QApplication::setActiveWindow(window.get());
    QCoreApplication::processEvents();
    return window.get();
  }
  template <class W>
  W* C(const char* name) {
    return Child<W>(window.get(), name);
  }
  QLineEdit* Edit(const char* name) { return C<QLineEdit>(name); }
  QListWidget* List() { return C<QListWidget>("List1"); }
  void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
  // Typed characters, each one key press as a keyboard sends it (Qt Test types ASCII only).
  static void Keys(QWidget* w, const QString& text) {
    for (const QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, c.unicode() < 128 ? QChar(c).toUpper().unicode() : 0,
                      Qt::NoModifier, QString(c));
      QApplication::sendEvent(w, &press);
      QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(c));
      QApplication::sendEvent(w, &release);
    }
  }
  // Replaces a line's text as the operator does: select all, type.
  void Type(const char* name, const QString& text) {
    QLineEdit* e = Edit(name);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    Keys(e, text);
  }
  void ExpectInfo(const QString& text, const QString& title = kAppTitle) {
    dialogs_.Expect(text, MsgButtons::Ok, MsgIcon::Information, title);
  }
  void ExpectPlain(const QString& text) {
    dialogs_.Expect(text, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  }
  void ExpectYesNo(const QString& text, Answer answer, const QString& title = kAppTitle) {
    dialogs_.Expect(text, MsgButtons::YesNo, MsgIcon::Question, title, answer);
  }
  // Creates layouts through the store, as another session did.
  void Saved(int number, const QString& name, const LayoutSettings& s = SampleSettings()) {
    ASSERT_EQ(store().CreateLayout(number, name, 1, s), number);
  }
  QStringList Entries() {
    QStringList out;
    for (int i = 0; i < List()->count(); ++i) out << List()->item(i)->text();
    return out;
  }

  // The window inside a workspace, as the main window shows it.
  KVS210* OpenInArea() {
    area = std::make_unique<QMdiArea>();
    area->resize(1000, 700);
    window = std::make_unique<KVS210>(
        LayoutEditorRecords{errors_, db_, meet, meet_no, current, [this] { return today; }},
        box_windows_);
    window->Open();
    area->addSubWindow(window.get());
    area->show();
    window->show();
    ActivateArea();
    return window.get();
  }
  void ActivateArea() {
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(area.get());
    QCoreApplication::processEvents();
  }
  BoxWindowDialogs box_windows_{dialogs_};

  MeetSettings meet;
  int16_t meet_no = 5;
  int16_t current = 0;
  QDate today{2026, 7, 18};
  std::unique_ptr<KVS210> window;
  std::unique_ptr<QMdiArea> area;
};

TEST_F(KVS210Test, FreshDatabaseShowsTheFirstDefaultSetAndTheKeysWorkOnDisabledButtons) {
  KVS210* k = Open();
  EXPECT_EQ(k->windowTitle(), QStringLiteral("賞状印刷設定"));
  EXPECT_EQ(List()->count(), 0);
  EXPECT_EQ(List()->currentRow(), -1);
  EXPECT_EQ(C<QLabel>("lblCurR")->text(), QString());
  EXPECT_EQ(C<QComboBox>("SHEET_COMBO")->count(), 6);
  EXPECT_EQ(C<QComboBox>("SHEET_COMBO")->itemText(0), QStringLiteral("Ａ３、297x420mm"));
  const LayoutFieldTexts t = k->FieldTexts();
  EXPECT_EQ(t[kFieldHeats], QStringLiteral("1"));
  EXPECT_EQ(t[kFieldTitle], QStringLiteral("賞状"));
  // The edition split off the meet's name, not a "第0回" over the whole of it.
  EXPECT_EQ(t[kFieldEdition], QStringLiteral("第45回"));
  EXPECT_EQ(t[kFieldMeetName1], QStringLiteral("市民水泳競技大会"));
  EXPECT_EQ(t[kFieldMeetName2], meet.大会名2);
  EXPECT_EQ(t[kFieldDate], QStringLiteral("2026年07月18日"));
  EXPECT_EQ(t[kFieldPresenterTitle], QStringLiteral(" ○○○県水泳連盟理事長"));
  EXPECT_EQ(C<QComboBox>("SHEET_COMBO")->currentText(), QStringLiteral("Ｂ４、250x354mm"));
  EXPECT_FALSE(k->Modified());
  EXPECT_TRUE(C<QPushButton>("SSCommand1")->isEnabled());
  for (const char* b : {"SSCommand4", "SSCommand2", "SSCommand5", "SSDelete"}) {
    EXPECT_FALSE(C<QPushButton>(b)->isEnabled()) << b;
  }

  // F6 and F9 act although their buttons are disabled.
  Edit("TXT_TITLE")->setFocus();
  ExpectInfo(kSelectList);
  Key(Qt::Key_F6);
  ExpectInfo(kSelectList);
  Key(Qt::Key_F9);
  EXPECT_EQ(store().DecidedLayout(), 0);
}

TEST_F(KVS210Test, NewLayoutByKeyboardIsWrittenSelectedAndDecided) {
  Saved(1, QStringLiteral("既存"));
  Saved(3, QStringLiteral("三番"));
  KVS210* k = Open();
  Type("TXT_TITLE", QStringLiteral("表彰状"));
  Type("TXT_H", QStringLiteral("8"));
  EXPECT_TRUE(k->Modified());
  Child<QComboBox>(k, "SHEET_COMBO")->setCurrentIndex(1);
  emit Child<QComboBox>(k, "SHEET_COMBO")->activated(1);

  // The date is the meet's start date, today: no date question. Number 2 is free.
  dialogs_.ExpectInput(kNameQuestion, QStringLiteral("県大会"));
  ExpectInfo(kRegistered, QStringLiteral("賞状印刷設定"));
  Key(Qt::Key_F5);
  EXPECT_EQ(Entries(), (QStringList{QStringLiteral("1\t既存"), QStringLiteral("2\t県大会"),
                                    QStringLiteral("3\t三番")}));
  // The new layout's entry, although its number filled a gap.
  EXPECT_EQ(List()->currentRow(), 1);
  EXPECT_EQ(current, 2);
  EXPECT_EQ(C<QLabel>("lblCurR")->text(), QStringLiteral("県大会"));
  EXPECT_FALSE(k->Modified());
  const std::optional<LayoutSettings> s = store().ReadSettings(2);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->title, QStringLiteral("表彰状"));
  EXPECT_EQ(s->rank_heats, 8);
  EXPECT_EQ(s->meet_name1, QStringLiteral("市民水泳競技大会"));
  EXPECT_EQ(s->paper_code, 9);
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT taikai_no FROM 保存名 WHERE SaveNumber = 2")), 5);
  for (const char* t : {"フォント", "座標", "ShowOrNot"}) {
    EXPECT_EQ(raw().Count(QString::fromUtf8(t), 2), 1) << t;
  }

  ExpectInfo(QStringLiteral("県大会を使用します。"));
  Key(Qt::Key_F9);
  EXPECT_EQ(store().DecidedLayout(), 2);
  EXPECT_EQ(store().KeepOneDecisionRow(QString()).font, QStringLiteral("ＭＳ　明朝"));
}

TEST_F(KVS210Test, NewLayoutCancelledAtTheNameOrWithEveryNumberUsedWritesNothing) {
  Saved(1, QStringLiteral("既存"));
  today = QDate(2024, 7, 21);  // the date of the layout's settings
  KVS210* k = Open();
  List()->setCurrentRow(0);
  dialogs_.ExpectInput(kNameQuestion, std::nullopt);
  ExpectPlain(QStringLiteral("キャンセルされました。"));
  k->NewLayout();
  dialogs_.ExpectInput(kNameQuestion, QString());
  ExpectPlain(QStringLiteral("キャンセルされました。"));
  k->NewLayout();
  EXPECT_EQ(raw().Count(QStringLiteral("保存名"), 2), 0);
  EXPECT_EQ(raw().Count(QStringLiteral("KVS210"), 2), 0);
  // The buttons still act on the selected entry.
  EXPECT_EQ(current, 1);

  for (int n = 2; n <= 99; ++n) Saved(n, QStringLiteral("L%1").arg(n));
  // No name is asked for.
  ExpectPlain(QStringLiteral("空き番号がありません。最大９９個まで保存可能です。"));
  Child<QPushButton>(k, "SSCommand1")->click();
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM 保存名")).toInt(), 99);
}

TEST_F(KVS210Test, ChecksAskForEmptyRanksWhenModifiedAndForADateOtherThanToday) {
  KVS210* k = Open();
  // Not modified: an empty rank is not asked about, the date is.
  today = QDate(2026, 7, 20);
  dialogs_.Expect(kDateQuestion, MsgButtons::OkCancel, MsgIcon::Information,
                  QStringLiteral("賞状印刷設定"), Answer::Cancel);
  Key(Qt::Key_F5);
  EXPECT_EQ(QApplication::focusWidget(), Edit("TXT_YMD"));

  Type("TXT_T", QString());
  EXPECT_TRUE(k->Modified());
  dialogs_.Expect(QStringLiteral("タイム決勝対象順位を入力してください"), MsgButtons::Ok,
                  MsgIcon::Information, QStringLiteral("賞状印刷設定"));
  Key(Qt::Key_F5);
  EXPECT_EQ(QApplication::focusWidget(), Edit("TXT_T"));

  Type("TXT_T", QStringLiteral("40000"));
  dialogs_.Expect(QStringLiteral("タイム決勝対象順位は３２７６７以下で入力してください"),
                  MsgButtons::Ok, MsgIcon::Information, QStringLiteral("賞状印刷設定"));
  Key(Qt::Key_F5);
  EXPECT_EQ(QApplication::focusWidget(), Edit("TXT_T"));

  // Today's date in the era form passes without the question.
  Type("TXT_T", QStringLiteral("2"));
  Type("TXT_YMD", QStringLiteral("令和8年7月20日"));
  dialogs_.ExpectInput(kNameQuestion, QStringLiteral("和暦"));
  ExpectInfo(kRegistered, QStringLiteral("賞状印刷設定"));
  Key(Qt::Key_F5);
  EXPECT_EQ(store().ReadSettings(1)->date, QStringLiteral("令和8年7月20日"));
  EXPECT_EQ(store().ReadSettings(1)->rank_timed_final, 2);
}

TEST_F(KVS210Test, RankFieldsRefuseLettersAndTextFieldsCountBytes) {
  KVS210* k = Open();
  QLineEdit* heats = Edit("TXT_H");
  heats->setFocus();
  heats->selectAll();
  QTest::keyClick(heats, Qt::Key_Backspace);
  Keys(heats, QStringLiteral("1a-１Ｂ2"));
  EXPECT_EQ(heats->text(), QStringLiteral("12"));
  heats->insert(QStringLiteral("x"));  // pasted
  EXPECT_EQ(heats->text(), QStringLiteral("12"));
  EXPECT_FALSE(heats->testAttribute(Qt::WA_InputMethodEnabled));

  // 18 bytes: the full-width letter that would make 19 is refused, a half-width one fits.
  Type("TXT_TITLE", QStringLiteral("ABCあいうえおかきくD"));
  EXPECT_EQ(Edit("TXT_TITLE")->text(), QStringLiteral("ABCあいうえおかきD"));
  EXPECT_EQ(ByteLen(Edit("TXT_TITLE")->text()), 18);

  // The body takes no line break: Enter moves on to the date.
  auto* body = Child<QPlainTextEdit>(k, "TXT_BUN");
  body->setFocus();
  body->selectAll();
  Keys(body, QStringLiteral("賞します"));
  QTest::keyClick(body, Qt::Key_Return);
  EXPECT_EQ(body->toPlainText(), QStringLiteral("賞します"));
  EXPECT_EQ(QApplication::focusWidget(), Edit("TXT_YMD"));
  // A pasted text is cut at 200 bytes, its line breaks dropped.
  body->selectAll();
  body->insertPlainText(QString(60, u'a') + u'\n' + QString(100, u'栄'));
  EXPECT_EQ(body->toPlainText(), QString(60, u'a') + QString(70, u'栄'));

  // Enter moves through the fields in their order.
  heats->setFocus();
  const char* order[] = {"TXT_T",     "TXT_F",      "TXT_B",       "TXT_TITLE",
                         "TXT_KAISU", "TXT_TAIKAI", "TXT_TAIKAI2", "TXT_BUN",
                         "TXT_YMD",   "TXT_PRTTL",  "TXT_PRS",     "SHEET_COMBO"};
  for (const char* name : order) {
    Key(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
  }
}

TEST_F(KVS210Test, StoredTextsLongerThanTheFieldsAreShownAndSavedWhole) {
  LayoutSettings s = SampleSettings();
  s.meet_name1 = QStringLiteral("第89回 さいたま市民水泳競技大会兼ジュニアオリンピック地区予選会");
  s.title = QStringLiteral("賞状賞状賞状賞状賞状賞状");  // 24 bytes
  Saved(1, QStringLiteral("長い"), s);
  ASSERT_TRUE(store().DecideLayout(1));
  today = QDate(2024, 7, 21);
  KVS210* k = Open();
  EXPECT_EQ(k->FieldTexts()[kFieldMeetName1], s.meet_name1);
  EXPECT_EQ(k->FieldTexts()[kFieldTitle], s.title);
  // Typing more is refused; the text stays whole.
  Edit("TXT_TITLE")->setFocus();
  Edit("TXT_TITLE")->end(false);
  Keys(Edit("TXT_TITLE"), QStringLiteral("状"));
  EXPECT_EQ(k->FieldTexts()[kFieldTitle], s.title);
  Type("TXT_PRS", QStringLiteral("山田"));
  ExpectYesNo(QStringLiteral("長いの内容を変更します。\rよろしいですか？"), Answer::Yes);
  ExpectPlain(QStringLiteral("完了しました。"));
  Key(Qt::Key_F6);
  EXPECT_EQ(store().ReadSettings(1)->meet_name1, s.meet_name1);
  EXPECT_EQ(store().ReadSettings(1)->title, s.title);
  EXPECT_EQ(store().ReadSettings(1)->presenter, QStringLiteral("山田"));
}

TEST_F(KVS210Test, DefaultTextsAskOnlyWhenTheOperatorChangedAField) {
  today = QDate(2026, 12, 7);
  Saved(1, QStringLiteral("既存"));
  current = 0;
  KVS210* k = Open();
  // Loading an entry is no change of the operator's.
  List()->setCurrentRow(0);
  EXPECT_FALSE(k->Modified());
  EXPECT_EQ(k->FieldTexts()[kFieldEdition], QStringLiteral("第12回"));

  C<QPushButton>("cmdDef")->click();
  LayoutFieldTexts t = k->FieldTexts();
  EXPECT_EQ(t[kFieldEdition], QStringLiteral("第45回"));
  EXPECT_EQ(t[kFieldMeetName1], QStringLiteral("市民水泳競技大会"));
  EXPECT_EQ(t[kFieldDate], QStringLiteral("令和8年12月7日"));
  EXPECT_EQ(t[kFieldHeats], QStringLiteral("0"));
  EXPECT_EQ(t[kFieldFinal], QStringLiteral("3"));
  EXPECT_EQ(C<QLabel>("lblCurR")->text(), QStringLiteral("  "));
  EXPECT_FALSE(k->Modified());

  // Japanese comes from the input method, composed, without key presses of its own.
  QLineEdit* presenter = Edit("TXT_PRS");
  presenter->setFocus();
  presenter->selectAll();
  QInputMethodEvent composed;
  composed.setCommitString(QStringLiteral("山田 花子"));
  QApplication::sendEvent(presenter, &composed);
  EXPECT_TRUE(k->Modified());
  dialogs_.ExpectDefault(kDefaultsQuestion, MsgButtons::YesNo, MsgIcon::Information, kAppTitle, 2,
                         Answer::No);
  C<QPushButton>("cmdDef")->click();
  EXPECT_EQ(k->FieldTexts()[kFieldPresenter], QStringLiteral("山田 花子"));
  dialogs_.ExpectDefault(kDefaultsQuestion, MsgButtons::YesNo, MsgIcon::Information, kAppTitle, 2,
                         Answer::Yes);
  C<QPushButton>("cmdDef")->click();
  EXPECT_EQ(k->FieldTexts()[kFieldPresenter], QStringLiteral("見本 太郎"));
  // Nothing reached the database.
  EXPECT_EQ(store().ReadSettings(1), SampleSettings());
}

TEST_F(KVS210Test, ChangeAfterAnotherWorkstationDeletedOrChangedTheRow) {
  Saved(1, QStringLiteral("共有"));
  ASSERT_TRUE(store().DecideLayout(1));
  KVS210* k = Open();
  // The decided layout is selected on opening.
  EXPECT_EQ(List()->currentRow(), 0);
  EXPECT_EQ(C<QLabel>("lblCurR")->text(), QStringLiteral("共有"));
  EXPECT_EQ(k->FieldTexts()[kFieldEdition], QStringLiteral("第12回"));
  Type("TXT_TITLE", QStringLiteral("こちら"));
  today = QDate(2024, 7, 21);  // the sample date

  auto other = OpenSecond();
  other->Execute(QStringLiteral("UPDATE KVS210 SET FLDF = 'あちら' WHERE SaveNumber = 1"));
  const QString change = QStringLiteral("共有の内容を変更します。\rよろしいですか？");
  ExpectYesNo(change, Answer::Yes);
  dialogs_.ExpectDefault(kOverwrite, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, 2,
                         Answer::No);
  Key(Qt::Key_F6);
  EXPECT_EQ(store().ReadSettings(1)->title, QStringLiteral("あちら"));
  EXPECT_EQ(k->FieldTexts()[kFieldTitle], QStringLiteral("こちら"));

  ExpectYesNo(change, Answer::Yes);
  dialogs_.ExpectDefault(kOverwrite, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, 2,
                         Answer::Yes);
  ExpectPlain(QStringLiteral("完了しました。"));
  Key(Qt::Key_F6);
  EXPECT_EQ(store().ReadSettings(1)->title, QStringLiteral("こちら"));
  EXPECT_EQ(List()->currentRow(), 0);

  // Written by this workstation last: no question.
  Type("TXT_TITLE", QStringLiteral("三度目"));
  ExpectYesNo(change, Answer::Yes);
  ExpectPlain(QStringLiteral("完了しました。"));
  Key(Qt::Key_F6);
  EXPECT_EQ(store().ReadSettings(1)->title, QStringLiteral("三度目"));

  // Deleted elsewhere: the missing-row message and no success.
  other->Execute(QStringLiteral("DELETE FROM KVS210 WHERE SaveNumber = 1"));
  ExpectYesNo(change, Answer::Yes);
  ExpectPlain(kNoData);
  Key(Qt::Key_F6);
  EXPECT_FALSE(store().ReadSettings(1));
  // Answered No, nothing at all happens.
  ExpectYesNo(change, Answer::No);
  Key(Qt::Key_F6);
}

// Another workstation saves the decided layout under a new name with new texts while the
// window reads it: the window shows one version, never the old name with the new texts.
TEST_F(KVS210Test, OpeningShowsOneVersionOfALayoutSavedMeanwhile) {
  Saved(1, QStringLiteral("旧"));
  ASSERT_TRUE(store().DecideLayout(1));
  StatementHook hook(path_);
  std::shared_ptr<Database> editor_db = workspace_.OpenDatabase(path_);
  ASSERT_TRUE(hook.Watching());
  RawDb other(path_);
  int saves_tried = 0;
  int other_result = SQLITE_OK;
  hook.on_statement = [&](const QString& sql) {
    // The read of the texts, the last of the window's reads.
    if (saves_tried > 0 || !sql.startsWith(QStringLiteral("select"), Qt::CaseInsensitive) ||
        !sql.contains(QStringLiteral("KVS210"), Qt::CaseInsensitive)) {
      return;
    }
    ++saves_tried;
    other_result = SaveWithoutWaiting(
        other.get(), QStringLiteral("UPDATE 保存名 SET savename = '新' WHERE SaveNumber = 1;"
                                    "UPDATE KVS210 SET FLDF = '新題' WHERE SaveNumber = 1"));
  };
  window = std::make_unique<KVS210>(
      LayoutEditorRecords{errors_, editor_db, meet, meet_no, current, [this] { return today; }},
      dialogs_);
  window->Open();
  ASSERT_EQ(saves_tried, 1);
  const QString name = C<QLabel>("lblCurR")->text();
  const QString title = window->FieldTexts()[kFieldTitle];
  const bool old_version = name == QStringLiteral("旧") && title == SampleSettings().title;
  const bool new_version = name == QStringLiteral("新") && title == QStringLiteral("新題");
  EXPECT_TRUE(old_version || new_version) << name.toStdString() << " / " << title.toStdString();
  // The save was held off while the window read, and goes through afterwards.
  EXPECT_EQ(other_result, SQLITE_BUSY);
  EXPECT_EQ(
      SaveWithoutWaiting(other.get(),
                         QStringLiteral("UPDATE KVS210 SET FLDF = '新題' WHERE SaveNumber = 1")),
      SQLITE_OK);
  window.reset();
}

TEST_F(KVS210Test, RenameKeepsTheFieldsAndDeleteFollowsTheDecision) {
  Saved(1, QStringLiteral("一"));
  Saved(2, QStringLiteral("二"));
  ASSERT_TRUE(store().DecideLayout(2));
  KVS210* k = Open();
  EXPECT_EQ(List()->currentRow(), 1);
  Type("TXT_TITLE", QStringLiteral("未保存"));

  dialogs_.ExpectInput(QStringLiteral("変更後の名前を入れてください。"), QStringLiteral("弐"));
  ExpectYesNo(QStringLiteral("二を弐に変更します。\rよろしいですか？"), Answer::Yes,
              QStringLiteral("名前の変更"));
  C<QPushButton>("SSCommand5")->click();
  EXPECT_EQ(Entries(), (QStringList{QStringLiteral("1\t一"), QStringLiteral("2\t弐")}));
  EXPECT_EQ(List()->currentRow(), 1);
  EXPECT_EQ(C<QLabel>("lblCurR")->text(), QStringLiteral("弐"));
  EXPECT_EQ(k->FieldTexts()[kFieldTitle], QStringLiteral("未保存"));
  // An empty new name ends without a word.
  dialogs_.ExpectInput(QStringLiteral("変更後の名前を入れてください。"), QString());
  C<QPushButton>("SSCommand5")->click();
  EXPECT_EQ(store().LayoutName(2), QStringLiteral("弐"));

  // The layout in force: the second question, then no layout is decided and nothing selected.
  ExpectYesNo(QStringLiteral("弐を削除します。\rよろしいですか？"), Answer::Yes);
  dialogs_.Expect(QStringLiteral("削除しようとしているレイアウトが、現在のレイアウトに設定されてい"
                                 "ます。\r削除を実行した後、レイアウトを決定しないと、デフォルト設"
                                 "定になります。\r\r                        削除を実行しますか？"),
                  MsgButtons::YesNo, MsgIcon::Information, kAppTitle, Answer::Yes);
  C<QPushButton>("SSDelete")->click();
  EXPECT_EQ(Entries(), QStringList{QStringLiteral("1\t一")});
  EXPECT_EQ(List()->currentRow(), -1);
  EXPECT_EQ(store().DecidedLayout(), 0);
  EXPECT_EQ(current, 0);
  for (const char* t : {"保存名", "KVS210", "フォント", "座標", "ShowOrNot"}) {
    EXPECT_EQ(raw().Count(QString::fromUtf8(t), 2), 0) << t;
  }
  ExpectInfo(QStringLiteral("リストを選択して下さい。"));
  k->DeleteLayout();

  // The last layout: the list is left empty with nothing selected.
  List()->setCurrentRow(0);
  ExpectYesNo(QStringLiteral("一を削除します。\rよろしいですか？"), Answer::Yes);
  C<QPushButton>("SSDelete")->click();
  EXPECT_EQ(List()->count(), 0);
  EXPECT_EQ(List()->currentRow(), -1);
  EXPECT_FALSE(C<QPushButton>("SSDelete")->isEnabled());
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM 保存名")).toInt(), 0);
}

TEST_F(KVS210Test, KeysStillWorkAfterTheLayoutInForceIsDeletedFromItsButton) {
  Saved(1, QStringLiteral("一"));
  Saved(2, QStringLiteral("二"));
  ASSERT_TRUE(store().DecideLayout(2));
  today = QDate(2024, 7, 21);  // the date of the layout's settings: F5 asks for the name at once
  KVS210* k = OpenInArea();
  auto* remove = C<QPushButton>("SSDelete");
  remove->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), remove);
  ExpectYesNo(QStringLiteral("二を削除します。\rよろしいですか？"), Answer::Yes);
  dialogs_.Expect(kInForceQuestionText, MsgButtons::YesNo, MsgIcon::Information, kAppTitle,
                  Answer::Yes);
  QTest::keyClick(remove, Qt::Key_Space);
  ActivateArea();  // back from the boxes
  ASSERT_EQ(store().DecidedLayout(), 0);

  // The focus rests on a control that takes keys, inside the window.
  QWidget* focused = QApplication::focusWidget();
  ASSERT_NE(focused, nullptr);
  EXPECT_TRUE(focused->isEnabled());
  EXPECT_TRUE(k->isAncestorOf(focused)) << focused->objectName().toStdString();
  // F9 and F5 act (F5 asks for a name), Esc closes.
  ExpectInfo(kSelectList);
  Key(Qt::Key_F9);
  ActivateArea();
  dialogs_.ExpectInput(kNameQuestion, std::nullopt);
  ExpectPlain(QStringLiteral("キャンセルされました。"));
  Key(Qt::Key_F5);
  ActivateArea();
  Key(Qt::Key_Escape);
  EXPECT_TRUE(k->parentWidget()->isHidden());
}

// Typed texts are not lost unasked: F10 and Esc ask, No keeps the window and the text, Yes
// closes without writing; untouched fields (or a paper chosen back) close without a word.
TEST_F(KVS210Test, ClosingAsksOnlyWhenTypedTextsWouldBeLost) {
  KVS210* k = Open();
  Type("TXT_TITLE", QStringLiteral("捨てる"));
  ExpectYesNo(kUnsavedFieldsQuestion, Answer::No, kKvs210Caption);
  Key(Qt::Key_F10);
  EXPECT_TRUE(k->isVisible());
  EXPECT_EQ(Edit("TXT_TITLE")->text(), QStringLiteral("捨てる"));
  ExpectYesNo(kUnsavedFieldsQuestion, Answer::Yes, kKvs210Caption);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(k->isVisible());
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM KVS210")).toInt(), 0);

  KVS210* again = Open();
  Type("TXT_TITLE", QStringLiteral("表彰状"));
  Type("TXT_TITLE", QStringLiteral("賞状"));  // typed back as it was
  Key(Qt::Key_Escape);
  EXPECT_FALSE(again->isVisible());
}

// 大会名取込 puts the meet's edition and lines in, and only them; a first line too long for its
// field goes on in an empty second line at a natural break, and is said cut when the second is
// taken.
TEST_F(KVS210Test, TheMeetsNameIsTakenWholeOrSaidCut) {
  // An empty KVSYS.mdb: the first default set holds a 62-byte name whole, in two lines.
  meet.WholeName1 =
      QStringLiteral("第89回 さいたま市民水泳競技大会兼ジュニアオリンピック地区予選会");
  meet.大会名2.clear();
  KVS210* k = Open();
  EXPECT_EQ(k->FieldTexts()[kFieldEdition], QStringLiteral("第89回"));
  EXPECT_EQ(k->FieldTexts()[kFieldMeetName1], QStringLiteral("さいたま市民水泳競技大会"));
  EXPECT_EQ(k->FieldTexts()[kFieldMeetName2], QStringLiteral("兼ジュニアオリンピック地区予選会"));
  meet.WholeName1 = meet.大会名1;
  meet.大会名2 = QStringLiteral("兼 県予選");
  Type("TXT_KAISU", QStringLiteral("第0回"));
  Type("TXT_TITLE", QStringLiteral("表彰状"));
  Child<QPushButton>(k, "cmdMeet")->click();
  LayoutFieldTexts t = k->FieldTexts();
  EXPECT_EQ(t[kFieldEdition], QStringLiteral("第45回"));
  EXPECT_EQ(t[kFieldMeetName2], meet.大会名2);
  EXPECT_EQ(t[kFieldTitle], QStringLiteral("表彰状"));
  EXPECT_TRUE(k->Modified());

  // With a second line of its own the first is cut, and the operator reads what was cut.
  meet.WholeName1 =
      QStringLiteral("第89回 さいたま市民水泳競技大会兼ジュニアオリンピック地区予選会");
  meet.WholeName2 = QStringLiteral("記録会");
  ExpectInfo(QStringLiteral("大会名１が長いため、大会名前段（48バイト）に入りきりません。"
                            "「区予選会」が切れています。\r大会名後段に続けるか、短くして"
                            "ください。"),
             kKvs210Caption);
  Child<QPushButton>(k, "cmdMeet")->click();
  t = k->FieldTexts();
  EXPECT_EQ(t[kFieldMeetName1], QStringLiteral("さいたま市民水泳競技大会兼ジュニアオリンピック地"));
  EXPECT_EQ(t[kFieldMeetName2], QStringLiteral("記録会"));
}

}  // namespace
}  // namespace kvsys::test
