// The About box: the program's version and the scanner that is connected, asked afresh each
// time the box opens.
#pragma once

#include <windows.h>

#include "app/info_box.h"

namespace quill {

class CMainFrame;

// The program's version; the build number shows only after the hidden gesture.
constexpr unsigned kVersionMajor = 5;
constexpr unsigned kVersionMinor = 6;
constexpr unsigned kVersionBuild = 1;

// Dialog resource 100.
class CAboutDlg : public InfoBox {
 public:
  explicit CAboutDlg(CMainFrame& frame);

 private:
  BOOL OnInitDialog() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnPaint(HWND dialog);
  void OnLButtonDblClk(HWND dialog, WPARAM flags, POINT point);

  // Only read while the box is being set up: the frame may be gone once the box's loop runs.
  CMainFrame* frame_;
};

}  // namespace quill
