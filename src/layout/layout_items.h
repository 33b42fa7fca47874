#pragma once

#include <QString>
#include <array>

namespace kvsys {

// The text items of a layout, in the fixed order every layout table, CertificateLayout and the
// drawing use. Items 0 to 17 have a position, a font and a show flag; item 18 (the honorific
// after the swimmer's name) has a position only.
enum LayoutItemIndex : int {
  kItemTitle = 0,
  kItemEdition = 1,
  kItemMeetName1 = 2,
  kItemMeetName2 = 3,
  kItemName = 4,
  kItemAffiliation = 5,
  kItemClass = 6,
  kItemEvent = 7,
  kItemRank = 8,
  kItemRecord = 9,
  kItemClassCaption = 10,
  kItemEventCaption = 11,
  kItemRankCaption = 12,
  kItemRecordCaption = 13,
  kItemBody = 14,
  kItemDate = 15,
  kItemPresenterTitle = 16,
  kItemPresenter = 17,
  kItemHonorific = 18,  // position only: drawn in the name's font, shown with the name
};
inline constexpr int kLayoutItemCount = 19;
inline constexpr int kFontItemCount = 18;

struct LayoutItemColumns {
  const char16_t* position_stem;  // 座標: stem + "X" / "Y"
  const char16_t* font_stem;      // フォント: stem + "F" / "S" / "B" / "i" (items 0 to 17)
  const char16_t* show_column;    // ShowOrNot (items 0 to 17)
  int new_size;                   // font size of a new layout, in points
};

inline constexpr std::array<LayoutItemColumns, kLayoutItemCount> kLayoutItems = {{
    {u"タイトル", u"タイトル", u"タイトル", 70},
    {u"大会回数", u"大会回数", u"大会回数", 32},
    {u"大会名前段", u"大会名前段", u"大会名前段", 30},
    {u"大会名後段", u"大会名後段", u"大会名後段", 30},
    // The swimmer's show flag is 氏名, not 選手名.
    {u"選手名", u"選手名", u"氏名", 37},
    {u"所属", u"所属", u"所属", 20},
    {u"クラスデ", u"クラスデ", u"クラスデ", 28},
    {u"種目デ", u"種目デ", u"種目デ", 28},
    {u"順位デ", u"順位デ", u"順位デ", 28},
    {u"記録デ", u"記録デ", u"記録デ", 28},
    {u"クラス項目", u"クラス項目", u"クラス項目", 28},
    {u"種目項目", u"種目項目", u"種目項目", 28},
    {u"順位項目", u"順位項目", u"順位項目", 28},
    {u"記録項目", u"記録項目", u"記録項目", 28},
    {u"本文", u"本文", u"本文", 30},
    {u"日付", u"日付", u"日付", 33},
    {u"授与者肩書き", u"授与者肩書き", u"授与者肩書き", 33},
    // The presenter's fonts carry 授与者名, his position and show flag 授与者.
    {u"授与者", u"授与者名", u"授与者", 40},
    {u"殿", nullptr, nullptr, 0},
}};

// Column names as the editor and the preview write them (ASCII letters; the engine also
// matches the full-width Ｘ, Ｙ, Ｓ, Ｂ the loader uses).
inline QString PositionXColumn(int item) {
  return QString::fromUtf16(kLayoutItems[item].position_stem) + u'X';
}
inline QString PositionYColumn(int item) {
  return QString::fromUtf16(kLayoutItems[item].position_stem) + u'Y';
}
inline QString FontNameColumn(int item) {
  return QString::fromUtf16(kLayoutItems[item].font_stem) + u'F';
}
inline QString FontSizeColumn(int item) {
  return QString::fromUtf16(kLayoutItems[item].font_stem) + u'S';
}
inline QString FontBoldColumn(int item) {
  return QString::fromUtf16(kLayoutItems[item].font_stem) + u'B';
}
inline QString FontItalicColumn(int item) {
  return QString::fromUtf16(kLayoutItems[item].font_stem) + u'i';
}
inline QString ShowColumn(int item) {
  return QString::fromUtf16(kLayoutItems[item].show_column);
}

}  // namespace kvsys
