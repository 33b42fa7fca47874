#include "certificate/affiliation.h"

#include "common/text_util.h"
#include "db/database.h"
#include "db/recordset.h"

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

QString FNC_ShozokumeiKettei(Database& results_db, int16_t Shozoku, int16_t SenshuNo,
                             int16_t PrnShozNo, int16_t meet_affiliation) {
  const QString column = AffiliationColumn(Shozoku, PrnShozNo, meet_affiliation);
  if (column.isEmpty()) return QString();
  auto rs = results_db.OpenRecordset(
      QStringLiteral(" SELECT ") + column + QStringLiteral(" FROM 選手マスター ") +
          QStringLiteral(" WHERE 選手番号 = ") + QString::number(SenshuNo),
      dbOpenSnapshot);
  if (rs->Eof()) return QString();
  return NullTo(rs->Field(column), kNullToText, 0).toString();
}

}  // namespace kvsys
