#pragma once

#include <QString>
#include <QStringView>

namespace kvsys {

// The form under which field names are compared: ASCII letters in lower case and full-width
// Latin letters and digits folded to ASCII, so that "タイトルＸ", "タイトルX" and "タイトルx"
// name one column, as do "SaveNumber" and "savenumber".
QString NormalizeFieldName(QStringView name);

}  // namespace kvsys
