#pragma once

#include <vector>

#include "certificate/recipient.h"
#include "print/club_output.h"

namespace kvsys {

// The club a certificate goes to: the affiliation, or for a relay the team (its Affiliation
// holds the members).
QString ClubOf(const Recipient& r);

// Entries 1 to RecipientCount reordered by club, then event and rank; certificates of equal
// keys keep their order (ties, a recipients file without events). Entries past the count are
// left alone.
void SortByAffiliation(RecipientTable& table);

// What each club's cover lists of entries first to last (0 = RecipientCount), named as the
// run names their documents.
std::vector<ClubCertificate> ClubCertificates(const RecipientTable& table, int first = 1,
                                              int last = 0);

}  // namespace kvsys
