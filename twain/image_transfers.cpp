#include "scan_settings.h"
#include "twain_connection.h"

namespace quill {

// Images are not transferred yet: the pending ones are discarded (MSG_RESET), so that the
// batch ends the way a transferred one does and the acquisition can finish.
void TwainConnection::OnTransferReady() {
  DropToState(5, nullptr);
  if (TheSettings().ShowUI != 1) DisableSource();
  OverwriteMode = 0;
}

}  // namespace quill
