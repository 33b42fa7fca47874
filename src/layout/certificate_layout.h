#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "layout/layout_items.h"
#include "layout/layout_settings.h"

namespace kvsys {

class Database;

// One text item: where it stands and how it is written.
struct LayoutItem {
  int16_t X = 0;  // mm; the item stands at base X - X, so a larger value moves it left
  int16_t Y = 0;  // mm; the item stands at base Y - Y, so a larger value moves it up
  QString FontName;
  int16_t FontSize = 0;  // points
  bool Bold = false;
  bool Italic = false;
  int16_t Hidden = 0;  // 0 = printed, anything else = not printed

  bool operator==(const LayoutItem&) const = default;
};

// The layout certificates are drawn from. The loaders fill the items; the print run fills
// Texts and PaperSize; the preview adjusts the items in place.
struct CertificateLayout {
  int16_t CurrentLayoutNumber = 0;  // the layout the loaders read
  // Who the run's layout is for the operator: its saved name and the meet (大会No.) it was
  // made for, 0 when none is kept. Filled by the print run's load.
  QString Name;
  int16_t MeetNo = 0;
  std::array<LayoutItem, kLayoutItemCount> Items{};
  CertificateTexts Texts;
  int16_t PaperSize = 12;

  bool operator==(const CertificateLayout&) const = default;
};

// Takes the texts and the sheet of a layout's print settings for drawing.
void ApplyPrintSettings(CertificateLayout& layout, const LayoutSettings& settings);

// Reads positions (items 0 to 18) and fonts (items 0 to 17) of layout CurrentLayoutNumber from
// the layout database. Raises DbError when the layout has no complete row in 保存名, 座標 and
// フォント or a value is missing; the record is then left as it was.
void LoadLayout(Database& layout_db, CertificateLayout& layout);

// Reads the show flags of layout CurrentLayoutNumber into items 0 to 17; a layout without a
// ShowOrNot row shows every item. Raises DbError and leaves the flags as they were on failure.
void LoadShowFlags(Database& layout_db, CertificateLayout& layout);

}  // namespace kvsys
