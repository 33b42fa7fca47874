#pragma once

// Big-endian numbers as font files hold them. Readers take an offset the caller has checked.
#include <QByteArray>

namespace kvsys::fontbytes {

inline quint32 U16(const QByteArray& d, qsizetype at) {
  const auto* p = reinterpret_cast<const uchar*>(d.constData()) + at;
  return static_cast<quint32>(p[0] << 8 | p[1]);
}
inline int S16(const QByteArray& d, qsizetype at) {
  return static_cast<qint16>(U16(d, at));
}
inline quint32 U32(const QByteArray& d, qsizetype at) {
  return U16(d, at) << 16 | U16(d, at + 2);
}
inline void Put16(QByteArray& d, qsizetype at, quint32 v) {
  d[at] = static_cast<char>(v >> 8);
  d[at + 1] = static_cast<char>(v);
}
inline void Put32(QByteArray& d, qsizetype at, quint32 v) {
  Put16(d, at, v >> 16);
  Put16(d, at + 2, v & 0xFFFF);
}
inline void Append16(QByteArray& d, quint32 v) {
  d.append(static_cast<char>(v >> 8)).append(static_cast<char>(v));
}
inline void Append32(QByteArray& d, quint32 v) {
  Append16(d, v >> 16);
  Append16(d, v & 0xFFFF);
}

}  // namespace kvsys::fontbytes
