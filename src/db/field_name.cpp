#include "db/field_name.h"

namespace kvsys {

QString NormalizeFieldName(QStringView name) {
  QString out(name.size(), Qt::Uninitialized);
  QChar* dst = out.data();
  for (QChar c : name) {
    char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z') {
      u = static_cast<char16_t>(u + (u'a' - u'A'));
    } else if (u >= 0xFF10 && u <= 0xFF19) {  // ０-９
      u = static_cast<char16_t>(u - 0xFF10 + u'0');
    } else if (u >= 0xFF21 && u <= 0xFF3A) {  // Ａ-Ｚ
      u = static_cast<char16_t>(u - 0xFF21 + u'a');
    } else if (u >= 0xFF41 && u <= 0xFF5A) {  // ａ-ｚ
      u = static_cast<char16_t>(u - 0xFF41 + u'a');
    }
    *dst++ = QChar(u);
  }
  return out;
}

}  // namespace kvsys
