// A box that only shows something: OK and Cancel (Esc, the close box) end it with their id.
#pragma once

#include <windows.h>

#include "framework/dialog.h"

namespace quill {

class InfoBox : public qfw::Dialog {
 public:
  // Modal over `owner`: IDOK or IDCANCEL.
  INT_PTR DoModal(HWND owner) { return RunModal(owner); }

 protected:
  using qfw::Dialog::Dialog;

  bool OnCommand(UINT id, UINT) override {
    if (id != IDOK && id != IDCANCEL) return false;
    EndDialog(Handle(), id);
    return true;
  }
};

}  // namespace quill
