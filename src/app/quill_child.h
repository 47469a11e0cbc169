// The image window: an MDI child with one image view. It only passes palette realisation on to
// its view when it is painted; its size comes from the view.
#pragma once

#include <windows.h>

#include "framework/mdi_child.h"

namespace quill {

class CQuillChild : public qfw::MdiChildWindow {
 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace quill
