// DrawCertificate on the document model: what lands where, in which font, under every option.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "certificate/draw_certificate.h"
#include "db/database.h"
#include "db/workspace.h"
#include "layout/certificate_layout.h"
#include "layout/layout_schema.h"
#include "layout/layout_store.h"
#include "print/paper.h"
#include "print/print_surface.h"
#include "support/document_helpers.h"
#include "support/program_folder.h"
#include "support/scripted_dialogs.h"

namespace kvsys {
namespace {

using test::RecordingOutput;

const QString kMincho = QStringLiteral("ＭＳ 明朝");
const QString kBody =
    QStringLiteral("あなたは優秀なる成績を収めましたのでその栄誉を讃えこれを賞します");

// The base positions in millimetres, item by item (the affiliation of an individual event).
constexpr int kBaseX[] = {98, 110, 66, 84, 83, 88, 110, 110, 110, 110,
                          55, 55,  55, 55, 48, 67, 73,  95,  155};
constexpr int kBaseY[] = {70,  100, 113, 125, 142, 157, 170, 182, 194, 206,
                          170, 182, 194, 206, 218, 251, 267, 282, 142};

CertificateLayout NewLayout() {
  CertificateLayout l;
  const int sizes[] = {70, 32, 30, 30, 37, 20, 28, 28, 28, 28, 28, 28, 28, 28, 30, 33, 33, 40};
  for (int i = 0; i < kFontItemCount; ++i) {
    l.Items[i].FontName = kMincho;
    l.Items[i].FontSize = static_cast<int16_t>(sizes[i]);
  }
  l.Texts = {QStringLiteral("賞状"),
             QStringLiteral("第0回"),
             QStringLiteral("市民水泳大会"),
             QStringLiteral("兼 県予選"),
             kBody,
             QStringLiteral("2024年06月01日"),
             QStringLiteral(" ○○○県水泳連盟理事長"),
             QStringLiteral("見本 太郎")};
  l.PaperSize = 12;
  return l;
}

PrintOptions AllOff() {
  PrintOptions o;
  o.Dono = o.Kako = o.Lattice = o.Length = o.RankH = o.Open = o.Relay = o.OpenRank = false;
  return o;
}

std::vector<TextRun> Runs(const PrintDocument& doc, int page = 1) {
  std::vector<TextRun> runs;
  if (const PrintPage* p = doc.Page(page)) {
    for (const PageElement& e : p->elements) {
      if (const TextRun* r = std::get_if<TextRun>(&e)) runs.push_back(*r);
    }
  }
  return runs;
}

std::vector<LineElement> Lines(const PrintDocument& doc) {
  std::vector<LineElement> lines;
  for (const PrintPage& p : doc.pages) {
    for (const PageElement& e : p.elements) {
      if (const LineElement* l = std::get_if<LineElement>(&e)) lines.push_back(*l);
    }
  }
  return lines;
}

QStringList Texts(const std::vector<TextRun>& runs) {
  QStringList texts;
  for (const TextRun& r : runs) texts << r.text;
  return texts;
}

std::optional<TextRun> Find(const std::vector<TextRun>& runs, const QString& text) {
  for (const TextRun& r : runs) {
    if (r.text == text) return r;
  }
  return std::nullopt;
}

// The line height a surface gives a font, in whole twips as it advances.
int LineStep(const QString& face, double size) {
  PrintSurface s;
  s.SetFontName(face);
  s.SetFontSize(size);
  return qRound(s.LineHeight());
}

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table[1] = Recipient{QStringLiteral("山田 太郎"),
                         QStringLiteral("南クラブ"),
                         QStringLiteral("男子50m自由形"),
                         QStringLiteral("一般"),
                         QStringLiteral("１"),
                         QStringLiteral("25秒01"),
                         {}};
    table.CurrentRecipient = 1;
    table.RecipientCount = 1;
  }

  bool Drawn(DrawMode mode = DrawMode::kPreview) {
    return DrawCertificate(surface, mode, label, layout, table, options, dialogs, &placed) ==
           DrawResult::kDrawn;
  }
  std::vector<TextRun> Page1() const { return Runs(surface.Document()); }
  const ItemPlacement* Placed(int item) const {
    for (const ItemPlacement& p : placed) {
      if (p.item == item) return &p;
    }
    return nullptr;
  }

