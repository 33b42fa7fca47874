#include "preview/preview_window_ui.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>

#include "common/dialogs.h"
#include "desk/kvs220.h"
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
    // Kept open when the operator keeps its unsaved adjustments: nothing new opens.
    if (!frame->close()) return nullptr;
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
  // The area brings forward whichever window was active before (often the menu, where F10
  // leaves the meet); once it has, the print list comes back, unless another preview took this
  // one's place meanwhile.
  if (!opener) return preview;
  QObject::connect(preview, &KVPreview::closed, opener, [opener] {
    QTimer::singleShot(0, opener, [opener] {
      QMdiArea* mdi_area = opener->mdiArea();
      if (!mdi_area || opener->isHidden()) return;
      QMdiSubWindow* active = mdi_area->activeSubWindow();
      if (active && qobject_cast<KVPreview*>(active->widget())) return;
      mdi_area->setActiveSubWindow(opener);
    });
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
