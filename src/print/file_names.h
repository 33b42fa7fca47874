#pragma once

#include <QString>

namespace kvsys {

// A text as a file name that stays in its folder on any file system: path separators, "..",
// control characters and the characters Windows shares refuse become "_", a leading dot or
// blank goes, and the name is cut (never inside a character) to max_bytes of UTF-8. An empty
// result is "_".
QString SafeFileName(const QString& text, int max_bytes = 200);

// How many names a PDF output tries for one file before it gives up.
inline constexpr int kMaxSequence = 999;

// A PDF file's name: base.pdf, then base_2.pdf, base_3.pdf, ... for later tries.
inline QString NumberedPdfName(const QString& base, int seq) {
  return seq == 1 ? base + QStringLiteral(".pdf") : QStringLiteral("%1_%2.pdf").arg(base).arg(seq);
}

}  // namespace kvsys