  RecordingOutput output;
  PrintSurface surface{&output};
  PlainWarningLabel label;
  test::ScriptedDialogs dialogs;
  CertificateLayout layout = NewLayout();
  RecipientTable table;
  PrintOptions options = AllOff();
  std::vector<ItemPlacement> placed;
};

TEST_F(DrawTest, IndividualCertificateItemByItem) {
  // A distinct offset and font for every item shows that each one uses its own.
  for (int i = 0; i < kLayoutItemCount; ++i) {
    layout.Items[i].X = static_cast<int16_t>(i % 5 - 2);
    layout.Items[i].Y = static_cast<int16_t>(3 - i % 7);
  }
  for (int i = 0; i < kFontItemCount; ++i) {
    layout.Items[i].FontName = QStringLiteral("Face%1").arg(i);
    layout.Items[i].FontSize = static_cast<int16_t>(10 + i);
    layout.Items[i].Bold = i % 2 == 0;
    layout.Items[i].Italic = i % 3 == 0;
  }
  ASSERT_TRUE(Drawn());
  EXPECT_EQ(surface.PageCount(), 1);
  EXPECT_FALSE(label.visible());

  const std::vector<TextRun> runs = Page1();
  const QStringList body = {QStringLiteral("あなたは優秀なる成績を収めました"),
                            QStringLiteral("のでその栄誉を讃えこれを賞します")};
  EXPECT_EQ(Texts(runs), (QStringList{QStringLiteral("賞状"),
                                      QStringLiteral("第0回"),
                                      QStringLiteral("市民水泳大会"),
                                      QStringLiteral("兼 県予選"),
                                      QStringLiteral("山田 太郎"),
                                      QStringLiteral("殿"),
                                      QStringLiteral("(南クラブ)"),
                                      QStringLiteral("一般"),
                                      QStringLiteral("男子50m自由形"),
                                      QStringLiteral("第 １ 位"),
                                      QStringLiteral("25秒01"),
                                      QStringLiteral("クラス"),
                                      QStringLiteral("種目"),
                                      QStringLiteral("順位"),
                                      QStringLiteral("記録"),
                                      body[0],
                                      body[1],
                                      QStringLiteral("2024年06月01日"),
                                      QStringLiteral(" ○○○県水泳連盟理事長"),
                                      QStringLiteral("見本 太郎")}));
  ASSERT_EQ(runs.size(), 20u);

  // Runs of the single-line items in drawing order, with the item each one belongs to.
  const int items[] = {0, 1, 2, 3, 4, 18, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  for (size_t k = 0; k < std::size(items); ++k) {
    const int i = items[k];
    const int styled = i == kItemHonorific ? kItemName : i;
    const TextRun& run = runs[k];
    EXPECT_EQ(run.x, MmToTwips(kBaseX[i] - layout.Items[i].X)) << i;
    EXPECT_EQ(run.y, MmToTwips(kBaseY[i] - layout.Items[i].Y)) << i;
    EXPECT_EQ(run.font, layout.Items[styled].FontName) << i;
    EXPECT_EQ(run.size, layout.Items[styled].FontSize) << i;
    EXPECT_EQ(run.bold, layout.Items[styled].Bold) << i;
    EXPECT_EQ(run.italic, layout.Items[styled].Italic) << i;
  }
  for (size_t k = 17; k < 20; ++k) {
    const int i = static_cast<int>(k) - 2;
    EXPECT_EQ(runs[k].x, MmToTwips(kBaseX[i] - layout.Items[i].X)) << i;
    EXPECT_EQ(runs[k].y, MmToTwips(kBaseY[i] - layout.Items[i].Y)) << i;
    EXPECT_EQ(runs[k].font, layout.Items[i].FontName) << i;
  }
}

TEST_F(DrawTest, MillimetresBecomeTwipsRoundedToEven) {
  layout.Items[kItemTitle].X = 83;  // 15 mm = 850.5 twips
  layout.Items[kItemTitle].Y = 65;  // 5 mm = 283.5 twips
  layout.Items[kItemName].X = -2;   // 85 mm = 4819.5 twips
  ASSERT_TRUE(Drawn());
  const std::vector<TextRun> runs = Page1();
  EXPECT_EQ(runs[0].x, 850);
  EXPECT_EQ(runs[0].y, 284);
  EXPECT_EQ(Find(runs, QStringLiteral("山田 太郎"))->x, 4820);
  // The new-layout title: 98 mm, 70 mm.
  layout.Items[kItemTitle].X = layout.Items[kItemTitle].Y = 0;
  ASSERT_TRUE(Drawn());
  EXPECT_EQ(Page1()[0].x, 5557);
  EXPECT_EQ(Page1()[0].y, 3969);
}

TEST_F(DrawTest, BodyLinesStartOneLineBelowTheItemAtItsX) {
  layout.Items[kItemBody].X = 2;
  layout.Texts.body = QString(17, QChar(u'永'));
  ASSERT_TRUE(Drawn());
  const std::vector<TextRun> runs = Page1();
  const std::optional<TextRun> first = Find(runs, QString(16, QChar(u'永')));
  const std::optional<TextRun> second = Find(runs, QStringLiteral("永"));
  ASSERT_TRUE(first && second);
  const int step = LineStep(kMincho, 30);
  EXPECT_EQ(first->x, MmToTwips(46));
  EXPECT_EQ(first->y, MmToTwips(218) + step);
  EXPECT_EQ(second->x, MmToTwips(46));
  EXPECT_EQ(second->y, MmToTwips(218) + 2 * step);
  const ItemPlacement* p = Placed(kItemBody);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->rect.top(), first->y);
  EXPECT_GE(p->rect.bottom(), second->y + step - 2);

  layout.Texts.body.clear();
  ASSERT_TRUE(Drawn());
  EXPECT_FALSE(Find(Page1(), QStringLiteral("永")));
}

