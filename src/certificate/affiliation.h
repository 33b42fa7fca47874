#pragma once

#include <QString>
#include <cstdint>

namespace kvsys {

class Database;

// The 選手マスター column holding the affiliation name printed for a swimmer whose 主所属 is
// Shozoku, under the print option PrnShozNo (1 to 3 name the column for everybody, 4 keeps the
// swimmer's own) and the meet's 選手使用所属 (which 主所属 4 defers to). Empty when no column
// applies: 主所属 outside 1 to 4, or 4 with a meet setting outside 1 to 3.
QString AffiliationColumn(int Shozoku, int PrnShozNo, int meet_affiliation);

// FNC_ShozokumeiKettei: the affiliation name printed for swimmer SenshuNo; empty when no column
// applies or the swimmer is not in 選手マスター. Raises DbError.
QString FNC_ShozokumeiKettei(Database& results_db, int16_t Shozoku, int16_t SenshuNo,
                             int16_t PrnShozNo, int16_t meet_affiliation);

}  // namespace kvsys
