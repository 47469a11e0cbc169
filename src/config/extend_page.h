// The Extend Functions page of the Configuration dialog: the program launched after a transfer
// and its parameters.
#pragma once

#include <windows.h>

#include "config/scan_settings.h"
#include "config/settings_page.h"

namespace quill {

// Dialog resource 105.
class ExtendPage : public SettingsPage {
 public:
  ExtendPage();

  void CopyFrom(const ScanSettings& settings) override;
  void CopyTo(ScanSettings& settings) const override;

  void Fill() override;
  // The check box and both texts, whether or not the launch is on; nothing is checked.
  void ReadBack() override;

  LONG m_LaunchProc = 0;
  char m_LaunchCmdLine[ScanSettings::kTextSize] = "";
  char m_LaunchArgs[ScanSettings::kTextSize] = "";

 private:
  bool OnCommand(UINT id, UINT code) override;
  void OnLaunch();
  void OnBrowse();
  void EnableLaunchControls(bool enabled);
};

}  // namespace quill
