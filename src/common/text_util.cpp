#include "common/text_util.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace kvsys {

namespace {

bool IsBlankChar(QChar c) {
  return c == QLatin1Char(' ') || c == QChar(0x3000);
}

bool IsBlank(const QVariant& value) {
  return value.isNull() || !value.isValid() || TrimBlanks(value.toString()).isEmpty();
}

// Optional sign and decimal digits, blanks around; nullopt for anything else or an overflow.
std::optional<int64_t> ParseWhole(const QString& text) {
  const QString t = TrimBlanks(text);
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
    negative = t[i] == QLatin1Char('-');
    ++i;
  }
  if (i >= t.size()) return std::nullopt;
  int64_t magnitude = 0;
  constexpr int64_t kLimit = int64_t{1} << 40;  // far beyond any range asked for
  for (; i < t.size(); ++i) {
    const char16_t c = t[i].unicode();
    if (c < u'0' || c > u'9') return std::nullopt;
    magnitude = magnitude * 10 + (c - u'0');
    if (magnitude > kLimit) return std::nullopt;
  }
  return negative ? -magnitude : magnitude;
}

QString BeforeColonAndPoint(const QString& text) {
  QString t = text;
  const qsizetype colon = t.indexOf(QLatin1Char(':'));
  if (colon >= 0) t.truncate(colon);
  const qsizetype point = t.indexOf(QLatin1Char('.'));
  if (point >= 0) t.truncate(point);
  return t;
}

std::optional<int16_t> RoundToInt16(double d) {
  if (!std::isfinite(d)) return std::nullopt;
  const double r = std::nearbyint(d);  // default rounding: half to even
  if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int16_t>(r);
}

QVariant Int16Value(int16_t v) {
  return QVariant::fromValue<qint16>(v);
}

}  // namespace

QString TrimBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && IsBlankChar(text[begin])) ++begin;
  while (end > begin && IsBlankChar(text[end - 1])) --end;
  return text.mid(begin, end - begin);
}

QString FormatMsg(const QString& tmpl, const QStringList& args) {
  const QString t = TrimBlanks(tmpl);
  QString out;
  out.reserve(t.size());
  qsizetype next_arg = 0;
  for (qsizetype i = 0; i < t.size(); ++i) {
    const QChar c = t[i];
    if (c == QLatin1Char('%')) {
      if (next_arg < args.size()) out.append(TrimBlanks(args[next_arg]));
      ++next_arg;
    } else if (c == QLatin1Char('$')) {
      if (i + 1 < t.size() && t[i + 1] == QLatin1Char('$')) {
        out.append(QLatin1Char('$'));
        ++i;
      } else {
        out.append(QLatin1Char('\r'));
      }
    } else {
      out.append(c);
    }
  }
  return TrimBlanks(out);
}

std::optional<int16_t> ToInt16(const QVariant& value) {
  if (value.isNull() || !value.isValid()) return std::nullopt;
  switch (value.typeId()) {
    case QMetaType::Bool:
      return static_cast<int16_t>(value.toBool() ? -1 : 0);
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: {
      bool ok = false;
      const qlonglong v = value.toLongLong(&ok);
      if (value.typeId() == QMetaType::ULongLong &&
          value.toULongLong() > static_cast<qulonglong>(std::numeric_limits<qlonglong>::max())) {
        return std::nullopt;
      }
      if (!ok || v < std::numeric_limits<int16_t>::min() ||
          v > std::numeric_limits<int16_t>::max()) {
        return std::nullopt;
      }
      return static_cast<int16_t>(v);
    }
    case QMetaType::Double:
    case QMetaType::Float:
      return RoundToInt16(value.toDouble());
    default:
      break;
  }
  const QString text = TrimBlanks(value.toString());
  if (text.isEmpty()) return std::nullopt;
  if (auto whole = ParseWhole(text)) {
    if (*whole < std::numeric_limits<int16_t>::min() ||
        *whole > std::numeric_limits<int16_t>::max()) {
      return std::nullopt;
    }
    return static_cast<int16_t>(*whole);
  }
  bool ok = false;
  const double d = QLocale::c().toDouble(text, &ok);
  if (!ok) return std::nullopt;
  return RoundToInt16(d);
}

QVariant NullTo(const QVariant& value, int kind, int n) {
  const bool blank = IsBlank(value);
  const QString empty_text = QStringLiteral("");
  switch (kind) {
    case kNullToInt16: {
      if (blank) {
        if (n < std::numeric_limits<int16_t>::min() || n > std::numeric_limits<int16_t>::max()) {
          return QVariant(empty_text);
        }
        return Int16Value(static_cast<int16_t>(n));
      }
      const auto v = ToInt16(value);
      return v ? Int16Value(*v) : QVariant(empty_text);
    }
    case kNullToLeftBytes:
      return blank ? QVariant(QString(qMax(n, 0), QLatin1Char(' ')))
                   : QVariant(LeftBytes(value.toString(), n));
    case kNullToIsBlank:
      return QVariant(blank);
    case kNullToPadBytes:
      return blank ? QVariant(QString(qMax(n, 0), QLatin1Char(' ')))
                   : QVariant(PadBytes(value.toString(), n));
    case kNullToInt16OrNull: {
      if (blank) return QVariant();
      const auto v = ToInt16(value);
      return v ? Int16Value(*v) : QVariant(empty_text);
    }
    case kNullToText:
      return blank ? QVariant(empty_text) : value;
    default:
      return QVariant(empty_text);
  }
}

int16_t ToInt(const QString& text) {
  const auto v = ParseWhole(BeforeColonAndPoint(text));
  if (!v || *v < std::numeric_limits<int16_t>::min() || *v > std::numeric_limits<int16_t>::max()) {
    return 0;
  }
  return static_cast<int16_t>(*v);
}

int32_t ToLong(const QString& text) {
  const auto v = ParseWhole(BeforeColonAndPoint(text));
  if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max()) {
    return 0;
  }
  return static_cast<int32_t>(*v);
}

bool IsWholeNumber(const QVariant& value, int mode) {
  if (value.isNull() || !value.isValid()) return false;
  const QString text = value.toString();
  if (text.contains(QLatin1Char('.'))) return false;
  const auto v = ParseWhole(text);
  if (!v) {
    // Beyond the parser's limit is still a whole number for mode -1.
    const QString t = TrimBlanks(text);
    static const QRegularExpression kDigits(QStringLiteral("^[+-]?[0-9]+$"));
    return mode == -1 && kDigits.match(t).hasMatch();
  }
  switch (mode) {
    case -1:
      return true;
    case 0:
      return *v >= 0 && *v <= std::numeric_limits<int16_t>::max();
    case 1:
      return *v >= 1 && *v <= std::numeric_limits<int16_t>::max();
    default:
      return false;
  }
}

bool IsControlCharacter(QChar c) {
  const char16_t u = c.unicode();
  return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
}

QString DropControlCharacters(const QString& text) {
  if (std::none_of(text.begin(), text.end(), IsControlCharacter)) return text;
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    if (!IsControlCharacter(c)) out += c;
  }
  return out;
}

}  // namespace kvsys
