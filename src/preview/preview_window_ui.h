#pragma once

#include <QString>
#include <functional>

#include "preview/preview_session.h"

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace kvsys {

class Dialogs;
class KVPreview;

// The main window's way of showing a sub-window by name (found, or made by create).
using ShowSubWindowFn =
    std::function<QMdiSubWindow*(const QString& name, const std::function<QWidget*()>& create)>;

// Opens the preview of the print run just collected as a sub-window of the area. One preview
// at a time: an open one is closed first when the operator agrees (else it stays as it is and
// nothing new opens); one that is printing all its certificates stays, with a message. Returns
// the new preview, or nullptr.
KVPreview* OpenPreview(QMdiArea& mdi, const PreviewRecords& records, Dialogs& dialogs,
                       const ShowSubWindowFn& show);

// Cancels a preview of the area that is printing all; true when there was one.
bool StopPreviewRun(QMdiArea& mdi);

}  // namespace kvsys
