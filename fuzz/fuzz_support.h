#pragma once

// What the fuzz targets share: a scratch folder and texts made of the fuzzer's bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace kvsys::fuzz {

// One folder for the whole run, removed when the process ends normally.
inline const QString& ScratchFolder() {
  static QTemporaryDir dir;
  static const QString path = dir.isValid() ? dir.path() : QString();
  if (path.isEmpty()) {
    std::fprintf(stderr, "no scratch folder\n");
    std::abort();
  }
  return path;
}

// A text of up to max_units UTF-16 units taken as they come: lone surrogates, NULs and
// control characters included, as a damaged file can give them.
inline QString RawText(FuzzedDataProvider& in, size_t max_units) {
  const size_t units = in.ConsumeIntegralInRange<size_t>(0, max_units);
  QString text;
  text.reserve(static_cast<qsizetype>(units));
  for (size_t i = 0; i < units && in.remaining_bytes() > 0; ++i) {
    // Mostly ASCII and Japanese, and the characters the readers and writers treat apart,
    // which a mutation seldom hits.
    static constexpr char16_t kSpecial[] = {u'\\', u'\t',  u'\r',  u'\n',  0,      u'"',
                                            u'=',  u'[',   u']',   u';',   0x3000, 0xfeff,
                                            0x85,  0x2028, 0xd842, 0xdfb7, 0xff9e, 0xfffd};
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
      case 4:
        text += QChar(kSpecial[in.ConsumeIntegralInRange<size_t>(0, std::size(kSpecial) - 1)]);
        break;
      case 0:
        text += QChar(in.ConsumeIntegralInRange<char16_t>(0, 0x7f));
        break;
      case 1:
        text += QChar(in.ConsumeIntegralInRange<char16_t>(0xff00, 0xffef));
        break;
      case 2:
        text += QChar(in.ConsumeIntegralInRange<char16_t>(0x3000, 0x30ff));
        break;
      default:
        text += QChar(in.ConsumeIntegral<char16_t>());
    }
  }
  return text;
}

// The text as UTF-8 can carry it: an unpaired surrogate has no UTF-8 form. (QString::fromUtf8
// would also drop a leading U+FEFF.)
inline QString Utf8Storable(const QString& text) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
  return decoder.decode(text.toUtf8());
}

// Stops the run with the input that broke a property.
#define FUZZ_CHECK(cond)                                                            \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

}  // namespace kvsys::fuzz
