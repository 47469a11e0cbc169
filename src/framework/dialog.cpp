#include "framework/dialog.h"

#include "framework/resources.h"

namespace qfw {

Dialog::~Dialog() {
  // A window that outlives its object (a modeless dialog its owner forgot) must not reach the
  // half-destroyed object with its last messages.
  if (window_ && IsWindow(window_)) SetWindowLongPtrA(window_, DWLP_USER, 0);
}

INT_PTR Dialog::RunModal(HWND owner) {
  return DialogBoxParamA(ResourceHandle(), MAKEINTRESOURCEA(resourceId_), owner, Procedure,
                         reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(HWND parent) {
  window_ = CreateDialogParamA(ResourceHandle(), MAKEINTRESOURCEA(resourceId_), parent, Procedure,
                               reinterpret_cast<LPARAM>(this));
  return window_;
}

bool Dialog::OnCommand(UINT, UINT) { return false; }

INT_PTR Dialog::OnMessage(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK Dialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    self->window_ = dialog;
    return self->OnInitDialog();
  }
  // The few messages before WM_INITDIALOG, and those after unbinding, find no object.
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (!self) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return self->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_NCDESTROY: {
      const INT_PTR result = self->OnMessage(message, wParam, lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, 0);
      self->window_ = nullptr;
      return result;
    }
  }
  return self->OnMessage(message, wParam, lParam);
}

}  // namespace qfw
