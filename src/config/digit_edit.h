// An edit control that takes only digits and backspace from the keyboard (pasted text is not
// filtered). Attached to an existing control of a dialog; the filter goes with the control.
#pragma once

#include <windows.h>

namespace quill {

class DigitEdit {
 public:
  DigitEdit() = default;
  ~DigitEdit() { Detach(); }
  DigitEdit(const DigitEdit&) = delete;
  DigitEdit& operator=(const DigitEdit&) = delete;

  // Filters control `id` of `dialog`. False when there is no such control.
  bool Attach(HWND dialog, int id);
  void Detach();

 private:
  HWND edit_ = nullptr;
};

}  // namespace quill
