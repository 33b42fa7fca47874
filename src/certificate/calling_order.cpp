#include "certificate/calling_order.h"

#include <algorithm>
#include <tuple>

namespace kvsys {

namespace {

// Entries of one group share their event and the class or heat they were ranked within.
auto GroupOf(const Recipient& r) {
  return std::make_tuple(r.Source.event, r.Source.class_no, r.Source.heat, r.EventName,
                         r.ClassName);
}

void SortGroup(const RecipientTable& table, std::vector<int>& entries, CallFrom from) {
  std::stable_sort(entries.begin(), entries.end(), [&](int a, int b) {
    const RecipientSource& x = table[a].Source;
    const RecipientSource& y = table[b].Source;
    if (x.open != y.open) return !x.open;  // open entrants after the ranked ones
    if (x.open) return false;              // among themselves as collected
    return from == CallFrom::kLast ? x.rank > y.rank : x.rank < y.rank;
  });
}

}  // namespace

std::vector<CallingGroup> CallingGroups(const RecipientTable& table, CallFrom from, int first,
                                        int last) {
  std::vector<CallingGroup> groups;
  if (last <= 0 || last > table.RecipientCount) last = table.RecipientCount;
  for (int i = std::max(first, 1); i <= last; ++i) {
    if (groups.empty() || GroupOf(table[groups.back().entries.front()]) != GroupOf(table[i])) {
      groups.emplace_back();
    }
    groups.back().entries.push_back(i);
  }
  for (CallingGroup& g : groups) SortGroup(table, g.entries, from);
  return groups;
}

void PutInCallingOrder(RecipientTable& table, CallFrom from) {
  std::vector<Recipient> ordered;
  ordered.reserve(static_cast<size_t>(std::max<int>(table.RecipientCount, 0)));
  for (const CallingGroup& g : CallingGroups(table, from)) {
    for (int i : g.entries) ordered.push_back(table[i]);
  }
  for (size_t k = 0; k < ordered.size(); ++k)
    table[static_cast<int>(k) + 1] = std::move(ordered[k]);
}

}  // namespace kvsys
