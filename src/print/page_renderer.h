#pragma once

#include <QRectF>
#include <QTransform>

#include "print/print_document.h"

class QPainter;

namespace kvsys {

// Paints one page (numbered from 1) of a document so that the whole sheet fills target, given
// in the painter's current coordinates. Only ink is painted (no paper background), and nothing
// outside the sheet. This is the one place that draws certificates: printer, PDF, images and
// the preview all come through here. False when the page does not exist or the sheet is empty.
bool RenderPage(const PrintDocument& doc, int page, QPainter& painter, const QRectF& target);

// The same with the sheet's top-left corner at the painter's origin and scale device units per
// twip (a device of d dots per inch takes d / 1440).
bool RenderPage(const PrintDocument& doc, int page, QPainter& painter, double scale);
// The same with the sheet's content placed first (twips to twips: a printer's calibration),
// about the sheet's corner at the painter's origin.
bool RenderPage(const PrintDocument& doc, int page, QPainter& painter, double scale,
                const QTransform& placement);

}  // namespace kvsys
