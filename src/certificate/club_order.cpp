#include "certificate/club_order.h"

#include <algorithm>
#include <tuple>

namespace kvsys {

QString ClubOf(const Recipient& r) {
  return r.Source.relay ? r.Name : r.Affiliation;
}

void SortByAffiliation(RecipientTable& table) {
  const int count = std::clamp<int>(table.RecipientCount, 0, RecipientTable::kCapacity);
  if (count < 2) return;
  const auto key = [](const Recipient& r) {
    // Certificates without an affiliation come after every club's.
    const QString club = ClubOf(r);
    return std::make_tuple(club.isEmpty(), club, r.Source.event, r.Source.class_no, r.Source.heat,
                           r.Source.rank);
  };
  std::stable_sort(table.entries.begin() + 1, table.entries.begin() + 1 + count,
                   [&key](const Recipient& a, const Recipient& b) { return key(a) < key(b); });
}

std::vector<ClubCertificate> ClubCertificates(const RecipientTable& table, int first, int last) {
  const int end = last <= 0 || last > table.RecipientCount ? table.RecipientCount : last;
  std::vector<ClubCertificate> certificates;
  for (int i = std::max(first, 1); i <= end; ++i) {
    const Recipient& r = table[i];
    QString event = r.EventName;
    if (!r.ClassName.isEmpty()) event += QStringLiteral("　") + r.ClassName;
    certificates.push_back({CertificateName(i, r), ClubOf(r), event, r.RankText, r.Name});
  }
  return certificates;
}

}  // namespace kvsys
