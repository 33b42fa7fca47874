#include "layout/japanese_date.h"

#include <QRegularExpression>
#include <array>

namespace kvsys {

namespace {

struct Era {
  const char16_t* name;
  int year;
  int month;
  int day;  // the first day of the era
};

// Newest first. A new era is one more line here.
constexpr std::array<Era, 3> kEras = {{
    {u"令和", 2019, 5, 1},
    {u"平成", 1989, 1, 8},
    {u"昭和", 1926, 12, 25},
}};

QDate FirstDay(const Era& era) {
  return QDate(era.year, era.month, era.day);
}

// Full-width digits and signs to ASCII, blanks removed.
QString Plain(const QString& text) {
  const QString nfkc = text.normalized(QString::NormalizationForm_KC);
  QString out;
  for (const QChar c : nfkc) {
    if (!c.isSpace()) out.append(c);
  }
  return out;
}

}  // namespace

QString JapaneseEraDate(const QDate& date) {
  const QString day = QStringLiteral("%1月%2日").arg(date.month()).arg(date.day());
  for (const Era& era : kEras) {
    if (date >= FirstDay(era)) {
      const int year = date.year() - era.year + 1;
      return QString::fromUtf16(era.name) +
             (year == 1 ? QStringLiteral("元") : QString::number(year)) + QStringLiteral("年") +
             day;
    }
  }
  return QStringLiteral("%1年").arg(date.year()) + day;
}

QDate ReadDateText(const QString& text) {
  const QString t = Plain(text);
  static const QRegularExpression western(QStringLiteral(
      "^(\\d{4})(?:[/.\\-](\\d{1,2})[/.\\-](\\d{1,2})|年(\\d{1,2})月(\\d{1,2})日)$"));
  if (const QRegularExpressionMatch m = western.match(t); m.hasMatch()) {
    const bool slash = !m.captured(2).isEmpty();
    return QDate(m.captured(1).toInt(), m.captured(slash ? 2 : 4).toInt(),
                 m.captured(slash ? 3 : 5).toInt());
  }
  static const QRegularExpression era_form(
      QStringLiteral("^(\\D+?)(\\d{1,2}|元)年(\\d{1,2})月(\\d{1,2})日$"));
  if (const QRegularExpressionMatch m = era_form.match(t); m.hasMatch()) {
    for (const Era& era : kEras) {
      if (m.captured(1) != QString::fromUtf16(era.name)) continue;
      const int year = m.captured(2) == QStringLiteral("元") ? 1 : m.captured(2).toInt();
      if (year < 1) return QDate();
      const QDate date(era.year + year - 1, m.captured(3).toInt(), m.captured(4).toInt());
      // A date before its era began names no day.
      return date.isValid() && date >= FirstDay(era) ? date : QDate();
    }
  }
  return QDate();
}

}  // namespace kvsys
