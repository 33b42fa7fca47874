// Byte widths, full-width conversion, CP932 and the other text routines: any text, no fault,
// and the widths the fixed-width fields are laid out by hold.

#include <QByteArray>
#include <QVariant>
#include <algorithm>

#include "common/byte_text.h"
#include "common/cp932.h"
#include "common/text_util.h"
#include "fuzz_support.h"

namespace {

using kvsys::ByteLen;

bool HasHalfWidth(const QString& s) {
  return std::any_of(s.begin(), s.end(), [](QChar c) {
    return (c.unicode() >= 0x20 && c.unicode() <= 0x7e) ||
           (c.unicode() >= 0xff61 && c.unicode() <= 0xff9f);
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int n = in.ConsumeIntegralInRange<int>(-2, 600);
  const int start = in.ConsumeIntegralInRange<int>(-2, 600);
  const int length = in.ConsumeIntegralInRange<int>(-2, 600);
  const QString text = kvsys::fuzz::RawText(in, 400);
  const std::string rest = in.ConsumeRemainingBytesAsString();
  const QByteArray bytes(rest.data(), static_cast<qsizetype>(rest.size()));

  // Widths.
  const int width = ByteLen(text);
  int sum = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      sum += 2;
      ++i;
    } else {
      sum += kvsys::CharByteWidth(text[i].unicode());
    }
  }
  FUZZ_CHECK(width == sum);
  const int fit = std::clamp(n, 0, width);
  FUZZ_CHECK(ByteLen(kvsys::LeftBytes(text, n)) == fit);
  const QString cut = kvsys::TruncateBytes(text, n);
  FUZZ_CHECK(text.startsWith(cut));
  FUZZ_CHECK(ByteLen(cut) <= fit && ByteLen(cut) >= fit - 1);
  const QString padded = kvsys::PadBytes(text, n);
  FUZZ_CHECK(padded.startsWith(text) && ByteLen(padded) == std::max(width, n));
  const int from = std::max(start, 1);
  const int left = std::max(0, width - from + 1);
  const QString mid = kvsys::MidBytes(text, start, length);
  FUZZ_CHECK(ByteLen(mid) == (length < 0 ? left : std::min(length, left)));
  FUZZ_CHECK(kvsys::MidBytes(text, 1) == text);

  // Full width: nothing half-width is left, and converting again changes nothing.
  const QString wide = kvsys::ToFullWidth(text);
  FUZZ_CHECK(!HasHalfWidth(wide) && wide.size() <= text.size());
  FUZZ_CHECK(kvsys::ToFullWidth(wide) == wide);

  // CP932 both ways.
  if (const auto encoded = kvsys::EncodeCp932(text)) {
    bool valid = false;
    FUZZ_CHECK(kvsys::DecodeCp932(*encoded, &valid) == text && valid);
  }
  bool valid = false;
  const QString decoded = kvsys::DecodeCp932(bytes, &valid);
  if (valid) {
    const auto again = kvsys::EncodeCp932(decoded);
    FUZZ_CHECK(again && kvsys::DecodeCp932(*again) == decoded);
  }
  if (kvsys::IsValidUtf8(bytes)) FUZZ_CHECK(QString::fromUtf8(bytes).toUtf8() == bytes);

  // The rest must not fail on any text.
  const QString clean = kvsys::DropControlCharacters(text);
  FUZZ_CHECK(kvsys::DropControlCharacters(clean) == clean);
  for (const QChar c : clean) {
    const char16_t u = c.unicode();
    FUZZ_CHECK(u >= 0x20 && !(u >= 0x7f && u <= 0x9f) && u != 0x2028 && u != 0x2029);
  }
  const QString trimmed = kvsys::TrimBlanks(text);
  FUZZ_CHECK(kvsys::TrimBlanks(trimmed) == trimmed);
  (void)kvsys::FormatMsg(text, {trimmed, clean});
  (void)kvsys::ToInt(text);
  (void)kvsys::ToLong(text);
  (void)kvsys::ToInt16(QVariant(text));
  for (int kind = 0; kind <= 7; ++kind) (void)kvsys::NullTo(QVariant(text), kind, n);
  for (int mode = -2; mode <= 2; ++mode) (void)kvsys::IsWholeNumber(QVariant(text), mode);
  return 0;
}
