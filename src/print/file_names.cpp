#include "print/file_names.h"

#include "common/text_util.h"

namespace kvsys {

QString SafeFileName(const QString& text, int max_bytes) {
  QString name;
  name.reserve(text.size());
  for (const QChar c : text) {
    // Bidirectional and other format characters (U+202E and the like) would make a name read
    // otherwise than it is; they are dropped.
    if (c.category() == QChar::Other_Format) continue;
    const bool unsafe = IsControlCharacter(c) || QStringLiteral("/\\:*?\"<>|").contains(c);
    name += unsafe ? QChar(u'_') : c;
  }
  while (name.contains(QStringLiteral("..")))
    name.replace(QStringLiteral(".."), QStringLiteral("_"));
  while (!name.isEmpty() && (name.front() == u'.' || name.front().isSpace())) name.remove(0, 1);
  while (!name.isEmpty() && (name.back() == u'.' || name.back().isSpace())) name.chop(1);
  // Cut by whole characters (a surrogate pair stays together).
  int bytes = 0;
  qsizetype keep = 0;
  while (keep < name.size()) {
    const qsizetype step = name[keep].isHighSurrogate() && keep + 1 < name.size() ? 2 : 1;
    const int size = static_cast<int>(name.mid(keep, step).toUtf8().size());
    if (bytes + size > max_bytes) break;
    bytes += size;
    keep += step;
  }
  name.truncate(keep);
  return name.isEmpty() ? QStringLiteral("_") : name;
}

}  // namespace kvsys
