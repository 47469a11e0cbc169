// The folder picker: the system's classic open-file dialog, re-titled and re-arranged so that
// only its folder part shows. It answers with the chosen folder, ending in a backslash.
#pragma once

#include <windows.h>

#include <string>

#include "config/scan_settings.h"

namespace quill {

class DirectoryDialog {
 public:
  // Starts at `initialFolder` (a copy is kept).
  explicit DirectoryDialog(const char* initialFolder);
  DirectoryDialog(const DirectoryDialog&) = delete;
  DirectoryDialog& operator=(const DirectoryDialog&) = delete;

  // Modal over `owner`. True with the folder in `folder` on OK.
  bool Run(HWND owner, std::string& folder);

 private:
  static UINT_PTR CALLBACK Hook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  static void Arrange(HWND dialog);

  char initialFolder_[ScanSettings::kTextSize];
};

}  // namespace quill
