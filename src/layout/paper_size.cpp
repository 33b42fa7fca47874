#include "layout/paper_size.h"

#include "common/paper_table.h"

namespace kvsys {

const QStringList& PaperSizeTexts() {
  static const QStringList texts = [] {
    QStringList list;
    for (const PaperSheet& p : kPaperSheets) list << QString::fromUtf16(p.editor_text);
    return list;
  }();
  return texts;
}

QString PaperSizeText(int code) {
  return QString::fromUtf16(PaperSheetOf(code).editor_text);
}

int PaperSizeCode(const QString& text) {
  for (const PaperSheet& p : kPaperSheets) {
    if (text == QString::fromUtf16(p.editor_text)) return p.code;
  }
  return kPaperB4;
}

}  // namespace kvsys
