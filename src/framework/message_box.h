// The program's one seam for modal messages and questions. Every message box goes through
// ShowMessageBox, so that tests can install a presenter that records the text and gives the
// answer a user would; the program itself shows real message boxes.
#pragma once

#include <windows.h>

#include <string>

#include "framework/scoped_presenter.h"

namespace qfw {

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // `caption` NULL means the system's default caption. Returns the button pressed (IDOK, IDYES...).
  virtual int Show(HWND owner, const char* text, const char* caption, UINT style) = 0;
};

// Shows a message box through the current presenter.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style);

// The seam: makes `replacement` current and returns the presenter it replaced.
MessagePresenter* ExchangePresenter(MessagePresenter* replacement);
// Replaces the presenter for the lifetime of this object (tests), restoring the previous one.
using ScopedMessagePresenter = ScopedPresenter<MessagePresenter>;

}  // namespace qfw