TEST_F(DrawTest, HonorificFollowsTheNameAndNeverARelay) {
  layout.Items[kItemName].FontName = QStringLiteral("ＭＳ ゴシック");
  layout.Items[kItemName].Bold = true;
  layout.Items[kItemHonorific].X = 10;
  options.DonoStr = QStringLiteral("様");
  ASSERT_TRUE(Drawn());
  const std::optional<TextRun> h = Find(Page1(), QStringLiteral("様"));
  ASSERT_TRUE(h);
  EXPECT_EQ(h->x, MmToTwips(145));
  EXPECT_EQ(h->y, MmToTwips(142));
  EXPECT_EQ(h->font, QStringLiteral("ＭＳ ゴシック"));
  EXPECT_EQ(h->size, 37);
  EXPECT_TRUE(h->bold);

  options.Dono = true;
  ASSERT_TRUE(Drawn());
  EXPECT_FALSE(Find(Page1(), QStringLiteral("様")));
  // Still placed, with nothing printed.
  ASSERT_TRUE(Placed(kItemHonorific));
  EXPECT_EQ(Placed(kItemHonorific)->rect.topLeft(), QPoint(MmToTwips(145), MmToTwips(142)));
  EXPECT_EQ(Placed(kItemHonorific)->rect.width(), 0);

  options.Dono = false;
  layout.Items[kItemName].Hidden = 1;
  ASSERT_TRUE(Drawn());
  EXPECT_FALSE(Find(Page1(), QStringLiteral("様")));
  EXPECT_FALSE(Find(Page1(), QStringLiteral("山田 太郎")));
  EXPECT_EQ(Placed(kItemHonorific), nullptr);

  layout.Items[kItemName].Hidden = 0;
  table[1].EventName = QStringLiteral("男子200mリレー");
  ASSERT_TRUE(Drawn());
  EXPECT_FALSE(Find(Page1(), QStringLiteral("様")));
}

