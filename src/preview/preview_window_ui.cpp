#include "preview/preview_window_ui.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include "certificate/kvs220.h"
#include "common/dialogs.h"
#include "preview/kvpreview.h"

namespace kvsys {

namespace {

// A print list of the area is collecting or printing into the shared table.
bool PrintRunActive(const QMdiArea* mdi) {
  if (!mdi) return false;
  for (const KVS220* list : mdi->findChildren<KVS220*>()) {
    if (list->Running()) return true;
  }
  return false;
}

}  // namespace

KVPreview* OpenPreview(QMdiArea& mdi, const PreviewRecords& records, Dialogs& dialogs,
                       const ShowSubWindowFn& show) {
  for (KVPreview* old : mdi.findChildren<KVPreview*>()) {
    auto* frame = qobject_cast<QMdiSubWindow*>(old->parentWidget());
    // A preview closed but not yet deleted is gone for the operator.
    if (!frame || frame->isHidden() || !mdi.subWindowList().contains(frame)) continue;
    if (old->Running()) {
      dialogs.MsgBox(kPreviewBusyMessage, MsgButtons::Ok, MsgIcon::Exclamation, kPreviewTitle);
      return nullptr;
    }
    if (dialogs.MsgBox(kReplacePreviewMessage, MsgButtons::YesNo, MsgIcon::Question,
                       kPreviewTitle) != Answer::Yes) {
      return nullptr;
    }
    // The table now holds the new run: the old preview must not empty it as it goes.
    old->SetTableInUse([] { return true; });
    frame->close();
    // Out of the area's list at once, so the new preview is not taken for the old one.
    mdi.removeSubWindow(frame);
  }

  // The window the run came from (the print list), in front again when the preview closes.
  QPointer<QMdiSubWindow> opener = mdi.activeSubWindow();
  auto* preview = new KVPreview(records, dialogs);
  QPointer<QMdiArea> area(&mdi);
  preview->SetTableInUse([area] { return PrintRunActive(area.data()); });
  if (!preview->Open()) {
    delete preview;
    return nullptr;
  }
  show(QStringLiteral("KVPreview"), [preview] { return preview; });
  // The area would bring forward whichever window was active before (often the menu, where
  // F10 leaves the meet); not when another preview took this one's place.
  QObject::connect(preview, &QObject::destroyed, &mdi, [area, opener] {
    if (!area || !opener || !area->isVisible() || opener->isHidden()) return;
    QMdiSubWindow* active = area->activeSubWindow();
    if (active && qobject_cast<KVPreview*>(active->widget())) return;
    area->setActiveSubWindow(opener);
  });
  return preview;
}

bool StopPreviewRun(QMdiArea& mdi) {
  for (KVPreview* preview : mdi.findChildren<KVPreview*>()) {
    if (preview->Running()) {
      preview->Cancel();
      return true;
    }
  }
  return false;
}

}  // namespace kvsys
