// Moving, restyling, show flags, the save and the change of layout in the preview, without
// the panel; and the warnings drawn from where the items of a certificate landed.
#include "preview/layout_adjustment.h"

#include <gtest/gtest.h>

#include "certificate/example_layouts.h"
#include "db/database.h"
#include "layout/layout_items.h"
#include "print/paper.h"
#include "print/print_surface.h"
#include "print/warning_label.h"
#include "support/layout_db_test.h"
#include "support/statement_hook.h"

namespace kvsys::test {
namespace {

const QString kSaveQuestion = QStringLiteral(
    "%1のレイアウトを現在表示されているものに決定します。\r\n             "
    "よろしいですか？");
const QString kSaved = QStringLiteral("保存しました。");
const QString kOverwrite =
    QStringLiteral("他の端末がデータを変更しました。\rこのデータを上書き保存しますか？");
const QString kNoData = QStringLiteral("データが存在しません。誤って消去された可能性があります。");

FontColumn Column(const QString& text) {
  FontColumn c;
  c.fill(text);
  return c;
}

class LayoutAdjustmentTest : public LayoutDbTest {
 protected:
  void SetUp() override {
    LayoutDbTest::SetUp();
    ASSERT_EQ(store().CreateLayout(3, QStringLiteral("県大会"), 1, SampleSettings()), 3);
    ASSERT_EQ(store().CreateLayout(5, QStringLiteral("市民大会"), 1, SampleSettings()), 5);
    // Layout 5 stands apart from 3 in every position and font.
    raw().Exec(
        QStringLiteral("UPDATE 座標 SET タイトルX = 7, タイトルY = -4, 殿X = 9 "
                       "WHERE SaveNumber = 5"));
    raw().Exec(
        QStringLiteral("UPDATE フォント SET タイトルF = 'ゴシック', 本文S = 44 "
                       "WHERE SaveNumber = 5"));
    ASSERT_TRUE(store().DecideLayout(3));
    adjuster = std::make_unique<LayoutAdjuster>(layout, *db_, store(), dialogs_, errors_);
    ASSERT_TRUE(adjuster->Reload());
  }
  QVariant Stored(const QString& sql) { return raw().Scalar(sql); }
  void ExpectSaveQuestion(const QString& name, Answer answer) {
    dialogs_.Expect(kSaveQuestion.arg(name), MsgButtons::YesNo, MsgIcon::Information, kAppTitle,
                    answer);
  }

