#include "app/quill_child.h"

#include "view/frame_commands.h"
#include "framework/handles.h"

namespace quill {

LRESULT CQuillChild::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    {
      // Nothing to draw (the view covers this window); the paint pair validates it.
      qfw::PaintDc paint(Handle());
    }
    // The view realises its palette in the background: this window is not the view.
    BroadcastRealizePalette(Handle(), Handle());
    return 0;
  }
  return qfw::MdiChildWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
