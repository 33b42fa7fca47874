#pragma once

#include <vector>

#include "certificate/recipient.h"

namespace kvsys {

// The order an award ceremony calls an event's recipients in: from the last rank up to the
// first, or from the first down. Recipients of one rank (a tie) are called together, in the
// order they were collected; open entrants, outside the ranking, after the ranked ones.
enum class CallFrom { kLast, kFirst };

// One ceremony group: the table entries of one event (one class of a class-wise run, one heat
// of a heat run), in calling order.
struct CallingGroup {
  std::vector<int> entries;
};

// The groups of table entries first to last (0: to the last recipient), in the order the
// collection met them, each in calling order.
std::vector<CallingGroup> CallingGroups(const RecipientTable& table, CallFrom from, int first = 1,
                                        int last = 0);

// Puts each group's certificates of the table in calling order, so that the printed stack is in
// hand-out order; groups keep their places.
void PutInCallingOrder(RecipientTable& table, CallFrom from);

}  // namespace kvsys
