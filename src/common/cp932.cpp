#include "common/cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kvsys {

namespace {

constexpr const char* kCodec = "Shift_JIS";

bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsTrailByte(unsigned char b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}
bool IsHalfWidthKatakanaByte(unsigned char b) {
  return b >= 0xA1 && b <= 0xDF;
}

// One double-byte character, or nothing when the pair maps to no character.
std::optional<QString> DecodePair(QByteArrayView pair) {
  QStringDecoder decoder(kCodec);
  if (!decoder.isValid()) return std::nullopt;
  QString s = decoder.decode(pair);
  if (decoder.hasError() || s.isEmpty() || s.contains(QChar::ReplacementCharacter) ||
      s.contains(QChar(0x1A))) {
    return std::nullopt;
  }
  return s;
}

// Decodes a run of double-byte pairs at once; falls back to pair by pair on an error so that
// one bad pair does not spoil its neighbours.
void AppendPairs(QByteArrayView run, QString* out, bool* valid) {
  if (run.isEmpty()) return;
  QStringDecoder decoder(kCodec);
  if (decoder.isValid()) {
    QString s = decoder.decode(run);
    if (!decoder.hasError() && !s.contains(QChar::ReplacementCharacter) &&
        !s.contains(QChar(0x1A)) && s.size() >= run.size() / 2) {
      out->append(s);
      return;
    }
  }
  for (qsizetype i = 0; i + 1 < run.size(); i += 2) {
    if (auto c = DecodePair(run.sliced(i, 2))) {
      out->append(*c);
    } else {
      out->append(QChar::ReplacementCharacter);
      *valid = false;
    }
  }
}

}  // namespace

QString DecodeCp932(QByteArrayView bytes, bool* valid) {
  bool ok = true;
  QString out;
  out.reserve(bytes.size());
  qsizetype run_start = -1;  // start of the pending run of double-byte pairs
  auto flush = [&](qsizetype end) {
    if (run_start >= 0) AppendPairs(bytes.sliced(run_start, end - run_start), &out, &ok);
    run_start = -1;
  };
  qsizetype i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (IsLeadByte(b) && i + 1 < bytes.size() &&
        IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
      if (run_start < 0) run_start = i;
      i += 2;
      continue;
    }
    flush(i);
    if (b < 0x80) {
      out.append(QChar(b));
    } else if (IsHalfWidthKatakanaByte(b)) {
      out.append(QChar(0xFF61 + (b - 0xA1)));
    } else {
      out.append(QChar::ReplacementCharacter);
      ok = false;
    }
    ++i;
  }
  flush(i);
  if (valid) *valid = ok;
  return out;
}

std::optional<QByteArray> EncodeCp932(const QString& text) {
  QByteArray out;
  out.reserve(text.size() * 2);
  qsizetype i = 0;
  while (i < text.size()) {
    const char16_t c = text[i].unicode();
    if (c < 0x80) {
      out.append(static_cast<char>(c));
      ++i;
      continue;
    }
    if (c >= 0xFF61 && c <= 0xFF9F) {
      out.append(static_cast<char>(0xA1 + (c - 0xFF61)));
      ++i;
      continue;
    }
    // A run of other characters goes through the converter; it must read back the same, so a
    // "best fit" substitute never slips into the file.
    qsizetype j = i;
    while (j < text.size()) {
      const char16_t d = text[j].unicode();
      if (d < 0x80 || (d >= 0xFF61 && d <= 0xFF9F)) break;
      ++j;
    }
    const QString run = text.mid(i, j - i);
    QStringEncoder encoder(kCodec);
    if (!encoder.isValid()) return std::nullopt;
    QByteArray bytes = encoder.encode(run);
    if (encoder.hasError()) return std::nullopt;
    bool ok = false;
    if (DecodeCp932(bytes, &ok) != run || !ok) return std::nullopt;
    out.append(bytes);
    i = j;
  }
  return out;
}

bool IsValidUtf8(QByteArrayView bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  const QString text = decoder.decode(bytes);  // the conversion runs here, not in decode()
  (void)text;
  return !decoder.hasError();
}

}  // namespace kvsys
