#include "layout/layout_settings.h"

#include "common/text_util.h"
#include "layout/japanese_date.h"
#include "results/meet_settings.h"

namespace kvsys {

namespace {

const QString kBody =
    QStringLiteral("あなたは優秀なる成績を収めましたのでその栄誉を讃えこれを賞します");
const QString kPresenterTitle = QStringLiteral(" ○○○県水泳連盟理事長");
const QString kPresenter = QStringLiteral("見本 太郎");

}  // namespace

LayoutSettings NewLayoutSettings(const MeetSettings& meet) {
  LayoutSettings s;  // rank limits 1, B4
  s.title = QStringLiteral("賞状");
  s.edition = QStringLiteral("第0回");
  s.meet_name1 = TrimBlanks(meet.大会名1);
  s.meet_name2 = TrimBlanks(meet.大会名2);
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
  const QString name1 = meet.大会名1;
  const qsizetype k = name1.indexOf(u'回');
  if (k < 0) {
    s.edition = QStringLiteral("第0回");
    s.meet_name1 = TrimBlanks(name1);
  } else {
    s.edition = TrimBlanks(name1.left(k + 1));
    s.meet_name1 = TrimBlanks(name1.mid(k + 1));
  }
  s.meet_name2 = QStringLiteral("○○水泳競技大会");
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
