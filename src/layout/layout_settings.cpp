#include "layout/layout_settings.h"

#include "common/byte_text.h"
#include "common/text_util.h"
#include "layout/japanese_date.h"
#include "results/meet_settings.h"

namespace kvsys {

namespace {

const QString kBody =
    QStringLiteral("あなたは優秀なる成績を収めましたのでその栄誉を讃えこれを賞します");
const QString kPresenterTitle = QStringLiteral(" ○○○県水泳連盟理事長");
const QString kPresenter = QStringLiteral("見本 太郎");

bool IsBlank(QChar c) {
  return c == u' ' || c == u'\u3000';
}

// The longest head of text within bytes that ends at a natural break; 0 when there is none.
qsizetype NaturalBreak(const QString& text, int bytes) {
  qsizetype best = 0;
  for (qsizetype i = 1; i < text.size() && ByteLen(text.left(i)) <= bytes; ++i) {
    const QChar c = text[i];
    const QChar before = text[i - 1];
    if (IsBlank(c) || c == u'兼' || before == u'・' || before == u'、') best = i;
  }
  return best;
}

}  // namespace

MeetTexts SplitMeetName(const QString& name1, const QString& name2) {
  MeetTexts t;
  const QString first = TrimBlanks(name1);
  const qsizetype k = first.indexOf(u'回');
  // Only an edition that fits its field is one ("第89回"); a 回 deep in the name is the name's.
  if (k >= 0 && ByteLen(first.left(k + 1)) <= kEditionFieldBytes) {
    t.edition = TrimBlanks(first.left(k + 1));
    t.name1 = TrimBlanks(first.mid(k + 1));
  } else {
    t.name1 = first;
  }
  t.name2 = TrimBlanks(name2);
  if (ByteLen(t.name1) <= kMeetName1FieldBytes) return t;
  if (!t.name2.isEmpty()) {
    t.name1 = TruncateBytes(t.name1, kMeetName1FieldBytes);
    t.cut = true;
    return t;
  }
  qsizetype at = NaturalBreak(t.name1, kMeetName1FieldBytes);
  if (at == 0) at = TruncateBytes(t.name1, kMeetName1FieldBytes).size();
  t.name2 = TrimBlanks(t.name1.mid(at));
  t.name1 = TrimBlanks(t.name1.left(at));
  return t;
}

namespace {

// A record filled by hand (no read of the meet) has only the cut names.
QString WholeName1(const MeetSettings& meet) {
  return meet.WholeName1.isEmpty() ? meet.大会名1 : meet.WholeName1;
}

}  // namespace

MeetTexts MeetTextsOf(const MeetSettings& meet) {
  return SplitMeetName(WholeName1(meet),
                       meet.WholeName2.isEmpty() ? meet.大会名2 : meet.WholeName2);
}

QString MeetNameCutMessage(const MeetSettings& meet, const MeetTexts& texts) {
  const QString whole = TrimBlanks(WholeName1(meet));
  const qsizetype at = whole.indexOf(texts.name1);
  const qsizetype kept = at < 0 ? 0 : at + texts.name1.size();
  return QStringLiteral(
             "大会名１が長いため、大会名前段（%1バイト）に入りきりません。"
             "「%2」が切れています。\r大会名後段に続けるか、短くしてください。")
      .arg(kMeetName1FieldBytes)
      .arg(whole.mid(kept));
}

LayoutSettings NewLayoutSettings(const MeetSettings& meet) {
  LayoutSettings s;  // rank limits 1, B4
  s.title = QStringLiteral("賞状");
  const MeetTexts meet_texts = MeetTextsOf(meet);
  s.edition = meet_texts.edition;
  s.meet_name1 = meet_texts.name1;
  s.meet_name2 = meet_texts.name2;
  s.body = kBody;
  const QDate start = QDate::fromString(TrimBlanks(meet.始期間), QStringLiteral("yyyy/M/d"));
  s.date = start.isValid() ? start.toString(QStringLiteral("yyyy年MM月dd日")) : QString();
  s.presenter_title = kPresenterTitle;
  s.presenter = kPresenter;
  return s;
}

LayoutSettings DefaultLayoutSettings(const MeetSettings& meet, const QDate& today) {
  LayoutSettings s;
  s.rank_heats = 0;
  s.rank_timed_final = 3;
  s.rank_final = 3;
  s.rank_b_final = 3;
  s.title = QStringLiteral("賞状");
  // The first line alone: a second line the meet has is not one of these defaults.
  const MeetTexts meet_texts = SplitMeetName(WholeName1(meet), QString());
  s.edition = meet_texts.edition;
  s.meet_name1 = meet_texts.name1;
  s.meet_name2 = meet_texts.name2.isEmpty() ? QStringLiteral("○○水泳競技大会") : meet_texts.name2;
  s.body = kBody;
  // Written in the era of the day: 平成 years through SUB_NEN cover 1999 to 2018 only, and
  // after 2019-04-30 would print a year that never was.
  s.date = JapaneseEraDate(today);
  s.presenter_title = kPresenterTitle;
  s.presenter = kPresenter;
  return s;
}

QString SUB_NEN(const QString& year) {
  bool ok = false;
  const int yy = year.toInt(&ok);
  if (!ok || year.size() != 2) return year;
  if (yy == 99) return QStringLiteral("11");
  if (yy <= 18) return QString::number(yy + 12);
  return year;
}

}  // namespace kvsys
