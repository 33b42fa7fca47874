#include "common/profile_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>
#include <vector>

#include "common/byte_text.h"
#include "common/cp932.h"

namespace kvsys {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

// The blanks Windows drops around names and values. U+FEFF is invisible too, and a line that
// begins with one loses it when decoded: a key written after one would never be found again.
bool IsProfileBlank(QChar c) {
  return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
         c == QLatin1Char('\v') || c == QLatin1Char('\f') || c == QChar(0xFEFF);
}

QString ProfileTrim(QStringView s) {
  qsizetype begin = 0;
  qsizetype end = s.size();
  while (begin < end && IsProfileBlank(s[begin])) ++begin;
  while (end > begin && IsProfileBlank(s[end - 1])) --end;
  return s.sliced(begin, end - begin).toString();
}

// A line break or NUL would break the file's lines; an unpaired surrogate has no encoded form
// and would be written as something else.
bool IsUnstorable(const QString& s) {
  if (s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r')) || s.contains(QChar(0))) {
    return true;
  }
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
      ++i;
    } else if (s[i].isSurrogate()) {
      return true;
    }
  }
  return false;
}

bool IsBlankName(const QString& name) {
  for (const QChar c : name) {
    if (!IsProfileBlank(c) && c != QChar(0x3000)) return false;
  }
  return true;
}

