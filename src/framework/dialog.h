// The base of every dialog of the program's resources: a C++ object bound to its dialog window
// from WM_INITDIALOG on, receiving the messages through virtual handlers. Modal dialogs run
// their own loop; the others (the pages of a tabbed dialog, dialogs that tests drive with
// messages) are created and left to their owner.
#pragma once

#include <windows.h>

namespace qfw {

class Dialog {
 public:
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // The dialog window while it exists, else NULL.
  HWND Handle() const { return window_; }

 protected:
  // `resourceId`: the dialog template in the resource handle's module.
  explicit Dialog(int resourceId) : resourceId_(resourceId) {}
  virtual ~Dialog();

  // Modal over `owner`: what EndDialog was given, or -1 when the dialog could not be made.
  INT_PTR RunModal(HWND owner);
  // Without a loop of its own, owned by `parent` or, for a child template, inside it. The
  // dialog window or NULL.
  HWND CreateModeless(HWND parent);

  // WM_INITDIALOG: TRUE lets the system place the focus.
  virtual BOOL OnInitDialog() { return TRUE; }
  // WM_COMMAND: true when handled.
  virtual bool OnCommand(UINT id, UINT code);
  // Any other message, answered as a dialog procedure answers it (FALSE: not handled).
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  const int resourceId_;
  HWND window_ = nullptr;
};

}  // namespace qfw
