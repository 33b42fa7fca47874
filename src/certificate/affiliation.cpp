#include "certificate/affiliation.h"

#include "common/text_util.h"

namespace kvsys {

namespace {

QString NameColumn(int n) {
  switch (n) {
    case 1:
      return QStringLiteral("所属名称１");
    case 2:
      return QStringLiteral("所属名称２");
    case 3:
      return QStringLiteral("所属名称３");
    default:
      return QString();
  }
}

}  // namespace

QString AffiliationColumn(int Shozoku, int PrnShozNo, int meet_affiliation) {
  QString column;
  if (Shozoku >= 1 && Shozoku <= 3) {
    column = NameColumn(Shozoku);
  } else if (Shozoku == 4) {
    column = NameColumn(meet_affiliation);
  }
  if (column.isEmpty()) return column;
  if (PrnShozNo >= 1 && PrnShozNo <= 3) column = NameColumn(PrnShozNo);
  return column;
}

}  // namespace kvsys