bool NameEquals(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

enum class Encoding { Utf8, Cp932 };

struct Line {
  enum class Kind { Blank, Comment, Section, Entry };
  QByteArray raw;  // without its line ending
  QByteArray eol;  // "\n", "\r\n", or empty for a last line without one
  Kind kind = Kind::Blank;
  QString name;   // section or key, trimmed
  QString value;  // entry value, trimmed
};

class ProfileDocument {
 public:
  static ProfileDocument Parse(const QByteArray& bytes) {
    ProfileDocument doc;
    QByteArray body = bytes;
    if (body.startsWith(kUtf8Bom)) {
      doc.bom_ = true;
      body.remove(0, kUtf8Bom.size());
    }
    doc.encoding_ = IsValidUtf8(body) ? Encoding::Utf8 : Encoding::Cp932;
    const qsizetype first_lf = body.indexOf('\n');
    if (first_lf > 0 && body[first_lf - 1] == '\r') doc.newline_ = "\r\n";
    qsizetype pos = 0;
    while (pos < body.size()) {
      const qsizetype lf = body.indexOf('\n', pos);
      Line line;
      if (lf < 0) {
        line.raw = body.mid(pos);
        pos = body.size();
      } else {
        line.raw = body.mid(pos, lf - pos);
        line.eol = "\n";
        if (line.raw.endsWith('\r')) {
          line.raw.chop(1);
          line.eol = "\r\n";
        }
        pos = lf + 1;
      }
      doc.Classify(&line);
      doc.lines_.push_back(std::move(line));
    }
    return doc;
  }

  QByteArray Serialize() const {
    QByteArray out;
    if (bom_) out += kUtf8Bom;
    for (const Line& line : lines_) out += line.raw + line.eol;
    return out;
  }

  // Index of the first section of that name, or -1.
  qsizetype FindSection(const QString& section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].kind == Line::Kind::Section && NameEquals(lines_[i].name, section)) {
        return static_cast<qsizetype>(i);
      }
    }
    return -1;
  }

  // One past the last line of the section whose header is at index header.
  qsizetype SectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < Size() && lines_[static_cast<size_t>(i)].kind != Line::Kind::Section) ++i;
    return i;
  }

  // Index of the first entry of that key in the section, or -1.
  qsizetype FindKey(qsizetype header, const QString& key) const {
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
      const Line& line = lines_[static_cast<size_t>(i)];
      if (line.kind == Line::Kind::Entry && NameEquals(line.name, key)) return i;
    }
    return -1;
  }

  std::optional<QString> Value(const QString& section, const QString& key) const {
    const qsizetype header = FindSection(section);
    if (header < 0) return std::nullopt;
    const qsizetype at = FindKey(header, key);
    if (at < 0) return std::nullopt;
    return lines_[static_cast<size_t>(at)].value;
  }

  void Set(const QString& section, const QString& key, const QString& value) {
    if (encoding_ == Encoding::Cp932 && !EncodeCp932(section + key + value)) {
      // The value has no Shift_JIS form: rather than lose it, the file turns to UTF-8.
      ConvertToUtf8();
    }
    SetLine(section, key, value);
    if (encoding_ == Encoding::Cp932) {
      // Shift_JIS bytes that also read as UTF-8 (half-width kana "ﾃｽ" are C3 BD, "ý" in UTF-8)
      // would be read as UTF-8 once the change took away the last bytes UTF-8 cannot hold:
      // the file turns to UTF-8 so that every text reads back as written.
      QByteArray body;
      for (const Line& line : lines_) body += line.raw + line.eol;
      if (IsValidUtf8(body) && QString::fromUtf8(body) != DecodeCp932(body)) ConvertToUtf8();
    }
  }

 private:
  void SetLine(const QString& section, const QString& key, const QString& value) {
    const qsizetype header = FindSection(section);
    if (header >= 0) {
      const qsizetype at = FindKey(header, key);
      if (at >= 0) {
        Line& line = lines_[static_cast<size_t>(at)];
        line.raw = ReplacedValue(line.raw, value);
        Classify(&line);
        return;
      }
      qsizetype insert_at = header + 1;
      const qsizetype end = SectionEnd(header);
      for (qsizetype i = header + 1; i < end; ++i) {
        if (lines_[static_cast<size_t>(i)].kind == Line::Kind::Entry) insert_at = i + 1;
      }
      InsertLine(insert_at, ProfileTrim(key) + QLatin1Char('=') + value);
      return;
    }
    InsertLine(Size(), QLatin1Char('[') + ProfileTrim(section) + QLatin1Char(']'));
    InsertLine(Size(), ProfileTrim(key) + QLatin1Char('=') + value);
  }

  qsizetype Size() const { return static_cast<qsizetype>(lines_.size()); }

  QString Decode(const QByteArray& raw) const {
    return encoding_ == Encoding::Utf8 ? QString::fromUtf8(raw) : DecodeCp932(raw);
  }

  QByteArray Encode(const QString& text) const {
    if (encoding_ == Encoding::Cp932) {
      if (auto bytes = EncodeCp932(text)) return *bytes;
    }
    return text.toUtf8();
  }

  void Classify(Line* line) const {
    const QString text = Decode(line->raw);
    const QString t = ProfileTrim(text);
    line->name.clear();
    line->value.clear();
    if (t.isEmpty()) {
      line->kind = Line::Kind::Blank;
    } else if (t.startsWith(QLatin1Char(';'))) {
      line->kind = Line::Kind::Comment;
    } else if (t.startsWith(QLatin1Char('[')) && t.indexOf(QLatin1Char(']')) > 0) {
      line->kind = Line::Kind::Section;
      line->name = ProfileTrim(QStringView(t).sliced(1, t.indexOf(QLatin1Char(']')) - 1));
    } else {
      line->kind = Line::Kind::Entry;
      const qsizetype eq = t.indexOf(QLatin1Char('='));
      if (eq < 0) {
        line->name = t;
      } else {
        line->name = ProfileTrim(QStringView(t).first(eq));
        line->value = ProfileTrim(QStringView(t).sliced(eq + 1));
      }
    }
  }

  // The line with its value replaced: what stands before the value ("Key = ") is kept.
  QByteArray ReplacedValue(const QByteArray& raw, const QString& value) const {
    // "=" is never the trail byte of a Shift_JIS character, so the byte search is safe.
    const qsizetype eq = raw.indexOf('=');
    if (eq < 0) return raw + '=' + Encode(value);
    qsizetype value_at = eq + 1;
    while (value_at < raw.size() && (raw[value_at] == ' ' || raw[value_at] == '\t')) ++value_at;
    return raw.first(value_at) + Encode(value);
  }

  void InsertLine(qsizetype at, const QString& text) {
    if (at > 0 && lines_[static_cast<size_t>(at - 1)].eol.isEmpty()) {
      lines_[static_cast<size_t>(at - 1)].eol = newline_;
    }
    Line line;
    line.raw = Encode(text);
    line.eol = newline_;
    Classify(&line);
    lines_.insert(lines_.begin() + at, std::move(line));
  }

  void ConvertToUtf8() {
    for (Line& line : lines_) line.raw = DecodeCp932(line.raw).toUtf8();
    encoding_ = Encoding::Utf8;
  }

  Encoding encoding_ = Encoding::Utf8;
  bool bom_ = false;
  QByteArray newline_ = "\n";
  std::vector<Line> lines_;
};

enum class LoadStatus { Ok, Missing, Unreadable };

LoadStatus LoadFile(const QString& path, QByteArray* bytes) {
  const QFileInfo info(path);
  if (!info.exists()) return LoadStatus::Missing;
  if (!info.isFile() || info.size() > kProfileMaxFileBytes) return LoadStatus::Unreadable;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return LoadStatus::Unreadable;
  *bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return LoadStatus::Unreadable;
  return LoadStatus::Ok;
}

// Value as read: up to a NUL, without one pair of enclosing quotes, at most 255 bytes wide.
QString ReadableValue(QString value) {
  const qsizetype nul = value.indexOf(QChar(0));
  if (nul >= 0) value.truncate(nul);
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))) {
    value = value.mid(1, value.size() - 2);
  }
  return TruncateBytes(value, kProfileValueMaxBytes);
}

