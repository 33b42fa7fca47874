#include "layout/paper_size.h"

#include <array>

namespace kvsys {

namespace {

struct PaperEntry {
  int code;
  const char16_t* text;
};

constexpr std::array<PaperEntry, 6> kPapers = {{
    {8, u"Ａ３、297x420mm"},
    {9, u"Ａ４、210x297mm"},
    {10, u"Ａ４Small、210x297mm"},
    {11, u"Ａ５、148x210mm"},
    {12, u"Ｂ４、250x354mm"},
    {13, u"Ｂ５、182x257mm"},
}};

}  // namespace

const QStringList& PaperSizeTexts() {
  static const QStringList texts = [] {
    QStringList list;
    for (const PaperEntry& p : kPapers) list << QString::fromUtf16(p.text);
    return list;
  }();
  return texts;
}

QString PaperSizeText(int code) {
  for (const PaperEntry& p : kPapers) {
    if (p.code == code) return QString::fromUtf16(p.text);
  }
  return PaperSizeText(kPaperB4);
}

int PaperSizeCode(const QString& text) {
  for (const PaperEntry& p : kPapers) {
    if (text == QString::fromUtf16(p.text)) return p.code;
  }
  return kPaperB4;
}

}  // namespace kvsys
