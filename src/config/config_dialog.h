// The Configuration dialog: a tab control with the Basic and Extend Functions pages, OK, Cancel
// and "Ac&quire...". The pages edit working copies; the caller copies them back after OK.
#pragma once

#include <windows.h>

#include "config/basic_page.h"
#include "config/extend_page.h"
#include "config/scan_settings.h"

namespace quill {

class ConfigDialog {
 public:
  ConfigDialog() = default;
  ~ConfigDialog();
  ConfigDialog(const ConfigDialog&) = delete;
  ConfigDialog& operator=(const ConfigDialog&) = delete;

  void CopyFrom(const ScanSettings& settings);
  void CopyTo(ScanSettings& settings) const;

  // Dialog resource 101 modally over `owner`, the main window that "Ac&quire..." posts its
  // command to. IDOK or IDCANCEL.
  INT_PTR DoModal(HWND owner);
  // The same dialog without its own loop, for callers that drive it with messages; Result()
  // tells how it ended (0 while open).
  HWND Create(HWND owner);
  INT_PTR Result() const { return result_; }

  BasicPage& Basic() { return basic_; }
  ExtendPage& Extend() { return extend_; }

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);
  void OnInitDialog(HWND dialog);
  void OnOk();
  void OnAcquire();
  void ShowPage(int index);
  // Ctrl+Tab and Ctrl+Shift+Tab: the next or previous tab, wrapping around.
  void StepTab(bool backwards);
  void End(INT_PTR result);
  void Unhook();

  BasicPage basic_;
  ExtendPage extend_;
  HWND dialog_ = nullptr;
  HWND owner_ = nullptr;
  HHOOK keyboardHook_ = nullptr;
  INT_PTR result_ = 0;
};

}  // namespace quill