bool IsReadOnlyFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return false;
  // The "User" flags follow what the current user may do; only the mode bits are the file's.
  constexpr auto kWriteBits =
      QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
  // A file without any write permission counts as read-only even for a privileged user, as
  // the read-only attribute does on Windows.
  return !info.isWritable() || !(info.permissions() & kWriteBits);
}

}  // namespace

ProfileFileState CheckProfileFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return ProfileFileState::Missing;
  if (!info.isFile()) return ProfileFileState::NotAFile;
  if (info.size() > kProfileMaxFileBytes) return ProfileFileState::TooLarge;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return ProfileFileState::Unreadable;
  return ProfileFileState::Ok;
}

QString ProfileFileProblem(ProfileFileState state, const QString& path) {
  const QString shown = QDir::toNativeSeparators(path);
  switch (state) {
    case ProfileFileState::Ok:
      return QString();
    case ProfileFileState::Missing:
      return QStringLiteral("初期設定ファイルがありません。\r") + shown;
    case ProfileFileState::NotAFile:
      return QStringLiteral("初期設定ファイルがファイルではありません。\r") + shown;
    case ProfileFileState::Unreadable:
      return QStringLiteral("初期設定ファイルを読めません。\r") + shown;
    case ProfileFileState::TooLarge:
      return QStringLiteral("初期設定ファイルが大きすぎます（%1 KB まで）。\r")
                 .arg(kProfileMaxFileBytes / 1024) +
             shown;
  }
  return QString();
}

bool IsValidProfileSection(const QString& section) {
  return !IsBlankName(section) && !IsUnstorable(section) && !section.contains(QLatin1Char(']'));
}

bool IsValidProfileKey(const QString& key) {
  if (IsBlankName(key) || IsUnstorable(key) || key.contains(QLatin1Char('='))) return false;
  const QString t = ProfileTrim(key);
  return !t.startsWith(QLatin1Char(';')) && !t.startsWith(QLatin1Char('['));
}

bool IsValidProfileValue(const QString& value) {
  return !IsUnstorable(value);
}

QString ReadProfileValue(const QString& path, const QString& section, const QString& key) {
  if (path.isEmpty() || IsBlankName(section) || IsBlankName(key)) return QString();
  QByteArray bytes;
  if (LoadFile(path, &bytes) != LoadStatus::Ok) return QString();
  const ProfileDocument doc = ProfileDocument::Parse(bytes);
  const auto value = doc.Value(ProfileTrim(section), ProfileTrim(key));
  return value ? ReadableValue(*value) : QString();
}

bool ProfileSectionExists(const QString& path, const QString& section) {
  if (path.isEmpty() || IsBlankName(section)) return false;
  QByteArray bytes;
  if (LoadFile(path, &bytes) != LoadStatus::Ok) return false;
  return ProfileDocument::Parse(bytes).FindSection(ProfileTrim(section)) >= 0;
}

bool WriteProfileValue(const QString& path, const QString& section, const QString& key,
                       const QString& value) {
  if (path.isEmpty() || !IsValidProfileSection(section) || !IsValidProfileKey(key) ||
      !IsValidProfileValue(value)) {
    return false;
  }
  // Write through a symbolic link rather than replace the link by a file.
  const QFileInfo info(path);
  const QString target = info.isSymLink() ? info.symLinkTarget() : path;

  QByteArray old_bytes;
  const LoadStatus status = LoadFile(target, &old_bytes);
  if (status == LoadStatus::Unreadable) return false;
  if (status == LoadStatus::Ok && IsReadOnlyFile(target)) return false;

  ProfileDocument doc = ProfileDocument::Parse(old_bytes);
  doc.Set(ProfileTrim(section), ProfileTrim(key), value);
  const QByteArray new_bytes = doc.Serialize();
  if (status == LoadStatus::Ok && new_bytes == old_bytes) return true;

  // Written beside the old file and renamed over it, so a crash or a full disk leaves either
  // the old file or the new one, never a part.
  // Unbuffered: a buffered QSaveFile only meets a failing write when it flushes inside
  // commit(), and Qt 6.4 then renames the cut file over the old one anyway.
  QSaveFile file(target);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  qsizetype done = 0;
  while (done < new_bytes.size()) {
    const qint64 n = file.write(new_bytes.constData() + done, new_bytes.size() - done);
    if (n <= 0 || file.error() != QFileDevice::NoError) {
      file.cancelWriting();
      return false;
    }
    done += static_cast<qsizetype>(n);
  }
  return file.commit();
}

}  // namespace kvsys
