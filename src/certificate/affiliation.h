#pragma once

#include <QString>
#include <cstdint>

namespace kvsys {

// The 選手マスター column holding the affiliation name printed for a swimmer whose 主所属 is
// Shozoku, under the print option PrnShozNo (1 to 3 name the column for everybody, 4 keeps the
// swimmer's own) and the meet's 選手使用所属 (which 主所属 4 defers to). Empty when no column
// applies: 主所属 outside 1 to 4, or 4 with a meet setting outside 1 to 3.
QString AffiliationColumn(int Shozoku, int PrnShozNo, int meet_affiliation);

}  // namespace kvsys
