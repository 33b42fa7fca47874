// The preview's rules without its window: page entries and buttons, copies, the certificate
// drawn into the held document, printing it, printing the run, and letting go of the table.
#include <gtest/gtest.h>

#include "certificate/draw_certificate.h"
#include "preview/preview_session.h"
#include "preview_world.h"

namespace kvsys::test {
namespace {

TEST(PageRules, EntriesCorrectAndTheButtonsFollowThePosition) {
  PageStep empty = EnterPage(QString(), 5);
  EXPECT_EQ(empty.page, 0);
  EXPECT_FALSE(empty.no_record);
  EXPECT_EQ(empty.nav, (NavState{false, false, false, false, false, true}));

  PageStep zero = EnterPage(QStringLiteral("0"), 5);
  EXPECT_TRUE(zero.no_record);
  EXPECT_EQ(zero.page_text, QStringLiteral("1"));
  EXPECT_EQ(zero.page, 1);
  EXPECT_EQ(zero.nav, (NavState{false, false, true, true, true, false}));

  PageStep above = EnterPage(QStringLiteral("9"), 5);
  EXPECT_TRUE(above.no_record);
  EXPECT_EQ(above.page_text, QStringLiteral("5"));
  EXPECT_EQ(above.page, 5);
  EXPECT_EQ(above.nav, (NavState{true, true, false, false, true, false}));

  PageStep middle = EnterPage(QStringLiteral("3"), 5);
  EXPECT_FALSE(middle.no_record);
  EXPECT_EQ(middle.page_text, QStringLiteral("3"));
  EXPECT_EQ(middle.nav, (NavState{true, true, true, true, true, false}));

  // One certificate: nowhere to move, whatever is typed.
  PageStep only = EnterPage(QStringLiteral("1"), 1);
  EXPECT_EQ(only.page, 1);
  EXPECT_EQ(only.nav, (NavState{false, false, false, false, true, false}));
  EXPECT_EQ(NavAtOpen(1), (NavState{false, false, false, false, true, false}));
  EXPECT_EQ(NavAtOpen(4), (NavState{false, false, true, true, true, false}));

  EXPECT_EQ(MovePage(PageMove::First, QStringLiteral("3"), 5), QStringLiteral("1"));
  EXPECT_EQ(MovePage(PageMove::Previous, QStringLiteral("3"), 5), QStringLiteral("2"));
  EXPECT_EQ(MovePage(PageMove::Next, QStringLiteral("3"), 5), QStringLiteral("4"));
  EXPECT_EQ(MovePage(PageMove::Last, QStringLiteral("3"), 5), QStringLiteral("5"));
}

TEST(PageRules, CopiesCountAndCaptions) {
  EXPECT_EQ(CopiesToPrint(QStringLiteral("3")), 3);
  EXPECT_EQ(CopiesToPrint(QString()), std::nullopt);
  EXPECT_EQ(CopiesToPrint(QStringLiteral("0")), std::nullopt);
  EXPECT_EQ(CopiesToPrint(QStringLiteral("000")), std::nullopt);
  EXPECT_EQ(CountLabel(25), QStringLiteral("25ﾃﾞｰﾀ"));
  EXPECT_EQ(PreviewCaptionFor(QStringLiteral("標準")), QStringLiteral("標準  プレビュー画面"));
}

TEST(PreviewSession, DrawsTheCertificateOfThePageIntoTheHeldDocument) {
  PreviewWorld p(3);
  PreviewSession s(p.Records(), p.w.dialogs);
  ASSERT_TRUE(s.Open());
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.LayoutName(), QStringLiteral("標準"));
  EXPECT_EQ(s.Layout().CurrentLayoutNumber, 1);
  PlainWarningLabel label;
  ASSERT_TRUE(s.Draw(2, label));
  EXPECT_TRUE(Texts(s.Held()).contains(QStringLiteral("S2")));
  EXPECT_FALSE(Texts(s.Held()).contains(QStringLiteral("S1")));
  EXPECT_TRUE(Texts(s.Held()).contains(QStringLiteral("賞状")));
  EXPECT_FALSE(s.Draw(4, label));
  EXPECT_FALSE(s.Draw(0, label));
  EXPECT_TRUE(Texts(s.Held()).contains(QStringLiteral("S2")));

