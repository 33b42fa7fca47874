#pragma once

#include <QString>
#include <QStringList>
#include <array>

#include "certificate/recipient.h"
#include "common/print_options.h"

namespace kvsys {

// What a certificate says, item by item, before anything is drawn.

// Where an item stands when its offsets are 0, in millimetres from the sheet's left and top.
struct BasePosition {
  int x = 0;
  int y = 0;
};
// The affiliation of a relay certificate starts further left (it holds four names).
BasePosition ItemBase(int item, bool relay_event);

// Items in drawing order: the honorific right after the name.
inline constexpr std::array<int, 19> kDrawOrder = {0, 1,  2,  3,  4,  18, 5,  6,  7, 8,
                                                   9, 10, 11, 12, 13, 14, 15, 16, 17};

// Body text lines hold at most this many CP932 bytes.
inline constexpr int kBodyLineBytes = 32;

bool IsRelayEvent(const QString& event_name);

// Item 4: the name, trimmed; full-width with Length.
QString NameText(const Recipient& r, const PrintOptions& o);
// Item 18: DonoStr unless Dono is set; never on a relay certificate.
QString HonorificText(const Recipient& r, const PrintOptions& o);
// Item 5 on one line: the trimmed affiliation, full-width with Length, in ASCII brackets
// unless Kako is set.
QString AffiliationText(const Recipient& r, const PrintOptions& o);
// Item 5 of a relay with Relay set: the members joined by "・", one per line. Member 4 takes
// all that follows the third "・"; with fewer separators the last member found takes the rest
// of the text and the lines after it stay empty.
std::array<QString, 4> RelayMembers(const Recipient& r, const PrintOptions& o);
// Item 6: empty for no class.
QString ClassText(const Recipient& r, const PrintOptions& o);
// Item 7.
QString EventText(const Recipient& r, const PrintOptions& o);
// Item 8 for recipient index: "第 n 位" or the bare rank, "オープン参加" with or without the
// would-be rank.
QString RankItemText(const RecipientTable& table, int index, const PrintOptions& o);
// Item 9: with Length, the time before the first blank becomes full-width and a record mark
// after it keeps its form.
QString RecordItemText(const Recipient& r, const PrintOptions& o);
// Items 10 to 13.
QString CaptionText(int item);

// The would-be rank of open entrant index, bracketed: the rank of the first recipient of the
// same event and class before it whose time is equal or slower; empty when there is none.
QString OpenRankText(const RecipientTable& table, int index);

// The body text cut into lines of at most line_bytes CP932 bytes; a character that does not fit
// starts the next line whole.
QStringList WrapBodyText(const QString& text, int line_bytes = kBodyLineBytes);

}  // namespace kvsys
