#pragma once

#include <QRect>
#include <QString>
#include <vector>

#include "certificate/recipient.h"
#include "common/print_options.h"
#include "layout/certificate_layout.h"
#include "print/warning_label.h"

namespace kvsys {

class Dialogs;
class PrintSurface;

inline const QString kPositionMessage = QStringLiteral("座標位置が不正です。");
inline const QString kLatticeMessage =
    QStringLiteral("格子の数を確認してください。０は設定出来ません。");
// How far before the sheet's right (a vertical face: bottom) edge a shrunk text ends.
inline constexpr double kShrinkMarginMm = 5;

inline const QString kOverflowWarning =
    QStringLiteral("印字有効範囲を超えました。印字データは用紙サイズ内に収めてください。");

// Where DrawCertificate's document goes.
enum class DrawMode {
  kPrinting,  // to the surface's output
  kPreview,   // held for display
};

// Whether DrawCertificate drew the certificate.
enum class DrawResult { kDrawn, kFailed };

// Where one item went, for the preview to find items on the sheet.
struct ItemPlacement {
  int item = 0;           // 0 to 18
  int page = 1;           // the page the item starts on, from 1
  QRect rect;             // its text on that page, in twips; no width when it printed nothing
  bool vertical = false;  // set in an "@" face: its lines are columns
  bool shrunk = false;    // drawn smaller than its size to end inside the sheet

  bool operator==(const ItemPlacement&) const = default;
};

// Composes and draws the certificate of recipients.CurrentRecipient as one document on the
// surface: every shown item in its place and font, the lattice when asked for, then the document
// is ended (written to the output in printing mode, held in preview mode). The label shows the
// overflow warning when the certificate ran onto a second page and is hidden otherwise.
// kFailed when nothing was drawn: a recipient index outside the table, or a document the
// surface could not start; also when the finished document could not be written (the surface's
// ErrorText() says why). placements, when given, receives where each drawn item went, in
// drawing order.
[[nodiscard]] DrawResult DrawCertificate(PrintSurface& surface, DrawMode mode, WarningLabel& label,
                                         const CertificateLayout& layout,
                                         const RecipientTable& recipients,
                                         const PrintOptions& options, Dialogs& dialogs,
                                         std::vector<ItemPlacement>* placements = nullptr);

// Moves the surface's current position to (x, y) millimetres. A y below the page shows
// kPositionMessage and leaves the position where it was; x is not checked.
void SetItemPosition(PrintSurface& surface, double x_mm, double y_mm, Dialogs& dialogs);
// Lines after a carriage return start at x millimetres.
void SetLineIndent(PrintSurface& surface, double x_mm);

}  // namespace kvsys
