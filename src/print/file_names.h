#pragma once

#include <QString>

namespace kvsys {

// A text as a file name that stays in its folder on any file system: path separators, "..",
// control characters and the characters Windows shares refuse become "_", a leading dot or
// blank goes, and the name is cut (never inside a character) to max_bytes of UTF-8. An empty
// result is "_".
QString SafeFileName(const QString& text, int max_bytes = 200);

}  // namespace kvsys
