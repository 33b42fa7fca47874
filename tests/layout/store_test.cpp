// The layout operations on one workstation.
#include <gtest/gtest.h>

#include "db/recordset.h"
#include "layout/layout_items.h"
#include "layout/paper_size.h"
#include "support/layout_db_test.h"

namespace kvsys::test {
namespace {

const QString kNoFree = QStringLiteral("空き番号がありません。最大９９個まで保存可能です。");
const QString kNoData = QStringLiteral("データが存在しません。誤って消去された可能性があります。");

class LayoutStoreTest : public LayoutDbTest {
 protected:
  // Settings rows for the given numbers, as another program might have left them.
  void AddSettingsRows(std::initializer_list<int> numbers) {
    for (int n : numbers) {
      raw().Exec(QStringLiteral("INSERT INTO KVS210 (SaveNumber, FLDA) VALUES (%1, 1)").arg(n));
    }
  }
  int Create(const QString& name, int meet_no = 7) {
    const int n = store().ChooseNewNumber();
    return n == 0 ? 0 : store().CreateLayout(n, name, meet_no, SampleSettings());
  }
};

TEST_F(LayoutStoreTest, NumberingReusesGapsAndStopsAt99) {
  EXPECT_EQ(store().FindFreeNumber(), 1);
  AddSettingsRows({1, 2, 4});
  EXPECT_EQ(store().ChooseNewNumber(), 3);
  // A name whose settings row was lost still holds its number.
  raw().Exec(QStringLiteral("INSERT INTO 保存名 (SaveNumber, savename) VALUES (3, 'x')"));
  EXPECT_EQ(store().FindFreeNumber(), 5);

  for (int n = 5; n <= 99; ++n) AddSettingsRows({n});
  dialogs_.Expect(kNoFree, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  EXPECT_EQ(store().ChooseNewNumber(), 0);
  dialogs_.Expect(kNoFree, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  EXPECT_EQ(store().CreateLayout(50, QStringLiteral("x"), 1, SampleSettings()), 0);
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM 保存名")).toInt(), 1);

  raw().Exec(QStringLiteral("DELETE FROM KVS210 WHERE SaveNumber = 42"));
  EXPECT_EQ(store().FindFreeNumber(), 42);
}

TEST_F(LayoutStoreTest, CreateWritesTheFiveRowsOfANewLayoutInOrder) {
  // Record the order in which rows arrive.
  raw().Exec(QStringLiteral("CREATE TABLE log (seq INTEGER PRIMARY KEY, t TEXT)"));
  for (const char* t : {"保存名", "KVS210", "フォント", "座標", "ShowOrNot"}) {
    raw().Exec(QStringLiteral("CREATE TRIGGER \"log_%1\" AFTER INSERT ON \"%1\" BEGIN "
                              "INSERT INTO log (t) VALUES ('%1'); END")
                   .arg(QString::fromUtf8(t)));
  }
  EXPECT_EQ(store().CreateLayout(1, QStringLiteral("県大会用"), 7, SampleSettings()), 1);

  QStringList order;
  for (int i = 1; i <= 5; ++i) {
    order << raw().Scalar(QStringLiteral("SELECT t FROM log WHERE seq = %1").arg(i)).toString();
  }
  EXPECT_EQ(order, QStringList({"保存名", "KVS210", "フォント", "座標", "ShowOrNot"}));

  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT taikai_no FROM 保存名 WHERE SaveNumber = 1")), 7);
  EXPECT_EQ(store().LayoutName(1), QStringLiteral("県大会用"));
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT FLDA FROM KVS210 WHERE SaveNumber = 1")), 7);
  EXPECT_EQ(store().ReadSettings(1), SampleSettings());

  auto fonts = db_->OpenRecordset(QStringLiteral("select * from フォント where SaveNumber =1"));
  auto pos = db_->OpenRecordset(QStringLiteral("select * from 座標 where savenumber=1"));
  auto show = db_->OpenRecordset(QStringLiteral("select * from showornot where savenumber=1"));
  for (int i = 0; i < kFontItemCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(fonts->Field(FontNameColumn(i)).toString(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(fonts->Field(FontBoldColumn(i)).toInt(), 2);
    EXPECT_EQ(fonts->Field(FontItalicColumn(i)).toInt(), 2);
    EXPECT_EQ(pos->Field(PositionXColumn(i)), QVariant(0));
    EXPECT_EQ(pos->Field(PositionYColumn(i)), QVariant(0));
    EXPECT_EQ(show->Field(ShowColumn(i)), QVariant(0));
  }
  EXPECT_EQ(pos->Field(QStringLiteral("殿Ｘ")), QVariant(0));
  EXPECT_EQ(pos->Field(QStringLiteral("殿Ｙ")), QVariant(0));
  // Sizes as the loader reads them (full-width Ｓ).
  EXPECT_EQ(fonts->Field(QStringLiteral("タイトルＳ")).toInt(), 70);
  EXPECT_EQ(fonts->Field(QStringLiteral("選手名Ｓ")).toInt(), 37);
  EXPECT_EQ(fonts->Field(QStringLiteral("所属Ｓ")).toInt(), 20);
  EXPECT_EQ(fonts->Field(QStringLiteral("授与者名Ｓ")).toInt(), 40);

  // The loader's join finds the new layout.
  auto join = db_->OpenRecordset(
      QStringLiteral("select x.*,y.*,z.* from 保存名 x,座標 y,フォント z where x.SaveNumber=1 "
                     "and x.SaveNumber=y.SaveNumber and  x.SaveNumber=z.SaveNumber"),
      dbOpenSnapshot);
  EXPECT_EQ(join->RecordCount(), 1);
}

TEST_F(LayoutStoreTest, NamesAreStoredExactlyAsTyped) {
  const QStringList names = {
      QStringLiteral("O'Brien \"特別\" 100% $1 ; DROP TABLE 保存名; --"),
      QStringLiteral("タブ\tの\r\n名前"),
      QString(500, QChar(u'名')),
      QStringLiteral("🏊‍♀️ 水泳 🥇"),
      QString(),
  };
  std::vector<int> numbers;
  for (const QString& name : names) numbers.push_back(Create(name));
  ASSERT_EQ(numbers, std::vector<int>({1, 2, 3, 4, 5}));
  const std::vector<SavedLayout> list = store().ListLayouts();
  ASSERT_EQ(list.size(), names.size());
  for (size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].number, static_cast<int>(i) + 1);
    EXPECT_EQ(list[i].name, names[static_cast<qsizetype>(i)]);
  }
  EXPECT_TRUE(store().RenameLayout(4, names[0]));
  EXPECT_EQ(store().LayoutName(4), names[0]);
  EXPECT_EQ(store().LayoutName(1), names[0]);
  EXPECT_EQ(store().LayoutName(9), std::nullopt);
}

TEST_F(LayoutStoreTest, ChangeRewritesTheSettingsOnly) {
  ASSERT_EQ(Create(QStringLiteral("a"), 3), 1);
  raw().Exec(QStringLiteral("UPDATE 座標 SET タイトルX = 9"));
  LayoutSettings changed;
  changed.rank_heats = 0;
  changed.title = QStringLiteral("表彰状");
  changed.meet_name2 = QString();
  changed.paper_code = PaperSizeCode(QStringLiteral("Ａ３、297x420mm"));
  EXPECT_TRUE(store().ChangeSettings(1, changed));
  EXPECT_EQ(store().ReadSettings(1), changed);
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT FLDA FROM KVS210 WHERE SaveNumber = 1")), 3);
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT タイトルX FROM 座標 WHERE SaveNumber = 1")), 9);
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT FLDN FROM KVS210 WHERE SaveNumber = 1")), 8);

  // A rank that does not fit the column is refused and changes nothing.
  LayoutSettings wide = changed;
  wide.title = QStringLiteral("書かれない");
  wide.rank_b_final = 40000;
  dialogs_.Expect(QStringLiteral("3349数値がフィールドの範囲を超えています。"), MsgButtons::Ok,
                  MsgIcon::Critical, kLayoutSaveTitle);
  EXPECT_FALSE(store().ChangeSettings(1, wide));
  EXPECT_EQ(store().ReadSettings(1), changed);

  // A layout whose settings row is gone.
  raw().Exec(QStringLiteral("DELETE FROM KVS210"));
  dialogs_.Expect(kNoData, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  EXPECT_FALSE(store().ChangeSettings(1, changed));
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM KVS210")).toInt(), 0);
  dialogs_.Expect(kNoData, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  EXPECT_FALSE(store().RenameLayout(2, QStringLiteral("x")));
}

TEST_F(LayoutStoreTest, EmptyColumnsReadAsZeroAndEmpty) {
  raw().Exec(QStringLiteral("INSERT INTO KVS210 (SaveNumber) VALUES (4)"));
  const std::optional<LayoutSettings> s = store().ReadSettings(4);
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(s->rank_heats, 0);
  EXPECT_EQ(s->title, QString());
  EXPECT_EQ(s->paper_code, 0);
  EXPECT_EQ(PaperSizeText(s->paper_code), QStringLiteral("Ｂ４、250x354mm"));
  EXPECT_EQ(store().ReadSettings(5), std::nullopt);
}

TEST_F(LayoutStoreTest, DeleteRemovesEveryRowAndSkipsMissingOnes) {
  ASSERT_EQ(Create(QStringLiteral("a")), 1);
  ASSERT_EQ(Create(QStringLiteral("b")), 2);
  ASSERT_TRUE(store().DecideLayout(2));
  raw().Exec(QStringLiteral("DELETE FROM ShowOrNot WHERE savenumber = 1"));

  EXPECT_TRUE(store().DeleteLayout(1));
  for (const char* t : {"保存名", "KVS210", "ShowOrNot", "フォント", "座標"}) {
    EXPECT_EQ(raw().Count(QString::fromUtf8(t), 1), 0) << t;
    EXPECT_EQ(raw().Count(QString::fromUtf8(t), 2), 1) << t;
  }
  EXPECT_EQ(store().DecidedLayout(), 2);
  // Deleting the decided layout leaves no layout decided.
  EXPECT_TRUE(store().DeleteLayout(2));
  EXPECT_EQ(store().DecidedLayout(), 0);
  EXPECT_TRUE(store().ListLayouts().empty());
  EXPECT_TRUE(store().DeleteLayout(2));  // nothing left: no message
  EXPECT_EQ(Create(QStringLiteral("c")), 1);
}

TEST_F(LayoutStoreTest, DecisionInTheEditorAndThePreview) {
  EXPECT_EQ(store().DecidedLayout(), 0);
  EXPECT_TRUE(store().DecideLayout(3));
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT 全体フォント FROM 全体フォント")),
            QStringLiteral("ＭＳ　明朝"));
  EXPECT_EQ(store().DecidedLayout(), 3);

  // The editor edits the first row; the preview changes 決定 only.
  raw().Exec(QStringLiteral("UPDATE 全体フォント SET 全体フォント = 'IPAMincho'"));
  EXPECT_TRUE(store().DecideFromPreview(5));
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT 全体フォント FROM 全体フォント")),
            QStringLiteral("IPAMincho"));
  EXPECT_EQ(store().DecidedLayout(), 5);
  EXPECT_TRUE(store().DecideLayout(4));
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM 全体フォント")).toInt(), 1);
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT 全体フォント || 決定 FROM 全体フォント")),
            QStringLiteral("ＭＳ　明朝4"));

  raw().Exec(QStringLiteral("DELETE FROM 全体フォント"));
  EXPECT_TRUE(store().DecideFromPreview(6));
  EXPECT_EQ(store().DecidedLayout(), 6);
}

TEST_F(LayoutStoreTest, DecisionTableIsKeptToOneRow) {
  const QString duplicate = QStringLiteral(
      "何らかの原因でレイアウト変更が複数登録されています。\r\nレイアウトデータを初期状態に戻します"
      "。");
  // No row: one is added, with the font and no decision.
  DecisionRow row = store().KeepOneDecisionRow(QStringLiteral("IPAゴシック"));
  EXPECT_EQ(row.decided, 0);
  EXPECT_EQ(row.font, QStringLiteral("IPAゴシック"));
  EXPECT_TRUE(raw().Scalar(QStringLiteral("SELECT 決定 FROM 全体フォント")).isNull());

  // One row: used as it is.
  ASSERT_TRUE(store().DecideLayout(2));
  row = store().KeepOneDecisionRow(QStringLiteral("other"));
  EXPECT_EQ(row.decided, 2);
  EXPECT_EQ(row.font, QStringLiteral("ＭＳ　明朝"));
  EXPECT_TRUE(store().SetDecisionFont(QStringLiteral("IPAMincho")));

  // Several rows: told, emptied, and one row without a decision.
  raw().Exec(QStringLiteral("INSERT INTO 全体フォント VALUES ('x', 3)"));
  EXPECT_FALSE(store().SetDecisionFont(QStringLiteral("never")));
  dialogs_.Expect(duplicate, MsgButtons::Ok, MsgIcon::Critical, kAppTitle);
  row = store().KeepOneDecisionRow(QStringLiteral("IPAMincho"));
  EXPECT_EQ(row.decided, 0);
  EXPECT_EQ(row.font, QStringLiteral("IPAMincho"));
  EXPECT_EQ(raw().Scalar(QStringLiteral("SELECT count(*) FROM 全体フォント")).toInt(), 1);
  EXPECT_EQ(store().DecidedLayout(), 0);
}

TEST(PaperSize, CodesAndTexts) {
  const QStringList texts = PaperSizeTexts();
  ASSERT_EQ(texts.size(), 6);
  EXPECT_EQ(texts.first(), QStringLiteral("Ａ３、297x420mm"));
  for (int i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(PaperSizeCode(texts[i]), 8 + i);
    EXPECT_EQ(PaperSizeText(8 + i), texts[i]);
  }
  EXPECT_EQ(PaperSizeText(10), QStringLiteral("Ａ４Small、210x297mm"));
  for (int code : {0, 7, 14, -1, 256}) EXPECT_EQ(PaperSizeText(code), texts[4]);
  for (const char* text : {"", "B4", "Ａ３", "Ａ３、297x420mm "}) {
    EXPECT_EQ(PaperSizeCode(QString::fromUtf8(text)), 12);
  }
  // A stored 0 is shown as B4 and saved back as 12.
  EXPECT_EQ(PaperSizeCode(PaperSizeText(0)), 12);
}

}  // namespace
}  // namespace kvsys::test