TEST_F(DrawTest, RelayMembersStackedOrOnOneLine) {
  Recipient& r = table[1];
  r.Name = QStringLiteral("南クラブＡ");
  r.EventName = QStringLiteral("女子200mメドレーリレー");
  r.Affiliation = QStringLiteral("赤井・青木・黄田・緑川");
  layout.Items[kItemAffiliation].X = 5;
  layout.Items[kItemAffiliation].Y = -1;
  options.Relay = true;
  ASSERT_TRUE(Drawn());
  std::vector<TextRun> runs = Page1();
  // Font size 20: 20 div 3 + 2 = 8 mm between members, from (45 - 5, 157 + 1).
  const QStringList members = {QStringLiteral("赤井"), QStringLiteral("青木"),
                               QStringLiteral("黄田"), QStringLiteral("緑川")};
  for (int k = 0; k < 4; ++k) {
    const std::optional<TextRun> m = Find(runs, members[k]);
    ASSERT_TRUE(m) << k;
    EXPECT_EQ(m->x, MmToTwips(40)) << k;
    EXPECT_EQ(m->y, MmToTwips(158 + 8 * k)) << k;
    EXPECT_EQ(m->size, 20) << k;
  }
  const ItemPlacement* p = Placed(kItemAffiliation);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->rect.top(), MmToTwips(158));
  EXPECT_GT(p->rect.bottom(), MmToTwips(182));

  // Missing separators leave the later lines empty; nothing fails.
  r.Affiliation = QStringLiteral("赤井・青木");
  layout.Items[kItemAffiliation].FontSize = 31;  // 12 mm steps
  ASSERT_TRUE(Drawn());
  runs = Page1();
  EXPECT_EQ(Find(runs, QStringLiteral("青木"))->y, MmToTwips(170));
  EXPECT_FALSE(Find(runs, QStringLiteral("黄田")));

  // Without Relay the members stay on one line, bracketed, at the relay's x.
  options.Relay = false;
  r.Affiliation = QStringLiteral("赤井・青木・黄田・緑川");
  ASSERT_TRUE(Drawn());
  const std::optional<TextRun> line = Find(Page1(), QStringLiteral("(赤井・青木・黄田・緑川)"));
  ASSERT_TRUE(line);
  EXPECT_EQ(line->x, MmToTwips(40));
  EXPECT_EQ(line->y, MmToTwips(158));
}

TEST_F(DrawTest, VerticalWritingChangesOnlyTheDataItems) {
  options.Length = true;
  options.Kako = false;
  table[1].Affiliation = QStringLiteral("abc");
  table[1].RecordText = QStringLiteral("25秒01  大会新");
  table[1].ClassName = QStringLiteral("A");
  ASSERT_TRUE(Drawn());
  const QStringList texts = Texts(Page1());
  for (const char* expected : {"山田　太郎", "(ａｂｃ)", "Ａ", "男子５０ｍ自由形",
                               "２５秒０１  大会新", "第0回", "第 １ 位"}) {
    EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
  }
}

TEST_F(DrawTest, RankAndOpenEntrants) {
  table[2] = table[1];
  table[2].RankText = QStringLiteral("OP");
  table[2].RecordText = QStringLiteral("24秒00");
  table.CurrentRecipient = 2;
  ASSERT_TRUE(Drawn());
  EXPECT_TRUE(Find(Page1(), QStringLiteral("オープン参加（第 １ 位）")));
  options.OpenRank = true;
  ASSERT_TRUE(Drawn());
  EXPECT_TRUE(Find(Page1(), QStringLiteral("オープン参加")));
  table.CurrentRecipient = 1;
  options.RankH = true;
  ASSERT_TRUE(Drawn());
  const std::optional<TextRun> rank = Find(Page1(), QStringLiteral("１"));
  ASSERT_TRUE(rank);
  EXPECT_EQ(rank->x, MmToTwips(110));
  EXPECT_EQ(rank->y, MmToTwips(194));
}