  // Nothing changed: the same document would come again. An option or page change would not.
  EXPECT_FALSE(s.NeedsRedraw(2));
  EXPECT_TRUE(s.NeedsRedraw(3));
  p.w.options.Dono = false;
  EXPECT_TRUE(s.NeedsRedraw(2));
  ASSERT_TRUE(s.Draw(2, label));
  EXPECT_TRUE(Texts(s.Held()).contains(QStringLiteral("殿")));
  s.Layout().Items[0].X = 5;
  EXPECT_TRUE(s.NeedsRedraw(2));
}

TEST(PreviewSession, ARunStartedMeanwhileDoesNotChangeTheCertificatesOnShow) {
  PreviewWorld p(3);
  PreviewSession s(p.Records(), p.w.dialogs);
  ASSERT_TRUE(s.Open());
  // Another run refills the shared table with other swimmers.
  p.w.Meet(QStringLiteral("UPDATE 選手マスター SET 氏名 = '別人' || 選手番号"));
  p.Run();
  ASSERT_EQ(p.w.recipients[1].Name, QStringLiteral("別人1"));
  PlainWarningLabel label;
  ASSERT_TRUE(s.Draw(1, label));
  EXPECT_TRUE(Texts(s.Held()).contains(QStringLiteral("S1")));
}

TEST(PreviewSession, CopiesPrintTheDocumentOnShowAndAFailureIsTold) {
  PreviewWorld p(3);
  PreviewSession s(p.Records(), p.w.dialogs);
  s.SetOutput(p.Factory());
  ASSERT_TRUE(s.Open());
  PlainWarningLabel label;
  ASSERT_TRUE(s.Draw(3, label));
  PrintRunObserver observer;
  const PrintJobResult copies = s.PrintCopies(3, observer);
  EXPECT_EQ(copies.outcome, RunOutcome::kPrinted);
  EXPECT_EQ(copies.output, 3);
  EXPECT_EQ(p.output.finished, 1);  // one run, finished once
  ASSERT_EQ(p.output.written.size(), 3u);
  for (const PrintDocument& doc : p.output.written) {
    EXPECT_EQ(doc.pages.size(), s.Held()->pages.size());
    EXPECT_TRUE(Texts(&doc).contains(QStringLiteral("S3")));
    EXPECT_EQ(doc.name, CertificateName(3, s.Table()[3]));  // named as the print list names it
  }

  p.output.write_ok = false;
  p.w.dialogs.Expect(QStringLiteral("1枚目の賞状を出力できませんでした。\r書けません"),
                     MsgButtons::Ok, MsgIcon::Exclamation, kPrintTitle);
  EXPECT_EQ(s.PrintCopies(2, observer).outcome, RunOutcome::kFailed);
  EXPECT_EQ(p.output.written.size(), 3u);
  EXPECT_EQ(p.output.finished, 1);  // nothing came out: nothing to keep
}

TEST(PreviewSession, PrintAllDrawsEveryCertificateWithTheOptionsAsTheyStandNow) {
  PreviewWorld p(4);
  PreviewSession s(p.Records(), p.w.dialogs);
  s.SetOutput(p.Factory());
  ASSERT_TRUE(s.Open());
  PlainWarningLabel label;
  ASSERT_TRUE(s.Draw(2, label));
  p.w.options.Dono = false;
  p.w.options.DonoStr = QStringLiteral("様");
  PrintRunObserver observer;
  EXPECT_EQ(s.PrintAll(label, observer).outcome, RunOutcome::kPrinted);
  ASSERT_EQ(p.output.written.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    const QStringList texts = Texts(&p.output.written[static_cast<size_t>(i)]);
    EXPECT_TRUE(texts.contains(QStringLiteral("S%1").arg(i + 1))) << i;
    EXPECT_TRUE(texts.contains(QStringLiteral("様"))) << i;
  }
  // The certificate on show stays held and numbered as it was.
  EXPECT_EQ(s.Table().CurrentRecipient, 2);
  EXPECT_TRUE(Texts(s.Held()).contains(QStringLiteral("S2")));
}

TEST(PreviewSession, UnloadEmptiesEntriesOneOnButLeavesATableARunIsFilling) {
  PreviewWorld p(3);
  p.w.recipients[0].Name = QStringLiteral("ゼロ");
  p.w.recipients[9999].Name = QStringLiteral("最後");
  {
    PreviewSession s(p.Records(), p.w.dialogs);
    ASSERT_TRUE(s.Open());
    s.Unload(true);
    EXPECT_EQ(p.w.recipients[1].Name, QStringLiteral("S1"));
  }
  PreviewSession s(p.Records(), p.w.dialogs);
  ASSERT_TRUE(s.Open());
  s.Unload(false);
  EXPECT_EQ(p.w.recipients[0].Name, QStringLiteral("ゼロ"));
  for (int i : {1, 2, 3, 9999}) EXPECT_EQ(p.w.recipients[i], Recipient()) << i;
  EXPECT_EQ(p.w.recipients.RecipientCount, 3);
  EXPECT_EQ(s.Table()[1], Recipient());
}

TEST(PreviewSession, ALatticeCountOfZeroIsToldAndNoLatticeDrawn) {
  PreviewWorld p(1);
  PreviewSession s(p.Records(), p.w.dialogs);
  ASSERT_TRUE(s.Open());
  PlainWarningLabel label;
  p.w.options.Lattice = true;
  p.w.options.LatticeX = 4;
  p.w.options.LatticeY = 5;
  ASSERT_TRUE(s.Draw(1, label));
  EXPECT_GT(LineCount(s.Held()), 8);
  p.w.options.LatticeY = 0;
  p.w.dialogs.Expect(kLatticeMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  ASSERT_TRUE(s.Draw(1, label));
  EXPECT_EQ(LineCount(s.Held()), 0);
  EXPECT_TRUE(Texts(s.Held()).contains(QStringLiteral("S1")));
}

}  // namespace
}  // namespace kvsys::test
