#pragma once

#include <QString>

namespace kvsys {

// Private profile (INI) files read and written as Windows does, without any message:
// - section and key names match without regard to case, blanks (and U+FEFF) around them ignored;
// - the first of two equal sections (or keys) is the one read and written;
// - a line starting with ";" is a comment; a "[" line without "]" is not a section;
// - values lose the blanks around them and one pair of enclosing quotes, end at a NUL and are
//   cut to kProfileValueMaxBytes bytes of CP932 width, never inside a character;
// - the file is UTF-8, or Shift_JIS (CP932) when it is not valid UTF-8.
//
// A write changes only the line of the key (a new key goes after the last key of its section,
// a new section at the end of the file); every other byte stays as it was, line endings and
// encoding included. The file is created by the first write and replaced atomically.

inline constexpr int kProfileValueMaxBytes = 255;
// A settings file is a few kilobytes; anything past this is not read (a huge file would take
// seconds and a gigabyte to parse) and not written to.
inline constexpr qint64 kProfileMaxFileBytes = 1024 * 1024;

enum class ProfileFileState { Ok, Missing, NotAFile, Unreadable, TooLarge };
// What stands at the path, looked at without reading more than needed.
ProfileFileState CheckProfileFile(const QString& path);
// Why the settings of the file cannot be used, for the operator; empty when they can.
QString ProfileFileProblem(ProfileFileState state, const QString& path);

// Names and values that can be stored without breaking the file's structure.
bool IsValidProfileSection(const QString& section);
bool IsValidProfileKey(const QString& key);
bool IsValidProfileValue(const QString& value);

// The value, or the empty text when the file, the section or the key is missing or unreadable.
QString ReadProfileValue(const QString& path, const QString& section, const QString& key);

// Whether the file has a section of that name (false when it cannot be read).
bool ProfileSectionExists(const QString& path, const QString& section);

// false when the names or the value are not valid, the file cannot be read, is read-only, or
// cannot be replaced; the old file is then left as it was.
bool WriteProfileValue(const QString& path, const QString& section, const QString& key,
                       const QString& value);

}  // namespace kvsys
