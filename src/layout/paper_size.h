#pragma once

#include <QString>
#include <QStringList>

namespace kvsys {

// The paper sizes a layout may choose, as the layout editor shows them (the table is in
// common/paper_table.h).

// The six texts in the order of the editor's list (A3 first).
const QStringList& PaperSizeTexts();
// The text of a stored code; a code outside 8 to 13 (0, empty, anything else) shows as B4.
QString PaperSizeText(int code);
// The code of a text; a text not in the list is stored as B4 (12).
int PaperSizeCode(const QString& text);

}  // namespace kvsys
