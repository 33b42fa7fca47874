#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace kvsys {

// Shift_JIS as Windows writes it (code page 932, with the NEC and IBM extensions).
// ASCII bytes are taken as ASCII: the converter behind Qt swaps a few control codes.

// Decodes; a byte that is not part of a valid character becomes U+FFFD and clears *valid.
QString DecodeCp932(QByteArrayView bytes, bool* valid = nullptr);

// Encodes; nullopt when a character has no Shift_JIS form (it would not read back the same).
std::optional<QByteArray> EncodeCp932(const QString& text);

// True when the bytes are well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(QByteArrayView bytes);

}  // namespace kvsys
