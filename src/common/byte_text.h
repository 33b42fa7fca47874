#pragma once

#include <QString>

namespace kvsys {

// Widths in bytes of the Japanese Windows code page (CP932), which fixed-width fields, lists and
// the body text of a certificate are laid out in: ASCII and half-width katakana (U+FF61-U+FF9F)
// take one byte, every other character two (a surrogate pair is one character).

int CharByteWidth(char32_t code_point);
int ByteLen(const QString& text);

// The longest beginning of text that fits in n bytes. When a double-byte character would cross
// the limit with one byte left, a space stands in for it, so a long text gives exactly n bytes.
QString LeftBytes(const QString& text, int n);

// The longest beginning of text that fits in n bytes, without the filling space.
QString TruncateBytes(const QString& text, int n);

// The part of text from the 1-based byte position start that fits in length bytes (a negative
// length: to the end). A double-byte character cut at either end is replaced by a space, so the
// result keeps its byte positions.
QString MidBytes(const QString& text, int start, int length = -1);

// text followed by spaces up to n bytes; a wider text is returned unchanged.
QString PadBytes(const QString& text, int n);

// Half-width ASCII (space included) and half-width katakana to their full-width forms; a
// half-width voiced or semi-voiced mark combines with the kana before it where such a letter
// exists (ｶﾞ -> ガ, ﾊﾟ -> パ, ｳﾞ -> ヴ). Other characters are copied.
QString ToFullWidth(const QString& text);

}  // namespace kvsys