  CertificateLayout layout;
  std::unique_ptr<LayoutAdjuster> adjuster;
};

TEST_F(LayoutAdjustmentTest, ArrowsMoveOnlyTheTickedItemsAndStepBackOneAtATime) {
  const auto before = layout.Items;
  EXPECT_FALSE(adjuster->Move(MoveDirection::kLeft));
  EXPECT_EQ(layout.Items, before);
  EXPECT_FALSE(adjuster->CanStepBack());

  adjuster->selection[kItemTitle] = true;
  adjuster->selection[kItemHonorific] = true;
  EXPECT_TRUE(adjuster->Move(MoveDirection::kLeft));
  EXPECT_TRUE(adjuster->Move(MoveDirection::kLeft));
  EXPECT_EQ(layout.Items[kItemTitle].X, 2);
  EXPECT_EQ(layout.Items[kItemHonorific].X, 2);
  for (int n = 1; n < kItemHonorific; ++n) EXPECT_EQ(layout.Items[n], before[n]) << n;

  EXPECT_TRUE(adjuster->Move(MoveDirection::kUp, kLargeStepMm));
  EXPECT_EQ(layout.Items[kItemTitle].Y, 5);
  EXPECT_TRUE(adjuster->Move(MoveDirection::kRight));
  EXPECT_TRUE(adjuster->Move(MoveDirection::kDown));
  EXPECT_EQ(layout.Items[kItemTitle].X, 1);
  EXPECT_EQ(layout.Items[kItemTitle].Y, 4);

  // Ctrl+Z walks back through the moves; 元に戻す would drop them all at once.
  EXPECT_TRUE(adjuster->StepBack());
  EXPECT_EQ(layout.Items[kItemTitle].Y, 5);
  EXPECT_TRUE(adjuster->StepBack());
  EXPECT_TRUE(adjuster->StepBack());
  EXPECT_EQ(layout.Items[kItemTitle].Y, 0);
  EXPECT_EQ(layout.Items[kItemTitle].X, 2);
  EXPECT_TRUE(adjuster->Move(MoveDirection::kDown));
  EXPECT_TRUE(adjuster->Reload());
  EXPECT_EQ(layout.Items, before);
  EXPECT_FALSE(adjuster->StepBack());

  // An offset at the end of its range stays there instead of jumping to the other side.
  layout.Items[kItemTitle].X = 32767;
  EXPECT_TRUE(adjuster->Move(MoveDirection::kLeft));
  EXPECT_EQ(layout.Items[kItemTitle].X, 32767);
}

TEST_F(LayoutAdjustmentTest, ColumnsWithAMissingOrWrongBoxChangeNothing) {
  const auto before = layout.Items;
  FontColumn sizes = Column(QStringLiteral("40"));
  sizes[kItemBody].clear();
  dialogs_.Expect(QStringLiteral("フォントサイズが抜けているところがあります。"), MsgButtons::Ok,
                  MsgIcon::None, kAppTitle);
  EXPECT_FALSE(adjuster->SetSizes(sizes));
  for (const QString& wrong : {QStringLiteral("0"), QStringLiteral("101"), QStringLiteral("大")}) {
    sizes[kItemBody] = wrong;
    dialogs_.Expect(QStringLiteral("フォントサイズは1から100までの数字を選んで下さい。"),
                    MsgButtons::Ok, MsgIcon::None, kAppTitle);
    EXPECT_FALSE(adjuster->SetSizes(sizes));
  }
  FontColumn names = Column(QStringLiteral("ＭＳ ゴシック"));
  names[kItemDate].clear();
  dialogs_.Expect(QStringLiteral("FontNameが抜けているところがあります。"), MsgButtons::Ok,
                  MsgIcon::Information, kAppTitle);
  EXPECT_FALSE(adjuster->SetFontNames(names));
  FontColumn styles = Column(QStringLiteral("False"));
  styles[kItemTitle].clear();
  dialogs_.Expect(QStringLiteral("          [Italic]\r\nChoose ,True or False"), MsgButtons::Ok,
                  MsgIcon::None, kAppTitle);
  EXPECT_FALSE(adjuster->SetStyles(StyleColumn::kItalic, styles));
  EXPECT_EQ(layout.Items, before);

  sizes[kItemBody] = QStringLiteral("12");
  EXPECT_TRUE(adjuster->SetSizes(sizes));
  EXPECT_EQ(layout.Items[kItemBody].FontSize, 12);
  EXPECT_EQ(layout.Items[kItemTitle].FontSize, 40);
  styles[kItemTitle] = QStringLiteral("True");
  EXPECT_TRUE(adjuster->SetStyles(StyleColumn::kBold, styles));
  EXPECT_TRUE(layout.Items[kItemTitle].Bold);
  EXPECT_FALSE(layout.Items[kItemName].Bold);
  EXPECT_FALSE(layout.Items[kItemTitle].Italic);
}

TEST_F(LayoutAdjustmentTest, OneFontGoesToTheTickedItemsOnly) {
  const auto before = layout.Items;
  EXPECT_FALSE(adjuster->GiveFontToSelected(QString()));  // empty Combo3: silently nothing
  dialogs_.Expect(QStringLiteral("項目は1つ以上選択して下さい。"), MsgButtons::Ok, MsgIcon::None,
                  kAppTitle);
  EXPECT_FALSE(adjuster->GiveFontToSelected(QStringLiteral("游明朝")));
  EXPECT_EQ(layout.Items, before);

  adjuster->selection[kItemName] = true;
  adjuster->selection[kItemHonorific] = true;
  EXPECT_TRUE(adjuster->GiveFontToSelected(QStringLiteral("游明朝")));
  EXPECT_EQ(layout.Items[kItemName].FontName, QStringLiteral("游明朝"));
  EXPECT_EQ(layout.Items[kItemHonorific].FontName, before[kItemHonorific].FontName);
  EXPECT_EQ(layout.Items[kItemTitle].FontName, before[kItemTitle].FontName);
  EXPECT_TRUE(adjuster->StepBack());
  EXPECT_EQ(layout.Items, before);
}

TEST_F(LayoutAdjustmentTest, ShowFlagsAreStoredAtOnceCreatingTheRow) {
  raw().Exec(QStringLiteral("DELETE FROM ShowOrNot WHERE SaveNumber = 3"));
  std::array<bool, kFontItemCount> shown;
  shown.fill(true);
  shown[kItemBody] = false;
  EXPECT_TRUE(adjuster->StoreShowFlags(shown));
  EXPECT_EQ(Stored(QStringLiteral("SELECT 本文 FROM ShowOrNot WHERE SaveNumber = 3")).toInt(), 1);
  EXPECT_EQ(Stored(QStringLiteral("SELECT 氏名 + 日付 + 授与者 FROM ShowOrNot WHERE "
                                  "SaveNumber = 3"))
                .toInt(),
            0);
  EXPECT_EQ(Stored(QStringLiteral("SELECT count(*) FROM ShowOrNot WHERE SaveNumber = 3")).toInt(),
            1);
  EXPECT_EQ(layout.Items[kItemBody].Hidden, 1);

  // Shown again: the existing row is edited, not a second one added.
  shown[kItemBody] = true;
  shown[kItemDate] = false;
  EXPECT_TRUE(adjuster->StoreShowFlags(shown));
  EXPECT_EQ(Stored(QStringLiteral("SELECT count(*) FROM ShowOrNot WHERE SaveNumber = 3")).toInt(),
            1);
  CertificateLayout read;
  read.CurrentLayoutNumber = 3;
  LoadShowFlags(*db_, read);
  EXPECT_EQ(read.Items[kItemBody].Hidden, 0);
  EXPECT_EQ(read.Items[kItemDate].Hidden, 1);
}

TEST_F(LayoutAdjustmentTest, SaveStoresOneAndTwoCodesAndOnlyAfterYes) {
  layout.Items[kItemTitle].Bold = true;
  layout.Items[kItemMeetName1].Italic = true;
  layout.Items[kItemRecord].X = -6;
  ExpectSaveQuestion(QStringLiteral("県大会"), Answer::No);
  EXPECT_FALSE(adjuster->Save());
  EXPECT_EQ(Stored(QStringLiteral("SELECT 記録デX FROM 座標 WHERE SaveNumber = 3")).toInt(), 0);

  ExpectSaveQuestion(QStringLiteral("県大会"), Answer::Yes);
  dialogs_.Expect(kSaved, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  EXPECT_TRUE(adjuster->Save());
  EXPECT_EQ(Stored(QStringLiteral("SELECT 記録デX FROM 座標 WHERE SaveNumber = 3")).toInt(), -6);
  for (int n = 0; n < kFontItemCount; ++n) {
    const int bold =
        Stored(
            QStringLiteral("SELECT %1 FROM フォント WHERE SaveNumber = 3").arg(FontBoldColumn(n)))
            .toInt();
    const int italic =
        Stored(
            QStringLiteral("SELECT %1 FROM フォント WHERE SaveNumber = 3").arg(FontItalicColumn(n)))
            .toInt();
    EXPECT_EQ(bold, n == kItemTitle ? kStyleOn : kStyleOff) << n;
    EXPECT_EQ(italic, n == kItemMeetName1 ? kStyleOn : kStyleOff) << n;
  }
  CertificateLayout read;
  read.CurrentLayoutNumber = 3;
  LoadLayout(*db_, read);
  LoadShowFlags(*db_, read);
  EXPECT_EQ(read.Items, layout.Items);
}

TEST_F(LayoutAdjustmentTest, ALayoutPickedFromTheListIsSavedIntoTheLayoutInForce) {
  ASSERT_TRUE(adjuster->LoadListed(5));
  EXPECT_EQ(layout.CurrentLayoutNumber, 5);
  EXPECT_EQ(layout.Items[kItemTitle].X, 7);
  const auto picked = layout.Items;
  ExpectSaveQuestion(QStringLiteral("県大会"), Answer::Yes);
  dialogs_.Expect(kSaved, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  EXPECT_TRUE(adjuster->Save());
  EXPECT_EQ(layout.CurrentLayoutNumber, 3);
  EXPECT_EQ(Stored(QStringLiteral("SELECT 決定 FROM 全体フォント")).toInt(), 3);
  CertificateLayout three;
  three.CurrentLayoutNumber = 3;
  LoadLayout(*db_, three);
  EXPECT_EQ(three.Items, picked);
  EXPECT_EQ(three.Items[kItemTitle].FontName, QStringLiteral("ゴシック"));
  EXPECT_EQ(three.Items[kItemHonorific].X, 9);
}

TEST_F(LayoutAdjustmentTest, SaveRefusedWithoutASavedLayoutInForceAndAllOrNothing) {
  layout.Items[kItemTitle].X = 11;
  ASSERT_TRUE(store().DecideLayout(8));
  dialogs_.Expect(QStringLiteral("現在の表示は、デフォルトです。レイアウトの保存のためには、"
                                 "基本設定で、内容を決定してください。"),
                  MsgButtons::Ok, MsgIcon::None, kAppTitle);
  EXPECT_FALSE(adjuster->Save());

  // フォント is written first; a missing 座標 row must take it back with it.
  ASSERT_TRUE(store().DecideLayout(3));
  raw().Exec(QStringLiteral("DELETE FROM 座標 WHERE SaveNumber = 3"));
  layout.Items[kItemTitle].FontName = QStringLiteral("書きかけ");
  ExpectSaveQuestion(QStringLiteral("県大会"), Answer::Yes);
  dialogs_.Expect(kNoData, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  EXPECT_FALSE(adjuster->Save());
  EXPECT_EQ(Stored(QStringLiteral("SELECT タイトルF FROM フォント WHERE SaveNumber = 3")),
            kNewLayoutFont);
}

TEST_F(LayoutAdjustmentTest, SaveOverAnotherWorkstationsChangeAsksFirst) {
  auto other = OpenSecond();
  layout.Items[kItemDate].Y = 3;
  other->Execute(QStringLiteral("UPDATE 座標 SET 日付X = 15 WHERE SaveNumber = 3"));
  ExpectSaveQuestion(QStringLiteral("県大会"), Answer::Yes);
  dialogs_.ExpectDefault(kOverwrite, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, 2,
                         Answer::No);
  EXPECT_FALSE(adjuster->Save());
  EXPECT_EQ(Stored(QStringLiteral("SELECT 日付X FROM 座標 WHERE SaveNumber = 3")).toInt(), 15);
  EXPECT_EQ(Stored(QStringLiteral("SELECT 日付Y FROM 座標 WHERE SaveNumber = 3")).toInt(), 0);

  ExpectSaveQuestion(QStringLiteral("県大会"), Answer::Yes);
  dialogs_.ExpectDefault(kOverwrite, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, 2,
                         Answer::Yes);
  dialogs_.Expect(kSaved, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  EXPECT_TRUE(adjuster->Save());
  EXPECT_EQ(Stored(QStringLiteral("SELECT 日付X FROM 座標 WHERE SaveNumber = 3")).toInt(), 0);
  EXPECT_EQ(Stored(QStringLiteral("SELECT 日付Y FROM 座標 WHERE SaveNumber = 3")).toInt(), 3);

  // What this workstation wrote itself (the save, the show flags) is no change of another's.
  std::array<bool, kFontItemCount> shown;
  shown.fill(true);
  shown[kItemRank] = false;
  ASSERT_TRUE(adjuster->StoreShowFlags(shown));
  ExpectSaveQuestion(QStringLiteral("県大会"), Answer::Yes);
  dialogs_.Expect(kSaved, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  EXPECT_TRUE(adjuster->Save());
}

// Another workstation saves layout 3 (a position and a show flag in one save) while the preview
// reads it again: the layout read is one version, never the position of one and the flag of
// the other.
TEST_F(LayoutAdjustmentTest, AReloadReadsOneVersionOfALayoutSavedMeanwhile) {
  StatementHook hook(path_);
  std::shared_ptr<Database> preview_db = workspace_.OpenDatabase(path_);
  ASSERT_TRUE(hook.Watching());
  LayoutStore preview_store(*preview_db, dialogs_, errors_);
  CertificateLayout shown;
  LayoutAdjuster preview(shown, *preview_db, preview_store, dialogs_, errors_);
  RawDb other(path_);
  int saves_tried = 0;
  int other_result = SQLITE_OK;
  hook.on_statement = [&](const QString& sql) {
    // The read of the show flags, after that of the positions.
    if (saves_tried > 0 || !sql.startsWith(QStringLiteral("select"), Qt::CaseInsensitive) ||
        !sql.contains(QStringLiteral("showornot"), Qt::CaseInsensitive)) {
      return;
    }
    ++saves_tried;
    other_result = SaveWithoutWaiting(
        other.get(), QStringLiteral("UPDATE 座標 SET タイトルX = 40 WHERE SaveNumber = 3;"
                                    "UPDATE ShowOrNot SET %1 = 1 WHERE SaveNumber = 3")
                         .arg(ShowColumn(kItemTitle)));
  };
  ASSERT_TRUE(preview.Reload());
  ASSERT_EQ(saves_tried, 1);
  const LayoutItem& title = shown.Items[kItemTitle];
  EXPECT_TRUE((title.X == 0 && title.Hidden == 0) || (title.X == 40 && title.Hidden == 1))
      << title.X << " / " << title.Hidden;
  EXPECT_EQ(other_result, SQLITE_BUSY);
  EXPECT_FALSE(preview_db->InTransaction());
}

// The save compares the stored rows with what was read; another workstation saves right after
// that comparison: its save must not be overwritten without the question.
TEST_F(LayoutAdjustmentTest, ASaveRightAfterTheOverwriteCheckIsNotOverwrittenUnasked) {
  StatementHook hook(path_);
  std::shared_ptr<Database> preview_db = workspace_.OpenDatabase(path_);
  ASSERT_TRUE(hook.Watching());
  LayoutStore preview_store(*preview_db, dialogs_, errors_);
  CertificateLayout shown;
  LayoutAdjuster preview(shown, *preview_db, preview_store, dialogs_, errors_);
  ASSERT_TRUE(preview.Reload());
  RawDb other(path_);
  bool compared = false;
  int other_result = -1;
  hook.on_statement = [&](const QString& sql) {
    // The show flags are the last rows compared; the other save comes at the next statement
    // of the program's own (a PRAGMA runs inside a statement that reads the table list).
    if (sql.startsWith(QStringLiteral("select"), Qt::CaseInsensitive) &&
        sql.contains(QStringLiteral("showornot"), Qt::CaseInsensitive)) {
      compared = true;
    } else if (compared && other_result == -1 &&
               !sql.startsWith(QStringLiteral("PRAGMA"), Qt::CaseInsensitive)) {
      other_result = SaveWithoutWaiting(
          other.get(), QStringLiteral("UPDATE 座標 SET 日付X = 15 WHERE SaveNumber = 3"));
    }
  };
  shown.Items[kItemDate].Y = 3;
  ExpectSaveQuestion(QStringLiteral("県大会"), Answer::Yes);
  dialogs_.Expect(kSaved, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  EXPECT_TRUE(preview.Save());
  ASSERT_NE(other_result, -1);
  // Held off until this save was done: nothing of it was overwritten unasked.
  EXPECT_EQ(other_result, SQLITE_BUSY);
  EXPECT_EQ(Stored(QStringLiteral("SELECT 日付X FROM 座標 WHERE SaveNumber = 3")).toInt(), 0);
  EXPECT_EQ(Stored(QStringLiteral("SELECT 日付Y FROM 座標 WHERE SaveNumber = 3")).toInt(), 3);
  EXPECT_FALSE(preview_db->InTransaction());
}

TEST_F(LayoutAdjustmentTest, AReloadThatFailsKeepsTheLayoutOnShow) {
  adjuster->selection[kItemTitle] = true;
  ASSERT_TRUE(adjuster->Move(MoveDirection::kUp));
  const CertificateLayout shown = layout;
  raw().Exec(QStringLiteral("DELETE FROM 座標 WHERE SaveNumber = 5"));
  dialogs_.Expect(DbErrorText(dberr::kNoCurrentRecord), MsgButtons::Ok, MsgIcon::Critical,
                  kLayoutSaveTitle);
  EXPECT_FALSE(adjuster->LoadListed(5));
  EXPECT_EQ(layout, shown);
  // The move is still there to step back from.
  EXPECT_TRUE(adjuster->StepBack());
  EXPECT_EQ(layout.Items[kItemTitle].Y, 0);
}

TEST_F(LayoutAdjustmentTest, ChangingTheDecidedLayout) {
  dialogs_.Expect(QStringLiteral("変更するレイアウトを一覧から選んで下さい。"), MsgButtons::Ok,
                  MsgIcon::Exclamation, kAppTitle);
  EXPECT_EQ(adjuster->ChangeDecided(std::nullopt), ChangeResult::kRefused);
  EXPECT_EQ(Stored(QStringLiteral("SELECT 決定 FROM 全体フォント")).toInt(), 3);

  const ListEntry entry = ParseListEntry(ListEntryText(5, QStringLiteral("市民大会")));
  EXPECT_EQ(entry.number, 5);
  EXPECT_EQ(entry.name, QStringLiteral("市民大会"));
  const QString question = QStringLiteral(
      "市民大会に変更しますか？\r\n変更する場合、もう一度データを読み直す必要があります。");
  ASSERT_TRUE(adjuster->LoadListed(5));
  const auto shown = layout.Items;
  dialogs_.Expect(question, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, Answer::No);
  EXPECT_EQ(adjuster->ChangeDecided(entry), ChangeResult::kKept);
  EXPECT_EQ(layout.CurrentLayoutNumber, 3);
  EXPECT_EQ(layout.Items, shown);
  EXPECT_EQ(Stored(QStringLiteral("SELECT 決定 FROM 全体フォント")).toInt(), 3);

  dialogs_.Expect(question, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, Answer::Yes);
  EXPECT_EQ(adjuster->ChangeDecided(entry), ChangeResult::kChanged);
  EXPECT_EQ(Stored(QStringLiteral("SELECT 決定 FROM 全体フォント")).toInt(), 5);
}

TEST(LayoutPanelTexts, RowsShowTheItemAsTheBoxesListIt) {
  LayoutItem item;
  item.FontName = QStringLiteral("ＭＳ 明朝");
  item.FontSize = 37;
  item.Bold = true;
  item.Hidden = 1;
  const FontRowTexts row = FontRowOf(item);
  EXPECT_EQ(row.name, item.FontName);
  EXPECT_EQ(row.size, QStringLiteral("37"));
  EXPECT_EQ(row.bold, QStringLiteral("True"));
  EXPECT_EQ(row.italic, QStringLiteral("False"));
  EXPECT_FALSE(row.shown);
  const QStringList sizes = SizeChoices();
  ASSERT_EQ(sizes.size(), 100);
  EXPECT_EQ(sizes.front(), QStringLiteral("1"));
  EXPECT_EQ(sizes.back(), QStringLiteral("100"));
  EXPECT_TRUE(sizes.contains(row.size));
  EXPECT_EQ(ShowCaption(true), QStringLiteral("ON"));
  EXPECT_EQ(ShowCaption(false), QStringLiteral("OFF"));
}

// A layout as a new one stands (every offset 0), with a long meet name and a six-character
// swimmer name, drawn as the preview draws it.
class CertificateProblemsTest : public LayoutDbTest {
 protected:
  void SetUp() override {
    LayoutDbTest::SetUp();
    LayoutSettings s = SampleSettings();
    s.meet_name1 = QStringLiteral("第７０回記念全国ジュニアオリンピックカップ夏季水泳競技大会");
    s.paper_code = 12;
    ASSERT_EQ(store().CreateLayout(1, QStringLiteral("標準"), 1, s), 1);
    layout.CurrentLayoutNumber = 1;
    LoadLayout(*db_, layout);
    LoadShowFlags(*db_, layout);
    ApplyPrintSettings(layout, s);
    table.entries[1] = Recipient{QStringLiteral("野村 菜々子"),
                                 QStringLiteral("南クラブ"),
                                 QStringLiteral("女子50m自由形"),
                                 QStringLiteral("一般"),
                                 QStringLiteral("１"),
                                 QStringLiteral("30秒01"),
                                 {}};
    table.CurrentRecipient = 1;
    table.RecipientCount = 1;
    options.Dono = false;  // the honorific is printed; names full-width as by default
    options.Lattice = false;
  }
  LayoutProblems Draw() {
    EXPECT_EQ(DrawCertificate(surface, DrawMode::kPreview, label, layout, table, options, dialogs_,
                              &placed),
              DrawResult::kDrawn);
    return FindLayoutProblems(placed, QSize(surface.PageWidth(), surface.PageHeight()));
  }
  const ItemPlacement& Placed(int item) {
    for (const ItemPlacement& p : placed) {
      if (p.item == item) return p;
    }
    ADD_FAILURE() << "item " << item << " not drawn";
    static const ItemPlacement none;
    return none;
  }

  CertificateLayout layout;
  RecipientTable table;
  PrintOptions options;
  PrintSurface surface;
  PlainWarningLabel label;
  std::vector<ItemPlacement> placed;
};

TEST_F(CertificateProblemsTest, LongMeetNameAndLongNameUnderTheHonorificAreCaught) {
  // Shrunk to fit by default: it ends 5 mm inside the sheet, smaller than its size, and the
  // note says so.
  LayoutProblems found = Draw();
  const std::vector<std::pair<int, int>> name_and_honorific = {{kItemName, kItemHonorific}};
  EXPECT_TRUE(found.past_edge.empty());
  EXPECT_EQ(found.shrunk, std::vector<int>{kItemMeetName1});
  EXPECT_EQ(found.overlaps, name_and_honorific);
  EXPECT_EQ(ProblemNote(found), QStringLiteral("重なり: 選手名と敬称　縮小: 大会名前段"));
  const QRect fitted = Placed(kItemMeetName1).rect;
  EXPECT_LE(fitted.right(), surface.PageWidth() - MmToTwips(kShrinkMarginMm));
  EXPECT_GT(fitted.right(), surface.PageWidth() - MmToTwips(kShrinkMarginMm) - 200);  // not less

  options.Shrink = false;
  found = Draw();
  EXPECT_EQ(found.past_edge, std::vector<int>{kItemMeetName1});
  EXPECT_TRUE(found.shrunk.empty());
  EXPECT_EQ(found.overlaps, name_and_honorific);
  EXPECT_EQ(ProblemNote(found), QStringLiteral("はみ出し: 大会名前段　重なり: 選手名と敬称"));

  // A smaller meet name further left and the honorific 10 mm right clear both; the body's
  // second line touching the date only by the fonts' leading is no overlap.
  layout.Items[kItemMeetName1].X = 30;
  layout.Items[kItemMeetName1].FontSize = 18;
  layout.Items[kItemHonorific].X = -10;
  const LayoutProblems cleared = Draw();
  EXPECT_TRUE(cleared.empty()) << ProblemNote(cleared).toStdString();
  EXPECT_TRUE(ProblemNote(cleared).isEmpty());
}

// The standard example leaves room before 殿 for a name of kExampleNameChars characters, and
// the check still catches one character more.
TEST_F(CertificateProblemsTest, TheStandardExampleLeavesRoomBeforeTheHonorific) {
  layout.Items = StandardExampleLayout().Items;
  layout.Texts.meet_name1 = QStringLiteral("市民水泳大会");
  table.entries[1].Name = QStringLiteral("勅使河原　久美子");
  ASSERT_EQ(table.entries[1].Name.size(), kExampleNameChars);
  LayoutProblems found = Draw();
  EXPECT_TRUE(found.empty()) << ProblemNote(found).toStdString();
  table.entries[1].Name += u'子';
  found = Draw();
  EXPECT_EQ(found.overlaps, (std::vector<std::pair<int, int>>{{kItemName, kItemHonorific}}));
}

// The vertical example is clean; its columns are checked and clicked down their length, and
// a column that runs below the sheet is caught.
TEST_F(CertificateProblemsTest, VerticalColumnsAreCheckedAndClickedDownTheirLength) {
  const CertificateLayout vertical = VerticalExampleLayout();
  layout.Items = vertical.Items;
  layout.Texts.meet_name1 = QStringLiteral("市民水泳大会");
  LayoutProblems found = Draw();
  EXPECT_TRUE(found.empty()) << ProblemNote(found).toStdString();
  const ItemPlacement& name = Placed(kItemName);
  EXPECT_TRUE(name.vertical);
  EXPECT_GT(name.rect.height(), 3 * name.rect.width());
  // Low down the column, where a horizontal line of the name would not reach.
  EXPECT_EQ(ItemAt(placed, QPoint(name.rect.center().x(), name.rect.bottom() - 100)), kItemName);

  layout.Texts.meet_name1 =
      QStringLiteral("第７０回記念全国ジュニアオリンピックカップ夏季水泳競技大会");
  // Shrunk, the column ends 5 mm above the bottom edge, on the sheet.
  found = Draw();
  EXPECT_TRUE(found.past_edge.empty()) << ProblemNote(found).toStdString();
  EXPECT_EQ(found.shrunk, std::vector<int>{kItemMeetName1});
  EXPECT_EQ(Placed(kItemMeetName1).page, 1);
  EXPECT_LE(Placed(kItemMeetName1).rect.bottom(),
            surface.PageHeight() - MmToTwips(kShrinkMarginMm));
  EXPECT_FALSE(label.visible());

  options.Shrink = false;
  found = Draw();
  // It goes on to a second page, and so does everything drawn after it; not what came before.
  ASSERT_FALSE(found.past_edge.empty());
  EXPECT_EQ(found.past_edge.front(), kItemMeetName1);
  EXPECT_EQ(Placed(kItemMeetName1).page, 2);
  EXPECT_EQ(Placed(kItemEdition).page, 1);
  EXPECT_TRUE(label.visible());
}

TEST_F(CertificateProblemsTest, AClickFindsTheItemDrawnThere) {
  Draw();
  const QRect name = Placed(kItemName).rect;
  EXPECT_EQ(ItemAt(placed, name.topLeft() + QPoint(30, name.height() / 2)), kItemName);
  EXPECT_EQ(ItemAt(placed, Placed(kItemTitle).rect.center()), kItemTitle);
  EXPECT_EQ(ItemAt(placed, Placed(kItemDate).rect.center()), kItemDate);
  // Where the name runs under the honorific, the honorific (drawn over it) is the one hit.
  EXPECT_EQ(ItemAt(placed, Placed(kItemHonorific).rect.center()), kItemHonorific);
  EXPECT_EQ(ItemAt(placed, QPoint(10, 10)), -1);
  EXPECT_EQ(ItemAt(placed, name.center(), 2), -1);

  // Click, Shift-click, then a plain click on nothing.
  LayoutAdjuster adjuster(layout, *db_, store(), dialogs_, errors_);
  adjuster.selection[kItemBody] = true;
  adjuster.SelectClicked(ItemAt(placed, Placed(kItemTitle).rect.center()), false);
  ItemSelection expected{};
  expected[kItemTitle] = true;
  EXPECT_EQ(adjuster.selection, expected);
  adjuster.SelectClicked(ItemAt(placed, Placed(kItemHonorific).rect.center()), true);
  adjuster.SelectClicked(ItemAt(placed, QPoint(10, 10)), true);
  expected[kItemHonorific] = true;
  EXPECT_EQ(adjuster.selection, expected);
  adjuster.SelectClicked(ItemAt(placed, QPoint(10, 10)), false);
  EXPECT_EQ(adjuster.selection, ItemSelection{});
}

}  // namespace
}  // namespace kvsys::test
