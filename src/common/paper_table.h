#pragma once

#include <array>

namespace kvsys {

// The sheets a layout may print on, by Windows paper code: the text the layout editor lists,
// a short name, and the size in the millimetres that text states. The drawing and the editor
// both read this one table.
struct PaperSheet {
  int code;
  const char16_t* editor_text;
  const char16_t* name;
  double width_mm;
  double height_mm;
};

inline constexpr int kPaperB4 = 12;  // the sheet of a new layout and of any unknown code

// In the order of the editor's list (A3 first).
inline constexpr std::array<PaperSheet, 6> kPaperSheets = {{
    {8, u"Ａ３、297x420mm", u"A3", 297, 420},
    {9, u"Ａ４、210x297mm", u"A4", 210, 297},
    {10, u"Ａ４Small、210x297mm", u"A4 Small", 210, 297},
    {11, u"Ａ５、148x210mm", u"A5", 148, 210},
    {12, u"Ｂ４、250x354mm", u"B4", 250, 354},
    {13, u"Ｂ５、182x257mm", u"B5", 182, 257},
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
