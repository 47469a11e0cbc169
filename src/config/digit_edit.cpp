#include "config/digit_edit.h"

#include <commctrl.h>

namespace quill {
namespace {

const UINT_PTR kSubclassId = 0x44474954;  // one filter per control, whichever object attached it

LRESULT CALLBACK FilterCharacters(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR subclassId, DWORD_PTR) {
  switch (message) {
    case WM_CHAR:
      if (wParam != '\b' && (wParam < '0' || wParam > '9')) return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(edit, FilterCharacters, subclassId);
      break;
  }
  return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

bool DigitEdit::Attach(HWND dialog, int id) {
  Detach();
  HWND edit = GetDlgItem(dialog, id);
  if (!edit || !SetWindowSubclass(edit, FilterCharacters, kSubclassId, 0)) return false;
  edit_ = edit;
  return true;
}

void DigitEdit::Detach() {
  // The control may be gone already; its own WM_NCDESTROY removed the filter then.
  if (edit_ && IsWindow(edit_)) RemoveWindowSubclass(edit_, FilterCharacters, kSubclassId);
  edit_ = nullptr;
}

}  // namespace quill
