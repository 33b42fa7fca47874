// The editor's field rules, its list entries, its checks and the default date.
#include <gtest/gtest.h>

#include "common/byte_text.h"
#include "layout/japanese_date.h"
#include "layout/layout_fields.h"
#include "layout/layout_settings.h"
#include "results/meet_settings.h"

namespace kvsys::test {
namespace {

TEST(FieldRules, TextFieldsKeepTheirLimitInDoubleByteCodePageBytes) {
  // 3 half-width letters and 8 full-width kana: 19 bytes, one too many for the title.
  const QString mixed = QStringLiteral("ABCあいうえおかきく");
  const QString title = FieldTextWithin(mixed, kLayoutFieldRules[kFieldTitle].max_bytes);
  EXPECT_EQ(title, QStringLiteral("ABCあいうえおかき"));
  EXPECT_EQ(ByteLen(title), 17);
  // Half-width katakana count one byte each.
  EXPECT_EQ(FieldTextWithin(QStringLiteral("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ"), 18).size(), 18);
  // No limit, and line breaks never stay.
  EXPECT_EQ(FieldTextWithin(QStringLiteral("一行目\r\n二行目\n"), 0),
            QStringLiteral("一行目二行目"));

  QString body_text;
  ByteLimitValidator body(kLayoutFieldRules[kFieldBody].max_bytes, [&] { return body_text; });
  QString pasted = QString(150, u'栄');
  int pos = static_cast<int>(pasted.size());
  EXPECT_EQ(body.validate(pasted, pos), QValidator::Acceptable);
  EXPECT_EQ(ByteLen(pasted), 200);
  EXPECT_EQ(pos, 100);

  // An edit inside a full field takes only what fits, where it was typed.
  int cursor = 0;
  EXPECT_EQ(FitFieldEdit(QStringLiteral("ABCあいうえおかき"), QStringLiteral("ABCあい漢うえおかき"),
                         18, &cursor),
            QStringLiteral("ABCあいうえおかき"));
  EXPECT_EQ(cursor, 5);
  EXPECT_EQ(FitFieldEdit(QStringLiteral("ABCあいうえおかき"), QStringLiteral("ABCあいXうえおかき"),
                         18, &cursor),
            QStringLiteral("ABCあいXうえおかき"));
  EXPECT_EQ(cursor, 6);
  // A stored text longer than the limit is not cut by an edit: it takes no more, and loses
  // what the operator deletes.
  const QString stored =
      QStringLiteral("第89回 さいたま市民水泳競技大会兼ジュニアオリンピック地区予選会");
  ASSERT_GT(ByteLen(stored), 48);
  EXPECT_EQ(FitFieldEdit(stored, stored + QStringLiteral("x"), 48), stored);
  QString shorter = stored;
  shorter.remove(0, 1);
  EXPECT_EQ(FitFieldEdit(stored, shorter, 48), shorter);
  // Line breaks of a paste are dropped.
  EXPECT_EQ(FitFieldEdit(QStringLiteral("ab"), QStringLiteral("a1\r\n2b"), 0),
            QStringLiteral("a12b"));

  // The limits of the fields as the operator meets them.
  EXPECT_EQ(kLayoutFieldRules[kFieldEdition].max_bytes, 48);
  EXPECT_EQ(kLayoutFieldRules[kFieldMeetName1].max_bytes, 48);
  EXPECT_EQ(kLayoutFieldRules[kFieldMeetName2].max_bytes, 0);
  EXPECT_EQ(kLayoutFieldRules[kFieldDate].max_bytes, 35);
  EXPECT_EQ(kLayoutFieldRules[kFieldPresenterTitle].max_bytes, 35);
  EXPECT_EQ(kLayoutFieldRules[kFieldPresenter].max_bytes, 18);
}

TEST(FieldRules, RankFieldsTakeAsciiDigitsOnly) {
  for (const QChar c : QStringLiteral("0123456789"))
    EXPECT_TRUE(IsRankKeyAccepted(c)) << int(c.unicode());
  EXPECT_TRUE(IsRankKeyAccepted(QChar(8)));
  EXPECT_TRUE(IsRankKeyAccepted(QChar(13)));
  for (const QChar c : QStringLiteral("a-+.１２Ａ "))
    EXPECT_FALSE(IsRankKeyAccepted(c)) << int(c.unicode());

  RankDigitsValidator v;
  QString text = QStringLiteral("12");
  int pos = 2;
  EXPECT_EQ(v.validate(text, pos), QValidator::Acceptable);
  for (const char* bad : {"1a", "-1", "１", " 3"}) {
    text = QString::fromUtf8(bad);
    EXPECT_EQ(v.validate(text, pos), QValidator::Invalid) << bad;
  }
}

TEST(FieldRules, FieldsAndSettingsGoBothWays) {
  LayoutSettings s;
  s.rank_heats = 0;
  s.rank_timed_final = 3;
  s.rank_final = 8;
  s.rank_b_final = 2;
  s.title = QStringLiteral("賞状");
  s.date = QStringLiteral("2026年07月18日");
  s.presenter_title = QStringLiteral(" ○○○県水泳連盟理事長");
  s.paper_code = 9;
  const LayoutFieldTexts texts = FieldTextsOf(s);
  EXPECT_EQ(texts[kFieldHeats], QStringLiteral("0"));
  EXPECT_EQ(texts[kFieldFinal], QStringLiteral("8"));
  EXPECT_EQ(SettingsOfFields(texts, QStringLiteral("Ａ４、210x297mm")), s);

  // An empty rank reads as 0; an unknown paper text is stored as B4.
  LayoutFieldTexts empty = texts;
  empty[kFieldTimedFinal].clear();
  const LayoutSettings read = SettingsOfFields(empty, QStringLiteral("葉書"));
  EXPECT_EQ(read.rank_timed_final, 0);
  EXPECT_EQ(read.paper_code, 12);
}

TEST(FieldRules, ListEntriesSplitAtTheFirstTab) {
  EXPECT_EQ(ListEntryText(7, QStringLiteral("標準")), QStringLiteral("7\t標準"));
  const ListEntry e = ParseListEntry(QStringLiteral("12\t県大会\t予備"));
  EXPECT_EQ(e.number, 12);
  EXPECT_EQ(e.name, QStringLiteral("県大会\t予備"));
  EXPECT_EQ(ParseListEntry(QStringLiteral("45")).number, 45);
  EXPECT_EQ(ParseListEntry(QStringLiteral("45")).name, QString());
  EXPECT_EQ(ParseListEntry(QString()).number, 0);
  EXPECT_EQ(ParseListEntry(QStringLiteral("\t名前")).number, 0);
  EXPECT_EQ(ParseListEntry(QStringLiteral("3x\t名前")).number, 3);
}

TEST(FieldRules, SharedChecksFindTheFirstBadRankInTabOrder) {
  LayoutFieldTexts t = FieldTextsOf(LayoutSettings());
  EXPECT_FALSE(FirstEmptyRankField(t));
  t[kFieldBFinal] = QStringLiteral(" ");
  t[kFieldTimedFinal].clear();
  ASSERT_TRUE(FirstEmptyRankField(t));
  EXPECT_EQ(*FirstEmptyRankField(t), kFieldTimedFinal);
  EXPECT_EQ(EmptyRankMessage(kFieldHeats), QStringLiteral("予選対象順位を入力してください"));
  EXPECT_EQ(EmptyRankMessage(kFieldTimedFinal),
            QStringLiteral("タイム決勝対象順位を入力してください"));
  EXPECT_EQ(EmptyRankMessage(kFieldFinal),
            QStringLiteral("決勝・Ａ決勝対象順位を入力してください"));
  EXPECT_EQ(EmptyRankMessage(kFieldBFinal), QStringLiteral("Ｂ決勝対象順位を入力してください"));

  t = FieldTextsOf(LayoutSettings());
  t[kFieldFinal] = QStringLiteral("32767");
  EXPECT_FALSE(FirstRankTooLarge(t));
  t[kFieldFinal] = QStringLiteral("32768");
  t[kFieldBFinal] = QStringLiteral("99999999999999999999999");
  EXPECT_EQ(FirstRankTooLarge(t), kFieldFinal);
  // A number too long for any integer is not stored as a small one.
  EXPECT_EQ(SettingsOfFields(t, QString()).rank_b_final, kMaxRankLimit + 1);
}

TEST(FieldRules, DateCheckReadsTheFieldAsADateWhereItIsOne) {
  const QDate today(2026, 7, 18);
  for (const char* same : {"2026/07/18", "2026/7/18", "2026年07月18日", "２０２６年７月１８日",
                           "令和8年7月18日", "令和 ８年 ７月１８日"}) {
    EXPECT_FALSE(DateDiffersFromToday(QString::fromUtf8(same), today)) << same;
  }
  for (const char* other :
       {"2026/07/19", "令和7年7月18日", "平成37年7月18日", "", "本日", "2026年13月1日"}) {
    EXPECT_TRUE(DateDiffersFromToday(QString::fromUtf8(other), today)) << other;
  }
  EXPECT_EQ(ReadDateText(QStringLiteral("平成元年1月8日")), QDate(1989, 1, 8));
  // 平成 began on the 8th: the 7th was still 昭和.
  EXPECT_FALSE(ReadDateText(QStringLiteral("平成元年1月7日")).isValid());
  EXPECT_EQ(ReadDateText(QStringLiteral("令和元年5月1日")), QDate(2019, 5, 1));
}

TEST(JapaneseDate, EraOfTheDayWithTheFirstYearAsGannen) {
  EXPECT_EQ(JapaneseEraDate(QDate(2019, 4, 30)), QStringLiteral("平成31年4月30日"));
  EXPECT_EQ(JapaneseEraDate(QDate(2019, 5, 1)), QStringLiteral("令和元年5月1日"));
  EXPECT_EQ(JapaneseEraDate(QDate(2026, 12, 7)), QStringLiteral("令和8年12月7日"));
  EXPECT_EQ(JapaneseEraDate(QDate(1989, 1, 7)), QStringLiteral("昭和64年1月7日"));
  EXPECT_EQ(JapaneseEraDate(QDate(1989, 1, 8)), QStringLiteral("平成元年1月8日"));
  EXPECT_EQ(JapaneseEraDate(QDate(1995, 3, 9)), QStringLiteral("平成7年3月9日"));
  // What is written reads back as the same day.
  for (const QDate d : {QDate(2019, 5, 1), QDate(2031, 2, 28), QDate(1990, 10, 10)}) {
    EXPECT_EQ(ReadDateText(JapaneseEraDate(d)), d);
  }
}

TEST(JapaneseDate, SecondDefaultSetWritesTodayInItsEraAndSplitsTheEdition) {
  MeetSettings meet;
  meet.大会名1 = QStringLiteral(" 第45回 市民水泳競技大会 ");
  const LayoutSettings s = DefaultLayoutSettings(meet, QDate(2026, 12, 7));
  EXPECT_EQ(s.date, QStringLiteral("令和8年12月7日"));
  EXPECT_EQ(s.edition, QStringLiteral("第45回"));
  EXPECT_EQ(s.meet_name1, QStringLiteral("市民水泳競技大会"));
  EXPECT_EQ(s.meet_name2, QStringLiteral("○○水泳競技大会"));
  EXPECT_EQ(DefaultLayoutSettings(meet, QDate(2019, 5, 1)).date, QStringLiteral("令和元年5月1日"));
  EXPECT_EQ(DefaultLayoutSettings(meet, QDate(2018, 3, 4)).date, QStringLiteral("平成30年3月4日"));
  // SUB_NEN keeps mapping what it maps, and nothing else.
  EXPECT_EQ(SUB_NEN(QStringLiteral("99")), QStringLiteral("11"));
  EXPECT_EQ(SUB_NEN(QStringLiteral("18")), QStringLiteral("30"));
  EXPECT_EQ(SUB_NEN(QStringLiteral("19")), QStringLiteral("19"));
}

TEST(FieldRules, ModifiedOnlyByAChangeThatFollowsAKey) {
  LayoutEditFlags flags;
  EXPECT_FALSE(flags.FieldChanged());  // the program wrote a field
  EXPECT_FALSE(flags.modified);
  flags.key_seen = true;
  EXPECT_TRUE(flags.FieldChanged());
  EXPECT_TRUE(flags.modified);
  EXPECT_FALSE(flags.key_seen);
  flags.Clear();
  EXPECT_FALSE(flags.modified);
}

}  // namespace
}  // namespace kvsys::test
