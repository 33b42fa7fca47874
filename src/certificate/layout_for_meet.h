#pragma once

#include <QString>

#include "layout/certificate_layout.h"

namespace kvsys {

struct MeetSettings;

// The meet a run prints for: its number (大会No., 0 when the file name gives none) and its
// settings.
struct SelectedMeet {
  int number = 0;
  const MeetSettings* settings = nullptr;
};

// Whether the meet texts the layout prints (edition and the two name lines, hidden ones left
// out, blanks and letter widths aside) read as the meet's own (MeetTextsOf): the edition may be
// left out, and the second line when it is the meet's subtitle; a meet without a second line
// leaves the layout's second line to the operator, unless it is the default set's "○○"
// placeholder. A meet without a name fits any layout.
bool MeetTextsFit(const CertificateLayout& layout, const MeetSettings& meet);

// What the operator reads before printing the meet with the layout the run loaded, when the
// layout was made for another meet or its texts do not fit: 「レイアウト「鳥取大会」は
// 大会No.3（第22回 鳥取県選手権水泳競技大会）用です。」 or
// 「レイアウト「…」の大会名は「…」です。」, then 「大会名：大会No.4 第20回 所沢…」. Empty when the
// layout fits.
QString LayoutMeetNotice(const CertificateLayout& layout, const SelectedMeet& meet);

// The short form for a window's line: 「大会No.3 用」, 「大会名が違います」; empty when it fits.
QString LayoutMeetMark(const CertificateLayout& layout, const SelectedMeet& meet);

// When the layout a run loaded is not the one the operator was shown (another desk decided
// another layout or saved this one since): what changed, to be read before the run; empty
// when it is the same.
QString LayoutChangedNotice(const CertificateLayout& shown, const CertificateLayout& loaded);

}  // namespace kvsys
