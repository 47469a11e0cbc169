// A page of the Configuration dialog: a child dialog that edits working copies of some settings.
// The dialog creates every page, fills it, reads it back when OK is pressed and, after OK,
// copies the working copies back into the settings.
#pragma once

#include <windows.h>

#include "config/scan_settings.h"
#include "framework/dialog.h"

namespace quill {

class SettingsPage : public qfw::Dialog {
 public:
  // The working copies from `settings`, and back.
  virtual void CopyFrom(const ScanSettings& settings) = 0;
  virtual void CopyTo(ScanSettings& settings) const = 0;

  // The page as a child of `parent`, not yet shown or filled.
  HWND Create(HWND parent) { return CreateModeless(parent); }
  // Puts the working copies into the controls.
  virtual void Fill() = 0;
  // Takes the working copies back from the controls.
  virtual void ReadBack() = 0;

 protected:
  using qfw::Dialog::Dialog;

  // The Configuration dialog places the focus.
  BOOL OnInitDialog() override { return FALSE; }
};

}  // namespace quill
