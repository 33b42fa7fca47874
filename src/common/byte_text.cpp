#include "common/byte_text.h"

#include <array>

namespace kvsys {

namespace {

// One character of a QString: its code units and its width.
struct Unit {
  qsizetype pos;
  qsizetype size;
  int width;
};

Unit UnitAt(const QString& text, qsizetype i) {
  const QChar c = text[i];
  if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
    return {i, 2, 2};
  }
  return {i, 1, CharByteWidth(c.unicode())};
}

// Units of text from index i while they fit in n bytes; with pad, a space stands in for a
// double-byte character that finds one byte left.
QString TakeBytes(const QString& text, qsizetype i, int n, bool pad = true) {
  QString out;
  int used = 0;
  while (i < text.size()) {
    const Unit u = UnitAt(text, i);
    if (used + u.width > n) {
      if (pad && n - used == 1) out.append(QLatin1Char(' '));
      break;
    }
    out.append(QStringView(text).sliced(u.pos, u.size));
    used += u.width;
    i += u.size;
  }
  return out;
}

// Full-width forms of U+FF61..U+FF9F.
constexpr std::array<char16_t, 0x3F> kKanaWide = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

constexpr char16_t kVoicedMark = 0xFF9E;
constexpr char16_t kSemiVoicedMark = 0xFF9F;

// The voiced letter of a full-width kana, or 0.
char16_t Voiced(char16_t kana) {
  if (kana == 0x30A6) return 0x30F4;  // ウ -> ヴ
  // カ..ト: every other code point from カ, with a gap after ッ.
  if (kana >= 0x30AB && kana <= 0x30C1 && (kana - 0x30AB) % 2 == 0) return kana + 1;
  if (kana == 0x30C4 || kana == 0x30C6 || kana == 0x30C8) return kana + 1;
  // ハ ヒ フ ヘ ホ, three apart.
  if (kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0) return kana + 1;
  return 0;
}

char16_t SemiVoiced(char16_t kana) {
  if (kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0) return kana + 2;
  return 0;
}

}  // namespace

int CharByteWidth(char32_t code_point) {
  if (code_point < 0x80) return 1;
  if (code_point >= 0xFF61 && code_point <= 0xFF9F) return 1;
  return 2;
}

int ByteLen(const QString& text) {
  int total = 0;
  for (qsizetype i = 0; i < text.size();) {
    const Unit u = UnitAt(text, i);
    total += u.width;
    i += u.size;
  }
  return total;
}

QString LeftBytes(const QString& text, int n) {
  if (n <= 0) return QString();
  return TakeBytes(text, 0, n);
}

QString TruncateBytes(const QString& text, int n) {
  if (n <= 0) return QString();
  return TakeBytes(text, 0, n, false);
}

QString MidBytes(const QString& text, int start, int length) {
  if (length == 0) return QString();
  if (start < 1) start = 1;
  int pos = 1;  // byte position of the unit at i
  qsizetype i = 0;
  while (i < text.size()) {
    const Unit u = UnitAt(text, i);
    if (pos + u.width - 1 >= start) break;
    pos += u.width;
    i += u.size;
  }
  if (i >= text.size()) return QString();
  QString head;
  if (pos < start) {
    // start lies on the second byte of a double-byte character.
    head = QStringLiteral(" ");
    i += UnitAt(text, i).size;
    if (length > 0) --length;
  }
  if (length < 0) return head + text.mid(i);
  return head + TakeBytes(text, i, length);
}

QString PadBytes(const QString& text, int n) {
  const int width = ByteLen(text);
  if (width >= n) return text;
  return text + QString(n - width, QLatin1Char(' '));
}

QString ToFullWidth(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c == u' ') {
      out.append(QChar(0x3000));
    } else if (c >= u'!' && c <= u'~') {
      out.append(QChar(static_cast<char16_t>(c - u'!' + 0xFF01)));
    } else if (c >= 0xFF61 && c <= 0xFF9F) {
      char16_t wide = kKanaWide[c - 0xFF61];
      if (i + 1 < text.size()) {
        const char16_t mark = text[i + 1].unicode();
        const char16_t combined = mark == kVoicedMark       ? Voiced(wide)
                                  : mark == kSemiVoicedMark ? SemiVoiced(wide)
                                                            : 0;
        if (combined != 0) {
          wide = combined;
          ++i;
        }
      }
      out.append(QChar(wide));
    } else {
      out.append(text[i]);
    }
  }
  return out;
}

}  // namespace kvsys
