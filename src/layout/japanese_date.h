#pragma once

#include <QDate>
#include <QString>

namespace kvsys {

// A date as the operator writes it on a certificate: the Japanese era, its year ("元年" for the
// first), month and day without leading zeros ("令和8年12月7日"). A date before the first era the
// table knows is written with its Western year.
QString JapaneseEraDate(const QDate& date);

// The date a text names, or an invalid date: "yyyy/m/d", "yyyy-m-d", "yyyy.m.d", "yyyy年m月d日"
// and the era forms "令和8年12月7日", "平成元年5月1日", whatever the width of the digits and with
// blanks anywhere.
QDate ReadDateText(const QString& text);

}  // namespace kvsys
