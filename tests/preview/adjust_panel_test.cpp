// The layout adjustment panel of the preview as the operator uses it: boxes, arrows, clicks on
// the certificate, keys, the show flags, the save and the change of the layout in force.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <map>
#include <memory>

#include "layout/layout_store.h"
#include "preview/adjust_panel_ui.h"
#include "preview/kvpreview.h"
#include "preview/page_view_ui.h"
#include "preview_world.h"
#include "support/find_child.h"

namespace kvsys::test {
namespace {

constexpr double kTwipsPerMm = 1440.0 / 25.4;

class AdjustPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p = std::make_unique<PreviewWorld>(2);
    LayoutStore store(*p->w.layout_db, p->w.dialogs, p->w.state);
    ASSERT_EQ(store.CreateLayout(2, QStringLiteral("縦長"), 1, LayoutSettings{}), 2);
    PreviewRecords records = p->Records();
    records.font_names = {QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAGothic")};
    window = std::make_unique<KVPreview>(records, p->w.dialogs);
    window->Session().SetOutput(p->Factory());
    ASSERT_TRUE(window->Open());
    window->resize(1400, 1000);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  QCheckBox* Box(const char* array, int n) const {
    const QByteArray name = QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(n).toLatin1();
    return Child<QCheckBox>(*window, name.constData());
  }
  void Click(const char* name) { Child<QPushButton>(*window, name)->click(); }
  std::map<int, QRect> Placed() const {
    std::map<int, QRect> placed;
    for (const ItemPlacement& pl : window->Session().Placements()) placed[pl.item] = pl.rect;
    return placed;
  }
  // The middle of item's text on the view, in viewport pixels.
  QPoint OnView(int item) const {
    const QRect r = Placed().at(item);
    const QRectF sheet = window->View()->SheetRect();
    const double s = window->View()->Scale();
    return (sheet.topLeft() + QPointF(r.center()) * s).toPoint();
  }
  CertificateLayout Stored(int number) const {
    CertificateLayout stored;
    stored.CurrentLayoutNumber = static_cast<int16_t>(number);
    LoadLayout(*p->w.layout_db, stored);
    LoadShowFlags(*p->w.layout_db, stored);
    return stored;
  }
  const CertificateLayout& OnShow() const { return window->Session().Layout(); }

  std::unique_ptr<PreviewWorld> p;
  std::unique_ptr<KVPreview> window;
};

TEST_F(AdjustPanelTest, ArrowsClicksAndKeysMoveTheTickedItemsOnTheCertificate) {
  EXPECT_EQ(Box("Check1", 0)->text(), QStringLiteral("タイトル"));
  EXPECT_EQ(Box("Check1", 18)->text(), QStringLiteral("敬称"));
  EXPECT_EQ(Child<QComboBox>(*window, "Combo2_14")->currentText(),
            QString::number(OnShow().Items[14].FontSize));
  const std::map<int, QRect> before = Placed();
  const int x0 = OnShow().Items[0].X;
  const int x18 = OnShow().Items[18].X;

  // Nothing ticked: the arrows move nothing.
  Click("SSCommand3");
  EXPECT_EQ(Placed(), before);

  Box("Check1", 0)->setChecked(true);
  Box("Check1", 18)->setChecked(true);
  Click("SSCommand3");
  Click("SSCommand3");
  EXPECT_EQ(OnShow().Items[0].X, x0 + 2);
  EXPECT_EQ(OnShow().Items[18].X, x18 + 2);
  const std::map<int, QRect> moved = Placed();
  for (const auto& [item, rect] : before) {
    const int expected = item == 0 || item == 18 ? rect.x() - qRound(2 * kTwipsPerMm) : rect.x();
    EXPECT_NEAR(moved.at(item).x(), expected, 2) << "item " << item;
  }

  // Ctrl+Z takes back one step.
  QTest::keyClick(window->View(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(OnShow().Items[0].X, x0 + 1);

  // A click on the name ticks it alone; Shift-click adds the title; Shift+arrow moves 5 mm.
  QTest::mouseClick(window->View()->viewport(), Qt::LeftButton, Qt::NoModifier, OnView(kItemName));
  for (int n = 0; n < kLayoutItemCount; ++n) {
    EXPECT_EQ(Box("Check1", n)->isChecked(), n == kItemName) << n;
  }
  QTest::mouseClick(window->View()->viewport(), Qt::LeftButton, Qt::ShiftModifier, OnView(0));
  EXPECT_TRUE(Box("Check1", 0)->isChecked());
  EXPECT_TRUE(Box("Check1", 4)->isChecked());
  const int y4 = OnShow().Items[4].Y;
  const int y0 = OnShow().Items[0].Y;
  QTest::keyClick(window->View(), Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(OnShow().Items[4].Y, y4 + 5);
  EXPECT_EQ(OnShow().Items[0].Y, y0 + 5);

  // A title pushed off the right edge is outlined and named under the view.
  Box("Check1", 4)->setChecked(false);
  for (int i = 0; i < 80; ++i) QTest::keyClick(window->View(), Qt::Key_Right, Qt::ShiftModifier);
  auto* note = Child<QLabel>(*window, "lblLayoutNote");
  EXPECT_FALSE(note->isHidden());
  EXPECT_TRUE(note->text().contains(QStringLiteral("はみ出し: タイトル")))
      << note->text().toStdString();

  // 元に戻す drops every unsaved move.
  Click("SSCommand13");
  EXPECT_EQ(OnShow().Items[0].X, x0);
  EXPECT_EQ(OnShow().Items[4].Y, y4);
}

TEST_F(AdjustPanelTest, TheFontBoxShowsTheTickedItemsFontUntilOneIsChosen) {
  auto* font = Child<QComboBox>(*window, "Combo3");
  EXPECT_EQ(font->currentText(), QString());  // nothing ticked: not the first font of the list
  Box("Check1", 0)->setChecked(true);
  EXPECT_EQ(font->currentText(), OnShow().Items[0].FontName);
  // A click on the certificate ticks the name alone: its font.
  QTest::mouseClick(window->View()->viewport(), Qt::LeftButton, Qt::NoModifier, OnView(kItemName));
  EXPECT_EQ(font->currentText(), OnShow().Items[kItemName].FontName);
  Box("Check1", kItemName)->setChecked(false);
  EXPECT_EQ(font->currentText(), QString());

  // Chosen by the operator, the font stays while more items are ticked, and 決定 gives it.
  ASSERT_NE(OnShow().Items[1].FontName, QStringLiteral("IPAGothic"));
  font->setFocus();
  QTest::keyClick(font, Qt::Key_End);  // the last of the list
  ASSERT_EQ(font->currentText(), QStringLiteral("IPAGothic"));
  Box("Check1", 1)->setChecked(true);
  EXPECT_EQ(font->currentText(), QStringLiteral("IPAGothic"));
  Click("CmdKettei");
  EXPECT_EQ(OnShow().Items[1].FontName, QStringLiteral("IPAGothic"));
}

TEST_F(AdjustPanelTest, ShowFlagsSaveAndTheChangeOfLayoutReachTheDatabase) {
  // Unticking 本文 and 決定 stores the flag at once and the body is no longer drawn.
  const std::map<int, QRect> before = Placed();
  ASSERT_TRUE(before.count(kItemBody));
  Box("Schk", kItemBody)->setChecked(false);
  EXPECT_EQ(Box("Schk", kItemBody)->text(), QStringLiteral("OFF"));
  Click("cmdSorN");
  EXPECT_EQ(Stored(1).Items[kItemBody].Hidden, 1);
  EXPECT_FALSE(Placed().count(kItemBody));

  // Layout 2 picked from the list is on show; F1 saves it into layout 1, the one in force.
  auto* list = Child<QListWidget>(*window, "List1");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("2\t縦長"));
  list->setCurrentRow(1);
  EXPECT_EQ(OnShow().CurrentLayoutNumber, 2);
  Box("Check1", 0)->setChecked(true);
  Click("SSCommand4");
  const int y0 = OnShow().Items[0].Y;
  p->w.dialogs.Expect(QStringLiteral("標準のレイアウトを現在表示されているものに決定します。\r\n"
                                     "             よろしいですか？"),
                      MsgButtons::YesNo, MsgIcon::Information, kAppTitle, Answer::Yes);
  p->w.dialogs.Expect(QStringLiteral("保存しました。"), MsgButtons::Ok, MsgIcon::Information,
                      kAppTitle);
  QTest::keyClick(list, Qt::Key_F1);
  EXPECT_EQ(Stored(1).Items[0].Y, y0);
  EXPECT_EQ(Stored(2).Items[0].Y, y0 - 1);

  // After 元に戻す a click on the entry still current shows that layout again.
  Click("SSCommand13");
  EXPECT_EQ(OnShow().CurrentLayoutNumber, 1);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                    list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(OnShow().CurrentLayoutNumber, 2);

  // F9 with no entry selected is refused; No keeps the window; Yes decides and closes it.
  list->clearSelection();
  p->w.dialogs.Expect(QStringLiteral("変更するレイアウトを一覧から選んで下さい。"), MsgButtons::Ok,
                      MsgIcon::Exclamation, kAppTitle);
  QTest::keyClick(list, Qt::Key_F9);
  list->setCurrentRow(1);
  list->item(1)->setSelected(true);
  const QString question = QStringLiteral(
      "縦長に変更しますか？\r\n変更する場合、もう一度データを読み直す必要があります。");
  p->w.dialogs.Expect(question, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, Answer::No);
  Click("SSCommand7");
  EXPECT_TRUE(window->isVisible());
  p->w.dialogs.Expect(question, MsgButtons::YesNo, MsgIcon::Question, kAppTitle, Answer::Yes);
  Click("SSCommand7");
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(LayoutStore(*p->w.layout_db, p->w.dialogs, p->w.state).DecidedLayout(), 2);
}

}  // namespace
}  // namespace kvsys::test
