// What each item of a certificate says, option by option.
#include <gtest/gtest.h>

#include "certificate/certificate_text.h"
#include "common/byte_text.h"
#include "layout/certificate_layout.h"

namespace kvsys {
namespace {

PrintOptions AllOff() {
  PrintOptions o;
  o.Dono = o.Kako = o.Lattice = o.Length = o.RankH = o.Open = o.Relay = o.OpenRank = false;
  return o;
}

Recipient Person(const QString& affiliation = QStringLiteral("abc")) {
  return Recipient{QStringLiteral(" 山田 太郎　"),
                   affiliation,
                   QStringLiteral("男子50m自由形"),
                   QStringLiteral("一般"),
                   QStringLiteral("１"),
                   QStringLiteral("25秒01"),
                   {}};
}

TEST(CertificateText, NameAndAffiliationWithBracketsAndVerticalWriting) {
  PrintOptions o = AllOff();
  const Recipient r = Person(QStringLiteral(" abc "));
  EXPECT_EQ(NameText(r, o), QStringLiteral("山田 太郎"));
  EXPECT_EQ(AffiliationText(r, o), QStringLiteral("(abc)"));
  o.Length = true;
  // The brackets stay half-width; the name's inner blank becomes full-width.
  EXPECT_EQ(AffiliationText(r, o), QStringLiteral("(ａｂｃ)"));
  EXPECT_EQ(NameText(r, o), QStringLiteral("山田　太郎"));
  o.Kako = true;
  EXPECT_EQ(AffiliationText(r, o), QStringLiteral("ａｂｃ"));
  o.Length = false;
  EXPECT_EQ(AffiliationText(r, o), QStringLiteral("abc"));
}

TEST(CertificateText, RelayMembersSplitOnWhateverSeparatorsThereAre) {
  PrintOptions o = AllOff();
  Recipient r = Person();
  struct Case {
    QString members;
    QStringList lines;
  };
  const QString a = QStringLiteral("赤井"), b = QStringLiteral("青木"), c = QStringLiteral("黄田"),
                d = QStringLiteral("緑川");
  const Case cases[] = {
      {QStringLiteral("赤井・青木・黄田・緑川"), {a, b, c, d}},
      // More than three separators: the fourth line takes the rest.
      {QStringLiteral("赤井・青木・黄田・緑川・白石"), {a, b, c, QStringLiteral("緑川・白石")}},
      {QStringLiteral("赤井・青木"), {a, b, {}, {}}},
      {QStringLiteral("赤井"), {a, {}, {}, {}}},
      {QStringLiteral("赤井・・黄田"), {a, {}, c, {}}},
      {QStringLiteral("・"), {{}, {}, {}, {}}},
      {QStringLiteral("赤井・青木・黄田・"), {a, b, c, {}}},
      {QString(), {{}, {}, {}, {}}},
  };
  for (const Case& cs : cases) {
    r.Affiliation = cs.members;
    const std::array<QString, 4> got = RelayMembers(r, o);
    EXPECT_EQ(QStringList(got.begin(), got.end()), cs.lines) << cs.members.toStdString();
  }
  o.Length = true;
  r.Affiliation = QStringLiteral(" ｱｶｲ・Bob・ﾀﾞｲ・Ann ");
  EXPECT_EQ(RelayMembers(r, o),
            (std::array<QString, 4>{QStringLiteral("アカイ"), QStringLiteral("Ｂｏｂ"),
                                    QStringLiteral("ダイ"), QStringLiteral("Ａｎｎ")}));
}

// A print run's table: event A (three places), then event B with open entrants.
RecipientTable OpenRun(const QString& open_time) {
  RecipientTable t;
  auto add = [&](int i, const QString& event, const QString& rank, const QString& record) {
    t[i] = Recipient{QStringLiteral("選手%1").arg(i),
                     QStringLiteral("クラブ"),
                     event,
                     QStringLiteral("一般"),
                     rank,
                     record,
                     {}};
  };
  const QString a = QStringLiteral("男子200m自由形");
  const QString b = QStringLiteral("男子50m自由形");
  add(1, a, QStringLiteral("１"), QStringLiteral("02分01秒00"));
  add(2, a, QStringLiteral("２"), QStringLiteral("02分05秒00"));
  add(3, b, QStringLiteral("１"), QStringLiteral("30秒00  大会新"));
  add(4, b, QStringLiteral("２"), QStringLiteral("31秒00"));
  add(5, b, QStringLiteral("２"), QStringLiteral("31秒00"));
  add(6, b, QStringLiteral("4"), QStringLiteral("01分00秒05"));
  add(7, b, QStringLiteral("OP"), open_time);
  return t;
}

TEST(CertificateText, OpenEntrantTakesTheRankOfTheFirstEqualOrSlowerTimeOfItsEvent) {
  struct Case {
    QString time;
    QString expected;
  };
  const Case cases[] = {
      {QStringLiteral("29秒99"), QStringLiteral("（第 １ 位）")},  // faster than all
      {QStringLiteral("30秒00"), QStringLiteral("（第 １ 位）")},  // tie with a marked record
      {QStringLiteral("30秒50"), QStringLiteral("（第 ２ 位）")},
      {QStringLiteral("31秒00"), QStringLiteral("（第 ２ 位）")},  // tie: the first of the two
      // Minutes sort after seconds; a half-width rank is printed full-width.
      {QStringLiteral("59秒00"), QStringLiteral("（第 ４ 位）")},
      {QStringLiteral(" 01分00秒05 "), QStringLiteral("（第 ４ 位）")},
      // Slower than everybody of its event: the 200m times before it do not count.
      {QStringLiteral("01分01秒00"), QString()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OpenRankText(OpenRun(c.time), 7), c.expected) << c.time.toStdString();
  }
  EXPECT_EQ(OpenRankText(OpenRun(QStringLiteral("30秒00")), 1), QString());
}

TEST(CertificateText, OpenEntrantsCompareOnlyWithTheirOwnRace) {
  RecipientTable t = OpenRun(QStringLiteral("01分01秒00"));
  t[7].RecordText = QStringLiteral("29秒00");
  t[7].ClassName = QStringLiteral("マスターズ");
  EXPECT_EQ(OpenRankText(t, 7), QString());

  // Heats (event 11) and final (event 12) of one event in one run share the printed name: the
  // open entrant of the final is ranked among the final's swimmers only.
  t = OpenRun(QStringLiteral("32秒00"));
  for (int i = 1; i <= 7; ++i) {
    t[i].EventName = QStringLiteral("男子50m自由形");
    t[i].Source.event = i <= 2 ? 11 : 12;
    t[i].Source.stage = i <= 2 ? QStringLiteral("予選") : QStringLiteral("決勝");
  }
  t[1].RecordText = QStringLiteral("33秒00");
  t[1].RankText = QStringLiteral("１４");
  t[6].RecordText = QStringLiteral("31秒50");
  EXPECT_EQ(OpenRankText(t, 7), QString());  // slower than the whole final
  t[7].RecordText = QStringLiteral("30秒50");
  EXPECT_EQ(OpenRankText(t, 7), QStringLiteral("（第 ２ 位）"));
}

TEST(CertificateText, RecordUnderVerticalWritingKeepsWhatFollowsItsFirstBlank) {
  PrintOptions o = AllOff();
  Recipient r = Person();
  r.RecordText = QStringLiteral("01分02秒34  大会新");
  EXPECT_EQ(RecordItemText(r, o), r.RecordText);
  o.Length = true;
  EXPECT_EQ(RecordItemText(r, o), QStringLiteral("０１分０２秒３４  大会新"));
  r.RecordText = QStringLiteral("58秒12　ｼﾝ");  // full-width blank, half-width mark kept
  EXPECT_EQ(RecordItemText(r, o), QStringLiteral("５８秒１２　ｼﾝ"));
  r.RecordText = QStringLiteral("58秒12");
  EXPECT_EQ(RecordItemText(r, o), QStringLiteral("５８秒１２"));
  r.RecordText = QStringLiteral("58秒12 a　b");  // the half-width blank comes first
  EXPECT_EQ(RecordItemText(r, o), QStringLiteral("５８秒１２ a　b"));
}

TEST(CertificateText, BodyTextWrapsAt32BytesWithoutSplittingACharacter) {
  const QString sixteen = QString(16, QChar(u'あ'));
  EXPECT_EQ(WrapBodyText(sixteen + QStringLiteral("い")),
            (QStringList{sixteen, QStringLiteral("い")}));
  // 31 bytes used: the next double-byte character goes to the next line whole.
  const QString fifteen_a = QString(15, QChar(u'あ')) + u'a';
  EXPECT_EQ(WrapBodyText(fifteen_a + QStringLiteral("いう")),
            (QStringList{fifteen_a, QStringLiteral("いう")}));
  // A half-width character fills the 32nd byte; the 33rd starts a line.
  EXPECT_EQ(WrapBodyText(fifteen_a + QStringLiteral("bc")),
            (QStringList{fifteen_a + u'b', QStringLiteral("c")}));
  // Half-width katakana are one byte.
  const QString kana = QString(32, QChar(u'ｱ'));
  EXPECT_EQ(WrapBodyText(kana + QStringLiteral("ｲ")), (QStringList{kana, QStringLiteral("ｲ")}));
  EXPECT_TRUE(WrapBodyText(QString()).isEmpty());

  const QString body = QStringLiteral(
      "あなたは優秀なる成績を収めましたのでその栄誉を讃えこれを賞します 2024 年度 𠮷野");
  const QStringList lines = WrapBodyText(body);
  EXPECT_EQ(lines.join(QString()), body);
  for (const QString& line : lines) EXPECT_LE(ByteLen(line), 32) << line.toStdString();
  for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_GT(ByteLen(lines[i]) + ByteLen(lines[i + 1].left(1)), 32) << i;
  }
}

}  // namespace
}  // namespace kvsys