TEST_F(DrawTest, EmptyAndHiddenItems) {
  table[1].ClassName.clear();
  table[1].Affiliation.clear();
  layout.Items[kItemDate].Hidden = 1;
  layout.Items[kItemTitle].Hidden = -1;
  ASSERT_TRUE(Drawn());
  const QStringList texts = Texts(Page1());
  EXPECT_TRUE(texts.contains(QStringLiteral("クラス")));  // the caption stays
  EXPECT_FALSE(texts.contains(QStringLiteral("一般")));
  EXPECT_FALSE(texts.contains(QStringLiteral("()")));
  EXPECT_FALSE(texts.contains(QStringLiteral("2024年06月01日")));
  EXPECT_FALSE(texts.contains(QStringLiteral("賞状")));
  // An empty class is placed; an empty affiliation and hidden items are not.
  EXPECT_TRUE(Placed(kItemClass));
  EXPECT_FALSE(Placed(kItemAffiliation));
  EXPECT_FALSE(Placed(kItemDate));
  EXPECT_FALSE(Placed(kItemTitle));
  std::vector<int> order;
  for (const ItemPlacement& p : placed) order.push_back(p.item);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 18, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17}));
}

TEST_F(DrawTest, AnItemBelowThePageIsRefusedAndLandsWhereThePreviousOneEnded) {
  layout.Items[kItemDate].Y = -114;  // 365 mm on a 364 mm sheet
  dialogs.Expect(kPositionMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  ASSERT_TRUE(Drawn());
  const std::vector<TextRun> runs = Page1();
  const std::optional<TextRun> body_end =
      Find(runs, QStringLiteral("のでその栄誉を讃えこれを賞します"));
  const std::optional<TextRun> date = Find(runs, QStringLiteral("2024年06月01日"));
  ASSERT_TRUE(body_end && date);
  EXPECT_EQ(date->x, body_end->x + qRound(body_end->width));
  EXPECT_EQ(date->y, body_end->y);
  // The next item is placed normally again.
  EXPECT_EQ(Find(runs, QStringLiteral(" ○○○県水泳連盟理事長"))->y, MmToTwips(267));
  EXPECT_TRUE(dialogs.AllShown());

  // Exactly the sheet's edge is accepted (and runs onto a second page).
  layout.Items[kItemDate].Y = -113;
  ASSERT_TRUE(Drawn());
  EXPECT_EQ(Runs(surface.Document(), 2).at(0).text, QStringLiteral("2024年06月01日"));
}

TEST_F(DrawTest, OverflowShowsTheWarningAndARedrawClearsIt) {
  layout.Items[kItemPresenter].Y = -80;  // 362 mm: a 40 pt line does not fit above 364 mm
  ASSERT_TRUE(Drawn());
  EXPECT_EQ(surface.PageCount(), 2);
  EXPECT_TRUE(label.visible());
  EXPECT_EQ(label.caption(), kOverflowWarning);
  ASSERT_TRUE(Placed(kItemPresenter));
  EXPECT_EQ(Placed(kItemPresenter)->page, 2);

  layout.Items[kItemPresenter].Y = 0;
  ASSERT_TRUE(Drawn());
  EXPECT_EQ(surface.PageCount(), 1);
  EXPECT_FALSE(label.visible());
}

TEST_F(DrawTest, LatticeCoversTheSheetEdgesIncluded) {
  options.Lattice = true;
  options.LatticeX = 2;
  options.LatticeY = 2;
  ASSERT_TRUE(Drawn());
  // B4: 14572 x 20639 twips; steps (20639 - 1) div 2 and (14572 - 1) div 2.
  EXPECT_EQ(Lines(surface.Document()), (std::vector<LineElement>{{0, 1, 14572, 1},
                                                                 {0, 10320, 14572, 10320},
                                                                 {0, 20639, 14572, 20639},
                                                                 {1, 0, 1, 20639},
                                                                 {7286, 0, 7286, 20639},
                                                                 {14571, 0, 14571, 20639}}));

  options.LatticeX = 20;
  options.LatticeY = 20;
  layout.PaperSize = 9;  // A4: 11907 x 16840
  ASSERT_TRUE(Drawn());
  const std::vector<LineElement> lines = Lines(surface.Document());
  EXPECT_EQ(lines.size(), 21u + 21u);
  EXPECT_EQ(lines.back(), (LineElement{11901, 0, 11901, 16840}));

  options.Lattice = false;
  ASSERT_TRUE(Drawn());
  EXPECT_TRUE(Lines(surface.Document()).empty());
}

TEST_F(DrawTest, LatticeCountsThatCannotMakeAGrid) {
  options.Lattice = true;
  for (const auto& [x, y] : {std::pair{0, 20}, std::pair{20, 0}, std::pair{-3, 20}}) {
    options.LatticeX = x;
    options.LatticeY = y;
    dialogs.Expect(kLatticeMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    ASSERT_TRUE(Drawn()) << x << " " << y;
    EXPECT_TRUE(Lines(surface.Document()).empty());
    // The certificate itself is drawn and held.
    ASSERT_TRUE(surface.HeldDocument());
    EXPECT_EQ(surface.HeldDocument()->pages.size(), 1u);
    EXPECT_FALSE(Runs(*surface.HeldDocument()).empty());
  }
  EXPECT_TRUE(dialogs.AllShown());

  // More bands than twips: one line per twip, and the drawing ends.
  options.LatticeX = 1;
  options.LatticeY = 1000000;
  ASSERT_TRUE(Drawn());
  EXPECT_EQ(Lines(surface.Document()).size(), 20639u + 2u);
}

TEST_F(DrawTest, ResultAndOutputs) {
  label.SetWarningCaption(QStringLiteral("前の警告"));
  label.SetWarningVisible(true);
  for (const int index : {-1, 10000}) {
    table.CurrentRecipient = static_cast<int16_t>(index);
    EXPECT_FALSE(Drawn()) << index;
    EXPECT_FALSE(surface.DocOpen());
    EXPECT_EQ(surface.PageCount(), 0);
  }
  EXPECT_TRUE(label.visible());  // untouched when nothing is drawn
  table.CurrentRecipient = 1;

  // Printing mode: one document to the output, nothing held.
  EXPECT_TRUE(Drawn(DrawMode::kPrinting));
  ASSERT_EQ(output.written.size(), 1u);
  EXPECT_EQ(output.written[0].paper, 12);
  EXPECT_FALSE(Runs(output.written[0]).empty());
  EXPECT_EQ(surface.HeldDocument(), nullptr);

  // An output that is not ready: nothing drawn, nothing written.
  output.ready = false;
  EXPECT_FALSE(Drawn(DrawMode::kPrinting));
  EXPECT_EQ(output.written.size(), 1u);
  // A document that could not be written is not reported as drawn.
  output.ready = true;
  output.write_ok = false;
  EXPECT_FALSE(Drawn(DrawMode::kPrinting));
  EXPECT_EQ(output.written.size(), 1u);
  EXPECT_FALSE(surface.ErrorText().isEmpty());

  // Preview mode holds the document for display.
  EXPECT_TRUE(Drawn(DrawMode::kPreview));
  ASSERT_TRUE(surface.HeldDocument());
  EXPECT_EQ(Texts(Runs(*surface.HeldDocument())), Texts(Page1()));
  EXPECT_EQ(output.written.size(), 1u);
}

// In "@" faces the body's lines and the relay's members are columns from right to left, each
// starting at the item's top; the placements are those columns.
TEST_F(DrawTest, VerticalFacesSetLinesAndMembersInColumnsRightToLeft) {
  const QString vertical = QStringLiteral("@ＭＳ 明朝");
  for (int i = 0; i < kFontItemCount; ++i) layout.Items[i].FontName = vertical;
  layout.Items[kItemBody].X = 2;
  layout.Items[kItemBody].Y = 150;  // the columns start at 68 mm and end above the bottom
  layout.Texts.body = QString(17, QChar(u'永'));
  ASSERT_TRUE(Drawn());
  std::vector<TextRun> runs = Page1();
  const std::optional<TextRun> first = Find(runs, QString(16, QChar(u'永')));
  const std::optional<TextRun> second = Find(runs, QStringLiteral("永"));
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(first->vertical && second->vertical);
  const int step = LineStep(vertical, 30);
  EXPECT_EQ(first->x, MmToTwips(46) - step);
  EXPECT_EQ(first->y, MmToTwips(68));
  EXPECT_EQ(second->x, MmToTwips(46) - 2 * step);
  EXPECT_EQ(second->y, MmToTwips(68));
  EXPECT_NEAR(first->height, 16 * 30 * 20, 30);
  const ItemPlacement* body = Placed(kItemBody);
  ASSERT_TRUE(body);
  EXPECT_TRUE(body->vertical);
  EXPECT_EQ(body->rect.left(), second->x);
  EXPECT_EQ(body->rect.top(), first->y);
  EXPECT_GE(body->rect.bottom(), first->y + qRound(first->height) - 2);

  Recipient& r = table[1];
  r.Name = QStringLiteral("南クラブＡ");
  r.EventName = QStringLiteral("女子200mメドレーリレー");
  r.Affiliation = QStringLiteral("赤井・青木・黄田・緑川");
  layout.Items[kItemAffiliation].X = 5;
  layout.Items[kItemAffiliation].Y = -1;
  options.Relay = true;
  ASSERT_TRUE(Drawn());
  runs = Page1();
  const QStringList members = {QStringLiteral("赤井"), QStringLiteral("青木"),
                               QStringLiteral("黄田"), QStringLiteral("緑川")};
  for (int k = 0; k < 4; ++k) {
    const std::optional<TextRun> m = Find(runs, members[k]);
    ASSERT_TRUE(m) << k;
    EXPECT_EQ(m->x, MmToTwips(40 - 8 * k)) << k;
    EXPECT_EQ(m->y, MmToTwips(158)) << k;
  }
  const ItemPlacement* relay = Placed(kItemAffiliation);
  ASSERT_TRUE(relay);
  EXPECT_EQ(relay->rect.left(), MmToTwips(16));
  EXPECT_GT(relay->rect.right(), MmToTwips(40));
  EXPECT_EQ(relay->rect.top(), MmToTwips(158));
}

TEST(DrawLoadedLayout, ANewLayoutFromTheStoreDrawsAtTheBasePositions) {
  test::ProgramFolder folder;
  test::ScriptedDialogs dialogs;
  DbErrorState errors;
  Workspace workspace;
  std::shared_ptr<Database> db = workspace.OpenDatabase(folder.LayoutDbPath());
  LayoutStore store(*db, dialogs, errors);
  ASSERT_EQ(store.CreateLayout(1, QStringLiteral("標準"), 1, LayoutSettings{}), 1);
  db->Execute(QStringLiteral("DELETE FROM ShowOrNot"), dbFailOnError);

  CertificateLayout layout = NewLayout();
  layout.Items = {};
  layout.CurrentLayoutNumber = 1;
  LoadLayout(*db, layout);
  LoadShowFlags(*db, layout);

  PrintSurface surface;
  PlainWarningLabel label;
  RecipientTable table;
  table[1] = Recipient{QStringLiteral("山田 太郎"),
                       QStringLiteral("南クラブ"),
                       QStringLiteral("男子50m自由形"),
                       QStringLiteral("一般"),
                       QStringLiteral("１"),
                       QStringLiteral("25秒01"),
                       {}};
  table.CurrentRecipient = 1;
  ASSERT_EQ(DrawCertificate(surface, DrawMode::kPreview, label, layout, table, AllOff(), dialogs),
            DrawResult::kDrawn);
  const std::vector<TextRun> runs = Runs(surface.Document());
  ASSERT_EQ(runs.size(), 20u);
  EXPECT_EQ(runs[0].x, 5557);
  EXPECT_EQ(runs[0].y, 3969);
  EXPECT_EQ(runs[0].font, kMincho);
  EXPECT_EQ(runs[0].size, 70);
  EXPECT_FALSE(runs[0].bold);
  const std::optional<TextRun> name = Find(runs, QStringLiteral("山田 太郎"));
  ASSERT_TRUE(name);
  EXPECT_EQ(name->size, 37);
  EXPECT_EQ(name->y, MmToTwips(142));
  EXPECT_EQ(surface.PageCount(), 1);
  EXPECT_FALSE(label.visible());
}

}  // namespace
}  // namespace kvsys
