#pragma once

#include <QPageSize>
#include <array>

namespace kvsys {

// The sheets a layout may print on, by Windows paper code: the text the layout editor lists,
// a short name, the sheet's size in millimetres, and the size a printer is asked for. The
// drawing, the PDF page, the printer and the editor all read this one table. B4 is the JIS
// sheet that printers and certificate stock come in (257 x 364 mm), whatever the editor's
// text says: drawn on a smaller page, a print shop printing the PDF at actual size on B4
// would shift every text.
struct PaperSheet {
  int code;
  const char16_t* editor_text;
  const char16_t* name;
  double width_mm;
  double height_mm;
  QPageSize::PageSizeId printer_size;
};

inline constexpr int kPaperB4 = 12;  // the sheet of a new layout and of any unknown code

// In the order of the editor's list (A3 first).
inline constexpr std::array<PaperSheet, 6> kPaperSheets = {{
    {8, u"Ａ３、297x420mm", u"A3", 297, 420, QPageSize::A3},
    {9, u"Ａ４、210x297mm", u"A4", 210, 297, QPageSize::A4},
    {10, u"Ａ４Small、210x297mm", u"A4 Small", 210, 297, QPageSize::A4},
    {11, u"Ａ５、148x210mm", u"A5", 148, 210, QPageSize::A5},
    {12, u"Ｂ４、250x354mm", u"B4", 257, 364, QPageSize::JisB4},
    {13, u"Ｂ５、182x257mm", u"B5", 182, 257, QPageSize::JisB5},
}};

// The sheet of a code; an unknown code gives B4.
constexpr const PaperSheet& PaperSheetOf(int code) {
  for (const PaperSheet& p : kPaperSheets) {
    if (p.code == code) return p;
  }
  return kPaperSheets[4];
}
static_assert(kPaperSheets[4].code == kPaperB4);

}  // namespace kvsys
