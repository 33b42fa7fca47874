// The settings file: any bytes in, every write of a valid key reads back, and no other key of
// the file changes its value; an invalid key leaves the file as it was.

#include <QFile>
#include <QStringList>
#include <utility>
#include <vector>

#include "common/byte_text.h"
#include "common/cp932.h"
#include "common/profile_file.h"
#include "fuzz_support.h"

namespace {

using kvsys::fuzz::RawText;

bool IsBlank(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f' || c == u'\xfeff';
}

QString Trim(const QString& s) {
  qsizetype b = 0;
  qsizetype e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.mid(b, e - b);
}

bool SameName(const QString& a, const QString& b) {
  return Trim(a).compare(Trim(b), Qt::CaseInsensitive) == 0;
}

// What reading gives for a value that was written: trimmed, one pair of quotes off, at most
// 255 bytes wide.
QString AsRead(const QString& written) {
  QString v = Trim(written);
  if (v.size() >= 2 && v.front() == v.back() && (v.front() == u'"' || v.front() == u'\'')) {
    v = v.mid(1, v.size() - 2);
  }
  return kvsys::TruncateBytes(v, kvsys::kProfileValueMaxBytes);
}

// The section and key names of the file, as a reader of the rules would list them.
std::vector<std::pair<QString, QString>> Entries(QByteArray bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  const QString text =
      kvsys::IsValidUtf8(bytes) ? QString::fromUtf8(bytes) : kvsys::DecodeCp932(bytes);
  std::vector<std::pair<QString, QString>> out;
  QString section;
  bool in_section = false;
  for (const QString& raw : text.split(u'\n')) {
    const QString t = Trim(raw);
    if (t.isEmpty() || t.startsWith(u';')) continue;
    if (t.startsWith(u'[') && t.indexOf(u']') > 0) {
      section = Trim(t.mid(1, t.indexOf(u']') - 1));
      in_section = true;
      continue;
    }
    const qsizetype eq = t.indexOf(u'=');
    const QString key = Trim(eq < 0 ? t : t.first(eq));
    if (in_section && !section.isEmpty() && !key.isEmpty() && out.size() < 64) {
      out.emplace_back(section, key);
    }
  }
  return out;
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const QString section = RawText(in, 12);
  const QString key = RawText(in, 12);
  const QString value = RawText(in, 300);
  const QString key2 = RawText(in, 12);
  const QString value2 = RawText(in, 40);
  const std::string content = in.ConsumeRemainingBytesAsString();
  const QByteArray bytes(content.data(), static_cast<qsizetype>(content.size()));

  const QString path = kvsys::fuzz::ScratchFolder() + QStringLiteral("/KVSYS.ini");
  {
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
  }

  const auto entries = Entries(bytes);
  QStringList before;
  for (const auto& [s, k] : entries) before << kvsys::ReadProfileValue(path, s, k);

  const bool valid = kvsys::IsValidProfileSection(section) && kvsys::IsValidProfileKey(key) &&
                     kvsys::IsValidProfileValue(value);
  const bool written = kvsys::WriteProfileValue(path, section, key, value);
  FUZZ_CHECK(written == valid);
  if (!written) {
    FUZZ_CHECK(ReadAll(path) == bytes);
    return 0;
  }
  FUZZ_CHECK(kvsys::ReadProfileValue(path, section, key) == AsRead(value));
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto& [s, k] = entries[i];
    if (SameName(s, section) && SameName(k, key)) continue;
    FUZZ_CHECK(kvsys::ReadProfileValue(path, s, k) == before[static_cast<qsizetype>(i)]);
  }

  // A second key of the same section keeps the first.
  if (kvsys::IsValidProfileKey(key2) && kvsys::IsValidProfileValue(value2)) {
    FUZZ_CHECK(kvsys::WriteProfileValue(path, section, key2, value2));
    FUZZ_CHECK(kvsys::ReadProfileValue(path, section, key2) == AsRead(value2));
    if (!SameName(key, key2)) {
      FUZZ_CHECK(kvsys::ReadProfileValue(path, section, key) == AsRead(value));
    }
  }
  return 0;
}
