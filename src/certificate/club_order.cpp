#include "certificate/club_order.h"

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "common/text_util.h"

namespace kvsys {

QString ClubOf(const Recipient& r) {
  return r.Source.relay ? r.Name : r.Affiliation;
}

void SortByAffiliation(RecipientTable& table) {
  const int count = std::clamp<int>(table.RecipientCount, 0, RecipientTable::kCapacity);
  if (count < 2) return;
  // Certificates without an affiliation come after every club's.
  using Key = std::tuple<bool, QString, int, int, int, int>;
  std::vector<std::pair<Key, int>> keys;
  keys.reserve(static_cast<size_t>(count));
  for (int i = 1; i <= count; ++i) {
    const Recipient& r = table[i];
    const QString club = ClubOf(r);
    keys.push_back(
        {{club.isEmpty(), club, r.Source.event, r.Source.class_no, r.Source.heat, r.Source.rank},
         i});
  }
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Recipient> sorted;
  sorted.reserve(keys.size());
  for (const auto& key : keys) sorted.push_back(std::move(table[key.second]));
  std::move(sorted.begin(), sorted.end(), table.entries.begin() + 1);
}

std::vector<ClubCertificate> ClubCertificates(const RecipientTable& table, int first, int last) {
  const int end = last <= 0 || last > table.RecipientCount ? table.RecipientCount : last;
  std::vector<ClubCertificate> certificates;
  for (int i = std::max(first, 1); i <= end; ++i) {
    const Recipient& r = table[i];
    // The stage too: one swimmer may earn a certificate in the heats and the final.
    QString event = r.EventName;
    if (!TrimBlanks(r.Source.stage).isEmpty())
      event += QStringLiteral("　") + TrimBlanks(r.Source.stage);
    if (!r.ClassName.isEmpty()) event += QStringLiteral("　") + r.ClassName;
    certificates.push_back({CertificateName(i, r), ClubOf(r), event, r.RankText, r.Name});
  }
  return certificates;
}

}  // namespace kvsys
