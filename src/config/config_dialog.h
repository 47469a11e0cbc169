// The Configuration dialog: a tab control with the Basic and Extend Functions pages, OK, Cancel
// and "Ac&quire...". The pages edit working copies; the caller copies them back after OK.
#pragma once

#include <windows.h>

#include "config/basic_page.h"
#include "config/extend_page.h"
#include "config/scan_settings.h"
#include "config/settings_page.h"
#include "framework/dialog.h"

namespace quill {

// Dialog resource 101.
class ConfigDialog : public qfw::Dialog {
 public:
  ConfigDialog();
  ~ConfigDialog() override;

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
  static const int kPageCount = 2;

  static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnNotify(const NMHDR& header);
  void OnOk();
  void OnAcquire();
  void ShowPage(int index);
  // Ctrl+Tab and Ctrl+Shift+Tab: the next or previous tab, wrapping around.
  void StepTab(bool backwards);
  void End(INT_PTR result);
  void Unhook();

  BasicPage basic_;
  ExtendPage extend_;
  // In the order of the tabs.
  SettingsPage* const pages_[kPageCount] = {&basic_, &extend_};
  HWND owner_ = nullptr;
  HHOOK keyboardHook_ = nullptr;
  INT_PTR result_ = 0;
};

}  // namespace quill
