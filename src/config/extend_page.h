// The Extend Functions page of the Configuration dialog: the program launched after a transfer
// and its parameters.
#pragma once

#include <windows.h>

#include "config/scan_settings.h"

namespace quill {

class ExtendPage {
 public:
  ExtendPage() = default;
  ExtendPage(const ExtendPage&) = delete;
  ExtendPage& operator=(const ExtendPage&) = delete;

  void CopyFrom(const ScanSettings& settings);
  void CopyTo(ScanSettings& settings) const;

  // Dialog resource 105 as a child of `parent`, not yet shown or filled.
  HWND Create(HWND parent);
  HWND Handle() const { return page_; }
  void Fill();
  // The check box and both texts, whether or not the launch is on; nothing is checked.
  void ReadBack();

  LONG m_LaunchProc = 0;
  char m_LaunchCmdLine[ScanSettings::kTextSize] = "";
  char m_LaunchArgs[ScanSettings::kTextSize] = "";

 private:
  static INT_PTR CALLBACK Procedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
  void OnLaunch();
  void OnBrowse();
  void EnableLaunchControls(bool enabled);

  HWND page_ = nullptr;
};

}  // namespace quill
