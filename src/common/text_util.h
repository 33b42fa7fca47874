#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <optional>

#include "common/byte_text.h"

namespace kvsys {

// Removes leading and trailing blanks: half-width and full-width spaces.
QString TrimBlanks(const QString& text);

// The trimmed template with each "%" replaced, in order, by the next argument, trimmed (a "%"
// with no argument left gives nothing); "$" becomes a carriage return and "$$" one "$".
// Arguments are inserted as they are: a "$" or "%" inside one is not interpreted.
QString FormatMsg(const QString& tmpl, const QStringList& args = {});

// Kinds of NullTo.
inline constexpr int kNullToInt16 = 1;        // blank: n; else the value as a 16-bit integer
inline constexpr int kNullToLeftBytes = 2;    // blank: n spaces; else the text cut to n bytes
inline constexpr int kNullToIsBlank = 3;      // blank: true; else false
inline constexpr int kNullToPadBytes = 4;     // blank: n spaces; else padded with spaces to n bytes
inline constexpr int kNullToInt16OrNull = 5;  // blank: null; else the value as a 16-bit integer
inline constexpr int kNullToText = 6;         // blank: the empty text; else the value unchanged

// Replaces a database value that is null or blank (empty after trimming) by the default of its
// kind. Integers are QVariant<qint16>. A value that cannot be converted (a letter where an
// integer is wanted, or out of the 16-bit range) gives an empty text, which reads as 0 or "".
// An unknown kind gives the empty text as well.
QVariant NullTo(const QVariant& value, int kind, int n);

// The value as a 16-bit integer: numbers and numeric texts rounded half to even (as the Basic
// of the original system did), true -1, false 0; nullopt when it cannot be converted.
std::optional<int16_t> ToInt16(const QVariant& value);

// The text before the first ":", then before the first ".", as a 16-bit / 32-bit integer
// (optional sign, decimal digits, blanks around); 0 when it cannot be converted or is out of range.
// "12:30" gives 12, "7.9" gives 7.
int16_t ToInt(const QString& text);
int32_t ToLong(const QString& text);

// Whether the value is a whole number written without ".": mode -1 any, mode 0 at least 0,
// mode 1 at least 1 (modes 0 and 1 also require the 16-bit range). Other modes give false.
bool IsWholeNumber(const QVariant& value, int mode);

// A yes/no as the settings file and the layout's font rows write it: "True" or "False".
inline const QString kTrueText = QStringLiteral("True");
inline const QString kFalseText = QStringLiteral("False");
inline QString FlagText(bool value) {
  return value ? kTrueText : kFalseText;
}

// Control characters: U+0000 to U+001F, U+007F, U+0080 to U+009F, the line and paragraph
// separators. They are not meant to be printed.
bool IsControlCharacter(QChar c);

// A text from the data with its control characters dropped: a line break inside a name would
// split it over several lines.
QString DropControlCharacters(const QString& text);

}  // namespace kvsys
